// Loads the compiled resources the way the programs do, under Windows or
// Wine: bitmaps, icon, cursor, menu and dialog of the maker, the player it
// carries as "BIN" 153 with that player's own resources, and the language
// file as the private-profile functions read it in code page 936.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "resource.h"

namespace {

struct DeleteBitmap {
  void operator()(HBITMAP bitmap) const { DeleteObject(bitmap); }
};
using BitmapHandle = std::unique_ptr<std::remove_pointer_t<HBITMAP>, DeleteBitmap>;

struct DestroyWindowDeleter {
  void operator()(HWND window) const { DestroyWindow(window); }
};
using WindowHandle = std::unique_ptr<std::remove_pointer_t<HWND>, DestroyWindowDeleter>;

HINSTANCE self() { return GetModuleHandleW(nullptr); }

BitmapHandle loadBitmap(int id, UINT flags = 0) {
  return BitmapHandle(
      static_cast<HBITMAP>(LoadImageW(self(), MAKEINTRESOURCEW(id), IMAGE_BITMAP, 0, 0, flags)));
}

SIZE bitmapSize(HBITMAP bitmap) {
  BITMAP info{};
  GetObjectW(bitmap, sizeof info, &info);
  return SIZE{info.bmWidth, info.bmHeight};
}

COLORREF pixelOf(HBITMAP bitmap, int x, int y) {
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, bitmap);
  COLORREF colour = GetPixel(dc, x, y);
  SelectObject(dc, old);
  DeleteDC(dc);
  return colour;
}

std::wstring windowText(HWND window) {
  wchar_t text[256] = {};
  GetWindowTextW(window, text, 256);
  return text;
}

std::vector<unsigned char> readFile(const char* path) {
  std::vector<unsigned char> bytes;
  if (FILE* f = std::fopen(path, "rb")) {
    unsigned char buffer[65536];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) bytes.insert(bytes.end(), buffer, buffer + n);
    std::fclose(f);
  }
  return bytes;
}

void initCommonControls() {
  INITCOMMONCONTROLSEX icc{sizeof icc, ICC_UPDOWN_CLASS | ICC_PROGRESS_CLASS | ICC_BAR_CLASSES};
  InitCommonControlsEx(&icc);
}

}  // namespace

TEST(CompiledResources, BitmapsLoadInTheirSizes) {
  struct Expected {
    int id;
    LONG width, height;
  };
  const Expected expected[] = {
      {IDB_PREVIEW_PLACEHOLDER, 183, 139},
      {IDB_SPROCKET, 32, 16},
      {IDB_LIST_ARROWS, 64, 92},
      {IDB_TRANSITION_MARKS, 182, 14},
      {IDB_PICTURE_MARKS, 126, 14},
      {IDB_MENU_GLYPHS, 64, 15},
      {IDB_ADD, 16, 15},
      {IDB_COPY, 16, 15},
      {IDB_REMOVE, 16, 15},
      {IDB_CLEAR, 16, 15},
      {IDB_FOLDER, 16, 15},
      {IDB_PLAY, 16, 15},
      {IDB_PAUSE, 16, 15},
      {IDB_STOP, 16, 15},
  };
  for (const Expected& e : expected) {
    BitmapHandle bitmap = loadBitmap(e.id);
    ASSERT_TRUE(bitmap) << "bitmap " << e.id;
    SIZE size = bitmapSize(bitmap.get());
    EXPECT_EQ(size.cx, e.width) << "bitmap " << e.id;
    EXPECT_EQ(size.cy, e.height) << "bitmap " << e.id;
  }
}

TEST(CompiledResources, ButtonGlyphsTakeTheButtonFace) {
  // Loaded with 3-D colour mapping, the glyph's background becomes the face
  // colour of the buttons it sits on, whatever the system's colour scheme.
  for (int id = IDB_ADD; id <= IDB_STOP; ++id) {
    BitmapHandle bitmap = loadBitmap(id, LR_LOADMAP3DCOLORS);
    ASSERT_TRUE(bitmap) << "bitmap " << id;
    EXPECT_EQ(pixelOf(bitmap.get(), 0, 0), GetSysColor(COLOR_BTNFACE)) << "bitmap " << id;
    int glyph = 0;
    for (int y = 0; y < BUTTON_GLYPH_HEIGHT; ++y)
      for (int x = 0; x < BUTTON_GLYPH_WIDTH; ++x)
        glyph += pixelOf(bitmap.get(), x, y) != GetSysColor(COLOR_BTNFACE);
    EXPECT_GT(glyph, 20) << "bitmap " << id;
  }
}

TEST(CompiledResources, MarksAndMenuGlyphsCutIntoMaskedImages) {
  struct Strip {
    int id;
    int width, height, count;
    COLORREF mask;
  };
  const Strip strips[] = {
      {IDB_TRANSITION_MARKS, TRANSITION_MARK_SIZE, TRANSITION_MARK_SIZE, TRANSITION_MARK_COUNT,
       TRANSITION_MARK_MASK},
      {IDB_PICTURE_MARKS, TRANSITION_MARK_SIZE, TRANSITION_MARK_SIZE, PICTURE_MARK_COUNT,
       TRANSITION_MARK_MASK},
      {IDB_MENU_GLYPHS, MENU_GLYPH_WIDTH, MENU_GLYPH_HEIGHT, 4, MENU_GLYPH_MASK},
  };
  for (const Strip& s : strips) {
    HIMAGELIST list = ImageList_Create(s.width, s.height, ILC_COLOR24 | ILC_MASK, s.count, 1);
    ASSERT_TRUE(list);
    BitmapHandle bitmap = loadBitmap(s.id);
    ASSERT_EQ(ImageList_AddMasked(list, bitmap.get(), s.mask), 0);
    EXPECT_EQ(ImageList_GetImageCount(list), s.count);

    // Each image drawn over black leaves black where the key colour was
    // (its corner) and draws something in its middle.
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP canvas = CreateCompatibleBitmap(screen, s.width, s.height);
    ReleaseDC(nullptr, screen);
    HGDIOBJ old = SelectObject(dc, canvas);
    for (int i = 0; i < s.count; ++i) {
      RECT all{0, 0, s.width, s.height};
      FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
      ImageList_Draw(list, i, dc, 0, 0, ILD_TRANSPARENT);
      EXPECT_EQ(GetPixel(dc, 0, 0), RGB(0, 0, 0)) << "image " << i << " of bitmap " << s.id;
      int drawn = 0;
      for (int y = 0; y < s.height; ++y)
        for (int x = 0; x < s.width; ++x) drawn += GetPixel(dc, x, y) != RGB(0, 0, 0);
      EXPECT_GT(drawn, 10) << "image " << i << " of bitmap " << s.id;
    }
    SelectObject(dc, old);
    DeleteObject(canvas);
    DeleteDC(dc);
    ImageList_Destroy(list);
  }
}

TEST(CompiledResources, IconAndDragCursor) {
  for (int size : {16, 32, 48}) {
    HICON icon = static_cast<HICON>(LoadImageW(self(), MAKEINTRESOURCEW(IDI_APP), IMAGE_ICON, size, size, 0));
    ASSERT_TRUE(icon) << size;
    ICONINFO info{};
    ASSERT_TRUE(GetIconInfo(icon, &info));
    EXPECT_EQ(bitmapSize(info.hbmColor).cx, size);
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    DestroyIcon(icon);
  }
  HCURSOR cursor = LoadCursorW(self(), MAKEINTRESOURCEW(IDCUR_DRAG));
  ASSERT_TRUE(cursor);
  ICONINFO info{};
  ASSERT_TRUE(GetIconInfo(cursor, &info));
  EXPECT_FALSE(info.fIcon);
  EXPECT_EQ(info.xHotspot, 1u);
  EXPECT_EQ(info.yHotspot, 1u);
  DeleteObject(info.hbmColor);
  DeleteObject(info.hbmMask);
}

TEST(CompiledResources, PictureMenuLayout) {
  HMENU menu = LoadMenuW(self(), MAKEINTRESOURCEW(IDR_PICTURE_MENU));
  ASSERT_TRUE(menu);
  HMENU popup = GetSubMenu(menu, 0);
  ASSERT_TRUE(popup);
  // The commands, the transitions, the motions, the hold time and the
  // caption, the two sorts, then the album files.
  ASSERT_EQ(GetMenuItemCount(popup), 16);
  const UINT later[] = {IDM_HOLD_TIME,    IDM_CAPTION,      0,
                        IDM_SORT_BY_DATE, IDM_SORT_BY_NAME, 0,
                        IDM_OPEN_ALBUM,   IDM_SAVE_ALBUM,   IDM_SAVE_ALBUM_AS};
  for (int i = 0; i < 9; ++i) {
    const int position = PICTURE_MENU_MOTION_POSITION + 1 + i;
    if (later[i] == 0)
      EXPECT_TRUE(GetMenuState(popup, position, MF_BYPOSITION) & MF_SEPARATOR);
    else
      EXPECT_EQ(GetMenuItemID(popup, position), later[i]) << position;
  }
  const UINT commands[] = {IDM_ADD_PICTURES, IDM_COPY_PICTURES, IDM_DELETE_PICTURES, IDM_DELETE_ALL_PICTURES};
  for (int i = 0; i < 4; ++i) EXPECT_EQ(GetMenuItemID(popup, i), commands[i]);
  wchar_t text[64] = {};
  GetMenuStringW(popup, 0, text, 64, MF_BYPOSITION);
  EXPECT_EQ(std::wstring(text), L"添加图片");
  GetMenuStringW(popup, 3, text, 64, MF_BYPOSITION);
  EXPECT_EQ(std::wstring(text), L"删除全部图片");
  EXPECT_TRUE(GetMenuState(popup, 4, MF_BYPOSITION) & MF_SEPARATOR);
  HMENU transitions = GetSubMenu(popup, PICTURE_MENU_TRANSITION_POSITION);
  ASSERT_TRUE(transitions);
  GetMenuStringW(popup, PICTURE_MENU_TRANSITION_POSITION, text, 64, MF_BYPOSITION);
  EXPECT_EQ(std::wstring(text), L"图片切换模式");
  ASSERT_EQ(GetMenuItemCount(transitions), 1);
  EXPECT_TRUE(GetMenuState(transitions, 0, MF_BYPOSITION) & MF_SEPARATOR);
  HMENU motions = GetSubMenu(popup, PICTURE_MENU_MOTION_POSITION);
  ASSERT_TRUE(motions);
  GetMenuStringW(popup, PICTURE_MENU_MOTION_POSITION, text, 64, MF_BYPOSITION);
  EXPECT_EQ(std::wstring(text), L"镜头运动");
  ASSERT_EQ(GetMenuItemCount(motions), 1);
  DestroyMenu(menu);
}

TEST(CompiledResources, MainDialogCreatesEveryControl) {
  initCommonControls();
  WindowHandle dialog(CreateDialogParamW(self(), MAKEINTRESOURCEW(IDD_MAIN), nullptr, nullptr, 0));
  ASSERT_TRUE(dialog) << GetLastError();
  HWND d = dialog.get();
  EXPECT_TRUE(GetWindowLongW(d, GWL_EXSTYLE) & WS_EX_ACCEPTFILES);

  struct Expected {
    int id;
    const wchar_t* cls;
    RECT dlu;
  };
  const Expected controls[] = {
      {IDC_ADD_PICTURES, L"Button", {55, 82, 13, 12}},
      {IDC_COPY_PICTURES, L"Button", {81, 82, 13, 12}},
      {IDC_DELETE_SELECTED, L"Button", {107, 82, 13, 12}},
      {IDC_DELETE_ALL, L"Button", {133, 82, 13, 12}},
      {IDC_CHOOSE_MUSIC, L"Button", {255, 82, 13, 12}},
      {IDC_MUSIC_TOGGLE, L"Button", {281, 82, 13, 12}},
      {IDC_FORGET_MUSIC, L"Button", {307, 82, 13, 12}},
      {IDC_PREVIEW_PLAY, L"Button", {31, 118, 12, 12}},
      {IDC_PREVIEW_STOP, L"Button", {31, 134, 12, 12}},
      {IDC_BACKGROUND_COLOR, L"Button", {254, 154, 12, 12}},
      {IDC_MAKE_ALBUM, L"Button", {71, 218, 50, 14}},
      {IDC_MAKE_SCREENSAVER, L"Button", {127, 218, 47, 14}},
      {IDOK, L"Button", {295, 219, 50, 14}},
      {IDC_ALBUM_WIDTH, L"Edit", {255, 112, 23, 12}},
      {IDC_ALBUM_HEIGHT, L"Edit", {255, 133, 24, 12}},
      {IDC_OUTPUT_PATH, L"Edit", {241, 198, 84, 12}},
      {IDC_OUTPUT_PATH_BROWSE, L"Button", {330, 197, 16, 12}},
      {IDC_PROGRESS, PROGRESS_CLASSW, {26, 245, 327, 6}},
      {IDC_PICTURE_LIST_FRAME, L"Static", {18, 9, 345, 63}},
      {IDC_PREVIEW_HOST, L"Static", {53, 117, 120, 90}},
      {IDC_MUSIC_PLAYER_HOST, L"Static", {0, 0, 7, 6}},
      // the seconds edit and its up-down: the up-down moves itself onto its buddy
      {IDC_SECONDS, L"Edit", {}},
      {IDC_SECONDS_SPIN, UPDOWN_CLASSW, {}},
  };
  for (const Expected& c : controls) {
    HWND control = GetDlgItem(d, c.id);
    ASSERT_TRUE(control) << "control " << c.id;
    wchar_t cls[64] = {};
    GetClassNameW(control, cls, 64);
    EXPECT_EQ(lstrcmpiW(cls, c.cls), 0) << "control " << c.id;
    if (c.dlu.right == 0) continue;
    RECT expected{c.dlu.left, c.dlu.top, c.dlu.left + c.dlu.right, c.dlu.top + c.dlu.bottom};
    MapDialogRect(d, &expected);
    RECT actual;
    GetWindowRect(control, &actual);
    MapWindowPoints(nullptr, d, reinterpret_cast<POINT*>(&actual), 2);
    EXPECT_EQ(actual.left, expected.left) << "control " << c.id;
    EXPECT_EQ(actual.top, expected.top) << "control " << c.id;
  }
  EXPECT_FALSE(IsWindowVisible(GetDlgItem(d, IDC_MUSIC_PLAYER_HOST)));
  EXPECT_FALSE(GetWindowLongW(GetDlgItem(d, IDC_ALBUM_WIDTH), GWL_STYLE) & WS_BORDER);
  // a dialog turns an edit's border into a sunken client edge
  HWND seconds = GetDlgItem(d, IDC_SECONDS);
  EXPECT_TRUE((GetWindowLongW(seconds, GWL_STYLE) & WS_BORDER) ||
              (GetWindowLongW(seconds, GWL_EXSTYLE) & WS_EX_CLIENTEDGE));
  EXPECT_FALSE(GetWindowLongW(GetDlgItem(d, IDC_ALBUM_WIDTH), GWL_EXSTYLE) & WS_EX_CLIENTEDGE);
  EXPECT_EQ(windowText(GetDlgItem(d, IDC_MAKE_ALBUM)), L"生成相册");
  EXPECT_EQ(windowText(GetDlgItem(d, IDC_MAKE_SCREENSAVER)), L"生成屏保");
  EXPECT_EQ(windowText(GetDlgItem(d, IDOK)), L"退出");

  RECT client;
  GetClientRect(d, &client);
  RECT whole{0, 0, 380, 262};
  MapDialogRect(d, &whole);
  EXPECT_EQ(client.right, whole.right);
  EXPECT_EQ(client.bottom, whole.bottom);
}

TEST(CompiledResources, OpenDialogPanelsCreate) {
  for (int id : {IDD_OPEN_PANEL_CLASSIC, IDD_OPEN_PANEL}) {
    HWND owner =
        CreateWindowExW(0, L"Static", L"", WS_POPUP, 0, 0, 400, 400, nullptr, nullptr, self(), nullptr);
    HWND panel = CreateDialogParamW(self(), MAKEINTRESOURCEW(id), owner, nullptr, 0);
    ASSERT_TRUE(panel) << "template " << id;
    for (int control : {IDC_OPEN_STANDARD_AREA, IDC_OPEN_FILE_NAME, IDC_OPEN_WIDTH_LABEL,
                        IDC_OPEN_HEIGHT_LABEL, IDC_OPEN_PREVIEW_BOX, IDC_OPEN_PREVIEW_CHECK})
      EXPECT_TRUE(GetDlgItem(panel, control)) << "template " << id << " control " << control;
    EXPECT_TRUE(GetWindowLongW(panel, GWL_STYLE) & WS_CHILD);
    DestroyWindow(owner);
  }
}

#ifdef SAVERSTUB_COPY
TEST(CompiledResources, CarriedPlayerIsTheBuiltOneWithItsResources) {
  HRSRC found = FindResourceW(self(), MAKEINTRESOURCEW(IDR_SAVERSTUB), L"BIN");
  ASSERT_TRUE(found);
  const DWORD size = SizeofResource(self(), found);
  const auto* bytes = static_cast<const unsigned char*>(LockResource(LoadResource(self(), found)));
  std::vector<unsigned char> built = readFile(SAVERSTUB_COPY);
  ASSERT_FALSE(built.empty()) << SAVERSTUB_COPY;
  ASSERT_EQ(size, built.size());
  EXPECT_TRUE(std::equal(built.begin(), built.end(), bytes));

  // The player's own resources, read from the file as data.
  HMODULE player = LoadLibraryExA(SAVERSTUB_COPY, nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_TRUE(player);
  wchar_t text[64] = {};
  ASSERT_GT(LoadStringW(player, IDS_SAVER_DESCRIPTION, text, 64), 0);
  EXPECT_EQ(std::wstring(text), L"QuorilaFlash屏保");
  EXPECT_TRUE(FindResourceW(player, MAKEINTRESOURCEW(IDI_SAVER), MAKEINTRESOURCEW(14)));  // icon group
  HRSRC dialog = FindResourceW(player, MAKEINTRESOURCEW(IDD_SAVER_CONFIG), MAKEINTRESOURCEW(5));
  ASSERT_TRUE(dialog);
  // DLGTEMPLATEEX: 26 bytes of header, menu and class (empty here), then the title.
  const auto* words = static_cast<const WORD*>(LockResource(LoadResource(player, dialog)));
  ASSERT_EQ(words[1], 0xFFFF);
  const wchar_t* title = reinterpret_cast<const wchar_t*>(words + 13 + 1 + 1);
  EXPECT_EQ(std::wstring(title), L"设置");
  FreeLibrary(player);
}
#endif

#ifdef LANGUAGE_FILE
TEST(CompiledResources, LanguageFileReadsBackInCodePage936) {
  char value[1024] = {};
  GetPrivateProfileStringA("TransitionMode", "10", "", value, sizeof value, LANGUAGE_FILE);
  wchar_t wide[64] = {};
  MultiByteToWideChar(936, 0, value, -1, wide, 64);
  EXPECT_EQ(std::wstring(wide), L"淡入淡出");
  GetPrivateProfileStringA("Font", "DefaultFont", "", value, sizeof value, LANGUAGE_FILE);
  MultiByteToWideChar(936, 0, value, -1, wide, 64);
  EXPECT_EQ(std::wstring(wide), L"宋体");
  EXPECT_EQ(GetPrivateProfileIntA("Font", "PointSize", 0, LANGUAGE_FILE), 90u);
  RECT close{};
  GetPrivateProfileStringA("Skin", "Closebuttion", "", value, sizeof value, LANGUAGE_FILE);
  EXPECT_EQ(std::sscanf(value, "%ld,%ld,%ld,%ld", &close.left, &close.top, &close.right, &close.bottom), 4);
  EXPECT_LT(close.left, close.right);
}
#endif
