#include "MainWindow.h"

#include <commctrl.h>

#include <cstdio>

#include "ProgramDirectory.h"
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

// Buttons that have nothing to act on until pictures or music are chosen.
constexpr int kInitiallyDisabled[] = {IDC_DELETE_SELECTED, IDC_DELETE_ALL,   IDC_COPY_PICTURES,
                                      IDC_MUSIC_TOGGLE,    IDC_FORGET_MUSIC, IDC_MAKE_ALBUM};

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

MainWindow::MainWindow() {
  language_.selectLanguage();
  loadSettings();
  tipPictureIndex_ = -1;
  bigIcon_ = LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_APP));
  smallIcon_ =
      static_cast<HICON>(LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_APP), IMAGE_ICON,
                                    GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0));
}

MainWindow::~MainWindow() {
  if (skinDC_ && skinDCPrevious_) SelectObject(skinDC_.get(), skinDCPrevious_);
}

void MainWindow::loadSettings() { settings_ = loadAlbumSettings(programDirectory()); }

void MainWindow::saveSettings() const { saveAlbumSettings(programDirectory(), settings_); }

std::string MainWindow::transitionName(int index) const { return ::transitionName(language_, index); }

bool MainWindow::onInitDialog() {
  HWND hwnd = handle();
  if (bigIcon_) SendMessageA(hwnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(bigIcon_));
  if (smallIcon_ || bigIcon_)
    SendMessageA(hwnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_ ? smallIcon_ : bigIcon_));
  setSwatchColor(settings_.backgroundColor);
  applySkin();
  drawLabels();
  SendDlgItemMessageA(hwnd, IDC_SECONDS_SPIN, UDM_SETRANGE32, 1, 60);
  putValuesIntoControls();
  return true;
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
  skin_.reset(loadRle8Bitmap(skinFolder + "mainskin.bmp"));
  if (maskBitmap && skin_ && mask_.loadMask(maskBitmap.get())) {
    if (HRGN region = mask_.buildRegion(RGB(0, 0, 0))) {
      // The mask is in client coordinates; the window region is in
      // window coordinates, so move it by where the client area starts
      // inside the frame.
      POINT origin{0, 0};
      ClientToScreen(hwnd, &origin);
      RECT window{};
      GetWindowRect(hwnd, &window);
      OffsetRgn(region, origin.x - window.left, origin.y - window.top);
      if (SetWindowRgn(hwnd, region, TRUE)) {
        skinned_ = true;
      } else {
        DeleteObject(region);
      }
    }
  }
  // Without a skin the dialog keeps its ordinary frame and caption, so it
  // can still be moved and closed.
  if (skinned_) fitLayoutToSkin();
  if (skin_) {
    WindowDC screen(hwnd);
    skinDC_ = MemoryDC(screen.get());
    skinDCPrevious_ = SelectObject(skinDC_.get(), skin_.get());
  }

  setButtonImages();

  if (HWND music = GetDlgItem(hwnd, IDC_MUSIC_PLAYER_HOST))
    SetWindowPos(music, nullptr, 0, 0, 1, 1, SWP_NOZORDER | SWP_NOACTIVATE);
  if (HWND preview = GetDlgItem(hwnd, IDC_PREVIEW_HOST)) ShowWindow(preview, SW_HIDE);
  placeholder_.reset(LoadBitmapA(instance(), MAKEINTRESOURCEA(IDB_PREVIEW_PLACEHOLDER)));

  for (int id : kInitiallyDisabled) EnableWindow(GetDlgItem(hwnd, id), FALSE);
  SetDlgItemTextA(hwnd, IDC_MAKE_ALBUM, language_.lookupString("MakeAlbum").c_str());
  SetDlgItemTextA(hwnd, IDC_MAKE_SCREENSAVER, language_.lookupString("MakeSrceensavers").c_str());

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
  BITMAP skin{};
  if (!GetObject(skin_.get(), sizeof skin, &skin)) return;
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
  auto skinX = [&](int dlu) { return MulDiv(dlu, skin.bmWidth, templateWidth); };
  auto skinY = [&](int dlu) { return MulDiv(dlu, skin.bmHeight, templateHeight); };
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
  SetWindowPos(hwnd, nullptr, 0, 0, window.right - window.left + skin.bmWidth - client.right,
               window.bottom - window.top + skin.bmHeight - client.bottom,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void MainWindow::setButtonImages() {
  flatButtons_.clear();
  buttonImages_.clear();
  for (const auto& b : kButtonImages) {
    auto button = std::make_unique<FlatBitmapButton>();
    if (!button->attach(GetDlgItem(handle(), b.control))) continue;
    // The glyphs are drawn on light grey, which becomes the button face colour.
    BitmapHandle image(static_cast<HBITMAP>(
        LoadImageA(instance(), MAKEINTRESOURCEA(b.bitmap), IMAGE_BITMAP, 0, 0, LR_LOADMAP3DCOLORS)));
    if (image) {
      button->setGlyph(image.get());
      buttonImages_.push_back(std::move(image));
    }
    flatButtons_.push_back(std::move(button));
  }
}

void MainWindow::setSwatchColor(COLORREF colour) {
  HWND button = GetDlgItem(handle(), IDC_BACKGROUND_COLOR);
  if (!button) return;
  RECT r{};
  GetClientRect(button, &r);
  WindowDC screen(button);
  BitmapHandle image(CreateCompatibleBitmap(screen.get(), r.right, r.bottom));
  if (!image) return;
  {
    MemoryDC dc(screen.get());
    SelectGuard select(dc.get(), image.get());
    BrushHandle brush(CreateSolidBrush(colour));
    FillRect(dc.get(), &r, brush.get());
  }
  SendMessageA(button, BM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(image.get()));
  swatchImage_ = std::move(image);
}

void MainWindow::drawLabels() {
  if (!skinDC_) return;
  HDC dc = skinDC_.get();
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

void MainWindow::putValuesIntoControls() {
  HWND hwnd = handle();
  SetDlgItemInt(hwnd, IDC_ALBUM_WIDTH, static_cast<UINT>(settings_.albumWidth), TRUE);
  SetDlgItemInt(hwnd, IDC_ALBUM_HEIGHT, static_cast<UINT>(settings_.albumHeight), TRUE);
  SetDlgItemInt(hwnd, IDC_SECONDS, static_cast<UINT>(settings_.pauseSeconds), TRUE);
  SetDlgItemTextA(hwnd, IDC_OUTPUT_PATH, settings_.savePath.c_str());
}

void MainWindow::takeValuesFromControls() {
  HWND hwnd = handle();
  // A field that does not hold a number keeps the value it had.
  auto takeInt = [hwnd](int id, int& value) {
    BOOL ok = FALSE;
    const int v = static_cast<int>(GetDlgItemInt(hwnd, id, &ok, TRUE));
    if (ok) value = v;
  };
  takeInt(IDC_ALBUM_WIDTH, settings_.albumWidth);
  takeInt(IDC_ALBUM_HEIGHT, settings_.albumHeight);
  takeInt(IDC_SECONDS, settings_.pauseSeconds);
  char path[MAX_PATH] = {};
  GetDlgItemTextA(hwnd, IDC_OUTPUT_PATH, path, MAX_PATH);
  settings_.savePath = path;
}

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
    BitBlt(dc, 0, 0, window.right - window.left, window.bottom - window.top, skinDC_.get(), 0, 0, SRCCOPY);
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

bool MainWindow::handleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  HWND hwnd = handle();
  switch (message) {
    case WM_PAINT:
      if (!skinDC_) return false;
      paint();
      return true;
    case WM_ERASEBKGND:
      if (!skinDC_) return false;
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
      switch (LOWORD(wParam)) {
        case IDOK:
          takeValuesFromControls();
          EndDialog(hwnd, IDOK);
          return true;
        case IDCANCEL:
          EndDialog(hwnd, IDCANCEL);
          return true;
        default:
          return false;
      }
    case WM_DESTROY:
      saveSettings();
      return false;
    default:
      return false;
  }
}
