// The background colour button of the main window: a push button whose
// picture is its own client area filled with the colour.
#pragma once
#include <windows.h>

#include "GdiHandles.h"

class ColorSwatchButton {
 public:
  void attach(HWND button) { button_ = button; }
  HWND handle() const { return button_; }

  void setColor(COLORREF colour);
  COLORREF color() const { return colour_; }

 private:
  HWND button_ = nullptr;  // not owned
  COLORREF colour_ = RGB(255, 255, 255);
  BitmapHandle image_;  // shown by the button
};
