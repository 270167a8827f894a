// The picture list as the user meets it in the main window: pictures added,
// clicked, dragged and deleted with the mouse messages a real mouse sends,
// checked through the list's entries, the main window's buttons and what
// the screen shows.
#include <gtest/gtest.h>

#include <windows.h>
#include <windowsx.h>

#include <cstdlib>

#include "WindowTestSupport.h"
#include "resource.h"

namespace {

class PictureListTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(window.ok());
    ASSERT_TRUE(list().handle());
  }
  void addAll() {
    window.window().addPictureFiles(gathered(pictures.paths));
    ASSERT_EQ(list().entryCount(), 5);
  }
  PictureList& list() { return window.list(); }
  bool enabled(int id) { return IsWindowEnabled(window.item(id)) != FALSE; }

  ColourPictures pictures;
  LiveMainWindow window;
};

TEST_F(PictureListTest, GeometryAndThumbnailsAsTheUserSeesThem) {
  const auto& g = list().geometry();
  RECT client{};
  GetClientRect(list().handle(), &client);
  // Sprocket strips of the tile's height (16) above and below, arrows of a
  // quarter of the arrow bitmap (64 / 4) at both ends, 4:3 thumbnails.
  EXPECT_EQ(g.sprocket, 16);
  EXPECT_EQ(g.arrowWidth, 16);
  EXPECT_EQ(g.thumbHeight, client.bottom - 32);
  EXPECT_EQ(g.thumbWidth, 4 * g.thumbHeight / 3);
  EXPECT_EQ(g.cellWidth, g.thumbWidth + 20);

  // An empty list: a black area, nothing to hit, every button that needs a
  // picture disabled.
  pumpMessages(100);
  EXPECT_EQ(screenPixel(list().handle(), g.area.left + 40, g.area.top + 20), RGB(0, 0, 0));
  EXPECT_EQ(list().hitTest(entryPoint(list(), 0).x, entryPoint(list(), 0).y), -1);
  for (int id : {IDC_DELETE_SELECTED, IDC_DELETE_ALL, IDC_COPY_PICTURES, IDC_MAKE_ALBUM})
    EXPECT_FALSE(enabled(id)) << id;

  addAll();
  pumpMessages(100);
  const ClientShot shot(list().handle());
  for (int i = 0; i < 4; ++i) {  // the fifth is partly out of view
    const POINT p = entryPoint(list(), i);
    EXPECT_TRUE(looksLike(shot.pixel(p.x, p.y), ColourPictures::kColours[i])) << "picture " << i;
    EXPECT_EQ(list().hitTest(p.x, p.y), i);
    // The transition mark sits in the gap before the picture, the number in
    // yellow above it.
    const POINT gap = gapPoint(list(), i);
    EXPECT_NE(shot.pixel(gap.x, gap.y), RGB(0, 0, 0)) << "no mark before " << i;
    bool yellow = false;
    for (int x = p.x - g.thumbWidth / 2; x < p.x && !yellow; ++x)
      for (int y = 0; y < g.sprocket && !yellow; ++y) yellow = shot.pixel(x, y) == RGB(255, 255, 0);
    EXPECT_TRUE(yellow) << "no number above " << i;
  }
  EXPECT_EQ(list().entryAt(0).width, 64);
  EXPECT_EQ(list().entryAt(0).height, 48);
  EXPECT_EQ(list().entryAt(0).transition, 0);
  EXPECT_TRUE(list().entryAt(0).tempJpegPath.empty());
  EXPECT_TRUE(enabled(IDC_DELETE_ALL));
  EXPECT_TRUE(enabled(IDC_MAKE_ALBUM));
  EXPECT_FALSE(enabled(IDC_DELETE_SELECTED));
}

TEST_F(PictureListTest, ClickCtrlClickShiftClickAndTheAnchor) {
  addAll();
  click(list(), 1);
  EXPECT_EQ(selection(list()), "01000");
  EXPECT_TRUE(enabled(IDC_DELETE_SELECTED));
  EXPECT_TRUE(enabled(IDC_COPY_PICTURES));
  click(list(), 3, MK_CONTROL);
  EXPECT_EQ(selection(list()), "01010");
  click(list(), 1, MK_CONTROL);  // Ctrl-click on a selected picture deselects it
  EXPECT_EQ(selection(list()), "00010");
  click(list(), 3, MK_SHIFT);  // from the last Ctrl-clicked picture (1)
  EXPECT_EQ(selection(list()), "01110");
  click(list(), 0, MK_SHIFT);  // the anchor stays at 1
  EXPECT_EQ(selection(list()), "11000");

  // Pressing one of several selected pictures and releasing without a drag
  // leaves that one alone selected; so does a trembling click, which must
  // not reorder anything.
  click(list(), 1);
  click(list(), 3, MK_CONTROL);
  const POINT p = entryPoint(list(), 3);
  mouse(list(), WM_LBUTTONDOWN, p, MK_LBUTTON);
  mouse(list(), WM_MOUSEMOVE, POINT{p.x + 1, p.y + 1}, MK_LBUTTON);
  mouse(list(), WM_LBUTTONUP, POINT{p.x + 1, p.y + 1});
  EXPECT_EQ(selection(list()), "00010");
  EXPECT_EQ(order(list()), "abcde");

  // Right button: on a selected picture the selection stays (for the menu);
  // on another it selects that one; beyond the last picture it selects
  // nothing, where a left click changes nothing.
  click(list(), 2, MK_CONTROL);
  rightClickAndDismiss(list(), entryPoint(list(), 2));
  EXPECT_EQ(selection(list()), "00110");
  rightClickAndDismiss(list(), entryPoint(list(), 0));
  EXPECT_EQ(selection(list()), "10000");
  list().deleteSelected();  // a b c d -> room after the last picture
  ASSERT_EQ(order(list()), "bcde");
  click(list(), 1);
  const POINT beyond = entryPoint(list(), 4);
  mouse(list(), WM_LBUTTONDOWN, beyond, MK_LBUTTON);
  mouse(list(), WM_LBUTTONUP, beyond);
  EXPECT_EQ(selection(list()), "0100");
  rightClickAndDismiss(list(), beyond);
  EXPECT_EQ(selection(list()), "0000");
  EXPECT_FALSE(enabled(IDC_DELETE_SELECTED));
  EXPECT_FALSE(enabled(IDC_COPY_PICTURES));
}

TEST_F(PictureListTest, DraggingGathersTheSelectionWhereItIsDropped) {
  addAll();
  click(list(), 1);
  ASSERT_TRUE(list().setTransitionOfSelected(4));
  click(list(), 3, MK_CONTROL);

  // While the pictures are dragged, a red marker shows where they will go.
  const POINT from = entryPoint(list(), 3), to = gapPoint(list(), 0);
  mouse(list(), WM_LBUTTONDOWN, from, MK_LBUTTON);
  for (int step = 1; step <= 8; ++step)
    mouse(list(), WM_MOUSEMOVE, POINT{from.x + (to.x - from.x) * step / 8, from.y}, MK_LBUTTON);
  pumpMessages(100);
  EXPECT_EQ(screenPixel(list().handle(), to.x, to.y - 10), RGB(255, 0, 0));
  mouse(list(), WM_LBUTTONUP, to);
  EXPECT_EQ(order(list()), "bdace");
  EXPECT_EQ(selection(list()), "11000");
  EXPECT_EQ(list().entryAt(0).transition, 4) << "the transition moves with its picture";
  pumpMessages(100);
  EXPECT_NE(screenPixel(list().handle(), to.x, to.y - 10), RGB(255, 0, 0)) << "the marker stays";
  EXPECT_TRUE(looksLike(screenPixel(list().handle(), entryPoint(list(), 2).x, entryPoint(list(), 2).y),
                        ColourPictures::kColours[0]))
      << "a, now third, is not drawn there";

  // Back to a b c d e, then B and D dropped after the last picture: the
  // strip is first dragged to its end, where that gap is in view.
  list().deleteAll();
  addAll();
  click(list(), 1);
  click(list(), 3, MK_CONTROL);
  const auto& g = list().geometry();
  drag(list(), POINT{g.topStrip.right - 5, 5}, POINT{g.topStrip.left + 5, 5});
  EXPECT_EQ(list().scrollPosition(), list().scroll().maxPosition());
  EXPECT_EQ(selection(list()), "00000") << "pressing the strip deselects";
  click(list(), 1, MK_CONTROL);
  click(list(), 3, MK_CONTROL);
  drag(list(), entryPoint(list(), 3), gapPoint(list(), 5));
  EXPECT_EQ(order(list()), "acebd");
  EXPECT_EQ(selection(list()), "00011");
}

TEST_F(PictureListTest, ArrowsAndStripDragScrollWithinTheRange) {
  for (int round = 0; round < 3; ++round) window.window().addPictureFiles(gathered(pictures.paths));
  ASSERT_EQ(list().entryCount(), 15);
  const auto& g = list().geometry();
  const StripScroll& scroll = list().scroll();
  // After adding, the content is every cell and one more gap.
  EXPECT_EQ(scroll.maxPosition(), 15 * g.cellWidth + 20 - g.areaWidth);

  // Held deep in the right arrow, the strip moves 15 pixels each 50 ms tick.
  const POINT right{g.rightArrow.right - 1, g.height / 2};
  mouse(list(), WM_LBUTTONDOWN, right, MK_LBUTTON);
  pumpMessages(400);
  const int moved = list().scrollPosition();
  EXPECT_GE(moved, 15 * 3);
  EXPECT_EQ(moved % 15, 0);
  mouse(list(), WM_LBUTTONUP, right);
  pumpMessages(150);
  EXPECT_EQ(list().scrollPosition(), moved) << "scrolling stops when the button is released";

  // A wheel notch over the strip moves it by one picture, whichever
  // control has the focus.
  RECT strip{};
  GetWindowRect(list().handle(), &strip);
  SendMessageA(window.handle(), WM_MOUSEWHEEL, MAKEWPARAM(0, -WHEEL_DELTA),
               MAKELPARAM(strip.left + 100, strip.top + 40));
  EXPECT_EQ(list().scrollPosition(), moved + g.cellWidth);
  SendMessageA(window.handle(), WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA),
               MAKELPARAM(strip.left + 100, strip.bottom + 40));
  EXPECT_EQ(list().scrollPosition(), moved + g.cellWidth) << "the pointer is not over the strip";

  // The strip follows a dragged sprocket strip and stops at both ends.
  drag(list(), POINT{g.topStrip.left + 10, 5}, POINT{g.topStrip.right - 10, 5});
  EXPECT_EQ(list().scrollPosition(), 0);
  drag(list(), POINT{g.bottomStrip.right - 10, g.height - 5}, POINT{-4000, g.height - 5});
  EXPECT_EQ(list().scrollPosition(), scroll.maxPosition());

  // Dragging a picture onto the left arrow scrolls back towards the start.
  const int before = list().scrollPosition();
  const POINT picture = entryPoint(list(), list().hitTest(g.area.left + g.cellWidth, g.height / 2));
  mouse(list(), WM_LBUTTONDOWN, picture, MK_LBUTTON);
  mouse(list(), WM_MOUSEMOVE, POINT{picture.x - 20, picture.y}, MK_LBUTTON);
  mouse(list(), WM_MOUSEMOVE, POINT{g.leftArrow.left + 1, picture.y}, MK_LBUTTON);
  pumpMessages(300);
  EXPECT_LT(list().scrollPosition(), before);
  ReleaseCapture();  // as when another window takes the mouse: no drop
  EXPECT_EQ(list().entryCount(), 15);

  // Deleting down to what fits brings the strip back to the start.
  for (int i = 0; i < 13; ++i) list().entryAt(i).selected = true;
  list().deleteSelected();
  EXPECT_EQ(list().entryCount(), 2);
  EXPECT_EQ(list().scrollPosition(), 0);
  EXPECT_EQ(scroll.maxPosition(), 0);
}

TEST_F(PictureListTest, DeletingRenumbersAndKeepsEachPicturesTransition) {
  addAll();
  for (int i = 0; i < 5; ++i) {
    click(list(), i);
    ASSERT_TRUE(list().setTransitionOfSelected(i + 2));
  }
  EXPECT_FALSE(list().setTransitionOfSelected(13)) << "there are thirteen transitions";
  EXPECT_EQ(list().entryAt(4).transition, 6);

  click(list(), 1);
  click(list(), 3, MK_CONTROL);
  window.click(IDC_DELETE_SELECTED);
  EXPECT_EQ(order(list()), "ace");
  EXPECT_EQ(list().entryAt(0).transition, 2);
  EXPECT_EQ(list().entryAt(1).transition, 4);
  EXPECT_EQ(list().entryAt(2).transition, 6);
  // Each remaining picture still shows its own thumbnail.
  pumpMessages(100);
  for (int i = 0; i < 3; ++i) {
    const POINT p = entryPoint(list(), i);
    EXPECT_TRUE(looksLike(screenPixel(list().handle(), p.x, p.y), ColourPictures::kColours[2 * i])) << i;
  }
  // Pictures remain, none selected: only the buttons for selections go off.
  EXPECT_FALSE(enabled(IDC_DELETE_SELECTED));
  EXPECT_FALSE(enabled(IDC_COPY_PICTURES));
  EXPECT_TRUE(enabled(IDC_DELETE_ALL));
  EXPECT_TRUE(enabled(IDC_MAKE_ALBUM));
  EXPECT_EQ(GetFocus(), window.item(IDC_MUSIC_PLAYER_HOST))
      << "a button command leaves the focus on no button";

  window.clickNotSaving(IDC_DELETE_ALL);
  EXPECT_EQ(list().entryCount(), 0);
  for (int id : {IDC_DELETE_SELECTED, IDC_DELETE_ALL, IDC_COPY_PICTURES, IDC_MAKE_ALBUM})
    EXPECT_FALSE(enabled(id)) << id;
  EXPECT_TRUE(enabled(IDC_MAKE_SCREENSAVER));
  pumpMessages(100);
  EXPECT_EQ(screenPixel(list().handle(), entryPoint(list(), 0).x, entryPoint(list(), 0).y), RGB(0, 0, 0));
}

}  // namespace
