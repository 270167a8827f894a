#include "ColorSwatchButton.h"

void ColorSwatchButton::setColor(COLORREF colour) {
  colour_ = colour;
  if (!button_) return;
  RECT r{};
  GetClientRect(button_, &r);
  WindowDC screen(button_);
  BitmapHandle image(CreateCompatibleBitmap(screen.get(), r.right, r.bottom));
  if (!image) return;
  {
    MemoryDC dc(screen.get());
    SelectGuard select(dc.get(), image.get());
    BrushHandle brush(CreateSolidBrush(colour));
    FillRect(dc.get(), &r, brush.get());
  }
  SendMessageA(button_, BM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(image.get()));
  // The button now shows the new picture; the old one can go.
  image_ = std::move(image);
}
