#include "InfoTip.h"

#include <algorithm>
#include <vector>

namespace {

constexpr const char* kClassName = "SlidewrightInfoTip";
// "宋体" in GBK, at 9 points.
constexpr const char* kFontFace = "\xCB\xCE\xCC\xE5";
constexpr int kPointSizeTenths = 90;
constexpr COLORREF kBackground = RGB(255, 255, 231);
constexpr int kMargin = 2;

std::vector<std::wstring> splitLines(const std::wstring& text) {
  std::vector<std::wstring> lines;
  std::wstring::size_type start = 0;
  for (;;) {
    const auto end = text.find(L"\r\n", start);
    lines.push_back(text.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start));
    if (end == std::wstring::npos) break;
    start = end + 2;
  }
  return lines;
}

}  // namespace

bool InfoTip::create(HWND owner) {
  WindowClass windowClass;
  windowClass.name = kClassName;
  // Made hidden: shown only by showBelow. (Made visible and hidden at once,
  // a popup would flash, and some window systems wait for it to appear.)
  CreateArgs create;
  create.parent = owner;
  create.pos = RECT{0, 0, 1, 1};
  create.style = WS_POPUP | WS_BORDER;
  return createWindow(windowClass, create);
}

HFONT InfoTip::font() {
  if (!font_) {
    WindowDC screen(nullptr);
    LOGFONTA lf{};
    lf.lfHeight = -MulDiv(kPointSizeTenths, GetDeviceCaps(screen.get(), LOGPIXELSY), 720);
    lf.lfCharSet = DEFAULT_CHARSET;
    lstrcpynA(lf.lfFaceName, kFontFace, LF_FACESIZE);
    font_.reset(CreateFontIndirectA(&lf));
  }
  return font_ ? font_.get() : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
}

void InfoTip::setText(const std::wstring& text) {
  text_ = text;
  if (handle()) InvalidateRect(handle(), nullptr, TRUE);
}

POINT tipPosition(POINT pointer, SIZE tip, int gap, const RECT& workArea) {
  POINT at{pointer.x, pointer.y + gap};
  if (at.y + tip.cy > workArea.bottom) at.y = pointer.y - gap - tip.cy;
  at.x = std::max<LONG>(workArea.left, std::min<LONG>(at.x, workArea.right - tip.cx));
  at.y = std::max<LONG>(workArea.top, at.y);
  return at;
}

// The window's size for its text: the widest line and 3 pixels each side,
// the lines one under the other between margins of 2 pixels.
SIZE InfoTip::measure() {
  WindowDC dc(handle());
  SelectGuard select(dc.get(), font());
  SIZE whole{};
  GetTextExtentPoint32W(dc.get(), text_.c_str(), static_cast<int>(text_.size()), &whole);
  lineHeight_ = whole.cy;
  int widest = 0;
  const auto lines = splitLines(text_);
  for (const auto& line : lines) {
    SIZE size{};
    GetTextExtentPoint32W(dc.get(), line.c_str(), static_cast<int>(line.size()), &size);
    widest = std::max<int>(widest, size.cx);
  }
  return SIZE{std::max(4, widest + 6), 2 * kMargin + static_cast<int>(lines.size()) * lineHeight_};
}

void InfoTip::showBelow(POINT pointer, int gap) {
  if (!handle()) return;
  const SIZE size = measure();
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  RECT work{};
  if (GetMonitorInfoA(MonitorFromPoint(pointer, MONITOR_DEFAULTTONEAREST), &monitor))
    work = monitor.rcWork;
  else
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
  const POINT at = tipPosition(pointer, size, gap, work);
  SetWindowPos(handle(), nullptr, at.x, at.y, size.cx, size.cy,
               SWP_NOACTIVATE | SWP_NOZORDER | SWP_SHOWWINDOW);
  InvalidateRect(handle(), nullptr, TRUE);
}

void InfoTip::hide() {
  if (handle()) ShowWindow(handle(), SW_HIDE);
}

void InfoTip::paint() {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(handle(), &ps);
  RECT client{};
  GetClientRect(handle(), &client);
  BrushHandle background(CreateSolidBrush(kBackground));
  FillRect(dc, &client, background.get());
  SelectGuard select(dc, font());
  SetBkMode(dc, TRANSPARENT);
  const auto lines = splitLines(text_);
  for (std::size_t i = 0; i < lines.size(); ++i)
    TextOutW(dc, kMargin, kMargin + static_cast<int>(i) * lineHeight_, lines[i].c_str(),
             static_cast<int>(lines[i].size()));
  EndPaint(handle(), &ps);
}

LRESULT InfoTip::onMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT:
      paint();
      return 0;
    case WM_ERASEBKGND:
      return TRUE;  // painting fills the whole window
    case WM_NCHITTEST:
      // The pointer passes through to the window below (the picture list
      // the tip describes): the tip sits close to the pointer, and a move
      // onto it must not take the pointer away from the list.
      return HTTRANSPARENT;
    default:
      break;
  }
  return DefWindowProcA(handle(), message, wParam, lParam);
}
