#include "CustomWindow.h"

namespace {

bool registerClass(HINSTANCE instance, const WindowClass& windowClass, WNDPROC proc) {
  WNDCLASSEXA wc{};
  wc.cbSize = sizeof wc;
  if (GetClassInfoExA(instance, windowClass.name, &wc)) return wc.lpfnWndProc == proc;
  wc.style = windowClass.style;
  wc.lpfnWndProc = proc;
  wc.hInstance = instance;
  wc.hIcon = windowClass.icon;
  wc.hCursor = windowClass.cursor;
  wc.hbrBackground = windowClass.background;
  wc.lpszClassName = windowClass.name;
  return RegisterClassExA(&wc) != 0;
}

}  // namespace

CustomWindow::~CustomWindow() {
  if (!hwnd_) return;
  const HWND hwnd = hwnd_;
  SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
  hwnd_ = nullptr;
  DestroyWindow(hwnd);
}

bool CustomWindow::createWindow(const WindowClass& windowClass, const CreateArgs& args) {
  if (hwnd_) return false;
  const HINSTANCE instance = args.instance ? args.instance : GetModuleHandleA(nullptr);
  if (!registerClass(instance, windowClass, &CustomWindow::windowProc)) return false;
  const RECT& r = args.pos;
  // A child's id travels in the menu argument.
  const HMENU menu =
      (args.style & WS_CHILD) ? reinterpret_cast<HMENU>(static_cast<INT_PTR>(args.id)) : nullptr;
  const HWND hwnd =
      CreateWindowExA(args.exStyle, windowClass.name, args.title ? args.title : "", args.style, r.left, r.top,
                      r.right - r.left, r.bottom - r.top, args.parent, menu, instance, this);
  // hwnd_ was set in WM_NCCREATE; a window refused in WM_CREATE has gone
  // again, and with it hwnd_.
  return hwnd != nullptr && hwnd_ == hwnd;
}

void CustomWindow::destroyWindow() {
  if (hwnd_) DestroyWindow(hwnd_);
}

CustomWindow* CustomWindow::bound(HWND hwnd) {
  if (!hwnd || reinterpret_cast<WNDPROC>(GetClassLongPtrA(hwnd, GCLP_WNDPROC)) != &CustomWindow::windowProc)
    return nullptr;
  return reinterpret_cast<CustomWindow*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
}

LRESULT CALLBACK CustomWindow::windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* self = static_cast<CustomWindow*>(reinterpret_cast<const CREATESTRUCTA*>(lParam)->lpCreateParams);
    if (self) {
      self->hwnd_ = hwnd;
      SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
  }
  auto* self = reinterpret_cast<CustomWindow*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  if (!self || self->hwnd_ != hwnd) return DefWindowProcA(hwnd, message, wParam, lParam);
  if (message != WM_NCDESTROY) return self->onMessage(message, wParam, lParam);
  const LRESULT result = self->onMessage(message, wParam, lParam);
  SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
  self->hwnd_ = nullptr;
  return result;
}
