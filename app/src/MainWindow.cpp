#include "MainWindow.h"

#include <commctrl.h>

#include <cstdio>

#include "PictureContextMenu.h"
#include "ProgramDirectory.h"
#include "TextConversion.h"
#include "resource.h"

namespace {

// "宋体" in GBK: the label font when the language file names none.
constexpr const char* kDefaultFontFace = "\xCB\xCE\xCC\xE5";

struct ButtonImage {
  int control;
  int bitmap;
};
constexpr ButtonImage kButtonImages[] = {
    {IDC_ADD_PICTURES, IDB_ADD},   {IDC_COPY_PICTURES, IDB_COPY},  {IDC_DELETE_SELECTED, IDB_REMOVE},
    {IDC_DELETE_ALL, IDB_CLEAR},   {IDC_CHOOSE_MUSIC, IDB_FOLDER}, {IDC_MUSIC_TOGGLE, IDB_PLAY},
    {IDC_FORGET_MUSIC, IDB_CLEAR}, {IDC_PREVIEW_PLAY, IDB_PLAY},   {IDC_PREVIEW_STOP, IDB_STOP},
};

// The tooltip of each bitmap button ([String] keys of the language file).
struct Tooltip {
  int control;
  const char* key;
};
constexpr Tooltip kTooltips[] = {
    {IDC_MUSIC_TOGGLE, "PlayMusic"},    {IDC_ADD_PICTURES, "AddPicture"}, {IDC_DELETE_SELECTED, "DelPicture"},
    {IDC_DELETE_ALL, "DelAllPic"},      {IDC_PREVIEW_PLAY, "FlashPause"}, {IDC_PREVIEW_STOP, "FlashStop"},
    {IDC_CHOOSE_MUSIC, "GetMusicPath"}, {IDC_COPY_PICTURES, "CopyPic"},   {IDC_FORGET_MUSIC, "DelMusic"},
    {IDC_MAKE_VIDEO, "MakeVideoTip"},
};

// Posted to itself at the end of initialisation: add the pictures of the
// command line. (WM_APP + 1 tells that a make has ended.)
constexpr UINT kAddStartPictures = WM_APP + 2;
// Posted before it: open the album file of the command line.
constexpr UINT kOpenStartAlbum = WM_APP + 3;

// Where a label goes beside its control.
enum class LabelSide { Before, After, AfterSpin, BeforeLower };
struct Label {
  const char* key;
  int control;
  LabelSide side;
};
constexpr Label kLabels[] = {
    {"AlbumWidth", IDC_ALBUM_WIDTH, LabelSide::Before},
    {"WidthBound", IDC_ALBUM_WIDTH, LabelSide::After},
    {"AlbumHeight", IDC_ALBUM_HEIGHT, LabelSide::Before},
    {"HeightBound", IDC_ALBUM_HEIGHT, LabelSide::After},
    {"BKColor", IDC_BACKGROUND_COLOR, LabelSide::BeforeLower},
    {"PauseTime", IDC_SECONDS, LabelSide::Before},
    {"Second", IDC_SECONDS, LabelSide::AfterSpin},
    {"SavePath", IDC_OUTPUT_PATH, LabelSide::Before},
};

}  // namespace

RECT parseSkinRect(const std::string& text) {
  RECT r{};
  if (std::sscanf(text.c_str(), "%ld,%ld,%ld,%ld", &r.left, &r.top, &r.right, &r.bottom) != 4) return RECT{};
  return r;
}

LRESULT skinHitTest(POINT client, const RECT& minimizeRect, const RECT& closeRect) {
  if (PtInRect(&minimizeRect, client)) return HTMINBUTTON;
  if (PtInRect(&closeRect, client)) return HTCLOSE;
  return HTCAPTION;
}

MainWindow::MainWindow(MainWindowSetup setup)
    : programDir_(setup.programDir.empty() ? programDirectory() : setup.programDir),
      settingsDir_(setup.programDir.empty() ? settingsFolder(programDir_, userDataFolder()) : programDir_),
      startPictures_(std::move(setup.startPictures)),
      startAlbum_(std::move(setup.startAlbum)) {
  language_.selectLanguage(programDir_, settingsDir_);
  loadSettings();
  // Shared icons: loaded once by the system and never destroyed by us.
  HINSTANCE module = GetModuleHandleA(nullptr);
  bigIcon_ =
      static_cast<HICON>(LoadImageA(module, MAKEINTRESOURCEA(IDI_APP), IMAGE_ICON,
                                    GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON), LR_SHARED));
  smallIcon_ =
      static_cast<HICON>(LoadImageA(module, MAKEINTRESOURCEA(IDI_APP), IMAGE_ICON,
                                    GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), LR_SHARED));
}

MainWindow::~MainWindow() = default;

void MainWindow::loadSettings() { settings_ = loadAlbumSettings(settingsDir_); }

void MainWindow::saveSettings() const { saveAlbumSettings(settingsDir_, settings_); }

std::string MainWindow::transitionName(int index) const { return ::transitionName(language_, index); }

namespace {

// An edit field of the ANSI dialog keeps its text in the code page, which
// would lose the characters of a path that the code page lacks: the field is
// made again as a Unicode edit in the same place, style, font and tab order.
void makeUnicodeEdit(HWND dialog, int id) {
  HWND old = GetDlgItem(dialog, id);
  if (!old || IsWindowUnicode(old)) return;
  RECT r{};
  GetWindowRect(old, &r);
  MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
  const auto style = static_cast<DWORD>(GetWindowLongPtrW(old, GWL_STYLE));
  const auto exStyle = static_cast<DWORD>(GetWindowLongPtrW(old, GWL_EXSTYLE));
  const auto font = SendMessageW(old, WM_GETFONT, 0, 0);
  HWND edit =
      CreateWindowExW(exStyle, L"EDIT", L"", style, r.left, r.top, r.right - r.left, r.bottom - r.top, dialog,
                      reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                      reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(dialog, GWLP_HINSTANCE)), nullptr);
  if (!edit) return;
  SendMessageW(edit, WM_SETFONT, static_cast<WPARAM>(font), FALSE);
  SetWindowPos(edit, old, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  DestroyWindow(old);
}

}  // namespace

bool MainWindow::onInitDialog() {
  HWND hwnd = handle();
  makeUnicodeEdit(hwnd, IDC_OUTPUT_PATH);
  if (bigIcon_) SendMessageA(hwnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(bigIcon_));
  if (smallIcon_ || bigIcon_)
    SendMessageA(hwnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_ ? smallIcon_ : bigIcon_));
  swatch_.attach(GetDlgItem(hwnd, IDC_BACKGROUND_COLOR));
  swatch_.setColor(settings_.backgroundColor);
  applySkin();
  drawLabels();
  createPictureList();
  SendDlgItemMessageA(hwnd, IDC_SECONDS_SPIN, UDM_SETRANGE32, 1, 60);
  createTooltips();
  infoTip_.create(hwnd);
  createPreview();
  // A music file must be chosen in each run: a file named by the settings
  // only gives the dialog its folder.
  settings_.musicPath = musicPathToStore(settings_.musicPath);
  putValuesIntoControls();
  // The new album, empty, has no changes to save.
  savedAlbum_ = currentAlbum();
  updateCommandStates();
  installShortcuts();
  // The album and the pictures of the command line are opened once the
  // window shows, so that their thumbnails appear one by one.
  if (!startAlbum_.empty()) PostMessageA(hwnd, kOpenStartAlbum, 0, 0);
  if (!startPictures_.empty()) PostMessageA(hwnd, kAddStartPictures, 0, 0);
  moveFocusToPlayer();
  return false;
}

RECT MainWindow::controlRect(int id) const {
  RECT r{};
  HWND control = GetDlgItem(handle(), id);
  if (!control) return r;
  GetWindowRect(control, &r);
  MapWindowPoints(nullptr, handle(), reinterpret_cast<POINT*>(&r), 2);
  return r;
}

void MainWindow::applySkin() {
  HWND hwnd = handle();
  const std::string skinFolder = programDirectory() + "interface\\";
  BitmapHandle maskBitmap(loadRle8Bitmap(skinFolder + "mainmask.bmp"));
  {
    WindowDC screen(hwnd);
    skin_.adopt(screen.get(), BitmapHandle(loadRle8Bitmap(skinFolder + "mainskin.bmp")));
  }
  if (maskBitmap && skin_ && mask_.loadMask(maskBitmap.get())) {
    RegionHandle region(mask_.buildRegion(RGB(0, 0, 0)));
    if (region) {
      // The mask is in client coordinates; the window region is in
      // window coordinates, so move it by where the client area starts
      // inside the frame.
      POINT origin{0, 0};
      ClientToScreen(hwnd, &origin);
      RECT window{};
      GetWindowRect(hwnd, &window);
      OffsetRgn(region.get(), origin.x - window.left, origin.y - window.top);
      // On success the system owns the region.
      if (SetWindowRgn(hwnd, region.get(), TRUE)) {
        region.release();
        skinned_ = true;
      }
    }
  }
  // Without a skin the dialog keeps its ordinary frame and caption, so it
  // can still be moved and closed.
  if (skinned_) fitLayoutToSkin();

  setButtonImages();

  if (HWND music = GetDlgItem(hwnd, IDC_MUSIC_PLAYER_HOST))
    SetWindowPos(music, nullptr, 0, 0, 1, 1, SWP_NOZORDER | SWP_NOACTIVATE);
  if (HWND preview = GetDlgItem(hwnd, IDC_PREVIEW_HOST)) ShowWindow(preview, SW_HIDE);
  placeholder_.reset(LoadBitmapA(instance(), MAKEINTRESOURCEA(IDB_PREVIEW_PLACEHOLDER)));

  SetDlgItemTextA(hwnd, IDC_MAKE_ALBUM, language_.lookupString("MakeAlbum").c_str());
  SetDlgItemTextA(hwnd, IDC_MAKE_SCREENSAVER, language_.lookupString("MakeSrceensavers").c_str());
  SetDlgItemTextA(hwnd, IDC_MAKE_VIDEO, language_.lookupString("MakeVideo").c_str());
  // The template's caption ("退出") stays unless the language file has a
  // word of its own for the exit button.
  const std::string exitCaption = language_.lookupString("ExitButton");
  if (exitCaption != "ExitButton") SetDlgItemTextA(hwnd, IDOK, exitCaption.c_str());

  closeRect_ = parseSkinRect(language_.lookupValue("Skin", "Closebuttion"));
  minimizeRect_ = parseSkinRect(language_.lookupValue("Skin", "MinButton"));
}

// The skin is a picture of fixed size, drawn for the dialog's font at 96
// dots per inch, while the controls are placed in dialog units, which grow
// with the font that is really used (another size, another DPI, a stand-in
// face). Each control is therefore placed where the skin expects it: its
// template rectangle (recovered from the dialog units in use) scaled by the
// skin's pixels per dialog unit, and the client area is made the skin's size.
void MainWindow::fitLayoutToSkin() {
  HWND hwnd = handle();
  if (!skin_) return;
  const SIZE skin{skin_.width(), skin_.height()};
  RECT unit{0, 0, 4000, 8000};  // large, so that the ratios are exact enough
  MapDialogRect(hwnd, &unit);
  RECT client{};
  GetClientRect(hwnd, &client);
  if (unit.right <= 0 || unit.bottom <= 0) return;
  // Dialog units from pixels in use, rounded to the whole units of the template.
  auto dluX = [&](LONG px) { return MulDiv(px, 4000, unit.right); };
  auto dluY = [&](LONG px) { return MulDiv(px, 8000, unit.bottom); };
  const int templateWidth = dluX(client.right);
  const int templateHeight = dluY(client.bottom);
  if (templateWidth <= 0 || templateHeight <= 0) return;
  auto skinX = [&](int dlu) { return MulDiv(dlu, skin.cx, templateWidth); };
  auto skinY = [&](int dlu) { return MulDiv(dlu, skin.cy, templateHeight); };
  if (skinX(templateWidth) == client.right && skinY(templateHeight) == client.bottom) return;

  for (HWND child = GetWindow(hwnd, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    RECT r{};
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, hwnd, reinterpret_cast<POINT*>(&r), 2);
    const int left = skinX(dluX(r.left));
    const int top = skinY(dluY(r.top));
    MoveWindow(child, left, top, skinX(dluX(r.right)) - left, skinY(dluY(r.bottom)) - top, FALSE);
  }
  // Grow or shrink the window by the difference between client and skin.
  RECT window{};
  GetWindowRect(hwnd, &window);
  SetWindowPos(hwnd, nullptr, 0, 0, window.right - window.left + skin.cx - client.right,
               window.bottom - window.top + skin.cy - client.bottom,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// The glyphs are drawn on light grey, which becomes the button face colour.
BitmapHandle MainWindow::loadGlyph(int bitmapId) const {
  return BitmapHandle(static_cast<HBITMAP>(
      LoadImageA(instance(), MAKEINTRESOURCEA(bitmapId), IMAGE_BITMAP, 0, 0, LR_LOADMAP3DCOLORS)));
}

void MainWindow::setButtonImages() {
  flatButtons_.clear();
  buttonImages_.clear();
  for (const auto& b : kButtonImages) {
    auto button = std::make_unique<FlatBitmapButton>();
    if (!button->attach(GetDlgItem(handle(), b.control))) continue;
    BitmapHandle image = loadGlyph(b.bitmap);
    if (image) {
      button->setGlyph(image.get());
      buttonImages_.push_back(std::move(image));
    }
    flatButtons_.push_back(std::move(button));
  }
}

void MainWindow::drawLabels() {
  if (!skin_) return;
  HDC dc = skin_.dc();
  std::string face = language_.lookupValue("Font", "DefaultFont");
  if (face == "DefaultFont") face = kDefaultFontFace;
  const int tenths = language_.lookupInt("Font", "PointSize", 90);
  LOGFONTA lf{};
  lf.lfHeight = -MulDiv(tenths, GetDeviceCaps(dc, LOGPIXELSY), 720);
  lf.lfCharSet = DEFAULT_CHARSET;
  lstrcpynA(lf.lfFaceName, face.c_str(), LF_FACESIZE);
  FontHandle font(CreateFontIndirectA(&lf));
  SelectGuard selectFont(dc, font ? static_cast<HGDIOBJ>(font.get()) : GetStockObject(DEFAULT_GUI_FONT));
  SetBkMode(dc, TRANSPARENT);

  const RECT spin = controlRect(IDC_SECONDS_SPIN);
  for (const auto& label : kLabels) {
    const std::string text = language_.lookupString(label.key);
    SIZE size{};
    GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &size);
    const RECT r = controlRect(label.control);
    int x = r.left - size.cx;
    int y = r.top;
    switch (label.side) {
      case LabelSide::Before:
        break;
      case LabelSide::BeforeLower:
        y += 4;
        break;
      case LabelSide::After:
        x = r.right + 2;
        break;
      case LabelSide::AfterSpin:
        x = r.right + (spin.right - spin.left);
        break;
    }
    TextOutA(dc, x, y, text.c_str(), static_cast<int>(text.size()));
  }
}

void MainWindow::createPictureList() {
  HWND hwnd = handle();
  HWND frame = GetDlgItem(hwnd, IDC_PICTURE_LIST_FRAME);
  // The list takes the frame's place; the frame itself is not shown.
  const RECT rect = controlRect(IDC_PICTURE_LIST_FRAME);
  if (frame) ShowWindow(frame, SW_HIDE);
  pictureList_.create(PictureListArgs{hwnd, rect, IDC_PICTURE_LIST, instance()});
  // Thirteen 14 x 14 marks side by side, their background drawn transparent;
  // the list keeps a copy.
  ImageListHandle transitionMarks(ImageList_Create(TRANSITION_MARK_SIZE, TRANSITION_MARK_SIZE,
                                                   ILC_COLOR24 | ILC_MASK, TRANSITION_MARK_COUNT, 1));
  BitmapHandle marks(LoadBitmapA(instance(), MAKEINTRESOURCEA(IDB_TRANSITION_MARKS)));
  if (transitionMarks && marks) ImageList_AddMasked(transitionMarks.get(), marks.get(), TRANSITION_MARK_MASK);
  pictureList_.setTransitionImages(transitionMarks.get());
}

void MainWindow::createTooltips() {
  HWND hwnd = handle();
  tooltip_ = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                             CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, hwnd, nullptr,
                             instance(), nullptr);
  if (!tooltip_) return;
  // Paths shown as tips can be long: let them wrap.
  SendMessageA(tooltip_, TTM_SETMAXTIPWIDTH, 0, 400);
  for (const auto& tip : kTooltips) setTooltip(tip.control, language_.lookupString(tip.key));
}

// The tip of a button, replaced when it has one: the tool is removed and
// added again with the text.
void MainWindow::setTooltip(int control, const std::string& text) { setTooltip(control, wideFromAnsi(text)); }

void MainWindow::setTooltip(int control, const std::wstring& text) {
  HWND button = GetDlgItem(handle(), control);
  if (!tooltip_ || !button) return;
  TTTOOLINFOW tool{};
  // The size that every version of the common controls accepts.
  tool.cbSize = TTTOOLINFOW_V2_SIZE;
  tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  tool.hwnd = handle();
  tool.uId = reinterpret_cast<UINT_PTR>(button);
  SendMessageW(tooltip_, TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
  std::wstring copy = text;
  tool.lpszText = copy.data();
  SendMessageW(tooltip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
}

void MainWindow::putValuesIntoControls() {
  HWND hwnd = handle();
  SetDlgItemInt(hwnd, IDC_ALBUM_WIDTH, static_cast<UINT>(settings_.albumWidth), TRUE);
  SetDlgItemInt(hwnd, IDC_ALBUM_HEIGHT, static_cast<UINT>(settings_.albumHeight), TRUE);
  SetDlgItemInt(hwnd, IDC_SECONDS, static_cast<UINT>(settings_.pauseSeconds), TRUE);
  setWindowTextUtf8(GetDlgItem(hwnd, IDC_OUTPUT_PATH), settings_.savePath);
}

// Reads the fields into `into`; a field that does not hold a number keeps
// the value it had, and the result is false.
bool MainWindow::readFields(AlbumSettings* into) const {
  HWND hwnd = handle();
  bool all = true;
  auto takeInt = [hwnd, &all](int id, int& value) {
    BOOL ok = FALSE;
    const int v = static_cast<int>(GetDlgItemInt(hwnd, id, &ok, TRUE));
    if (ok)
      value = v;
    else
      all = false;
  };
  takeInt(IDC_ALBUM_WIDTH, into->albumWidth);
  takeInt(IDC_ALBUM_HEIGHT, into->albumHeight);
  takeInt(IDC_SECONDS, into->pauseSeconds);
  into->savePath = windowTextUtf8(GetDlgItem(hwnd, IDC_OUTPUT_PATH));
  return all;
}

bool MainWindow::takeValuesFromControls() { return readFields(&settings_); }

void MainWindow::paint() {
  HWND hwnd = handle();
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd, &ps);
  if (IsIconic(hwnd)) {
    RECT client{};
    GetClientRect(hwnd, &client);
    DrawIcon(dc, (client.right - GetSystemMetrics(SM_CXICON) + 1) / 2,
             (client.bottom - GetSystemMetrics(SM_CYICON) + 1) / 2, bigIcon_);
  } else {
    RECT window{};
    GetWindowRect(hwnd, &window);
    BitBlt(dc, 0, 0, window.right - window.left, window.bottom - window.top, skin_.dc(), 0, 0, SRCCOPY);
    HWND preview = GetDlgItem(hwnd, IDC_PREVIEW_HOST);
    if (placeholder_ && preview && !IsWindowVisible(preview)) {
      const RECT r = controlRect(IDC_PREVIEW_HOST);
      BITMAP bm{};
      GetObject(placeholder_.get(), sizeof bm, &bm);
      MemoryDC source(dc);
      SelectGuard select(source.get(), placeholder_.get());
      SetStretchBltMode(dc, HALFTONE);
      SetBrushOrgEx(dc, 0, 0, nullptr);
      StretchBlt(dc, r.left, r.top, r.right - r.left, r.bottom - r.top, source.get(), 0, 0, bm.bmWidth,
                 bm.bmHeight, SRCCOPY);
    }
  }
  EndPaint(hwnd, &ps);
}

// -- commands ------------------------------------------------------------------

const MainWindow::Command MainWindow::kCommands[] = {
    {IDC_ADD_PICTURES, BN_CLICKED, &MainWindow::addPicturesFromDialog, true},
    {IDM_ADD_PICTURES, 0, &MainWindow::addPicturesFromDialog, true},
    {IDC_COPY_PICTURES, BN_CLICKED, &MainWindow::copyPictures, true},
    {IDM_COPY_PICTURES, 0, &MainWindow::copyPictures, true},
    {IDC_DELETE_SELECTED, BN_CLICKED, &MainWindow::deleteSelectedPictures, true},
    {IDM_DELETE_PICTURES, 0, &MainWindow::deleteSelectedPictures, true},
    {IDC_DELETE_ALL, BN_CLICKED, &MainWindow::deleteAllPictures, true},
    {IDM_DELETE_ALL_PICTURES, 0, &MainWindow::deleteAllPictures, true},
    {IDC_CHOOSE_MUSIC, BN_CLICKED, &MainWindow::chooseMusic, true},
    {IDC_MUSIC_TOGGLE, BN_CLICKED, &MainWindow::musicToggle, true},
    {IDC_FORGET_MUSIC, BN_CLICKED, &MainWindow::forgetMusic, true},
    {IDC_PREVIEW_PLAY, BN_CLICKED, &MainWindow::previewPlay, true},
    {IDC_PREVIEW_STOP, BN_CLICKED, &MainWindow::previewStop, true},
    {IDC_BACKGROUND_COLOR, BN_CLICKED, &MainWindow::chooseColor, true},
    {IDC_OUTPUT_PATH_BROWSE, BN_CLICKED, &MainWindow::chooseSavePath, true},
    {IDC_MAKE_ALBUM, BN_CLICKED, &MainWindow::makeAlbum, true},
    {IDC_MAKE_SCREENSAVER, BN_CLICKED, &MainWindow::makeScreensaver, true},
    {IDC_MAKE_VIDEO, BN_CLICKED, &MainWindow::makeVideo, true},
    {IDOK, BN_CLICKED, &MainWindow::exitWithValues, false},
    {IDCANCEL, BN_CLICKED, &MainWindow::closeWithoutValues, false},
    {IDC_ALBUM_WIDTH, EN_KILLFOCUS, &MainWindow::checkWidth, false},
    {IDC_ALBUM_HEIGHT, EN_KILLFOCUS, &MainWindow::checkHeight, false},
    // Album files and hold times: from the menu (0) or the keyboard (1).
    {IDM_OPEN_ALBUM, 0, &MainWindow::openAlbumFromDialog, true},
    {IDM_OPEN_ALBUM, 1, &MainWindow::openAlbumFromDialog, true},
    {IDM_SAVE_ALBUM, 0, &MainWindow::saveAlbum, true},
    {IDM_SAVE_ALBUM, 1, &MainWindow::saveAlbum, true},
    {IDM_SAVE_ALBUM_AS, 0, &MainWindow::saveAlbumAs, true},
    {IDM_SAVE_ALBUM_AS, 1, &MainWindow::saveAlbumAs, true},
    {IDM_HOLD_TIME, 0, &MainWindow::chooseHoldTime, true},
    {IDM_CAPTION, 0, &MainWindow::chooseCaption, true},
    {IDM_SORT_BY_DATE, 0, &MainWindow::sortPicturesByDate, true},
    {IDM_SORT_BY_NAME, 0, &MainWindow::sortPicturesByName, true},
    // A field typed in may change the album: the title's mark follows.
    {IDC_ALBUM_WIDTH, EN_CHANGE, &MainWindow::refreshTitle, false},
    {IDC_ALBUM_HEIGHT, EN_CHANGE, &MainWindow::refreshTitle, false},
    {IDC_SECONDS, EN_CHANGE, &MainWindow::refreshTitle, false},
    {IDC_OUTPUT_PATH, EN_CHANGE, &MainWindow::refreshTitle, false},
};

bool MainWindow::routeCommand(int id, WORD notification) {
  if (id >= IDM_TRANSITION_FIRST && id <= IDM_TRANSITION_LAST && notification == 0) {
    setTransitionOfSelected(id - IDM_TRANSITION_FIRST);
    return true;
  }
  if (const auto motion = motionOfCommand(static_cast<UINT>(id)); motion && notification == 0) {
    setMotionOfSelected(*motion);
    return true;
  }
  for (const Command& command : kCommands) {
    if (command.id != id || command.notification != notification) continue;
    (this->*command.run)();
    if (command.focusToPlayer && handle()) moveFocusToPlayer();
    return true;
  }
  return false;
}

void MainWindow::moveFocusToPlayer() {
  if (HWND player = GetDlgItem(handle(), IDC_MUSIC_PLAYER_HOST)) SetFocus(player);
}

// Both ways out (Escape and the close button end the dialog as a cancel)
// first ask whether unsaved changes of the album are to be saved.
void MainWindow::exitWithValues() {
  if (!confirmDiscardChanges()) return;
  cancelMake();
  takeValuesFromControls();
  closing_ = true;
  endDialog(IDOK);
}

void MainWindow::closeWithoutValues() {
  if (!confirmDiscardChanges()) return;
  cancelMake();
  closing_ = true;
  endDialog(IDCANCEL);
}

// -- state of the buttons ----------------------------------------------------------

// Every button is enabled exactly while it has something to act on: the
// delete and copy buttons while pictures are selected, delete all, make
// album and make video while there are pictures, the two music buttons while
// a music file is chosen. The make-screensaver button works on the movie
// already made and is enabled whenever no make runs.
void MainWindow::updateCommandStates() {
  HWND hwnd = handle();
  const bool anyPictures = pictureList_.entryCount() > 0;
  const bool anySelected = pictureList_.anySelected();
  const bool music = musicFileChosen(settings_.musicPath);
  auto enable = [hwnd](int id, bool on) {
    HWND control = GetDlgItem(hwnd, id);
    if (control && (IsWindowEnabled(control) != FALSE) != on) EnableWindow(control, on);
  };
  enable(IDC_DELETE_SELECTED, anySelected);
  enable(IDC_COPY_PICTURES, anySelected);
  enable(IDC_DELETE_ALL, anyPictures);
  enable(IDC_MAKE_ALBUM, anyPictures && !making());
  enable(IDC_MAKE_VIDEO, anyPictures && !making());
  enable(IDC_MAKE_SCREENSAVER, !making());
  enable(IDC_MUSIC_TOGGLE, music);
  enable(IDC_FORGET_MUSIC, music);
  refreshTitle();
}

// -- progress ------------------------------------------------------------------------

void MainWindow::beginProgress() {
  progressCounter_ = 0;
  SendDlgItemMessageA(handle(), IDC_PROGRESS, PBM_SETRANGE32, 0, 20);
  SendDlgItemMessageA(handle(), IDC_PROGRESS, PBM_SETPOS, 0, 0);
}

// With a total, the position is done * 10 / total (the first half of the
// bar, for the music); without one, each call is one picture done, and the
// bar moves one step every pictures / 4 + 1 pictures.
void MainWindow::stepProgress(int done, int total) {
  HWND bar = GetDlgItem(handle(), IDC_PROGRESS);
  if (!bar) return;
  if (total != 0) {
    SendMessageA(bar, PBM_SETPOS, static_cast<WPARAM>(static_cast<long long>(done) * 10 / total), 0);
    return;
  }
  const int n = progressCounter_++;
  const int every = pictureList_.entryCount() / 4 + 1;
  if (n % every == 0) SendMessageA(bar, PBM_DELTAPOS, 1, 0);
}

// -- messages --------------------------------------------------------------------

bool MainWindow::handleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  HWND hwnd = handle();
  switch (message) {
    case WM_PAINT:
      if (!skin_) return false;
      paint();
      return true;
    case WM_ERASEBKGND:
      if (!skin_) return false;
      *result = TRUE;  // the skin covers the whole client area
      return true;
    case WM_DRAWITEM: {
      const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
      if (!item || item->CtlType != ODT_BUTTON) return false;
      for (const auto& button : flatButtons_) {
        if (button->handle() != item->hwndItem) continue;
        button->draw(*item);
        *result = TRUE;
        return true;
      }
      return false;
    }
    case WM_QUERYDRAGICON:
      *result = reinterpret_cast<LRESULT>(bigIcon_);
      return true;
    case WM_NCHITTEST: {
      if (!skinned_) return false;
      POINT p{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
      ScreenToClient(hwnd, &p);
      *result = skinHitTest(p, minimizeRect_, closeRect_);
      return true;
    }
    case WM_NCLBUTTONDOWN:
      // The skin's buttons act on release only; swallowing the press keeps
      // the system from tracking them as frame buttons.
      if (skinned_ && (wParam == HTMINBUTTON || wParam == HTCLOSE)) return true;
      return false;
    case WM_NCLBUTTONUP:
      if (!skinned_) return false;
      if (wParam == HTMINBUTTON) {
        ShowWindow(hwnd, SW_MINIMIZE);
        return true;
      }
      if (wParam == HTCLOSE) {
        PostMessageA(hwnd, WM_CLOSE, 0, 0);
        return true;
      }
      return false;
    case WM_COMMAND:
      return routeCommand(LOWORD(wParam), HIWORD(wParam));
    case WM_DROPFILES:
      onDropFiles(reinterpret_cast<HDROP>(wParam));
      return true;
    case WM_MOUSEWHEEL: {
      // The wheel goes to the focus, which is never the strip: the strip
      // scrolls when the pointer is over it.
      RECT list{};
      GetWindowRect(pictureList_.handle(), &list);
      const POINT p{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
      if (!PtInRect(&list, p)) return false;
      pictureList_.scrollByWheel(GET_WHEEL_DELTA_WPARAM(wParam));
      return true;
    }
    case PictureListNotify:
      onPictureListNotify(wParam, POINT{LOWORD(lParam), HIWORD(lParam)});
      return true;
    // From the music encoder and the make-album command: wParam = done,
    // lParam = total (0: one more step of a counted run).
    case EncodeProgress:
      stepProgress(static_cast<int>(wParam), static_cast<int>(lParam));
      return true;
    case kOpenStartAlbum: {
      const std::wstring album = std::move(startAlbum_);
      startAlbum_.clear();
      openAlbumFile(utf8FromWide(album));
      return true;
    }
    case kAddStartPictures: {
      const auto pictures = std::move(startPictures_);
      startPictures_.clear();
      addPictureFiles(pictures);
      return true;
    }
    case WM_TIMER:
      if (wParam == kMusicEndTimer) {
        onMusicEndTimer();
        return true;
      }
      if (wParam != kInfoTipTimer) return false;
      onInfoTipTimer();
      return true;
    case kMakeFinishedMessage:
      onMakeFinished();
      return true;
    case WM_DESTROY:
      cancelMake();
      music_.halt();
      closing_ = true;
      KillTimer(hwnd, kInfoTipTimer);
      KillTimer(hwnd, kMusicEndTimer);
      removeShortcuts();
      saveSettings();
      return false;
    default:
      return false;
  }
}
