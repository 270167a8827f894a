#include "CaptionDialog.h"

#include <cwctype>
#include <utility>

#include "TextConversion.h"
#include "resource.h"

SharedCaption sharedCaption(const std::vector<std::string>& captions) {
  if (captions.empty()) return {};
  for (const auto& caption : captions)
    if (caption != captions.front()) return SharedCaption{true, {}};
  return SharedCaption{false, captions.front()};
}

std::string captionOfTyped(const std::wstring& typed) {
  std::vector<std::wstring> lines(1);
  for (wchar_t c : typed) {
    if (c == L'\r' || c == L'\n') {
      if (!lines.back().empty()) lines.emplace_back();
      continue;
    }
    // Tabs and other control characters show as nothing in a caption.
    lines.back() += std::iswcntrl(c) ? L' ' : c;
  }
  std::wstring first, second;
  for (std::wstring& line : lines) {
    const auto begin = line.find_first_not_of(L' ');
    if (begin == std::wstring::npos) continue;
    line = line.substr(begin, line.find_last_not_of(L' ') - begin + 1);
    std::wstring& into = first.empty() ? first : second;
    if (!into.empty()) into += L' ';
    into += line;
  }
  return utf8FromWide(second.empty() ? first : first + L'\n' + second);
}

std::wstring typedOfCaption(const std::string& caption) {
  std::wstring typed;
  for (wchar_t c : wideFromUtf8(caption)) {
    if (c == L'\n') typed += L'\r';
    typed += c;
  }
  return typed;
}

CaptionDialog::CaptionDialog(const LanguageFile& language, SharedCaption shown)
    : language_(language), shown_(std::move(shown)) {
  useUnicodeControls();
}

std::optional<CaptionChoice> CaptionDialog::run(HINSTANCE instance, HWND owner) {
  choice_.reset();
  if (runModal(instance, IDD_CAPTION, owner) != IDOK) return std::nullopt;
  return choice_;
}

bool CaptionDialog::open(HINSTANCE instance, HWND owner) {
  choice_.reset();
  return createModeless(instance, IDD_CAPTION, owner);
}

bool CaptionDialog::onInitDialog() {
  HWND hwnd = handle();
  // The labels from the language file (in the code page); a key it lacks
  // keeps the template's text.
  const auto text = [&](int id, const char* key) {
    const std::string value = language_.lookupString(key);
    if (value != key) SetWindowTextW(GetDlgItem(hwnd, id), wideFromAnsi(value).c_str());
  };
  const std::string title = language_.lookupString("CaptionTitle");
  if (title != "CaptionTitle") SetWindowTextW(hwnd, wideFromAnsi(title).c_str());
  text(IDC_CAPTION_LABEL, "CaptionLabel");
  text(IDOK, "ButtonOK");
  text(IDCANCEL, "ButtonCancel");
  HWND box = GetDlgItem(hwnd, IDC_CAPTION_TEXT);
  SendMessageW(box, EM_LIMITTEXT, kMaxCaptionLength, 0);
  if (!shown_.mixed) SetWindowTextW(box, typedOfCaption(shown_.caption).c_str());
  SetFocus(box);
  SendMessageW(box, EM_SETSEL, 0, -1);
  return false;
}

void CaptionDialog::accept() {
  HWND box = GetDlgItem(handle(), IDC_CAPTION_TEXT);
  std::wstring typed(static_cast<std::size_t>(GetWindowTextLengthW(box)) + 1, L'\0');
  typed.resize(static_cast<std::size_t>(GetWindowTextW(box, typed.data(), static_cast<int>(typed.size()))));
  const std::string caption = captionOfTyped(typed);
  choice_ = CaptionChoice{!(shown_.mixed && caption.empty()), caption};
  endDialog(IDOK);
}

bool CaptionDialog::handleMessage(UINT message, WPARAM wParam, LPARAM, LRESULT*) {
  if (message != WM_COMMAND) return false;
  switch (LOWORD(wParam)) {
    case IDOK:
      accept();
      return true;
    case IDCANCEL:
      endDialog(IDCANCEL);
      return true;
    default:
      return false;
  }
}
