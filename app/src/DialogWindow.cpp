#include "DialogWindow.h"

#include "TextConversion.h"

int showMessage(HWND owner, const std::string& text, UINT type) {
  std::wstring caption = owner ? windowTitleWide(owner) : std::wstring();
  if (caption.empty()) caption = L"Slidewright";
  return MessageBoxW(owner, wideFromUtf8(text).c_str(), caption.c_str(), type);
}

INT_PTR DialogWindow::runModal(HINSTANCE instance, int templateId, HWND owner) {
  instance_ = instance;
  modal_ = true;
  if (unicodeControls_)
    return DialogBoxParamW(instance, MAKEINTRESOURCEW(templateId), owner, dialogProc,
                           reinterpret_cast<LPARAM>(this));
  return DialogBoxParamA(instance, MAKEINTRESOURCEA(templateId), owner, dialogProc,
                         reinterpret_cast<LPARAM>(this));
}

bool DialogWindow::createModeless(HINSTANCE instance, int templateId, HWND owner) {
  instance_ = instance;
  modal_ = false;
  if (unicodeControls_)
    return CreateDialogParamW(instance, MAKEINTRESOURCEW(templateId), owner, dialogProc,
                              reinterpret_cast<LPARAM>(this)) != nullptr;
  return CreateDialogParamA(instance, MAKEINTRESOURCEA(templateId), owner, dialogProc,
                            reinterpret_cast<LPARAM>(this)) != nullptr;
}

void DialogWindow::endDialog(INT_PTR result) {
  if (!hwnd_) return;
  if (modal_)
    EndDialog(hwnd_, result);
  else
    DestroyWindow(hwnd_);
}

INT_PTR CALLBACK DialogWindow::dialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  // A dialog procedure first sees its creation parameter in WM_INITDIALOG;
  // the few messages before it (WM_SETFONT and the like) need no object.
  if (message == WM_INITDIALOG) {
    auto* self = reinterpret_cast<DialogWindow*>(lParam);
    SetWindowLongPtrA(hwnd, DWLP_USER, lParam);
    self->hwnd_ = hwnd;
    return self->onInitDialog() ? TRUE : FALSE;
  }
  auto* self = reinterpret_cast<DialogWindow*>(GetWindowLongPtrA(hwnd, DWLP_USER));
  if (!self) return FALSE;
  LRESULT result = 0;
  const bool handled = self->handleMessage(message, wParam, lParam, &result);
  if (message == WM_NCDESTROY) {
    SetWindowLongPtrA(hwnd, DWLP_USER, 0);
    self->hwnd_ = nullptr;
  }
  if (!handled) return FALSE;
  // Messages whose result is the return value itself; all others report
  // theirs through DWLP_MSGRESULT.
  switch (message) {
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
    case WM_COMPAREITEM:
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
    case WM_QUERYDRAGICON:
    case WM_INITDIALOG:
      return static_cast<INT_PTR>(result);
    default:
      SetWindowLongPtrA(hwnd, DWLP_MSGRESULT, result);
      return TRUE;
  }
}
