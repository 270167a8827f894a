#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "CaptionDialog.h"
#include "GdiHandles.h"
#include "LanguageFile.h"
#include "LanguageFormat.h"
#include "MenuTestSupport.h"
#include "PictureContextMenu.h"
#include "PictureTipText.h"
#include "ProgramDirectory.h"
#include "TestFolder.h"
#include "TextConversion.h"
#include "resource.h"

namespace {

HINSTANCE self() { return GetModuleHandleA(nullptr); }

ImageListHandle transitionMarks() {
  return loadImageStrip(self(), IDB_TRANSITION_MARKS, TRANSITION_MARK_SIZE, TRANSITION_MARK_MASK);
}

std::wstring wide(const std::string& ansi) {
  std::wstring text(ansi.size(), L'\0');
  text.resize(static_cast<size_t>(MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()),
                                                      text.data(), static_cast<int>(text.size()))));
  return text;
}

// A language selected the way the program selects it, from a folder holding
// the settings file and a copy of one of the built language files (or the
// given text as that file).
struct Language {
  TestFolder folder;
  LanguageFile file;
  bool present = false;

  static constexpr const char* kBuilt = nullptr;
  explicit Language(const std::string& name, const char* text = kBuilt) {
    writeFile(folder.path() + "slidewright.ini",
              "[Setting]\r\nLanguageID=2\r\n[Language2]\r\nDisp=Test\r\nFile=" + name + "\r\n");
    if (text) {
      writeFile(folder.path() + name, text);
      present = true;
    } else {
      present =
          CopyFileA((programDirectory() + name).c_str(), (folder.path() + name).c_str(), FALSE) != FALSE;
    }
    file.selectLanguage(folder.path());
  }
};

PictureMenuState everythingApplies() {
  PictureMenuState state;
  state.anySelected = true;
  state.listEmpty = false;
  state.pointerOnPicture = true;
  state.selectionTransition = -1;
  return state;
}

// The items whose captions the tests compare: the four picture commands,
// the two submenus and the caption command.
constexpr int kCaptionPosition = PICTURE_MENU_MOTION_POSITION + 2;
constexpr int kSortPosition = kCaptionPosition + 2;  // by date, then by name below it
constexpr int kCaptionedPositions[] = {0,
                                       1,
                                       2,
                                       3,
                                       PICTURE_MENU_TRANSITION_POSITION,
                                       PICTURE_MENU_MOTION_POSITION,
                                       kCaptionPosition,
                                       kSortPosition,
                                       kSortPosition + 1};

// The captions of the resource's items as the system reads them.
std::vector<std::wstring> resourceCaptions() {
  std::vector<std::wstring> captions;
  HMENU menu = LoadMenuW(self(), MAKEINTRESOURCEW(IDR_PICTURE_MENU));
  HMENU popup = GetSubMenu(menu, 0);
  for (int i : kCaptionedPositions) {
    wchar_t text[64] = {};
    GetMenuStringW(popup, static_cast<UINT>(i), text, 64, MF_BYPOSITION);
    captions.push_back(text);
  }
  DestroyMenu(menu);
  return captions;
}

std::vector<std::wstring> shownCaptions(const PictureContextMenu& menu) {
  std::vector<std::wstring> captions;
  for (int i : kCaptionedPositions) captions.push_back(menu.popup()->itemAt(i)->text);
  return captions;
}

// The colours of an item's picture.
std::set<std::uint32_t> pictureColours(const IconMenuItem& item) {
  std::set<std::uint32_t> colours;
  int width = 0, height = 0;
  if (!item.image || !ImageList_GetIconSize(item.image.get(), &width, &height)) return colours;
  for (std::uint32_t c : drawnPixels(
           width, height, [&](HDC dc) { ImageList_Draw(item.image.get(), 0, dc, 0, 0, ILD_TRANSPARENT); }))
    colours.insert(c);
  return colours;
}

bool grayed(const IconMenu* menu, int position) {
  return (GetMenuState(menu->handle(), static_cast<UINT>(position), MF_BYPOSITION) & MF_GRAYED) != 0;
}

// Only the thirteen transition commands choose a transition and the eight
// motion commands a motion; a selection with mixed transitions or motions
// (or rectangles from an album file) has none to check.
TEST(PictureMenuCommands, TransitionAndMotionCommandsAndWhatTheSelectionShares) {
  EXPECT_EQ(transitionOfCommand(transitionCommand(0)), 0);
  EXPECT_EQ(transitionOfCommand(transitionCommand(12)), 12);
  EXPECT_EQ(transitionCommand(9), 32884u);
  for (UINT other : {0u, 32874u, 32888u, static_cast<UINT>(IDM_COPY_PICTURES)})
    EXPECT_EQ(transitionOfCommand(other), -1) << other;
  EXPECT_EQ(sharedTransition({}), -1);
  EXPECT_EQ(sharedTransition({0, 0, 0}), 0);
  EXPECT_EQ(sharedTransition({9, 9, 3}), -1);

  using slidewright::Motion;
  using slidewright::MotionKind;
  EXPECT_EQ(motionCommand(MotionKind::None), 32900u);
  EXPECT_EQ(motionCommand(MotionKind::Auto), 32907u);
  EXPECT_EQ(motionOfCommand(32901u), MotionKind::ZoomIn);
  EXPECT_EQ(motionOfCommand(32906u), MotionKind::PanDown);
  for (UINT other : {0u, 32899u, 32908u, static_cast<UINT>(IDM_CAPTION), transitionCommand(0)})
    EXPECT_EQ(motionOfCommand(other), std::nullopt) << other;
  const Motion still{}, zoomIn{MotionKind::ZoomIn, {}, {}}, custom{MotionKind::Explicit, {}, {0, 0, .5, .5}};
  EXPECT_EQ(sharedMotion({}), -1);
  EXPECT_EQ(sharedMotion({still, still}), 0);
  EXPECT_EQ(sharedMotion({zoomIn, zoomIn}), 1);
  EXPECT_EQ(sharedMotion({zoomIn, still}), -1);
  EXPECT_EQ(sharedMotion({custom, custom}), -1);
}

// The caption box's text as the pictures keep it: trimmed lines, at most
// two, empty ones dropped; and back with the box's line breaks. Over
// differing captions nothing is shared.
TEST(CaptionText, TypedTextBecomesAtMostTwoTrimmedLines) {
  EXPECT_EQ(captionOfTyped(L""), "");
  EXPECT_EQ(captionOfTyped(L"  \r\n \r\n"), "");
  EXPECT_EQ(captionOfTyped(L" 海边 By the sea "), "海边 By the sea");
  EXPECT_EQ(captionOfTyped(L"海边\r\n\r\n  By the sea\r\n"), "海边\nBy the sea");
  EXPECT_EQ(captionOfTyped(L"one\r\ntwo\r\nthree\tfour"), "one\ntwo three four");
  EXPECT_EQ(captionOfTyped(L"\u0410\u0442\u0438\u043d\u0430 \U0001F30A"), "Атина 🌊");
  EXPECT_EQ(typedOfCaption("海边\nBy the sea"), L"海边\r\nBy the sea");
  EXPECT_EQ(captionOfTyped(typedOfCaption("海边\nBy the sea")), "海边\nBy the sea");

  EXPECT_FALSE(sharedCaption({}).mixed);
  EXPECT_EQ(sharedCaption({"a", "a"}).caption, "a");
  EXPECT_TRUE(sharedCaption({"a", ""}).mixed);
}

// Menu 131 with the four glyphs on its commands, the thirteen transitions
// and the eight motions, each with its mark and its name, above their
// template's separators; the transition and the motion the selected pictures
// share are checked.
TEST(PictureContextMenu, HoldsTheCommandsWithGlyphsTheTransitionsAndTheMotions) {
  Language chinese("language.cns");
  if (!chinese.present) GTEST_SKIP() << "no language.cns beside the tests";
  ImageListHandle marks = transitionMarks();
  ASSERT_TRUE(marks);
  PictureMenuState state = everythingApplies();
  state.selectionTransition = 9;
  state.selectionMotion = 2;
  PictureContextMenu menu;
  ASSERT_TRUE(menu.build(PictureMenuSources{self(), &chinese.file, marks.get()}, state));
  IconMenu* popup = menu.popup();
  ASSERT_NE(popup, nullptr);
  ASSERT_EQ(popup->itemCount(), 16);
  const UINT commands[] = {IDM_ADD_PICTURES, IDM_COPY_PICTURES, IDM_DELETE_PICTURES, IDM_DELETE_ALL_PICTURES};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(popup->itemAt(i)->commandId, commands[i]);
    EXPECT_TRUE(popup->itemAt(i)->hasPicture()) << i;
    EXPECT_EQ(popup->itemAt(i)->imageIndex, i);
    EXPECT_FALSE(grayed(popup, i)) << i;
  }
  EXPECT_TRUE(popup->itemAt(4)->isSeparator());
  EXPECT_FALSE(grayed(popup, PICTURE_MENU_TRANSITION_POSITION));
  for (int position : {6, 7, 8, 10, 11, 13, 14, 15}) EXPECT_FALSE(grayed(popup, position)) << position;
  EXPECT_EQ(popup->itemAt(kCaptionPosition)->commandId, static_cast<UINT>(IDM_CAPTION));
  EXPECT_TRUE(popup->itemAt(kCaptionPosition)->hasPicture());
  // The Chinese file's captions are the resource's own.
  EXPECT_EQ(shownCaptions(menu), resourceCaptions());

  IconMenu* transitions = menu.transitions();
  ASSERT_NE(transitions, nullptr);
  ASSERT_EQ(transitions->itemCount(), 14);
  for (int i = 0; i < 13; ++i) {
    const IconMenuItem* item = transitions->itemAt(i);
    EXPECT_EQ(item->commandId, 32875u + i);
    EXPECT_EQ(GetMenuItemID(transitions->handle(), i), 32875u + i);
    EXPECT_EQ(item->text, wide(transitionName(chinese.file, i))) << i;
    EXPECT_EQ(item->imageIndex, i);
    EXPECT_TRUE(item->hasPicture()) << i;
    const bool checked = GetMenuState(transitions->handle(), i, MF_BYPOSITION) & MF_CHECKED;
    EXPECT_EQ(checked, i == 9) << i;
  }
  EXPECT_EQ(transitions->itemAt(9)->text, L"淡入淡出");
  // The pictures keep the colours they are drawn in: the green of the add
  // glyph, the amber of the transition marks.
  EXPECT_TRUE(pictureColours(*popup->itemAt(0)).count(0x2EA866));
  EXPECT_TRUE(pictureColours(*transitions->itemAt(0)).count(0xF5B83D));
  EXPECT_TRUE(transitions->itemAt(13)->isSeparator());

  IconMenu* motions = menu.motions();
  ASSERT_NE(motions, nullptr);
  ASSERT_EQ(motions->itemCount(), 9);
  for (int i = 0; i < 8; ++i) {
    const IconMenuItem* item = motions->itemAt(i);
    EXPECT_EQ(item->commandId, 32900u + i);
    EXPECT_EQ(GetMenuItemID(motions->handle(), i), 32900u + i);
    EXPECT_EQ(item->text, wide(motionDisplayName(chinese.file, static_cast<slidewright::MotionKind>(i))))
        << i;
    EXPECT_TRUE(item->hasPicture()) << i;
    EXPECT_TRUE(pictureColours(*item).count(0x6EA8FF)) << i << ": the motions' blue";
    const bool checked = GetMenuState(motions->handle(), i, MF_BYPOSITION) & MF_CHECKED;
    EXPECT_EQ(checked, i == 2) << i;
  }
  EXPECT_EQ(motions->itemAt(1)->text, L"推近");
  EXPECT_TRUE(motions->itemAt(8)->isSeparator());

  // The check follows the selection: another motion, or none when they differ.
  for (int shared : {7, -1}) {
    state.selectionMotion = shared;
    PictureContextMenu again;
    ASSERT_TRUE(again.build(PictureMenuSources{self(), &chinese.file, marks.get()}, state));
    for (int i = 0; i < 8; ++i)
      EXPECT_EQ((GetMenuState(again.motions()->handle(), i, MF_BYPOSITION) & MF_CHECKED) != 0, i == shared)
          << shared << " " << i;
  }
}

// Which items are gray: delete and copy without a selection, delete all in
// an empty list, the transitions, motions and caption off the pictures and
// without a selection.
TEST(PictureContextMenu, GraysWhatCannotApply) {
  struct Case {
    const char* what;
    PictureMenuState state;
    bool copyAndDelete, deleteAll, transitions;  // gray or not
  };
  const Case cases[] = {
      {"empty list", PictureMenuState{false, true, false, -1}, true, true, true},
      {"empty space of a list with a selection", PictureMenuState{true, false, false, -1}, false, false,
       true},
      {"empty space, nothing selected", PictureMenuState{false, false, false, -1}, true, false, true},
      {"on a picture, nothing selected", PictureMenuState{false, false, true, -1}, true, false, true},
      {"on a selected picture", PictureMenuState{true, false, true, 3}, false, false, false},
  };
  ImageListHandle marks = transitionMarks();
  for (const Case& c : cases) {
    PictureContextMenu menu;
    ASSERT_TRUE(menu.build(PictureMenuSources{self(), nullptr, marks.get()}, c.state)) << c.what;
    IconMenu* popup = menu.popup();
    EXPECT_FALSE(grayed(popup, 0)) << c.what << ": adding is always possible";
    EXPECT_EQ(grayed(popup, 1), c.copyAndDelete) << c.what << ": copy";
    EXPECT_EQ(grayed(popup, 2), c.copyAndDelete) << c.what << ": delete";
    EXPECT_EQ(grayed(popup, 3), c.deleteAll) << c.what << ": delete all";
    EXPECT_EQ(grayed(popup, kSortPosition), c.deleteAll) << c.what << ": sort by date";
    EXPECT_EQ(grayed(popup, kSortPosition + 1), c.deleteAll) << c.what << ": sort by name";
    EXPECT_EQ(grayed(popup, PICTURE_MENU_TRANSITION_POSITION), c.transitions) << c.what << ": transitions";
    EXPECT_EQ(grayed(popup, PICTURE_MENU_MOTION_POSITION), c.transitions) << c.what << ": motions";
    EXPECT_EQ(grayed(popup, kCaptionPosition), c.transitions) << c.what << ": caption";
  }
}

// English captions come from english.lng; a language file without the menu's
// keys, or none at all, leaves the resource's captions.
TEST(PictureContextMenu, CaptionsFollowTheLanguageFile) {
  ImageListHandle marks = transitionMarks();
  Language english("english.lng");
  if (!english.present) GTEST_SKIP() << "no english.lng beside the tests";
  PictureContextMenu menu;
  ASSERT_TRUE(menu.build(PictureMenuSources{self(), &english.file, marks.get()}, everythingApplies()));
  const std::vector<std::wstring> expected{
      L"&Add pictures...", L"&Copy pictures", L"&Delete pictures",    L"Delete a&ll pictures", L"&Transition",
      L"&Motion",          L"Ca&ption...",    L"Sort by date ta&ken", L"Sort by &name"};
  EXPECT_EQ(shownCaptions(menu), expected);
  EXPECT_EQ(menu.transitions()->itemAt(9)->text, L"Cross-fade");
  EXPECT_EQ(menu.motions()->itemAt(1)->text, L"Zoom in");
  wchar_t system[64] = {};
  GetMenuStringW(menu.popup()->handle(), 0, system, 64, MF_BYPOSITION);
  EXPECT_EQ(std::wstring(system), L"&Add pictures...");

  Language older("older.lng", "[String]\r\nMakeAlbum=Make\r\n[TransitionMode]\r\n10=Fade\r\n");
  PictureContextMenu withoutKeys;
  ASSERT_TRUE(withoutKeys.build(PictureMenuSources{self(), &older.file, marks.get()}, everythingApplies()));
  EXPECT_EQ(shownCaptions(withoutKeys), resourceCaptions());
  EXPECT_EQ(withoutKeys.transitions()->itemAt(9)->text, L"Fade");
  EXPECT_EQ(withoutKeys.transitions()->itemAt(0)->text, L"1");

  PictureContextMenu noLanguage;
  ASSERT_TRUE(noLanguage.build(PictureMenuSources{self(), nullptr, nullptr}, everythingApplies()));
  EXPECT_EQ(shownCaptions(noLanguage), resourceCaptions());
  EXPECT_EQ(noLanguage.transitions()->itemAt(12)->text, L"13");
  EXPECT_EQ(noLanguage.motions()->itemAt(3)->text, L"pan-left");
  EXPECT_FALSE(noLanguage.transitions()->itemAt(12)->hasPicture()) << "no marks given, no pictures";
}

// The menu on the screen: right-click position, keys and access keys give
// back the chosen command; a gray submenu does not open.
TEST(PictureContextMenu, OpenMenuReturnsTheChosenCommand) {
  ImageListHandle marks = transitionMarks();
  Language english("english.lng");
  MenuTestWindow window;
  const POINT at{60, 30};
  auto runWith = [&](const PictureMenuState& state, std::vector<MenuStep> steps, bool* ran) {
    return window.runWhileOpen(
        [&] {
          return showPictureContextMenu(window.handle(), at,
                                        PictureMenuSources{self(), &english.file, marks.get()}, state);
        },
        std::move(steps), ran);
  };
  bool ran = false;

  // Down to the transitions, open them, down to the tenth: cross-fade.
  RECT popupRect{};
  MenuStep remember = [&] {
    GetWindowRect(openMenuWindows().front(), &popupRect);
    return true;
  };
  const UINT command = runWith(everythingApplies(),
                               {waitForMenus(1), remember, pressKeys(keysToTransitions()), waitForMenus(2),
                                pressKeys({VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN,
                                           VK_DOWN, VK_DOWN, VK_RETURN})},
                               &ran);
  EXPECT_TRUE(ran);
  EXPECT_EQ(command, transitionCommand(9));
  EXPECT_EQ(transitionOfCommand(command), 9);
  EXPECT_EQ(popupRect.left, at.x) << "the menu opens at the pointer";
  EXPECT_EQ(popupRect.top, at.y);

  EXPECT_EQ(runWith(everythingApplies(), {waitForMenus(1), pressKeys({VK_DOWN, VK_RETURN})}, &ran),
            static_cast<UINT>(IDM_ADD_PICTURES));
  if (english.present) {
    EXPECT_EQ(runWith(everythingApplies(), {waitForMenus(1), typeCharacter(L'c')}, &ran),
              static_cast<UINT>(IDM_COPY_PICTURES));
    EXPECT_EQ(runWith(everythingApplies(), {waitForMenus(1), typeCharacter(L'l')}, &ran),
              static_cast<UINT>(IDM_DELETE_ALL_PICTURES));
    // "Motion" opens on its access key; the second item is zoom-in.
    EXPECT_EQ(
        runWith(everythingApplies(),
                {waitForMenus(1), typeCharacter(L'm'), waitForMenus(2), pressKeys({VK_DOWN, VK_RETURN})},
                &ran),
        motionCommand(slidewright::MotionKind::ZoomIn));
    EXPECT_EQ(runWith(everythingApplies(), {waitForMenus(1), typeCharacter(L'p')}, &ran),
              static_cast<UINT>(IDM_CAPTION));
  }

  // Off the pictures the submenu stays closed; Escape gives 0.
  int ticks = 0;
  MenuStep aWhile = [&] { return ++ticks > 10; };
  size_t menusOpen = 0;
  MenuStep count = [&] {
    menusOpen = openMenuWindows().size();
    return true;
  };
  PictureMenuState empty{false, true, false, -1};
  EXPECT_EQ(
      runWith(empty, {waitForMenus(1), pressKeys(keysToTransitions()), aWhile, count, pressKeys({VK_ESCAPE})},
              &ran),
      0u);
  EXPECT_TRUE(ran);
  EXPECT_EQ(menusOpen, 1u);
  EXPECT_TRUE(openMenuWindows().empty());
}

// Each popup makes its menus, pictures, font, brushes and its owner window
// and gives every one of them back when it closes.
TEST(PictureContextMenu, AHundredPopupsGiveBackEveryGdiObject) {
  ImageListHandle marks = transitionMarks();
  Language english("english.lng");
  MenuTestWindow window;
  // With the submenu opened and with everything but one item grayed, every
  // kind of item is drawn: pictures, grayed pictures, a checked item,
  // separators.
  PictureMenuState open = everythingApplies();
  open.selectionTransition = 4;
  const PictureMenuState empty{false, true, false, -1};
  std::vector<HMENU> menus;
  auto popUp = [&](int i) {
    bool ran = false;
    const bool withSubmenu = i % 2 == 0;
    std::vector<MenuStep> steps{waitForMenus(1)};
    if (withSubmenu) {
      steps.push_back(pressKeys(keysToTransitions()));
      steps.push_back(waitForMenus(2));
    }
    steps.push_back(pressKeys({VK_ESCAPE, VK_ESCAPE}));
    PictureContextMenu menu;
    if (!menu.build(PictureMenuSources{self(), &english.file, marks.get()}, withSubmenu ? open : empty))
      return false;
    menus.push_back(menu.popup()->handle());
    menus.push_back(menu.transitions()->handle());
    window.runWhileOpen([&] { return menu.run(window.handle(), POINT{50, 50}); }, steps, &ran);
    return ran;
  };
  // The first popups may make what the system keeps for all menus.
  ASSERT_TRUE(popUp(0));
  ASSERT_TRUE(popUp(1));
  const long gdiBefore = countGdiObjects();
  const DWORD userBefore = GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS);  // 0 under Wine
  ASSERT_GT(gdiBefore, 0) << "the process's GDI objects cannot be counted";
  int completed = 0;
  for (int i = 0; i < 100; ++i) completed += popUp(i) ? 1 : 0;
  EXPECT_EQ(completed, 100);
  EXPECT_EQ(countGdiObjects(), gdiBefore);
  EXPECT_EQ(GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS), userBefore);
  int menusLeft = 0;
  for (HMENU menu : menus) menusLeft += IsMenu(menu) ? 1 : 0;
  EXPECT_EQ(menusLeft, 0);
  EXPECT_EQ(GetWindow(window.handle(), GW_CHILD), nullptr) << "the menus' owner window was left behind";
}

TEST(PictureTipText, NameSizeTransitionHoldMotionAndCaptionAfterTheirLabels) {
  Language english("english.lng");
  if (!english.present) GTEST_SKIP() << "no english.lng beside the tests";
  EXPECT_EQ(
      pictureTipText(english.file, PictureTipFacts{"C:\\Photos\\2024\\beach.jpg", 640, 480, 9, 3, 2}),
      L"Name: beach.jpg\r\nSize: 640*480\r\nTransition: Cross-fade\r\nHold: 3 seconds\r\nMotion: Still");
  const slidewright::Motion panLeft{slidewright::MotionKind::PanLeft, {}, {}};
  EXPECT_EQ(pictureTipText(english.file,
                           PictureTipFacts{"beach.png", 1, 2, 0, std::nullopt, 2, panLeft, "Sea\nand sun"}),
            L"Name: beach.png\r\nSize: 1*2\r\nTransition: Roll left to right\r\nHold: 2 seconds (the album's)"
            L"\r\nMotion: Pan left\r\nCaption: Sea and sun");
  const slidewright::Motion custom{slidewright::MotionKind::Explicit, {}, {0, 0, .5, .5}};
  const std::wstring tip = pictureTipText(english.file, PictureTipFacts{"a.png", 1, 2, 0, 1, 2, custom});
  const std::wstring end = L"\r\nMotion: Custom (from the album file)";
  EXPECT_EQ(tip.substr(tip.size() - std::min(tip.size(), end.size())), end);

  // Without a language file the labels show their keys.
  LanguageFile none;
  EXPECT_EQ(pictureTipText(none, PictureTipFacts{"D:\\a.gif", 3, 4, 12, 0, 1}),
            L"ImageNamea.gif\r\nImageSize3*4\r\nTransitionMode13\r\nHoldTipHoldOwn\r\nMotionTip1");
}

// The name comes in any script (UTF-8, here Korean and an emoji that no code
// page holds), the labels in the language file's code page.
TEST(PictureTipText, NamesInAnyScriptAndLabelsAreNeverFormats) {
  ASSERT_TRUE(inChineseCodePage()) << "the test run sets code page 936";
  const std::string name = "\xEC\x82\xAC\xEC\xA7\x84 \xF0\x9F\x98\x80.jpg";  // 사진 😀.jpg
  const std::wstring wideName = L"\uC0AC\uC9C4 \U0001F600.jpg";
  Language chinese("language.cns");
  if (chinese.present) {
    EXPECT_EQ(
        pictureTipText(chinese.file, PictureTipFacts{"C:\\Photos\\" + name, 800, 600, 9, std::nullopt, 1}),
        wideFromAnsi(chinese.file.lookupString("ImageName")) + wideName +
            wideFromAnsi("\r\n" + chinese.file.lookupString("ImageSize") + "800*600\r\n" +
                         chinese.file.lookupString("TransitionMode") +
                         "\xB5\xAD\xC8\xEB\xB5\xAD\xB3\xF6\r\n" + chinese.file.lookupString("HoldTip") +
                         formatWithNumber(chinese.file.lookupValue("AlbumFile", "HoldAlbum"), 1) + "\r\n" +
                         chinese.file.lookupString("MotionTip") +
                         motionDisplayName(chinese.file, slidewright::MotionKind::None)));
    // A caption in Chinese, Korean and Latin letters and an emoji, kept whole.
    const std::wstring tip = pictureTipText(
        chinese.file,
        PictureTipFacts{name, 5, 6, 0, 7, 1, {}, "\xE6\xB5\xB7\xE8\xBE\xB9 By the sea " + name});
    const std::wstring end =
        wideFromAnsi(chinese.file.lookupString("CaptionTip")) + L"\u6D77\u8FB9 By the sea " + wideName;
    EXPECT_EQ(tip.substr(tip.size() - std::min(tip.size(), end.size())), end);
  }
  Language percent("percent.lng",
                   "[String]\r\nImageName=%s%n%d \r\nImageSize=100% \r\nTransitionMode=%x\r\n");
  EXPECT_EQ(pictureTipText(percent.file, PictureTipFacts{name, 5, 6, 99, 7, 1}),
            L"%s%n%d" + wideName + L"\r\n100%5*6\r\n%x100\r\nHoldTipHoldOwn\r\nMotionTip1");
}

}  // namespace
