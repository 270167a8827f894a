// How an item of an IconMenu is drawn: the flat look (a picture column, a
// tinted selection framed in the highlight colour, a tinted box behind the
// picture or check mark of a checked item) and the classic raised look
// (highlighted line, raised or sunken frame around the picture, embossed
// gray text). Grayed pictures are embossed in both.
#pragma once
#include <windows.h>

struct IconMenuItem;

// The colour moved the given fraction of the way towards white: each of red,
// green and blue becomes ch + fraction * (255 - ch), truncated. A fraction
// outside 0 < fraction <= 1 leaves the colour as it is.
COLORREF lightenColour(COLORREF colour, double fraction);

// Which look a menu takes. The flat look needs a display without a palette;
// it is then used when the switch for the system's colour scheme is on: one
// switch for schemes whose button face and menu colour are the same, one for
// schemes where they differ.
struct IconMenuStyle {
  bool flatWhenFaceIsMenuColour = true;
  bool flatWhenFaceDiffers = true;
};

// The system colours a menu is drawn with.
struct MenuSystemColours {
  COLORREF face;             // COLOR_3DFACE
  COLORREF menu;             // COLOR_MENU
  COLORREF menuText;         // COLOR_MENUTEXT
  COLORREF highlight;        // COLOR_HIGHLIGHT
  COLORREF highlightText;    // COLOR_HIGHLIGHTTEXT
  COLORREF grayText;         // COLOR_GRAYTEXT
  COLORREF buttonHighlight;  // COLOR_3DHILIGHT
  COLORREF buttonShadow;     // COLOR_3DSHADOW

  static MenuSystemColours current();
  bool faceIsMenuColour() const { return face == menu; }
};

// The colours of the flat look. Where the scheme's button face and menu
// colour are the same, the look is lighter: a white ground, a column
// lighter than the face, a paler selection.
struct FlatMenuColours {
  COLORREF column;      // the picture column at the items' left
  COLORREF background;  // the rest of an item
  COLORREF selection;   // fill of the selected item (framed in the highlight colour)
  COLORREF checkedBox;  // box behind the picture or check mark of a checked item
  COLORREF text;
  COLORREF grayText;
};
FlatMenuColours flatMenuColours(const MenuSystemColours& system);

// True for the flat look, false for the classic one.
bool usesFlatLook(const IconMenuStyle& style, const MenuSystemColours& system, bool paletteDisplay);

// Draw an item into draw.hDC within draw.rcItem, for the state in
// draw.itemState; the font and a transparent background are set.
void drawFlatMenuItem(const DRAWITEMSTRUCT& draw, const IconMenuItem& item, SIZE icon,
                      const MenuSystemColours& system);
void drawClassicMenuItem(const DRAWITEMSTRUCT& draw, const IconMenuItem& item, SIZE icon,
                         const MenuSystemColours& system);
