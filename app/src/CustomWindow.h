// Base of the program's windows of their own classes (the picture list, the
// movie view, the info tip, the menu's owner window, the screensaver): each
// class is registered once with the one procedure below, and the C++ object
// is bound to its window in WM_NCCREATE, so that it sees every message from
// then on, WM_CREATE included. When the window goes (with its parent, or
// destroyed directly) the object stays, without a window.
#pragma once
#include <windows.h>

// What a window class is made of besides its procedure.
struct WindowClass {
  const char* name = nullptr;
  UINT style = 0;
  HCURSOR cursor = nullptr;
  HBRUSH background = nullptr;
  HICON icon = nullptr;
};

// Where and how a window is made.
struct CreateArgs {
  HWND parent = nullptr;  // parent of a child, owner of a popup; not owned
  RECT pos{};             // in the parent's client coordinates (the screen's for a popup)
  DWORD style = 0;
  DWORD exStyle = 0;
  const char* title = "";
  int id = 0;                    // control id of a child
  HINSTANCE instance = nullptr;  // the class's module; null for the program's
};

class CustomWindow {
 public:
  CustomWindow(const CustomWindow&) = delete;
  CustomWindow& operator=(const CustomWindow&) = delete;

  HWND handle() const { return hwnd_; }

  // The object of a window made through this base, or null for any other
  // window (or one of another type).
  template <typename T>
  static T* from(HWND hwnd) {
    return dynamic_cast<T*>(bound(hwnd));
  }

 protected:
  CustomWindow() = default;
  // Destroys a window still there, without the object's handlers (they are
  // gone by now): a class that must see its window's last messages destroys
  // it in its own destructor.
  virtual ~CustomWindow();

  // Registers the class (once) and makes the window. False when either
  // fails, or when WM_CREATE refused the window (answered -1).
  bool createWindow(const WindowClass& windowClass, const CreateArgs& args);
  // Destroys the window, if there is one, with the object's handlers.
  void destroyWindow();

  // Every message from WM_NCCREATE to WM_NCDESTROY; handle() is valid
  // throughout, and becomes null after WM_NCDESTROY.
  virtual LRESULT onMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(hwnd_, message, wParam, lParam);
  }

 private:
  static LRESULT CALLBACK windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  static CustomWindow* bound(HWND hwnd);

  HWND hwnd_ = nullptr;
};
