// A flat button that shows a small bitmap glyph and is drawn by the program:
// the system's own greying of a disabled bitmap button turns a glyph with an
// opaque background into a solid grey block, so each button keeps a greyed
// copy of its glyph, made once when the glyph is set, and draws it itself.
//
// attach() takes over an existing push button or push-like check box of a
// dialog: the control becomes owner-drawn, keeps its id, rectangle and
// notifications, and a check box keeps its checked state here, answering
// BM_GETCHECK and BM_SETCHECK (and so IsDlgButtonChecked and
// CheckDlgButton) as before. The parent forwards WM_DRAWITEM to draw().
// The button never shows a focus frame.
#pragma once
#include <windows.h>

#include <cstdint>
#include <vector>

#include "GdiHandles.h"

// The greyed form of a glyph's pixels (32-bit, 0x00RRGGBB as GetDIBits gives
// them): every pixel but the background key becomes its own brightness,
// lightened towards the face colour. The key stays as it is, and no other
// pixel turns into the key, so the background stays transparent and the
// shape stays whole.
void greyGlyphPixels(std::vector<std::uint32_t>& pixels, std::uint32_t key, COLORREF face);

class FlatBitmapButton {
 public:
  FlatBitmapButton() = default;
  FlatBitmapButton(const FlatBitmapButton&) = delete;
  FlatBitmapButton& operator=(const FlatBitmapButton&) = delete;
  ~FlatBitmapButton();

  // Takes over the button; false when the window is not a button or is
  // already taken over.
  bool attach(HWND button);
  // Shows the given glyph (not owned: the caller keeps it alive while it is
  // shown). Its top-left pixel is its background, drawn transparent.
  void setGlyph(HBITMAP glyph);

  HWND handle() const { return button_; }
  int id() const { return button_ ? GetDlgCtrlID(button_) : 0; }
  bool isToggle() const { return toggle_; }
  bool isChecked() const { return checked_; }

  // Draws the button for its parent's WM_DRAWITEM.
  void draw(const DRAWITEMSTRUCT& item) const;

 private:
  static LRESULT CALLBACK subclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                       DWORD_PTR self);
  LRESULT onMessage(UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT callOriginal(UINT message, WPARAM wParam, LPARAM lParam) const;
  void detach();
  void setChecked(bool checked);

  HWND button_ = nullptr;       // not owned
  LONG_PTR originalStyle_ = 0;  // the button's style before it was taken over
  bool toggle_ = false;         // a check box: its checked state is kept here
  bool autoToggle_ = false;     // an automatic check box: each click flips it
  bool checked_ = false;
  HBITMAP glyph_ = nullptr;     // not owned
  BitmapHandle greyed_;         // greyed copy of glyph_
  COLORREF key_ = CLR_INVALID;  // background colour of both glyphs
  SIZE glyphSize_{};
};
