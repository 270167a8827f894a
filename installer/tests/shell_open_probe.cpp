// Opens a file through the shell as a double click in Explorer does (a
// program starts, a document starts the program its file type names), waits
// for a visible top-level window of the started process with the expected
// title, then closes that window and waits for the process to end.
//
//   shell_open_probe PATH TITLE
//
// Prints the title found and exits 0; exits 1 when no such window appears in
// 30 s (naming the titles the process showed) or the process does not end
// after the window was closed, 2 when the shell cannot open PATH.
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

struct Search {
  DWORD processId;
  std::wstring title;
  HWND found = nullptr;
  std::vector<std::wstring> seen;
};

BOOL CALLBACK visit(HWND window, LPARAM data) {
  auto* search = reinterpret_cast<Search*>(data);
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  if (pid != search->processId || !IsWindowVisible(window)) return TRUE;
  wchar_t text[256] = {};
  GetWindowTextW(window, text, 256);
  if (search->title == text) {
    search->found = window;
    return FALSE;
  }
  search->seen.emplace_back(text);
  return TRUE;
}

std::string utf8(const std::wstring& text) {
  const int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
  std::string out(size > 0 ? size - 1 : 0, '\0');
  if (size > 1) WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, out.data(), size, nullptr, nullptr);
  return out;
}

}  // namespace

int main() {
  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  if (!argv || argc != 3) {
    std::fprintf(stderr, "usage: shell_open_probe PATH TITLE\n");
    return 2;
  }
  SHELLEXECUTEINFOW open{};
  open.cbSize = sizeof open;
  open.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
  open.lpVerb = L"open";
  open.lpFile = argv[1];
  open.nShow = SW_SHOWNORMAL;
  if (!ShellExecuteExW(&open) || !open.hProcess) {
    std::fprintf(stderr, "the shell did not open %s (error %lu)\n", utf8(argv[1]).c_str(), GetLastError());
    return 2;
  }
  Search search{GetProcessId(open.hProcess), argv[2], nullptr, {}};
  for (int i = 0; i < 300 && !search.found; ++i) {
    search.seen.clear();
    EnumWindows(visit, reinterpret_cast<LPARAM>(&search));
    if (!search.found) {
      if (WaitForSingleObject(open.hProcess, 100) == WAIT_OBJECT_0) break;
    }
  }
  if (!search.found) {
    std::fprintf(stderr, "no window titled \"%s\" appeared; the process showed:", utf8(search.title).c_str());
    for (const auto& title : search.seen) std::fprintf(stderr, " \"%s\"", utf8(title).c_str());
    std::fprintf(stderr, "\n");
    TerminateProcess(open.hProcess, 1);
    return 1;
  }
  std::printf("window \"%s\"\n", utf8(search.title).c_str());
  PostMessageW(search.found, WM_CLOSE, 0, 0);
  const bool ended = WaitForSingleObject(open.hProcess, 20000) == WAIT_OBJECT_0;
  if (!ended) {
    std::fprintf(stderr, "the program did not end after its window was closed\n");
    TerminateProcess(open.hProcess, 1);
  }
  CloseHandle(open.hProcess);
  return ended ? 0 : 1;
}
