// The picture list's context menu, the copy command and the information tip
// in the real main window: right clicks and pointer moves sent to the list as
// a mouse sends them, the open menu driven with keys, and what the entries,
// the buttons, the screen and the next movie show afterwards.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <vector>

#include "AlbumMakeJob.h"
#include "LanguageFormat.h"
#include "PictureContextMenu.h"
#include "TextConversion.h"
#include "WindowTestSupport.h"
#include "maker/album_maker.h"
#include "resource.h"

namespace maker = slidewright::maker;

namespace {

// The transitions of the entries, in list order.
std::vector<int> transitions(const PictureList& list) {
  std::vector<int> t;
  for (int i = 0; i < list.entryCount(); ++i) t.push_back(list.entryAt(i).transition);
  return t;
}

// The menu shown in an open popup menu window, the one with that many items
// (the popup or the transition submenu), or null.
HMENU openMenuWith(int items) {
  for (HWND window : openMenuWindows()) {
    HMENU menu = reinterpret_cast<HMENU>(SendMessageA(window, MN_GETHMENU, 0, 0));
    if (menu && GetMenuItemCount(menu) == items) return menu;
  }
  return nullptr;
}

bool grayed(HMENU menu, int position) {
  return (GetMenuState(menu, static_cast<UINT>(position), MF_BYPOSITION) & MF_GRAYED) != 0;
}

// Keys that open the transition submenu from the popup as it opens and
// choose transition `index`.
std::vector<MenuStep> chooseTransition(int index) {
  std::vector<WORD> down(static_cast<std::size_t>(index), VK_DOWN);
  down.push_back(VK_RETURN);
  return {waitForMenus(1), pressKeys(keysToTransitions()), waitForMenus(2), pressKeys(down)};
}

// Keys that choose the popup's item at `position` (0 to 3: add, copy,
// delete, delete all).
std::vector<MenuStep> chooseCommand(int position) {
  std::vector<WORD> down(static_cast<std::size_t>(position + 1), VK_DOWN);
  down.push_back(VK_RETURN);
  return {waitForMenus(1), pressKeys(down)};
}

constexpr int kTransitionMenuItems = 14;  // thirteen transitions and the template's separator
// Commands, transitions, motions, hold time, caption, the sorts, album files, separators.
constexpr int kPopupItems = 16;

// The transitions checked in the submenu of the menu a right click at the
// point opens; {-1} when the submenu did not open.
std::vector<int> checkedTransitionsInTheMenuAt(const PictureList& list, POINT p) {
  std::vector<int> checked{-1};
  MenuStep look = [&] {
    HMENU menu = openMenuWith(kTransitionMenuItems);
    if (!menu) return false;
    checked.clear();
    for (int i = 0; i < 13; ++i)
      if (GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION) & MF_CHECKED) checked.push_back(i);
    return true;
  };
  rightClick(list, p,
             {waitForMenus(1), pressKeys(keysToTransitions()), waitForMenus(2), look,
              pressKeys({VK_ESCAPE, VK_ESCAPE})});
  return checked;
}

class PictureMenuWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(window.ok());
    window.window().addPictureFiles(gathered(pictures.paths));
    ASSERT_EQ(list().entryCount(), 5);
    SetForegroundWindow(window.handle());
  }
  PictureList& list() { return window.list(); }
  bool enabled(int id) { return IsWindowEnabled(window.item(id)) != FALSE; }

  ColourPictures pictures;
  LiveMainWindow window;
};

// Mark `transition` of the list drawn on the area's black ground, compared
// with what the screen shows in the gap before picture `index`.
bool showsMark(const PictureList& list, const ClientShot& shot, int index, int transition) {
  HIMAGELIST marks = list.transitionImages();
  int w = 0, h = 0;
  if (!ImageList_GetIconSize(marks, &w, &h)) return false;
  const std::vector<std::uint32_t> expected =
      drawnPixels(w, h, [&](HDC dc) { ImageList_Draw(marks, transition, dc, 0, 0, ILD_TRANSPARENT); });
  if (expected.empty()) return false;
  const auto& g = list.geometry();
  const int left =
      g.area.left + index * g.cellWidth - list.scrollPosition() + (PictureListGeometry::kGap - w) / 2;
  const int top = g.area.top + (g.thumbHeight - h) / 2;
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const std::uint32_t want = expected[static_cast<std::size_t>(y) * w + x];
      if (pixelOf(shot.pixel(left + x, top + y)) != want) return false;
    }
  }
  return true;
}

// A right click on a picture opens the menu where the pointer is; the
// transition chosen in its submenu goes to the selected pictures and to no
// other, shows at once in their marks, is checked the next time, and is what
// the next movie is made with.
TEST_F(PictureMenuWindowTest, TransitionChosenInTheMenuReachesTheSelectedPicturesAndTheMovie) {
  click(list(), 1);
  click(list(), 3, MK_CONTROL);
  const POINT at = entryPoint(list(), 3);
  POINT screen = at;
  ClientToScreen(list().handle(), &screen);

  RECT popup{};
  MenuStep remember = [&] {
    GetWindowRect(openMenuWindows().front(), &popup);
    return true;
  };
  std::vector<MenuStep> steps = chooseTransition(9);
  steps.insert(steps.begin() + 1, remember);
  ASSERT_TRUE(rightClick(list(), at, steps)) << "the menu did not open";
  EXPECT_TRUE(openMenuWindows().empty());
  EXPECT_EQ(popup.left, screen.x) << "the menu opens at the pointer";
  EXPECT_EQ(popup.top, screen.y);
  EXPECT_EQ(transitions(list()), (std::vector<int>{0, 9, 0, 9, 0}));
  EXPECT_EQ(selection(list()), "01010") << "the right click on a selected picture keeps the selection";

  // Without the selection's highlight, the marks show the new transition.
  mouse(list(), WM_LBUTTONDOWN, POINT{list().geometry().topStrip.left + 4, 4}, MK_LBUTTON);
  mouse(list(), WM_LBUTTONUP, POINT{list().geometry().topStrip.left + 4, 4});
  ASSERT_EQ(selection(list()), "00000");
  pumpMessages(100);
  {
    const ClientShot shot(list().handle());
    for (int i = 0; i < 4; ++i)
      EXPECT_TRUE(showsMark(list(), shot, i, i % 2 == 1 ? 9 : 0)) << "the mark before picture " << i;
  }

  // The transition the selected pictures share is checked; a mixed
  // selection checks none.
  click(list(), 1);
  click(list(), 3, MK_CONTROL);
  EXPECT_EQ(checkedTransitionsInTheMenuAt(list(), entryPoint(list(), 1)), std::vector<int>{9});
  click(list(), 2, MK_CONTROL);  // b (9), c (0), d (9)
  EXPECT_EQ(checkedTransitionsInTheMenuAt(list(), entryPoint(list(), 2)), std::vector<int>{});

  // The next make: the window's movie is the album made from the same
  // pictures with b and d at 9, and not the one with every transition 0.
  TestFolder out;
  window.setText(IDC_ALBUM_WIDTH, "100");
  window.setText(IDC_ALBUM_HEIGHT, "75");
  window.setText(IDC_OUTPUT_PATH, out.path() + "window.swf");
  window.click(IDC_MAKE_ALBUM);
  window.waitForMake();
  AlbumSettings small = window.window().settings();
  ASSERT_EQ(small.albumWidth, 100);
  auto expected = makeSettingsFor(small, {{pictures.paths[0], 0},
                                          {pictures.paths[1], 9},
                                          {pictures.paths[2], 0},
                                          {pictures.paths[3], 9},
                                          {pictures.paths[4], 0}});
  expected.outputPath = out.path() + "expected.swf";
  ASSERT_TRUE(maker::makeAlbum(expected).ok());
  auto untouched = expected;
  for (auto& p : untouched.pictures) p.transition = 0;
  untouched.outputPath = out.path() + "untouched.swf";
  ASSERT_TRUE(maker::makeAlbum(untouched).ok());
  const std::string made = readFile(out.path() + "window.swf");
  ASSERT_FALSE(made.empty()) << "the window made no movie";
  EXPECT_TRUE(made == readFile(expected.outputPath)) << "the window's movie has other transitions";
  EXPECT_NE(made, readFile(untouched.outputPath)) << "the transitions make no difference";
}

// What the menu offers where it is opened, and its commands run as the
// buttons' commands do, leaving the buttons as the selection then is.
TEST_F(PictureMenuWindowTest, MenuCommandsAndWhatIsGray) {
  struct Seen {
    bool open = false;
    bool gray[kPopupItems] = {};
  };
  auto lookAtPopup = [](Seen& seen) -> MenuStep {
    return [&seen] {
      HMENU menu = openMenuWith(kPopupItems);
      if (!menu) return false;
      seen.open = true;
      for (int i = 0; i < kPopupItems; ++i) seen.gray[i] = grayed(menu, i);
      return true;
    };
  };

  // Delete from the menu on a selected picture; afterwards nothing is
  // selected, so delete and copy are off although a picture was selected
  // when the button went up.
  click(list(), 1);
  click(list(), 2, MK_CONTROL);
  ASSERT_TRUE(rightClick(list(), entryPoint(list(), 2), chooseCommand(2)));
  EXPECT_EQ(order(list()), "ade");
  EXPECT_FALSE(enabled(IDC_DELETE_SELECTED));
  EXPECT_FALSE(enabled(IDC_COPY_PICTURES));
  EXPECT_TRUE(enabled(IDC_DELETE_ALL));

  // Empty space of a list with pictures: the transitions and motions are gray, and so
  // are copy and delete, since the click there selects nothing.
  click(list(), 1);
  const POINT beyond = entryPoint(list(), 3);
  ASSERT_EQ(list().hitTest(beyond.x, beyond.y), -1);
  Seen offPictures;
  ASSERT_TRUE(
      rightClick(list(), beyond, {waitForMenus(1), lookAtPopup(offPictures), pressKeys({VK_ESCAPE})}));
  EXPECT_TRUE(offPictures.open);
  EXPECT_TRUE(offPictures.gray[PICTURE_MENU_TRANSITION_POSITION]);
  EXPECT_TRUE(offPictures.gray[PICTURE_MENU_MOTION_POSITION]);
  EXPECT_FALSE(offPictures.gray[0]);
  EXPECT_TRUE(offPictures.gray[1]);
  EXPECT_TRUE(offPictures.gray[2]);
  EXPECT_FALSE(offPictures.gray[3]) << "delete all, with pictures in the list";
  EXPECT_EQ(selection(list()), "000");
  EXPECT_FALSE(enabled(IDC_DELETE_SELECTED));

  // A right click on a picture selects it: delete and copy are on.
  rightClickAndDismiss(list(), entryPoint(list(), 0));
  EXPECT_EQ(selection(list()), "100");
  EXPECT_TRUE(enabled(IDC_DELETE_SELECTED));
  EXPECT_TRUE(enabled(IDC_COPY_PICTURES));

  // Delete all from the menu, then the menu of the empty list: everything
  // but adding is gray.
  {
    NotSavingAnswer answer;
    ASSERT_TRUE(rightClick(list(), entryPoint(list(), 1), chooseCommand(3)));
  }
  EXPECT_EQ(list().entryCount(), 0);
  for (int id : {IDC_DELETE_SELECTED, IDC_COPY_PICTURES, IDC_DELETE_ALL, IDC_MAKE_ALBUM})
    EXPECT_FALSE(enabled(id)) << id;
  Seen empty;
  ASSERT_TRUE(rightClick(list(), entryPoint(list(), 0),
                         {waitForMenus(1), lookAtPopup(empty), pressKeys({VK_ESCAPE})}));
  EXPECT_TRUE(empty.open);
  EXPECT_FALSE(empty.gray[0]);
  for (int i : {1, 2, 3, PICTURE_MENU_TRANSITION_POSITION}) EXPECT_TRUE(empty.gray[i]) << i;
}

// Copies go to the end in list order, unselected, with the thumbnail and the
// transition of their original; from the button and from the menu alike.
TEST_F(PictureMenuWindowTest, CopyAppendsTheSelectedPicturesWithTheirTransitions) {
  click(list(), 1);
  ASSERT_TRUE(list().setTransitionOfSelected(4));
  click(list(), 3);
  ASSERT_TRUE(list().setTransitionOfSelected(9));
  click(list(), 1, MK_CONTROL);
  ASSERT_EQ(selection(list()), "01010");

  window.click(IDC_COPY_PICTURES);
  EXPECT_EQ(order(list()), "abcdebd");
  EXPECT_EQ(selection(list()), "0101000");
  EXPECT_EQ(transitions(list()), (std::vector<int>{0, 4, 0, 9, 0, 4, 9}));
  EXPECT_EQ(list().entryAt(6).width, 64);
  EXPECT_EQ(list().entryAt(6).height, 48);
  EXPECT_EQ(GetFocus(), window.item(IDC_MUSIC_PLAYER_HOST));

  // The menu's copy item, on one of the selected pictures: the same two
  // once more.
  ASSERT_TRUE(rightClick(list(), entryPoint(list(), 3), chooseCommand(1)));
  EXPECT_EQ(order(list()), "abcdebdbd");
  EXPECT_EQ(transitions(list()), (std::vector<int>{0, 4, 0, 9, 0, 4, 9, 4, 9}));

  // At the end of the strip the copies show their originals' pictures.
  const auto& g = list().geometry();
  drag(list(), POINT{g.topStrip.right - 5, 5}, POINT{g.topStrip.left - 4000, 5});
  ASSERT_EQ(list().scrollPosition(), list().scroll().maxPosition());
  pumpMessages(100);
  {
    const ClientShot shot(list().handle());
    for (int i : {7, 8}) {
      const POINT p = entryPoint(list(), i);
      EXPECT_TRUE(looksLike(shot.pixel(p.x, p.y), ColourPictures::kColours[i == 7 ? 1 : 3])) << i;
    }
  }

  // Nothing selected: nothing to copy.
  mouse(list(), WM_LBUTTONDOWN, POINT{g.topStrip.left + 4, 4}, MK_LBUTTON);
  mouse(list(), WM_LBUTTONUP, POINT{g.topStrip.left + 4, 4});
  ASSERT_EQ(selection(list()), "000000000");
  window.click(IDC_COPY_PICTURES);
  EXPECT_EQ(list().entryCount(), 9);
}

// The tip: shown when the pointer has rested a second on a picture, with its
// name, size, transition, hold, motion and caption, 21 pixels below the pointer; kept while the
// pointer stays on that picture; gone off it, on a click and when the pointer
// leaves the list.
TEST_F(PictureMenuWindowTest, InformationTipAfterTheRestOnAPicture) {
  const LanguageFile& language = window.window().language();
  InfoTip& tip = window.window().infoTip();
  click(list(), 2);
  ASSERT_TRUE(list().setTransitionOfSelected(9));
  click(list(), 2, MK_CONTROL);  // no selection: the tip is the same on selected pictures
  // Picture 3 zooms in and has a caption, in Chinese and Latin letters.
  list().entryAt(2).motion.kind = slidewright::MotionKind::ZoomIn;
  list().entryAt(2).caption = "\xE6\xB5\xB7\xE8\xBE\xB9 By the sea";
  auto textFor = [&](const char* name, int transition) {
    const bool third = std::string(name) == "c.jpg";
    return wideFromAnsi(language.lookupString("ImageName") + name + "\r\n" +
                        language.lookupString("ImageSize") + "64*48\r\n" +
                        language.lookupString("TransitionMode") + window.window().transitionName(transition) +
                        "\r\n" + language.lookupString("HoldTip") +
                        formatWithNumber(
                            language.lookupValue("AlbumFile", "HoldAlbum"),
                            static_cast<int>(GetDlgItemInt(window.handle(), IDC_SECONDS, nullptr, FALSE))) +
                        "\r\n" + language.lookupString("MotionTip") +
                        motionDisplayName(language, third ? slidewright::MotionKind::ZoomIn
                                                          : slidewright::MotionKind::None)) +
           (third ? wideFromAnsi("\r\n" + language.lookupString("CaptionTip")) + L"\u6D77\u8FB9 By the sea"
                  : std::wstring());
  };
  // The screen's pointer goes back where it was: a menu opened under it by
  // a later test would take it for the user's choice.
  struct PointerBack {
    POINT was{};
    PointerBack() { GetCursorPos(&was); }
    ~PointerBack() { SetCursorPos(was.x, was.y); }
  } pointerBack;
  // The pointer moved there, as the screen's pointer and as the list's report.
  POINT pointer{};
  auto moveTo = [&](POINT client) {
    pointer = client;
    ClientToScreen(list().handle(), &pointer);
    SetCursorPos(pointer.x, pointer.y);
    mouse(list(), WM_MOUSEMOVE, client);
  };
  const DWORD rest = MainWindow::kInfoTipDelayMs;
  // Shown within a moment of the rest, or not at all while the pointer rests
  // well past it.
  auto shownAfterTheRest = [&] {
    for (DWORD waited = 0; waited < rest + 2000 && !tip.visible(); waited += 50) pumpMessages(50);
    return tip.visible();
  };
  auto hiddenAfterTheRest = [&] {
    pumpMessages(rest + 300);
    return !tip.visible();
  };

  moveTo(entryPoint(list(), 2));
  pumpMessages(rest / 2);
  EXPECT_FALSE(tip.visible()) << "shown before the pointer has rested";
  ASSERT_TRUE(shownAfterTheRest());
  EXPECT_EQ(tip.text(), textFor("c.jpg", 9));
  RECT r{};
  GetWindowRect(tip.handle(), &r);
  EXPECT_EQ(r.left, pointer.x);
  EXPECT_EQ(r.top, pointer.y + MainWindow::kInfoTipGap);

  // Within the same picture it stays; on the next one it goes, and that
  // picture's tip follows after the rest.
  moveTo(POINT{entryPoint(list(), 2).x + 5, entryPoint(list(), 2).y + 3});
  pumpMessages(50);
  EXPECT_TRUE(tip.visible());
  EXPECT_EQ(tip.text(), textFor("c.jpg", 9));
  moveTo(entryPoint(list(), 1));
  EXPECT_FALSE(tip.visible());
  EXPECT_TRUE(shownAfterTheRest());
  EXPECT_EQ(tip.text(), textFor("b.jpg", 0));

  // A click hides it; resting on that picture shows nothing until the pointer
  // has been off it.
  click(list(), 1);
  EXPECT_FALSE(tip.visible());
  moveTo(POINT{entryPoint(list(), 1).x + 2, entryPoint(list(), 1).y});
  EXPECT_TRUE(hiddenAfterTheRest());
  moveTo(POINT{list().geometry().topStrip.left + 40, 5});  // the sprocket strip: no picture
  moveTo(entryPoint(list(), 1));
  EXPECT_TRUE(shownAfterTheRest());

  // Leaving the list hides it, though the list saw no move off the picture.
  RECT windowRect{};
  GetWindowRect(window.handle(), &windowRect);
  SetCursorPos(windowRect.right + 40, windowRect.bottom + 40);
  for (int i = 0; i < 40 && tip.visible(); ++i) pumpMessages(25);
  EXPECT_FALSE(tip.visible()) << "the tip stays after the pointer left the list";

  // A pointer that moves on before the second is up shows no tip.
  moveTo(entryPoint(list(), 3));
  pumpMessages(rest / 3);
  moveTo(POINT{list().geometry().topStrip.left + 40, 5});
  EXPECT_TRUE(hiddenAfterTheRest());
}

// Kept on the screen: below the pointer where there is room, above it at
// the bottom of the work area, moved left at its right edge.
TEST(InfoTipPlacement, StaysWithinTheWorkArea) {
  const RECT work{0, 0, 1024, 740};
  const SIZE tip{200, 50};
  auto at = [&](POINT p) { return tipPosition(p, tip, 21, work); };
  EXPECT_EQ(at(POINT{100, 100}).x, 100);
  EXPECT_EQ(at(POINT{100, 100}).y, 121);
  EXPECT_EQ(at(POINT{100, 669}).y, 690) << "just fits";
  EXPECT_EQ(at(POINT{100, 700}).y, 700 - 21 - 50);
  EXPECT_EQ(at(POINT{900, 100}).x, 824);
  const RECT second{1024, 0, 2048, 768};
  EXPECT_EQ(tipPosition(POINT{2000, 10}, tip, 21, second).x, 1848);
}

}  // namespace
