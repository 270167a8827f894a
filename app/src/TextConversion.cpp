#include "TextConversion.h"

#include <vector>

namespace {

std::wstring widen(const std::string& text, UINT codePage) {
  if (text.empty()) return {};
  const int n = MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(n > 0 ? n : 0), L'\0');
  if (n > 0) MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), wide.data(), n);
  return wide;
}

// Best-fit stand-ins are asked for only where they are allowed: UTF-8
// takes no flags.
std::string narrow(const std::wstring& wide, UINT codePage, DWORD flags, BOOL* lost) {
  if (wide.empty()) return {};
  const int n = WideCharToMultiByte(codePage, flags, wide.data(), static_cast<int>(wide.size()), nullptr, 0,
                                    nullptr, lost);
  std::string text(static_cast<std::size_t>(n > 0 ? n : 0), '\0');
  if (n > 0)
    WideCharToMultiByte(codePage, flags, wide.data(), static_cast<int>(wide.size()), text.data(), n, nullptr,
                        lost);
  return text;
}

}  // namespace

std::wstring wideFromUtf8(const std::string& utf8) { return widen(utf8, CP_UTF8); }
std::string utf8FromWide(const std::wstring& wide) { return narrow(wide, CP_UTF8, 0, nullptr); }
std::wstring wideFromAnsi(const std::string& ansi) { return widen(ansi, CP_ACP); }

bool ansiFromWide(const std::wstring& wide, std::string* ansi) {
  BOOL lost = FALSE;
  *ansi = narrow(wide, CP_ACP, WC_NO_BEST_FIT_CHARS, &lost);
  return !lost && (wide.empty() || !ansi->empty());
}

std::string shownAnsi(const std::wstring& wide) { return narrow(wide, CP_ACP, 0, nullptr); }
std::string utf8FromAnsi(const std::string& ansi) { return utf8FromWide(wideFromAnsi(ansi)); }

std::string windowTextUtf8(HWND window) {
  const int length = GetWindowTextLengthW(window);
  std::vector<wchar_t> text(static_cast<std::size_t>(length > 0 ? length : 0) + 1, L'\0');
  GetWindowTextW(window, text.data(), static_cast<int>(text.size()));
  return utf8FromWide(text.data());
}

void setWindowTextUtf8(HWND window, const std::string& utf8) {
  SetWindowTextW(window, wideFromUtf8(utf8).c_str());
}

std::wstring windowTitleWide(HWND window) {
  const LRESULT length = DefWindowProcW(window, WM_GETTEXTLENGTH, 0, 0);
  std::vector<wchar_t> title(static_cast<std::size_t>(length > 0 ? length : 0) + 1, L'\0');
  DefWindowProcW(window, WM_GETTEXT, title.size(), reinterpret_cast<LPARAM>(title.data()));
  return title.data();
}

void setWindowTitleWide(HWND window, const std::wstring& title) {
  DefWindowProcW(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(title.c_str()));
}
