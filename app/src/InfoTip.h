// The small text window that the main window shows when the pointer rests
// on a picture of the picture list: a bordered popup on a light yellow
// ground, sized to its lines of text, shown without taking the activation.
// It keeps its text and the index of the picture it describes; what it says
// and when it shows are the main window's choice. The pointer passes through
// it to the window below, as through a tooltip.
#pragma once
#include <windows.h>

#include <string>

#include "CustomWindow.h"
#include "GdiHandles.h"

// Where the top-left corner of a tip of the given size goes for the pointer:
// `gap` pixels below it; above it instead when it would pass the bottom of
// the work area, and moved left when it would pass its right edge, so that
// a tip near the edge of the screen can still be read.
POINT tipPosition(POINT pointer, SIZE tip, int gap, const RECT& workArea);

class InfoTip : public CustomWindow {
 public:
  InfoTip() = default;

  // Creates the window, owned by `owner`, and hides it.
  bool create(HWND owner);

  // Lines are separated by "\r\n".
  void setText(const std::wstring& text);
  const std::wstring& text() const { return text_; }
  // Sizes the window to the text and shows it `gap` pixels below the
  // pointer (screen coordinates), kept on the pointer's monitor (see
  // tipPosition).
  void showBelow(POINT pointer, int gap);
  void hide();
  bool visible() const { return handle() && IsWindowVisible(handle()); }

  // The picture described, -1 for none.
  int index() const { return index_; }
  void setIndex(int index) { index_ = index; }

 private:
  LRESULT onMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  void paint();
  HFONT font();
  SIZE measure();

  std::wstring text_;
  int index_ = -1;
  FontHandle font_;
  int lineHeight_ = 0;
};
