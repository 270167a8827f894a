#include "PictureOpenDialog.h"

#include <commctrl.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "GdiHandles.h"
#include "LanguageFormat.h"
#include "ProgramDirectory.h"
#include "TextConversion.h"
#include "resource.h"

// -- version of the common-dialog library ------------------------------------

bool FileVersionInfo::load(const std::string& moduleName) {
  data_.clear();
  fixed_ = VS_FIXEDFILEINFO{};
  language_ = 0;
  codePage_ = 1252;
  HMODULE module = LoadLibraryA(moduleName.c_str());
  if (!module) return false;
  char file[MAX_PATH] = {};
  const DWORD length = GetModuleFileNameA(module, file, MAX_PATH);
  FreeLibrary(module);
  if (length == 0 || length >= MAX_PATH) return false;

  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeA(file, &ignored);
  if (size == 0) return false;
  data_.assign(size, '\0');
  if (!GetFileVersionInfoA(file, 0, size, data_.data())) {
    data_.clear();
    return false;
  }
  void* block = nullptr;
  UINT blockSize = 0;
  if (VerQueryValueA(data_.data(), "\\", &block, &blockSize) && blockSize >= sizeof fixed_)
    fixed_ = *static_cast<const VS_FIXEDFILEINFO*>(block);
  if (VerQueryValueA(data_.data(), "\\VarFileInfo\\Translation", &block, &blockSize) && blockSize >= 4) {
    const auto* pair = static_cast<const WORD*>(block);
    language_ = pair[0];
    codePage_ = pair[1];
  }
  return fixed_.dwSignature == 0xFEEF04BD;
}

std::string FileVersionInfo::stringValue(const std::string& name) const {
  if (data_.empty()) return "";
  char query[128];
  std::snprintf(query, sizeof query, "\\StringFileInfo\\%04x%04x\\%s", language_, codePage_, name.c_str());
  void* value = nullptr;
  UINT length = 0;
  if (!VerQueryValueA(data_.data(), query, &value, &length) || !value || length == 0) return "";
  return std::string(static_cast<const char*>(value), strnlen(static_cast<const char*>(value), length));
}

int compareVersions(const std::string& a, const std::string& b) {
  std::size_t i = 0, j = 0;
  while (i < a.size() || j < b.size()) {
    auto component = [](const std::string& s, std::size_t& at) {
      long value = 0;
      while (at < s.size() && std::isdigit(static_cast<unsigned char>(s[at])))
        value = std::min(value * 10 + (s[at++] - '0'), 100000000L);
      const auto dot = s.find('.', at);
      at = dot == std::string::npos ? s.size() : dot + 1;
      return value;
    };
    const long x = component(a, i), y = component(b, j);
    if (x != y) return x < y ? -1 : 1;
  }
  return 0;
}

// -- fitting the preview -----------------------------------------------------------

SIZE fitPicture(int w, int h, int boxWidth, int boxHeight, bool force) {
  if (w <= 0 || h <= 0 || boxWidth <= 0 || boxHeight <= 0) return SIZE{1, 1};
  if (!force && w < boxWidth && h < boxHeight) return SIZE{w, h};
  // The picture's sides in thousandths, so that the ratios keep three
  // decimals in integer arithmetic.
  const long long W = 1000LL * w, H = 1000LL * h;
  const long long perColumn = W / boxWidth, perRow = H / boxHeight;
  long long outW, outH;
  if (perColumn == 0 || perRow == 0) {
    // A box more than a thousand times the picture: the ratios above would
    // be zero (and divide by it); the exact fit instead.
    if (1LL * w * boxHeight > 1LL * h * boxWidth) {
      outW = boxWidth;
      outH = 1LL * h * boxWidth / w;
    } else {
      outW = 1LL * w * boxHeight / h;
      outH = boxHeight;
    }
  } else if (boxHeight * perColumn < H) {
    outW = W / perRow;
    outH = boxHeight;
  } else {
    outW = boxWidth;
    outH = H / perColumn;
  }
  return SIZE{static_cast<LONG>(std::clamp<long long>(outW, 1, boxWidth)),
              static_cast<LONG>(std::clamp<long long>(outH, 1, boxHeight))};
}

// -- the preview pane ------------------------------------------------------------

namespace {
// The id of this subclass among the control's subclasses.
constexpr UINT_PTR kPaneSubclassId = 1;
}  // namespace

bool PreviewPane::attach(HWND control) {
  if (!control || hwnd_) return false;
  if (!SetWindowSubclass(control, &PreviewPane::subclassProc, kPaneSubclassId,
                         reinterpret_cast<DWORD_PTR>(this)))
    return false;
  hwnd_ = control;
  return true;
}

void PreviewPane::detach() {
  if (!hwnd_) return;
  if (IsWindow(hwnd_)) RemoveWindowSubclass(hwnd_, &PreviewPane::subclassProc, kPaneSubclassId);
  hwnd_ = nullptr;
  picture_.release();
}

bool PreviewPane::show(const std::string& path, SIZE box) {
  PictureLoadOptions options;
  options.fitWidth = box.cx;
  options.fitHeight = box.cy;
  options.background = GetSysColor(COLOR_BTNFACE);
  const bool loaded = picture_.load(path, options);
  if (hwnd_) InvalidateRect(hwnd_, nullptr, TRUE);
  return loaded;
}

void PreviewPane::clear() {
  picture_.release();
  if (!hwnd_) return;
  InvalidateRect(hwnd_, nullptr, TRUE);
  UpdateWindow(hwnd_);
}

LRESULT CALLBACK PreviewPane::subclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                           DWORD_PTR self) {
  auto* pane = reinterpret_cast<PreviewPane*>(self);
  if (!pane || pane->hwnd_ != hwnd) return DefSubclassProc(hwnd, message, wParam, lParam);
  return pane->onMessage(message, wParam, lParam);
}

LRESULT PreviewPane::onMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_ERASEBKGND: {
      RECT client{};
      GetClientRect(hwnd_, &client);
      FillRect(reinterpret_cast<HDC>(wParam), &client, GetSysColorBrush(COLOR_BTNFACE));
      return TRUE;
    }
    case WM_PAINT: {
      if (!picture_.isLoaded()) break;
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd_, &ps);
      RECT client{};
      GetClientRect(hwnd_, &client);
      picture_.render(dc, client);
      EndPaint(hwnd_, &ps);
      return 0;
    }
    case WM_NCDESTROY: {
      HWND hwnd = hwnd_;
      detach();
      return DefSubclassProc(hwnd, message, wParam, lParam);
    }
    default:
      break;
  }
  return DefSubclassProc(hwnd_, message, wParam, lParam);
}

// -- the dialog ------------------------------------------------------------------

int PictureOpenDialog::panelTemplateFor(const std::string& productVersion) {
  return compareVersions(productVersion, "5.0") < 0 ? IDD_OPEN_PANEL_CLASSIC : IDD_OPEN_PANEL;
}

bool PictureOpenDialog::run(OPENFILENAMEW params) {
  FileVersionInfo version;
  const std::string productVersion =
      version.load("ComDlg32.dll") ? version.stringValue("ProductVersion") : std::string();
  const int panel = panelTemplateFor(productVersion);
  params.lStructSize =
      panel == IDD_OPEN_PANEL_CLASSIC ? OPENFILENAME_SIZE_VERSION_400W : sizeof(OPENFILENAMEW);
  params.Flags |= OFN_EXPLORER | OFN_ENABLEHOOK | OFN_ENABLETEMPLATE;
  if (!params.hInstance) params.hInstance = GetModuleHandleA(nullptr);
  params.lpTemplateName = MAKEINTRESOURCEW(panel);
  params.lpfnHook = &PictureOpenDialog::hookProc;
  params.lCustData = reinterpret_cast<LPARAM>(this);
  boxRecorded_ = false;
  return GetOpenFileNameW(&params) != FALSE;
}

UINT_PTR CALLBACK PictureOpenDialog::hookProc(HWND panel, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    auto* params = reinterpret_cast<const OPENFILENAMEW*>(lParam);
    auto* self = reinterpret_cast<PictureOpenDialog*>(params->lCustData);
    SetWindowLongPtrA(panel, DWLP_USER, reinterpret_cast<LONG_PTR>(self));
    self->onInit(panel);
    return TRUE;
  }
  auto* self = reinterpret_cast<PictureOpenDialog*>(GetWindowLongPtrA(panel, DWLP_USER));
  if (!self) return FALSE;
  switch (message) {
    case WM_NOTIFY: {
      // Only the selection matters here; every other notification (the
      // OK button's among them) keeps the dialog's own handling.
      const auto* notify = reinterpret_cast<const OFNOTIFYW*>(lParam);
      if (notify->hdr.code != CDN_SELCHANGE) return FALSE;
      if (IsDlgButtonChecked(panel, IDC_OPEN_PREVIEW_CHECK) == BST_CHECKED) self->onSelectionChanged();
      return TRUE;
    }
    case WM_COMMAND:
      if (LOWORD(wParam) != IDC_OPEN_PREVIEW_CHECK || HIWORD(wParam) != BN_CLICKED) return FALSE;
      if (IsDlgButtonChecked(panel, IDC_OPEN_PREVIEW_CHECK) == BST_CHECKED)
        self->onSelectionChanged();
      else
        self->clearPreview();
      return TRUE;
    case WM_DESTROY:
      self->pane_.detach();
      self->panel_ = nullptr;
      SetWindowLongPtrA(panel, DWLP_USER, 0);
      return TRUE;
    default:
      return FALSE;
  }
}

void PictureOpenDialog::onInit(HWND panel) {
  panel_ = panel;
  pane_.attach(GetDlgItem(panel, IDC_OPEN_PREVIEW_BOX));
  // The formatters cut each text to the length a format may have.
  fileFormat_ = language_.lookupValue("OpenFileDlg", "File");
  widthFormat_ = language_.lookupValue("OpenFileDlg", "ImageWidth");
  heightFormat_ = language_.lookupValue("OpenFileDlg", "ImageHeight");
  SetDlgItemTextA(panel, IDC_OPEN_PREVIEW_CHECK, language_.lookupValue("OpenFileDlg", "Preview").c_str());
  fillLabels("", 0, 0);
  CheckDlgButton(panel, IDC_OPEN_PREVIEW_CHECK, BST_CHECKED);
}

void PictureOpenDialog::onSelectionChanged() {
  const std::string path = selectedFile();
  if (path.empty()) return;
  // A name that is no readable picture (gone, a folder, damaged) clears the
  // preview: reading it fails.
  if (!showFile(path)) clearPreview();
}

// The file the dialog's name field names: its first name when several are
// given in quotation marks, in the folder the dialog shows.
std::string PictureOpenDialog::selectedFile() const {
  HWND dialog = GetParent(panel_);
  wchar_t folder[MAX_PATH] = {};
  wchar_t field[1000] = {};
  if (SendMessageW(dialog, CDM_GETFOLDERPATH, MAX_PATH, reinterpret_cast<LPARAM>(folder)) < 0) return "";
  if (SendMessageW(dialog, CDM_GETSPEC, ARRAYSIZE(field), reinterpret_cast<LPARAM>(field)) < 0) return "";
  std::string name = utf8FromWide(field);
  if (!name.empty() && name[0] == '"') name.erase(0, 1);
  name = name.substr(0, name.find('"'));
  if (name.empty()) return "";
  // A full path typed into the field stands for itself.
  if ((name.size() > 1 && name[1] == ':') || name.compare(0, 2, "\\\\") == 0) return name;
  std::string path = utf8FromWide(folder);
  if (path.empty()) return "";
  if (lastPathSeparator(path) != path.size() - 1) path += '\\';
  return path + name;
}

bool PictureOpenDialog::showFile(const std::string& path) {
  HWND box = pane_.handle();
  if (!box) return false;
  if (!boxRecorded_) {
    // Recorded once: after that the pane itself moves to fit each picture.
    GetWindowRect(box, &box_);
    MapWindowPoints(nullptr, panel_, reinterpret_cast<POINT*>(&box_), 2);
    boxRecorded_ = true;
  }
  const int boxWidth = box_.right - box_.left, boxHeight = box_.bottom - box_.top;
  if (!pane_.show(path, SIZE{boxWidth, boxHeight})) return false;
  const SIZE fit = fitPicture(pane_.widthPixels(), pane_.heightPixels(), boxWidth, boxHeight, false);
  MoveWindow(box, box_.left + (boxWidth - fit.cx) / 2, box_.top + (boxHeight - fit.cy) / 2, fit.cx, fit.cy,
             TRUE);
  fillLabels(path, pane_.widthPixels(), pane_.heightPixels());
  return true;
}

void PictureOpenDialog::clearPreview() {
  fillLabels("", 0, 0);
  pane_.clear();
}

void PictureOpenDialog::fillLabels(const std::string& path, int width, int height) {
  // The format is the language file's; the name, in any script, is put in
  // at its conversion.
  const FormatParts file = splitAtConversion(fileFormat_);
  const std::wstring fileLabel = wideFromAnsi(file.before) +
                                 (file.hasConversion ? wideFromUtf8(fileNameOfPath(path)) : L"") +
                                 wideFromAnsi(file.after);
  SetDlgItemTextW(panel_, IDC_OPEN_FILE_NAME, fileLabel.c_str());
  SetDlgItemTextA(panel_, IDC_OPEN_WIDTH_LABEL, formatWithNumber(widthFormat_, width).c_str());
  SetDlgItemTextA(panel_, IDC_OPEN_HEIGHT_LABEL, formatWithNumber(heightFormat_, height).c_str());
}
