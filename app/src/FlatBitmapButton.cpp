#include "FlatBitmapButton.h"

#include <commctrl.h>

#include <utility>

namespace {

// The id of this subclass among the button's subclasses.
constexpr UINT_PTR kSubclassId = 1;

// Answered with true by a button already taken over (and with 0, by the
// default procedure, by every other window).
UINT takenOverMessage() {
  static const UINT message = RegisterWindowMessageA("SlidewrightFlatBitmapButton");
  return message;
}

// Glyphs larger than this are no button glyphs; they are drawn as they are.
constexpr LONG kMaxGlyphSide = 1024;

COLORREF mix(COLORREF a, COLORREF b) {
  return RGB((GetRValue(a) + GetRValue(b)) / 2, (GetGValue(a) + GetGValue(b)) / 2,
             (GetBValue(a) + GetBValue(b)) / 2);
}

}  // namespace

void greyGlyphPixels(std::vector<std::uint32_t>& pixels, std::uint32_t key, COLORREF face) {
  key &= 0xFFFFFFu;
  const unsigned faceRed = GetRValue(face), faceGreen = GetGValue(face), faceBlue = GetBValue(face);
  for (auto& pixel : pixels) {
    const std::uint32_t rgb = pixel & 0xFFFFFFu;
    if (rgb == key) continue;
    const unsigned red = (rgb >> 16) & 0xFF, green = (rgb >> 8) & 0xFF, blue = rgb & 0xFF;
    const unsigned brightness = (299 * red + 587 * green + 114 * blue + 500) / 1000;
    // Three fifths brightness, two fifths face: clearly grey and lighter,
    // yet the shape still reads against the face.
    std::uint32_t out = ((3 * brightness + 2 * faceRed) / 5) << 16 |
                        ((3 * brightness + 2 * faceGreen) / 5) << 8 | ((3 * brightness + 2 * faceBlue) / 5);
    // One step of blue cannot be seen; a hole in the glyph could.
    if (out == key) out ^= 1u;
    pixel = out;
  }
}

FlatBitmapButton::~FlatBitmapButton() {
  if (button_ && IsWindow(button_)) detach();
}

bool FlatBitmapButton::attach(HWND button) {
  if (!button || button_ || SendMessageA(button, takenOverMessage(), 0, 0)) return false;
  char className[16] = {};
  GetClassNameA(button, className, sizeof className);
  if (lstrcmpiA(className, "Button") != 0) return false;

  LONG_PTR style = GetWindowLongPtrA(button, GWL_STYLE);
  const LONG_PTR type = style & BS_TYPEMASK;
  toggle_ = type == BS_CHECKBOX || type == BS_AUTOCHECKBOX;
  autoToggle_ = type == BS_AUTOCHECKBOX;
  checked_ = toggle_ && SendMessageA(button, BM_GETCHECK, 0, 0) == BST_CHECKED;

  if (!SetWindowSubclass(button, &FlatBitmapButton::subclassProc, kSubclassId,
                         reinterpret_cast<DWORD_PTR>(this)))
    return false;
  originalStyle_ = style;
  // An owner-drawn button keeps no check state and draws nothing itself;
  // the state lives here and draw() paints every state.
  style = (style & ~(BS_TYPEMASK | BS_BITMAP | BS_ICON | BS_FLAT | BS_PUSHLIKE)) | BS_OWNERDRAW;
  SetWindowLongPtrA(button, GWL_STYLE, style);
  button_ = button;
  InvalidateRect(button_, nullptr, FALSE);
  return true;
}

void FlatBitmapButton::detach() {
  if (!button_) return;
  RemoveWindowSubclass(button_, &FlatBitmapButton::subclassProc, kSubclassId);
  // Given back with its own style and its check state, so that it can be
  // taken over again as what it was.
  SetWindowLongPtrA(button_, GWL_STYLE, originalStyle_);
  if (toggle_) SendMessageA(button_, BM_SETCHECK, checked_ ? BST_CHECKED : BST_UNCHECKED, 0);
  button_ = nullptr;
}

void FlatBitmapButton::setGlyph(HBITMAP glyph) {
  glyph_ = glyph;
  greyed_.reset();
  key_ = CLR_INVALID;
  glyphSize_ = SIZE{};
  BITMAP bm{};
  if (glyph && GetObject(glyph, sizeof bm, &bm) && bm.bmWidth > 0 && bm.bmHeight > 0) {
    glyphSize_ = SIZE{bm.bmWidth, bm.bmHeight};
    if (bm.bmWidth <= kMaxGlyphSide && bm.bmHeight <= kMaxGlyphSide) {
      BITMAPINFO info{};
      info.bmiHeader.biSize = sizeof info.bmiHeader;
      info.bmiHeader.biWidth = bm.bmWidth;
      info.bmiHeader.biHeight = -bm.bmHeight;  // top row first
      info.bmiHeader.biPlanes = 1;
      info.bmiHeader.biBitCount = 32;
      info.bmiHeader.biCompression = BI_RGB;
      std::vector<std::uint32_t> pixels(static_cast<size_t>(bm.bmWidth) * static_cast<size_t>(bm.bmHeight));
      WindowDC screen(nullptr);
      if (GetDIBits(screen.get(), glyph, 0, bm.bmHeight, pixels.data(), &info, DIB_RGB_COLORS) ==
          bm.bmHeight) {
        // The top-left pixel is background in every glyph.
        const std::uint32_t key = pixels[0] & 0xFFFFFFu;
        key_ = RGB((key >> 16) & 0xFF, (key >> 8) & 0xFF, key & 0xFF);
        greyGlyphPixels(pixels, key, GetSysColor(COLOR_3DFACE));
        BitmapHandle greyed(CreateCompatibleBitmap(screen.get(), bm.bmWidth, bm.bmHeight));
        if (greyed && SetDIBits(screen.get(), greyed.get(), 0, bm.bmHeight, pixels.data(), &info,
                                DIB_RGB_COLORS) == bm.bmHeight)
          greyed_ = std::move(greyed);
      }
    }
  }
  if (button_) InvalidateRect(button_, nullptr, FALSE);
}

void FlatBitmapButton::setChecked(bool checked) {
  if (checked == checked_) return;
  checked_ = checked;
  if (button_) InvalidateRect(button_, nullptr, FALSE);
}

void FlatBitmapButton::draw(const DRAWITEMSTRUCT& item) const {
  HDC dc = item.hDC;
  const RECT r = item.rcItem;
  const bool disabled = (item.itemState & ODS_DISABLED) != 0;
  const bool pushed = (item.itemState & ODS_SELECTED) != 0;
  // Pushed and latched buttons look pressed in: darker frame, glyph moved
  // one pixel down and right. A latched one also has a lighter face.
  const bool pressedIn = !disabled && (pushed || checked_);
  const COLORREF face = GetSysColor(COLOR_3DFACE);
  BrushHandle faceBrush(
      CreateSolidBrush(checked_ && !pushed ? mix(face, GetSysColor(COLOR_3DHILIGHT)) : face));
  FillRect(dc, &r, faceBrush ? faceBrush.get() : GetSysColorBrush(COLOR_3DFACE));
  FrameRect(dc, &r, GetSysColorBrush(pressedIn ? COLOR_3DDKSHADOW : COLOR_3DSHADOW));
  // Nothing else: the focus is shown by no frame.

  HBITMAP glyph = disabled && greyed_ ? greyed_.get() : glyph_;
  if (!glyph) return;
  const int shift = pressedIn ? 1 : 0;
  const int x = r.left + (r.right - r.left - glyphSize_.cx) / 2 + shift;
  const int y = r.top + (r.bottom - r.top - glyphSize_.cy) / 2 + shift;
  const int saved = SaveDC(dc);
  IntersectClipRect(dc, r.left + 1, r.top + 1, r.right - 1, r.bottom - 1);
  {
    MemoryDC source(dc);
    SelectGuard select(source.get(), glyph);
    if (key_ != CLR_INVALID)
      TransparentBlt(dc, x, y, glyphSize_.cx, glyphSize_.cy, source.get(), 0, 0, glyphSize_.cx, glyphSize_.cy,
                     key_);
    else
      BitBlt(dc, x, y, glyphSize_.cx, glyphSize_.cy, source.get(), 0, 0, SRCCOPY);
  }
  RestoreDC(dc, saved);
}

LRESULT CALLBACK FlatBitmapButton::subclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                                                UINT_PTR, DWORD_PTR self) {
  auto* button = reinterpret_cast<FlatBitmapButton*>(self);
  if (!button || button->button_ != hwnd) return DefSubclassProc(hwnd, message, wParam, lParam);
  return button->onMessage(message, wParam, lParam);
}

// The button's own procedure, and any subclass made before this one.
LRESULT FlatBitmapButton::callOriginal(UINT message, WPARAM wParam, LPARAM lParam) const {
  return DefSubclassProc(button_, message, wParam, lParam);
}

LRESULT FlatBitmapButton::onMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == takenOverMessage()) return TRUE;
  switch (message) {
    case WM_LBUTTONDBLCLK:
      // An owner-drawn button reports a quick second click as a double
      // click and does not press; this one takes it as the click it is.
      return callOriginal(WM_LBUTTONDOWN, wParam, lParam);
    case WM_LBUTTONUP:
    case WM_KEYUP: {
      // A release that clicks (the button still pushed, the mouse still
      // over it, or the space bar) flips a check box before the button
      // tells its parent, as a check box does.
      if (!autoToggle_ || !(callOriginal(BM_GETSTATE, 0, 0) & BST_PUSHED)) break;
      bool clicks = false;
      if (message == WM_KEYUP) {
        clicks = wParam == VK_SPACE;
      } else {
        RECT client{};
        GetClientRect(button_, &client);
        const POINT p{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
        clicks = PtInRect(&client, p) != FALSE;
      }
      if (clicks) setChecked(!checked_);
      break;
    }
    case BM_GETCHECK:
      if (toggle_) return checked_ ? BST_CHECKED : BST_UNCHECKED;
      break;
    case BM_SETCHECK:
      if (toggle_) {
        setChecked(wParam != BST_UNCHECKED);
        return 0;
      }
      break;
    case BM_GETSTATE: {
      LRESULT state = callOriginal(message, wParam, lParam);
      if (toggle_) state = (state & ~LRESULT{3}) | (checked_ ? BST_CHECKED : BST_UNCHECKED);
      return state;
    }
    case BM_SETIMAGE:
      if (wParam == IMAGE_BITMAP) {
        HBITMAP previous = glyph_;
        setGlyph(reinterpret_cast<HBITMAP>(lParam));
        return reinterpret_cast<LRESULT>(previous);
      }
      break;
    case BM_GETIMAGE:
      if (wParam == IMAGE_BITMAP) return reinterpret_cast<LRESULT>(glyph_);
      break;
    case WM_ENABLE: {
      const LRESULT result = callOriginal(message, wParam, lParam);
      InvalidateRect(button_, nullptr, FALSE);
      return result;
    }
    case WM_NCDESTROY: {
      HWND button = button_;
      detach();
      return DefSubclassProc(button, message, wParam, lParam);
    }
    default:
      break;
  }
  return callOriginal(message, wParam, lParam);
}
