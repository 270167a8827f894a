#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <set>
#include <vector>

#include "GdiHandles.h"
#include "IconMenu.h"
#include "MenuTestSupport.h"
#include "resource.h"

namespace {

HINSTANCE self() { return GetModuleHandleA(nullptr); }

ImageListHandle transitionMarks() {
  return loadImageStrip(self(), IDB_TRANSITION_MARKS, TRANSITION_MARK_SIZE, TRANSITION_MARK_MASK);
}

// An item drawn by IconMenu::drawItem into a bitmap of its own.
class DrawnItem {
 public:
  DrawnItem(const IconMenu& menu, const IconMenu& holder, int position, UINT itemState, int width = 160,
            int height = 0)
      : width_(width), height_(height) {
    const IconMenuItem* item = holder.itemAt(position);
    if (!item) return;
    if (height_ == 0) {
      MEASUREITEMSTRUCT measure{ODT_MENU, 0, item->commandId, 0, 0, reinterpret_cast<ULONG_PTR>(item)};
      menu.measureItem(measure);
      height_ = static_cast<int>(measure.itemHeight);
    }
    pixels_ = drawnPixels(width_, height_, [&](HDC dc) {
      DRAWITEMSTRUCT draw{};
      draw.CtlType = ODT_MENU;
      draw.itemID = item->commandId;
      draw.itemAction = ODA_DRAWENTIRE;
      draw.itemState = itemState;
      draw.hwndItem = reinterpret_cast<HWND>(holder.handle());
      draw.hDC = dc;
      draw.rcItem = RECT{0, 0, width_, height_};
      draw.itemData = reinterpret_cast<ULONG_PTR>(item);
      drawn_ = menu.drawItem(draw);
    });
  }

  bool drawn() const { return drawn_; }
  int width() const { return width_; }
  int height() const { return height_; }
  std::uint32_t at(int x, int y) const { return pixels_[static_cast<size_t>(y) * width_ + x]; }
  // The colours found in a rectangle.
  std::set<std::uint32_t> coloursIn(RECT r) const {
    std::set<std::uint32_t> found;
    for (int y = r.top; y < r.bottom; ++y)
      for (int x = r.left; x < r.right; ++x) found.insert(at(x, y));
    return found;
  }

 private:
  int width_;
  int height_;
  bool drawn_ = false;
  std::vector<std::uint32_t> pixels_;
};

int distance(std::uint32_t a, std::uint32_t b) {
  int d = 0;
  for (int shift : {0, 8, 16})
    d += std::abs(static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF));
  return d;
}

// Whether text in the ink colour shows on the ground in the rectangle. The
// font is smoothed, and thin strokes may reach their colour nowhere, so the
// ink is looked for as pixels nearer to it than to the ground.
bool showsInk(const DrawnItem& drawn, RECT r, COLORREF ink, COLORREF ground) {
  const std::uint32_t i = pixelOf(ink), g = pixelOf(ground);
  for (std::uint32_t c : drawn.coloursIn(r))
    if (distance(c, i) < distance(c, g)) return true;
  return false;
}

bool isGrey(std::uint32_t rgb) {
  const int r = (rgb >> 16) & 0xFF, g = (rgb >> 8) & 0xFF, b = rgb & 0xFF;
  return std::max({r, g, b}) - std::min({r, g, b}) <= 12;
}

TEST(IconMenuColours, LightenMovesEachChannelTowardsWhite) {
  EXPECT_EQ(lightenColour(RGB(10, 110, 210), 0.7), RGB(181, 211, 241));  // 181.5, 211.5, 241.5 truncated
  EXPECT_EQ(lightenColour(RGB(0, 0, 0), 1.0), RGB(255, 255, 255));
  EXPECT_EQ(lightenColour(RGB(200, 100, 0), 0.35), RGB(219, 154, 89));  // 219.25, 154.25, 89.25
  for (double outside : {0.0, -0.5, 1.01, 2.0})
    EXPECT_EQ(lightenColour(RGB(10, 110, 210), outside), RGB(10, 110, 210)) << outside;
}

TEST(IconMenuColours, FlatLookIsLighterWhenFaceAndMenuColourAreTheSame) {
  MenuSystemColours system{};
  system.face = RGB(200, 200, 200);
  system.menu = RGB(200, 200, 200);
  system.menuText = RGB(0, 0, 0);
  system.highlight = RGB(0, 80, 160);
  system.grayText = RGB(100, 100, 100);
  FlatMenuColours same = flatMenuColours(system);
  EXPECT_EQ(same.column, lightenColour(system.face, 0.35));
  EXPECT_EQ(same.background, RGB(255, 255, 255));
  EXPECT_EQ(same.selection, lightenColour(system.highlight, 0.85));
  EXPECT_EQ(same.checkedBox, lightenColour(system.highlight, 0.85));
  EXPECT_EQ(same.grayText, lightenColour(system.grayText, 0.55));
  EXPECT_EQ(same.text, system.menuText);

  system.menu = RGB(240, 240, 240);
  FlatMenuColours differ = flatMenuColours(system);
  EXPECT_EQ(differ.column, system.face);
  EXPECT_EQ(differ.background, system.menu);
  EXPECT_EQ(differ.selection, lightenColour(system.highlight, 0.7));
  EXPECT_EQ(differ.checkedBox, lightenColour(system.highlight, 0.85));
  EXPECT_EQ(differ.grayText, system.grayText);
}

TEST(IconMenuColours, PaletteDisplaysAndTheSwitchesChooseTheClassicLook) {
  MenuSystemColours same{};
  same.face = same.menu = RGB(1, 2, 3);
  MenuSystemColours differ = same;
  differ.menu = RGB(4, 5, 6);
  const IconMenuStyle flat{true, true};
  EXPECT_TRUE(usesFlatLook(flat, same, false));
  EXPECT_TRUE(usesFlatLook(flat, differ, false));
  EXPECT_FALSE(usesFlatLook(flat, same, true));
  EXPECT_FALSE(usesFlatLook(flat, differ, true));
  const IconMenuStyle onlySame{true, false};
  EXPECT_TRUE(usesFlatLook(onlySame, same, false));
  EXPECT_FALSE(usesFlatLook(onlySame, differ, false));
  const IconMenuStyle onlyDiffer{false, true};
  EXPECT_FALSE(usesFlatLook(onlyDiffer, same, false));
  EXPECT_TRUE(usesFlatLook(onlyDiffer, differ, false));
}

// Every item of the resource, in its submenu too, becomes owner-drawn with
// the resource's caption, which the system's item keeps as well.
TEST(IconMenu, LoadMenuMakesEveryItemOwnerDrawn) {
  IconMenu menu;
  ASSERT_TRUE(menu.loadMenu(self(), IDR_PICTURE_MENU));
  ASSERT_EQ(menu.itemCount(), 1);
  IconMenu* popup = menu.subMenu(0);
  ASSERT_NE(popup, nullptr);
  ASSERT_EQ(popup->itemCount(), 16);
  const UINT commands[] = {IDM_ADD_PICTURES, IDM_COPY_PICTURES, IDM_DELETE_PICTURES, IDM_DELETE_ALL_PICTURES};
  for (int i = 0; i < popup->itemCount(); ++i) {
    const IconMenuItem* item = popup->itemAt(i);
    ASSERT_NE(item, nullptr);
    MENUITEMINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_FTYPE | MIIM_DATA | MIIM_ID;
    ASSERT_TRUE(GetMenuItemInfoW(popup->handle(), i, TRUE, &info));
    EXPECT_TRUE(info.fType & MFT_OWNERDRAW) << i;
    EXPECT_EQ(info.dwItemData, reinterpret_cast<ULONG_PTR>(item)) << i;
    EXPECT_TRUE(item->flags & MF_OWNERDRAW);
    EXPECT_FALSE(item->hasPicture());
    if (i < 4) {
      EXPECT_EQ(item->commandId, commands[i]);
      EXPECT_EQ(info.wID, commands[i]);
    }
  }
  EXPECT_EQ(popup->itemAt(0)->text, L"添加图片");
  EXPECT_EQ(popup->itemAt(3)->text, L"删除全部图片");
  EXPECT_TRUE(popup->itemAt(4)->isSeparator());
  EXPECT_EQ(popup->itemAt(5)->text, L"图片切换模式");
  EXPECT_TRUE(popup->itemAt(5)->flags & MF_POPUP);
  EXPECT_EQ(popup->itemAt(6)->text, L"镜头运动");
  EXPECT_TRUE(popup->itemAt(6)->flags & MF_POPUP);
  wchar_t text[64] = {};
  GetMenuStringW(popup->handle(), 1, text, 64, MF_BYPOSITION);
  EXPECT_EQ(std::wstring(text), L"复制图片");

  IconMenu* transitions = popup->subMenu(5);
  ASSERT_NE(transitions, nullptr);
  ASSERT_EQ(transitions->itemCount(), 1);
  EXPECT_TRUE(transitions->itemAt(0)->isSeparator());
  EXPECT_EQ(GetSubMenu(popup->handle(), 5), transitions->handle());
  EXPECT_FALSE(menu.loadMenu(self(), 9999));
  EXPECT_EQ(menu.handle(), nullptr);
}

// A table of rows makes submenus, separators and pictures; a command is found
// in submenus; a command of 0 is a separator whatever its text; a picture
// index below 0 or past the list leaves the item without picture.
TEST(IconMenu, TableBuildsSubmenusSeparatorsAndPictures) {
  ImageListHandle marks = transitionMarks();
  ASSERT_TRUE(marks);
  IconMenu menu;
  ASSERT_TRUE(menu.createPopup());
  ASSERT_TRUE(menu.appendRows(
      {
          {0, 100, "Open", 0},
          {0, 0, "ignored text", 3},
          {0, 0, "More", 4},
          {1, 200, "Inner", 9},
          {1, 0, "x"},
          {2, 300, "Deepest", -1},
          {0, 101, "Last", 42},
      },
      marks.get()));
  ASSERT_EQ(menu.itemCount(), 4);
  EXPECT_EQ(menu.itemAt(0)->imageIndex, 0);
  EXPECT_TRUE(menu.itemAt(0)->hasPicture());
  EXPECT_TRUE(menu.itemAt(1)->isSeparator());
  EXPECT_FALSE(menu.itemAt(1)->hasPicture());
  EXPECT_TRUE(menu.itemAt(3)->text == L"Last" && !menu.itemAt(3)->hasPicture());
  EXPECT_EQ(menu.itemAt(3)->imageIndex, -1);
  IconMenu* more = menu.subMenu(2);
  ASSERT_NE(more, nullptr);
  EXPECT_EQ(menu.itemAt(2)->imageIndex, 4);
  ASSERT_EQ(more->itemCount(), 2);
  IconMenu* deepest = more->subMenu(1);
  ASSERT_NE(deepest, nullptr) << "a row followed by deeper rows opens a submenu, even with command 0";
  EXPECT_EQ(deepest->itemAt(0)->commandId, 300u);

  // Items named by command are found in submenus.
  EXPECT_TRUE(menu.setItemImage(MenuItemRef::command(300), marks.get(), 12));
  EXPECT_EQ(deepest->itemAt(0)->imageIndex, 12);
  EXPECT_TRUE(menu.setItemImage(MenuItemRef::command(200), marks.get(), -1));
  EXPECT_FALSE(more->itemAt(0)->hasPicture());
  EXPECT_FALSE(menu.setItemImage(MenuItemRef::command(999), marks.get(), 0));
  EXPECT_TRUE(menu.enableItem(MenuItemRef::command(300), false));
  EXPECT_TRUE(GetMenuState(deepest->handle(), 0, MF_BYPOSITION) & MF_GRAYED);
  EXPECT_TRUE(menu.checkItem(MenuItemRef::command(200), true));
  EXPECT_TRUE(GetMenuState(more->handle(), 0, MF_BYPOSITION) & MF_CHECKED);

  // Inserting before a command puts the item into that command's menu.
  ASSERT_TRUE(menu.insertItem(MenuItemRef::command(300), IconMenuItemSpec{"Before", 301, marks.get(), 1}));
  ASSERT_EQ(deepest->itemCount(), 2);
  EXPECT_EQ(deepest->itemAt(0)->commandId, 301u);
  EXPECT_EQ(GetMenuItemID(deepest->handle(), 0), 301u);
  ASSERT_TRUE(menu.insertItem(MenuItemRef::position(0), IconMenuItemSpec{"Separator text", 0}));
  EXPECT_TRUE(menu.itemAt(0)->isSeparator());
  EXPECT_TRUE(GetMenuState(menu.handle(), 0, MF_BYPOSITION) & MF_SEPARATOR);
  EXPECT_FALSE(menu.insertItem(MenuItemRef::position(99), IconMenuItemSpec{"Nowhere", 5}));

  // A row cannot go two levels deeper than the row above it.
  IconMenu bad;
  ASSERT_TRUE(bad.createPopup());
  EXPECT_FALSE(bad.appendRows({{0, 1, "a"}, {2, 2, "b"}}, nullptr));
}

// Captions with a tab are padded before it so that the parts after the tab
// start at the same place: as wide as the widest part plus one blank.
TEST(IconMenu, TabbedCaptionsLineUp) {
  IconMenu menu;
  ASSERT_TRUE(menu.createPopup());
  ASSERT_TRUE(menu.appendRows({{0, 1, "&Open\tCtrl+O"},
                               {0, 2, "Save everything as\tCtrl+Shift+S"},
                               {0, 3, "No shortcut"},
                               {0, 4, "Cut\tCtrl+X"}},
                              nullptr));
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof metrics;
  ASSERT_TRUE(SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, metrics.cbSize, &metrics, 0));
  FontHandle font(CreateFontIndirectW(&metrics.lfMenuFont));
  WindowDC screen(nullptr);
  SelectGuard select(screen.get(), font.get());
  auto width = [&](const std::wstring& s) {
    RECT r{};
    DrawTextW(screen.get(), s.c_str(), static_cast<int>(s.size()), &r, DT_CALCRECT | DT_SINGLELINE);
    return r.right - r.left;
  };
  const LONG blank = width(L" ");
  const LONG target = width(L"Save everything as") + blank;
  for (int i : {0, 1, 3}) {
    const std::wstring text = menu.itemAt(i)->text;
    const auto tab = text.find(L'\t');
    ASSERT_NE(tab, std::wstring::npos);
    const LONG before = width(text.substr(0, tab));
    EXPECT_GE(before, target) << i;
    EXPECT_LT(before, target + blank) << i;
    wchar_t system[128] = {};
    GetMenuStringW(menu.handle(), i, system, 128, MF_BYPOSITION);
    EXPECT_EQ(std::wstring(system), text) << "the system's item keeps the padded caption";
  }
  EXPECT_EQ(menu.itemAt(2)->text, L"No shortcut");
  // Aligning again changes nothing.
  const std::wstring first = menu.itemAt(0)->text;
  menu.alignTabs();
  EXPECT_EQ(menu.itemAt(0)->text, first);
}

TEST(IconMenu, MeasuresItemsInTheMenuFont) {
  ImageListHandle marks = transitionMarks();
  IconMenu menu;
  ASSERT_TRUE(menu.createPopup());
  ASSERT_TRUE(menu.appendRows({{0, 1, "Cross-fade", 9}, {0, 0, ""}}, marks.get()));
  MEASUREITEMSTRUCT item{ODT_MENU, 0, 1, 0, 0, reinterpret_cast<ULONG_PTR>(menu.itemAt(0))};
  ASSERT_TRUE(menu.measureItem(item));
  MEASUREITEMSTRUCT separator{ODT_MENU, 0, 0, 0, 0, reinterpret_cast<ULONG_PTR>(menu.itemAt(1))};
  ASSERT_TRUE(menu.measureItem(separator));

  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof metrics;
  ASSERT_TRUE(SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, metrics.cbSize, &metrics, 0));
  FontHandle font(CreateFontIndirectW(&metrics.lfMenuFont));
  WindowDC screen(nullptr);
  SIZE text{};
  {
    SelectGuard select(screen.get(), font.get());
    GetTextExtentPoint32W(screen.get(), L"Cross-fade", 10, &text);
  }
  EXPECT_EQ(item.itemWidth, static_cast<UINT>(text.cx + 2 * 16 + 1));
  EXPECT_EQ(item.itemHeight, static_cast<UINT>(std::max(GetSystemMetrics(SM_CYMENU), 15 + 4)));
  EXPECT_EQ(separator.itemWidth, 0u);
  EXPECT_EQ(separator.itemHeight, static_cast<UINT>(GetSystemMetrics(SM_CYMENU) / 2));

  // Larger pictures make taller items.
  menu.setIconSize(SIZE{32, 40});
  ASSERT_TRUE(menu.measureItem(item));
  EXPECT_EQ(item.itemHeight, static_cast<UINT>(std::max(GetSystemMetrics(SM_CYMENU), 44)));

  // Items of other menus are not this menu's to measure or draw.
  IconMenuItem stranger;
  MEASUREITEMSTRUCT foreign{ODT_MENU, 0, 1, 0, 0, reinterpret_cast<ULONG_PTR>(&stranger)};
  EXPECT_FALSE(menu.measureItem(foreign));
  MEASUREITEMSTRUCT control{ODT_BUTTON, 1, 1, 0, 0, reinterpret_cast<ULONG_PTR>(menu.itemAt(0))};
  EXPECT_FALSE(menu.measureItem(control));
  DRAWITEMSTRUCT draw{};
  draw.CtlType = ODT_MENU;
  draw.hwndItem = reinterpret_cast<HWND>(CreatePopupMenu());
  draw.itemData = reinterpret_cast<ULONG_PTR>(menu.itemAt(0));
  EXPECT_FALSE(menu.drawItem(draw)) << "an item reported for a menu that is not this one's";
  DestroyMenu(reinterpret_cast<HMENU>(draw.hwndItem));
}

// The flat look: picture column, background, the tinted and framed
// selection, the checked box with its check mark, gray text.
TEST(IconMenuDrawing, FlatLookFollowsTheColourRule) {
  ImageListHandle marks = transitionMarks();
  IconMenu menu;
  ASSERT_TRUE(menu.createPopup());
  ASSERT_TRUE(menu.appendRows({{0, 1, "Picture item", 0}, {0, 2, "Plain item"}, {0, 0, ""}}, marks.get()));
  const MenuSystemColours system = MenuSystemColours::current();
  const FlatMenuColours flat = flatMenuColours(system);

  const DrawnItem plain(menu, menu, 1, 0);
  ASSERT_TRUE(plain.drawn());
  const int h = plain.height();
  EXPECT_EQ(plain.at(3, h / 2), pixelOf(flat.column));
  EXPECT_EQ(plain.at(16 + 5 + 2, 1), pixelOf(flat.background));
  EXPECT_EQ(plain.at(plain.width() - 2, h / 2), pixelOf(flat.background));
  EXPECT_TRUE(showsInk(plain, RECT{16 + 5, 0, plain.width(), h}, flat.text, flat.background))
      << "no caption in the menu text colour";

  const DrawnItem selected(menu, menu, 1, ODS_SELECTED);
  EXPECT_EQ(selected.at(0, 0), pixelOf(system.highlight)) << "the selection is framed";
  EXPECT_EQ(selected.at(selected.width() - 1, h - 1), pixelOf(system.highlight));
  EXPECT_EQ(selected.at(3, h / 2), pixelOf(flat.selection)) << "the selection covers the column";
  EXPECT_EQ(selected.at(selected.width() - 3, 2), pixelOf(flat.selection));

  // A checked item without picture: a tinted, framed box with a check mark
  // of seven three-pixel strokes in its middle.
  const DrawnItem checked(menu, menu, 1, ODS_CHECKED);
  const RECT box{1, 1, 16 + 4, h - 1};
  EXPECT_EQ(checked.at(box.left, box.top), pixelOf(system.highlight));
  EXPECT_EQ(checked.at(box.left + 2, box.top + 2), pixelOf(flat.checkedBox));
  const int markX = (box.left + box.right) / 2 - 3, markY = (box.top + box.bottom) / 2 - 3;
  const int tops[7] = {2, 3, 4, 3, 2, 1, 0};
  for (int x = 0; x < 7; ++x) {
    for (int y = 0; y < 7; ++y) {
      const bool stroke = y >= tops[x] && y < tops[x] + 3;
      EXPECT_EQ(checked.at(markX + x, markY + y) == pixelOf(flat.text), stroke) << x << "," << y;
    }
  }

  const DrawnItem grayed(menu, menu, 1, ODS_GRAYED);
  const RECT text{16 + 5, 0, grayed.width(), h};
  EXPECT_TRUE(showsInk(grayed, text, flat.grayText, flat.background));
  EXPECT_FALSE(showsInk(grayed, text, flat.text, flat.background));

  // A separator: background, column, and an etched line across the rest at
  // half the height.
  const DrawnItem separator(menu, menu, 2, 0);
  const int middle = separator.height() / 2;
  EXPECT_EQ(separator.at(2, middle), pixelOf(flat.column));
  EXPECT_EQ(separator.at(16 + 5 + 10, middle), pixelOf(system.buttonShadow));
  EXPECT_EQ(separator.at(16 + 5 + 10, middle + 1), pixelOf(system.buttonHighlight));
  EXPECT_EQ(separator.at(16 + 5 + 10, 0), pixelOf(flat.background));
  EXPECT_EQ(separator.at(16 + 5 + 1, middle), pixelOf(flat.background))
      << "the line starts 4 pixels after the column";
}

// A grayed picture is drawn embossed in the button highlight and shadow
// colours only, keeping the shape of the picture.
TEST(IconMenuDrawing, GrayedPictureIsEmbossed) {
  ImageListHandle marks = transitionMarks();
  IconMenu menu;
  ASSERT_TRUE(menu.createPopup());
  ASSERT_TRUE(menu.appendRows({{0, 1, "Circle", 4}}, marks.get()));
  const MenuSystemColours system = MenuSystemColours::current();
  const FlatMenuColours flat = flatMenuColours(system);
  const DrawnItem enabled(menu, menu, 0, 0);
  const DrawnItem grayed(menu, menu, 0, ODS_GRAYED);
  const int h = enabled.height();
  const RECT picture{2, (h - 15) / 2, 2 + 16 + 1, (h - 15) / 2 + 15 + 1};
  const auto enabledColours = enabled.coloursIn(picture);
  EXPECT_TRUE(std::any_of(enabledColours.begin(), enabledColours.end(), [](std::uint32_t c) {
    return !isGrey(c);
  })) << "the enabled picture shows its colours";
  const auto grayedColours = grayed.coloursIn(picture);
  const std::set<std::uint32_t> allowed{pixelOf(flat.column), pixelOf(system.buttonHighlight),
                                        pixelOf(system.buttonShadow)};
  for (std::uint32_t c : grayedColours) EXPECT_TRUE(allowed.count(c)) << std::hex << c;
  EXPECT_TRUE(grayedColours.count(pixelOf(system.buttonShadow)));
  int shadow = 0;
  for (int y = picture.top; y < picture.bottom; ++y)
    for (int x = picture.left; x < picture.right; ++x)
      shadow += grayed.at(x, y) == pixelOf(system.buttonShadow);
  EXPECT_GT(shadow, 20) << "the embossed picture lost its shape";
}

// The classic look: the selection in the highlight colour beside the
// picture, raised frame of a selected picture, embossed gray text.
TEST(IconMenuDrawing, ClassicLookWhenTheSwitchIsOff) {
  ImageListHandle marks = transitionMarks();
  IconMenu menu;
  ASSERT_TRUE(menu.createPopup());
  menu.setStyle(IconMenuStyle{false, false});
  ASSERT_TRUE(menu.appendRows({{0, 1, "Picture item", 0}, {0, 2, "Plain item"}, {0, 0, ""}}, marks.get()));
  const MenuSystemColours system = MenuSystemColours::current();

  const DrawnItem plain(menu, menu, 1, 0);
  const int h = plain.height();
  EXPECT_EQ(plain.at(3, h / 2), pixelOf(system.face));
  EXPECT_EQ(plain.at(plain.width() - 2, 1), pixelOf(system.face));

  const DrawnItem selectedPlain(menu, menu, 1, ODS_SELECTED);
  EXPECT_EQ(selectedPlain.at(1, 1), pixelOf(system.highlight)) << "a line without picture is selected whole";
  EXPECT_TRUE(
      showsInk(selectedPlain, RECT{21, 0, selectedPlain.width(), h}, system.highlightText, system.highlight));

  const DrawnItem selectedPicture(menu, menu, 0, ODS_SELECTED);
  EXPECT_EQ(selectedPicture.at(30, 1), pixelOf(system.highlight));
  EXPECT_EQ(selectedPicture.at(1, 1), pixelOf(system.buttonHighlight)) << "raised frame around the picture";
  EXPECT_EQ(selectedPicture.at(16 + 3, h - 2), pixelOf(system.buttonShadow));
  const DrawnItem checkedPicture(menu, menu, 0, ODS_CHECKED);
  EXPECT_EQ(checkedPicture.at(1, 1), pixelOf(system.buttonShadow)) << "sunken frame around the picture";

  const DrawnItem grayed(menu, menu, 1, ODS_GRAYED);
  const RECT text{21, 0, grayed.width(), h};
  EXPECT_TRUE(showsInk(grayed, text, system.grayText, system.face));
  EXPECT_TRUE(showsInk(grayed, text, system.buttonHighlight, system.grayText)) << "gray text is embossed";
  EXPECT_FALSE(showsInk(grayed, text, system.menuText, system.face));

  const DrawnItem separator(menu, menu, 2, 0);
  EXPECT_EQ(separator.at(2, separator.height() / 2), pixelOf(system.buttonShadow)) << "the line goes across";
}

// The menu as a user meets it: a popup window on the screen, drawn in the
// flat look, answering keys and access keys, with its submenu.
TEST(IconMenuPopup, OpensDrawsAndReturnsTheChosenCommand) {
  ImageListHandle marks = transitionMarks();
  IconMenu menu;
  ASSERT_TRUE(menu.createPopup());
  ASSERT_TRUE(menu.appendRows({{0, 10, "&First", 0},
                               {0, 11, "&Second", 1},
                               {0, 0, ""},
                               {0, 0, "&Inner", 2},
                               {1, 20, "Inner &one", 3},
                               {1, 21, "Inner &two", 4}},
                              marks.get()));
  MenuTestWindow window;
  auto show = [&] { return menu.track(window.handle(), POINT{40, 40}); };
  bool ran = false;

  // Down twice and Enter: the second item. Before Enter, the screen is
  // looked at until it shows the selection (the menu draws it when it has
  // taken the keys, which under load may be a few ticks later).
  const FlatMenuColours flat = flatMenuColours(MenuSystemColours::current());
  std::vector<std::uint32_t> pixels;
  const auto count = [&](COLORREF c) { return std::count(pixels.begin(), pixels.end(), pixelOf(c)); };
  MenuStep selectionShown = [&] {
    int width = 0, height = 0;
    pixels = screenPixels(openMenuWindows().front(), &width, &height);
    return count(flat.selection) > 100;
  };
  EXPECT_EQ(
      window.runWhileOpen(
          show, {waitForMenus(1), pressKeys({VK_DOWN, VK_DOWN}), selectionShown, pressKeys({VK_RETURN})},
          &ran),
      11u);
  EXPECT_TRUE(ran) << "no tinted selection on the screen";
  EXPECT_GT(count(flat.column), 100) << "no picture column on the screen";

  // The submenu opens to the right and its item is chosen.
  EXPECT_EQ(window.runWhileOpen(show,
                                {waitForMenus(1), pressKeys({VK_UP, VK_RIGHT}), waitForMenus(2),
                                 pressKeys({VK_DOWN, VK_RETURN})},
                                &ran),
            21u);
  EXPECT_TRUE(ran);

  // Access keys, in the menu and in the submenu.
  EXPECT_EQ(window.runWhileOpen(show, {waitForMenus(1), typeCharacter(L's')}, &ran), 11u);
  EXPECT_EQ(window.runWhileOpen(
                show, {waitForMenus(1), typeCharacter(L'i'), waitForMenus(2), typeCharacter(L'T')}, &ran),
            21u);

  // Escape closes the menu without a command; nothing is left on the screen.
  EXPECT_EQ(window.runWhileOpen(show, {waitForMenus(1), pressKeys({VK_ESCAPE})}, &ran), 0u);
  EXPECT_TRUE(ran);
  EXPECT_TRUE(openMenuWindows().empty());
}

}  // namespace
