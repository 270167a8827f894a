#include "IconMenuLook.h"

#include "IconMenu.h"

#include <cstdint>
#include <cstring>
#include <string>

namespace {

void fillRect(HDC dc, const RECT& r, COLORREF colour) {
  BrushHandle brush(CreateSolidBrush(colour));
  if (brush) FillRect(dc, &r, brush.get());
}

void frameRect(HDC dc, const RECT& r, COLORREF colour) {
  BrushHandle brush(CreateSolidBrush(colour));
  if (brush) FrameRect(dc, &r, brush.get());
}

// A check mark of seven strokes, three pixels tall each, falling to the
// middle and rising to the right, in a 7 x 7 square at (x, y).
void drawCheckMark(HDC dc, int x, int y, COLORREF colour) {
  static constexpr int kTop[7] = {2, 3, 4, 3, 2, 1, 0};
  BrushHandle brush(CreateSolidBrush(colour));
  if (!brush) return;
  for (int i = 0; i < 7; ++i) {
    const RECT stroke{x + i, y + kTop[i], x + i + 1, y + kTop[i] + 3};
    FillRect(dc, &stroke, brush.get());
  }
}

void drawCheckMarkIn(HDC dc, const RECT& box, COLORREF colour) {
  drawCheckMark(dc, (box.left + box.right) / 2 - 3, (box.top + box.bottom) / 2 - 3, colour);
}

// A grayed picture: the picture as a one-bit image (its dark parts black,
// its light and transparent parts white) stamped twice through a brush,
// with the light colour one pixel right and down, then the dark colour in
// place, which gives an embossed look on any ground.
void drawEmbossedPicture(HDC dc, HIMAGELIST image, int x, int y, SIZE size, COLORREF light, COLORREF dark) {
  BITMAPINFO colourInfo{};
  colourInfo.bmiHeader.biSize = sizeof colourInfo.bmiHeader;
  colourInfo.bmiHeader.biWidth = size.cx;
  colourInfo.bmiHeader.biHeight = -size.cy;  // top row first
  colourInfo.bmiHeader.biPlanes = 1;
  colourInfo.bmiHeader.biBitCount = 32;
  colourInfo.bmiHeader.biCompression = BI_RGB;
  struct {
    BITMAPINFOHEADER header;
    RGBQUAD colours[2];
  } monoInfo{};
  monoInfo.header = colourInfo.bmiHeader;
  monoInfo.header.biBitCount = 1;
  monoInfo.header.biClrUsed = 2;
  monoInfo.colours[1] = RGBQUAD{255, 255, 255, 0};  // 0 black, 1 white
  void* colourBits = nullptr;
  void* monoBits = nullptr;
  BitmapHandle colour(CreateDIBSection(nullptr, &colourInfo, DIB_RGB_COLORS, &colourBits, nullptr, 0));
  BitmapHandle mono(CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(&monoInfo), DIB_RGB_COLORS,
                                     &monoBits, nullptr, 0));
  MemoryDC work(dc);
  if (!colour || !mono || !work || !colourBits || !monoBits) return;
  {
    SelectGuard select(work.get(), colour.get());
    PatBlt(work.get(), 0, 0, size.cx, size.cy, WHITENESS);
    ImageList_Draw(image, 0, work.get(), 0, 0, ILD_TRANSPARENT);
  }
  GdiFlush();
  const auto* pixels = static_cast<const std::uint32_t*>(colourBits);
  auto* bits = static_cast<BYTE*>(monoBits);
  const int stride = (size.cx + 31) / 32 * 4;
  std::memset(bits, 0, static_cast<size_t>(stride) * size.cy);
  for (int row = 0; row < size.cy; ++row) {
    for (int column = 0; column < size.cx; ++column) {
      const std::uint32_t p = pixels[static_cast<size_t>(row) * size.cx + column];
      const unsigned brightness =
          (299 * ((p >> 16) & 0xFF) + 587 * ((p >> 8) & 0xFF) + 114 * (p & 0xFF)) / 1000;
      if (brightness >= 128) bits[row * stride + column / 8] |= static_cast<BYTE>(0x80 >> (column % 8));
    }
  }
  SelectGuard select(work.get(), mono.get());
  // Where the source is white the target stays; where it is black the
  // brush is laid down (raster operation PSDPxax).
  constexpr DWORD kBrushWhereBlack = 0xB8074A;
  const COLORREF oldText = SetTextColor(dc, RGB(0, 0, 0));
  const COLORREF oldBack = SetBkColor(dc, RGB(255, 255, 255));
  struct Pass {
    COLORREF colour;
    int offset;
  };
  for (const Pass& pass : {Pass{light, 1}, Pass{dark, 0}}) {
    BrushHandle brush(CreateSolidBrush(pass.colour));
    if (!brush) continue;
    SelectGuard selectBrush(dc, brush.get());
    BitBlt(dc, x + pass.offset, y + pass.offset, size.cx, size.cy, work.get(), 0, 0, kBrushWhereBlack);
  }
  SetTextColor(dc, oldText);
  SetBkColor(dc, oldBack);
}

// The caption in the rectangle: the part before a tab on the left, the
// part after it on the right, both on one line, vertically centred.
void drawCaption(HDC dc, const std::wstring& text, RECT r, COLORREF colour, bool hideAccessKeys) {
  SetTextColor(dc, colour);
  const UINT format = DT_SINGLELINE | DT_VCENTER | (hideAccessKeys ? DT_HIDEPREFIX : 0);
  const auto tab = text.find(L'\t');
  const std::wstring left = text.substr(0, tab);
  DrawTextW(dc, left.c_str(), static_cast<int>(left.size()), &r, format | DT_LEFT);
  if (tab != std::wstring::npos) {
    const std::wstring right = text.substr(tab + 1);
    DrawTextW(dc, right.c_str(), static_cast<int>(right.size()), &r, format | DT_RIGHT);
  }
}

// Where the parts of an item go. The picture column is the picture's width
// and 5 pixels; the picture is centred in it.
struct ItemLayout {
  RECT column;  // the picture column
  RECT box;     // around the picture or the check mark
  POINT picture;
  RECT text;
};

ItemLayout layoutItem(const RECT& item, SIZE icon) {
  ItemLayout layout{};
  layout.column = RECT{item.left, item.top, item.left + icon.cx + 5, item.bottom};
  layout.box = RECT{item.left + 1, item.top + 1, layout.column.right - 1, item.bottom - 1};
  layout.picture = POINT{item.left + (layout.column.right - item.left - icon.cx) / 2,
                         item.top + (item.bottom - item.top - icon.cy) / 2};
  layout.text = RECT{layout.column.right + 6, item.top, item.right - 6, item.bottom};
  return layout;
}

struct ItemState {
  bool selected;
  bool grayed;
  bool checked;
  bool hideAccessKeys;
};

ItemState itemStateOf(const DRAWITEMSTRUCT& draw) {
  return ItemState{(draw.itemState & ODS_SELECTED) != 0, (draw.itemState & (ODS_GRAYED | ODS_DISABLED)) != 0,
                   (draw.itemState & ODS_CHECKED) != 0, (draw.itemState & ODS_NOACCEL) != 0};
}

// An item's picture at `at`: as it is, or embossed in the 3-D colours when
// the item is grayed.
void drawItemPicture(HDC dc, const IconMenuItem& item, POINT at, SIZE icon, const MenuSystemColours& system,
                     bool grayed) {
  if (grayed)
    drawEmbossedPicture(dc, item.image.get(), at.x, at.y, icon, system.buttonHighlight, system.buttonShadow);
  else
    ImageList_Draw(item.image.get(), 0, dc, at.x, at.y, ILD_TRANSPARENT);
}

}  // namespace

COLORREF lightenColour(COLORREF colour, double fraction) {
  if (!(fraction > 0.0 && fraction <= 1.0)) return colour;
  auto lighten = [fraction](BYTE channel) {
    return static_cast<BYTE>(channel + static_cast<int>(fraction * (255 - channel)));
  };
  return RGB(lighten(GetRValue(colour)), lighten(GetGValue(colour)), lighten(GetBValue(colour)));
}

MenuSystemColours MenuSystemColours::current() {
  return MenuSystemColours{GetSysColor(COLOR_3DFACE),        GetSysColor(COLOR_MENU),
                           GetSysColor(COLOR_MENUTEXT),      GetSysColor(COLOR_HIGHLIGHT),
                           GetSysColor(COLOR_HIGHLIGHTTEXT), GetSysColor(COLOR_GRAYTEXT),
                           GetSysColor(COLOR_3DHILIGHT),     GetSysColor(COLOR_3DSHADOW)};
}

FlatMenuColours flatMenuColours(const MenuSystemColours& system) {
  const bool same = system.faceIsMenuColour();
  FlatMenuColours colours{};
  colours.column = same ? lightenColour(system.face, 0.35) : system.face;
  colours.background = same ? RGB(255, 255, 255) : system.menu;
  colours.selection = lightenColour(system.highlight, same ? 0.85 : 0.7);
  colours.checkedBox = lightenColour(system.highlight, 0.85);
  colours.text = system.menuText;
  colours.grayText = same ? lightenColour(system.grayText, 0.55) : system.grayText;
  return colours;
}

bool usesFlatLook(const IconMenuStyle& style, const MenuSystemColours& system, bool paletteDisplay) {
  if (paletteDisplay) return false;
  return system.faceIsMenuColour() ? style.flatWhenFaceIsMenuColour : style.flatWhenFaceDiffers;
}

void drawFlatMenuItem(const DRAWITEMSTRUCT& draw, const IconMenuItem& item, SIZE icon,
                      const MenuSystemColours& system) {
  HDC dc = draw.hDC;
  const RECT& r = draw.rcItem;
  const FlatMenuColours colours = flatMenuColours(system);
  const ItemLayout layout = layoutItem(r, icon);
  const ItemState state = itemStateOf(draw);

  fillRect(dc, r, colours.background);
  fillRect(dc, layout.column, colours.column);
  if (item.isSeparator()) {
    frameRect(dc, layout.column, colours.column);
    const int middle = (r.top + r.bottom) / 2;
    RECT line{layout.column.right + 4, middle, r.right, middle + 2};
    DrawEdge(dc, &line, EDGE_ETCHED, BF_TOP);
    return;
  }
  if (state.selected) {
    fillRect(dc, r, colours.selection);
    frameRect(dc, r, system.highlight);
  }
  if (state.checked) {
    fillRect(dc, layout.box, colours.checkedBox);
    frameRect(dc, layout.box, system.highlight);
  }
  if (item.hasPicture()) {
    drawItemPicture(dc, item, layout.picture, icon, system, state.grayed);
  } else if (state.checked) {
    drawCheckMarkIn(dc, layout.box, state.grayed ? colours.grayText : colours.text);
  }
  drawCaption(dc, item.text, layout.text, state.grayed ? colours.grayText : colours.text,
              state.hideAccessKeys);
}

void drawClassicMenuItem(const DRAWITEMSTRUCT& draw, const IconMenuItem& item, SIZE icon,
                         const MenuSystemColours& system) {
  HDC dc = draw.hDC;
  const RECT& r = draw.rcItem;
  const ItemLayout layout = layoutItem(r, icon);
  const ItemState state = itemStateOf(draw);

  fillRect(dc, r, system.face);
  if (item.isSeparator()) {
    const int middle = (r.top + r.bottom) / 2;
    RECT line{r.left, middle, r.right, middle + 2};
    DrawEdge(dc, &line, EDGE_ETCHED, BF_TOP);
    return;
  }
  // A picture or a check mark keeps the face colour around it; the
  // selection covers the rest of the line.
  const bool markShown = item.hasPicture() || state.checked;
  if (state.selected)
    fillRect(dc, RECT{markShown ? layout.column.right : r.left, r.top, r.right, r.bottom}, system.highlight);
  if (item.hasPicture()) {
    drawItemPicture(dc, item, layout.picture, icon, system, state.grayed);
    RECT frame = layout.box;
    if (state.checked) {
      DrawEdge(dc, &frame, BDR_SUNKENOUTER, BF_RECT);
    } else if (state.selected && !state.grayed) {
      DrawEdge(dc, &frame, BDR_RAISEDINNER, BF_RECT);
    }
  } else if (state.checked) {
    drawCheckMarkIn(dc, layout.box, state.grayed ? system.grayText : system.menuText);
  }
  if (state.grayed && !state.selected) {
    // Embossed: the light copy one pixel right and down, the gray one on it.
    RECT shifted = layout.text;
    OffsetRect(&shifted, 1, 1);
    drawCaption(dc, item.text, shifted, system.buttonHighlight, state.hideAccessKeys);
    drawCaption(dc, item.text, layout.text, system.grayText, state.hideAccessKeys);
  } else {
    drawCaption(dc, item.text, layout.text,
                state.grayed     ? system.grayText
                : state.selected ? system.highlightText
                                 : system.menuText,
                state.hideAccessKeys);
  }
}
