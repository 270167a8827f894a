#include "SaverModes.h"

#include <string>

#include "resource.h"

namespace {

HWND windowOrForeground(const SaverCommand& command) {
  const HWND given = reinterpret_cast<HWND>(command.handle);
  return command.hasHandle && IsWindow(given) ? given : GetForegroundWindow();
}

INT_PTR CALLBACK configurationProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG: {
      const HINSTANCE instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(dialog, GWLP_HINSTANCE));
      const LANGID language = saverTextLanguage(GetUserDefaultUILanguage());
      MessageBoxW(dialog, saverString(instance, IDS_SAVER_NO_SETTINGS, language).c_str(),
                  saverString(instance, IDS_SAVER_DESCRIPTION, language).c_str(), MB_OK | MB_ICONWARNING);
      EndDialog(dialog, 1);
      return TRUE;
    }
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
        EndDialog(dialog, LOWORD(wParam) == IDOK ? 1 : 0);
        return TRUE;
      }
      break;
    default:
      break;
  }
  return FALSE;
}

int changePassword(HWND owner) {
  HMODULE mpr = LoadLibraryA("MPR.DLL");
  if (!mpr) return 0;
  using ChangeFn = DWORD(WINAPI*)(LPCSTR, HWND, DWORD, LPVOID);
  auto change =
      reinterpret_cast<ChangeFn>(reinterpret_cast<void*>(GetProcAddress(mpr, "PwdChangePasswordA")));
  if (change) change("SCRSAVE", owner, 0, nullptr);
  FreeLibrary(mpr);
  return 0;
}

}  // namespace

LANGID saverTextLanguage(LANGID userInterface) {
  if (PRIMARYLANGID(userInterface) == LANG_CHINESE)
    return MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED);
  return MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);
}

std::wstring saverString(HINSTANCE module, UINT id, LANGID language) {
  // Strings are stored in blocks of 16, each a length followed by that many
  // UTF-16 units; block n holds the strings 16 (n - 1) to 16 n - 1.
  HRSRC found =
      FindResourceExW(module, MAKEINTRESOURCEW(6) /* RT_STRING */, MAKEINTRESOURCEW(id / 16 + 1), language);
  HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
  const auto* p = loaded ? static_cast<const WCHAR*>(LockResource(loaded)) : nullptr;
  if (!p) return std::wstring();
  const WCHAR* end = p + SizeofResource(module, found) / sizeof(WCHAR);
  for (UINT i = 0; i < id % 16 && p < end; ++i) p += 1 + *p;
  if (p >= end || p + 1 + *p > end) return std::wstring();
  return std::wstring(p + 1, *p);
}

INT_PTR showConfiguration(HINSTANCE instance, HWND owner) {
  return DialogBoxParamW(instance, MAKEINTRESOURCEW(IDD_SAVER_CONFIG), owner, configurationProc, 0);
}

int runSaverMode(HINSTANCE instance, const SaverCommand& command, const SaverPlatform& platform) {
  switch (command.mode) {
    case SaverMode::Configure:
      // A bare command line has no owner; "C" takes the given window or the foreground one.
      return int(showConfiguration(instance, command.bare ? nullptr : windowOrForeground(command)));
    case SaverMode::Preview: {
      const HWND parent = reinterpret_cast<HWND>(command.handle);
      if (!command.hasHandle || !IsWindow(parent)) return -1;
      ScreenSaver saver(instance, platform);
      return saver.run(parent);
    }
    case SaverMode::FullScreen: {
      ScreenSaver saver(instance, platform);
      return saver.run(nullptr);
    }
    case SaverMode::ChangePassword:
      if (!platform.windows9x) return -1;
      return changePassword(windowOrForeground(command));
    case SaverMode::Unknown:
    default:
      return -1;
  }
}
