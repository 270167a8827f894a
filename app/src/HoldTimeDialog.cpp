#include "HoldTimeDialog.h"

#include <cctype>

#include "LanguageFormat.h"
#include "TextConversion.h"
#include "resource.h"

namespace {
constexpr const char* kSection = "AlbumFile";
}  // namespace

SharedHold sharedHold(const std::vector<std::optional<int>>& holds) {
  if (holds.empty()) return {};
  for (const auto& hold : holds)
    if (hold != holds.front()) return SharedHold{true, std::nullopt};
  return SharedHold{false, holds.front()};
}

std::optional<HoldChoice> holdChoiceOf(bool albumSeconds, const std::string& typed, int longest) {
  if (albumSeconds) return HoldChoice{true, std::nullopt};
  std::string digits;
  for (char c : typed)
    if (!std::isspace(static_cast<unsigned char>(c))) digits += c;
  if (digits.empty()) return HoldChoice{false, std::nullopt};
  if (digits.size() > 6) return std::nullopt;
  for (char c : digits)
    if (!std::isdigit(static_cast<unsigned char>(c))) return std::nullopt;
  const int seconds = std::stoi(digits);
  if (seconds > longest) return std::nullopt;
  return HoldChoice{true, seconds};
}

HoldTimeDialog::HoldTimeDialog(const LanguageFile& language, SharedHold shown, int albumSeconds, int longest)
    : language_(language), shown_(shown), albumSeconds_(albumSeconds), longest_(longest) {}

std::optional<HoldChoice> HoldTimeDialog::run(HINSTANCE instance, HWND owner) {
  choice_.reset();
  if (runModal(instance, IDD_HOLD_TIME, owner) != IDOK) return std::nullopt;
  return choice_;
}

bool HoldTimeDialog::onInitDialog() {
  HWND hwnd = handle();
  // Every text from the language file; a key it lacks keeps the template's.
  const auto text = [&](int id, const char* key) {
    const std::string value = language_.lookupString(key);
    if (value != key) SetDlgItemTextA(hwnd, id, value.c_str());
  };
  const std::string title = language_.lookupString("HoldTimeTitle");
  if (title != "HoldTimeTitle") SetWindowTextA(hwnd, title.c_str());
  text(IDC_HOLD_LABEL, "HoldTimeLabel");
  text(IDC_HOLD_UNIT, "Second");
  text(IDOK, "ButtonOK");
  text(IDCANCEL, "ButtonCancel");
  SetDlgItemTextA(hwnd, IDC_HOLD_ALBUM,
                  formatWithNumber(language_.lookupValue(kSection, "AlbumSeconds"), albumSeconds_).c_str());
  const bool albums = !shown_.mixed && !shown_.hold;
  CheckDlgButton(hwnd, IDC_HOLD_ALBUM, albums ? BST_CHECKED : BST_UNCHECKED);
  if (shown_.hold) SetDlgItemInt(hwnd, IDC_HOLD_SECONDS, static_cast<UINT>(*shown_.hold), FALSE);
  followAlbumBox();
  SetFocus(GetDlgItem(hwnd, albums ? IDC_HOLD_ALBUM : IDC_HOLD_SECONDS));
  SendDlgItemMessageA(hwnd, IDC_HOLD_SECONDS, EM_SETSEL, 0, -1);
  return false;
}

// The field takes seconds only while the album's box is clear; checked, it
// shows the album's seconds, gray.
void HoldTimeDialog::followAlbumBox() {
  HWND hwnd = handle();
  const bool albums = IsDlgButtonChecked(hwnd, IDC_HOLD_ALBUM) == BST_CHECKED;
  EnableWindow(GetDlgItem(hwnd, IDC_HOLD_SECONDS), !albums);
  if (albums) SetDlgItemInt(hwnd, IDC_HOLD_SECONDS, static_cast<UINT>(albumSeconds_), FALSE);
}

void HoldTimeDialog::accept() {
  HWND hwnd = handle();
  char typed[32] = {};
  GetDlgItemTextA(hwnd, IDC_HOLD_SECONDS, typed, sizeof typed);
  choice_ = holdChoiceOf(IsDlgButtonChecked(hwnd, IDC_HOLD_ALBUM) == BST_CHECKED, typed, longest_);
  if (!choice_) {
    showMessage(hwnd,
                utf8FromAnsi(formatWithNumber(language_.lookupValue(kSection, "HoldOutOfRange"), longest_)),
                MB_OK | MB_ICONWARNING);
    SetFocus(GetDlgItem(hwnd, IDC_HOLD_SECONDS));
    SendDlgItemMessageA(hwnd, IDC_HOLD_SECONDS, EM_SETSEL, 0, -1);
    return;
  }
  endDialog(IDOK);
}

bool HoldTimeDialog::handleMessage(UINT message, WPARAM wParam, LPARAM, LRESULT*) {
  if (message != WM_COMMAND) return false;
  switch (LOWORD(wParam)) {
    case IDC_HOLD_ALBUM:
      if (HIWORD(wParam) == BN_CLICKED) followAlbumBox();
      return true;
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
