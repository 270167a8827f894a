#include "MovieView.h"

#include <algorithm>
#include <cmath>

namespace {

const char kClassName[] = "SlidewrightMovieView";
constexpr UINT_PTR kFrameTimer = 1;
// Frames caught up at most after a stall (a window drag, a busy machine):
// beyond that the movie carries on from where it is rather than racing.
constexpr int kMaxCatchUpFrames = 12;

bool registerClass(HINSTANCE instance, WNDPROC proc) {
  WNDCLASSEXA wc{};
  wc.cbSize = sizeof wc;
  if (GetClassInfoExA(instance, kClassName, &wc)) return true;
  wc.style = CS_HREDRAW | CS_VREDRAW;
  wc.lpfnWndProc = proc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  wc.lpszClassName = kClassName;
  return RegisterClassExA(&wc) != 0;
}

}  // namespace

std::optional<COLORREF> parseBackgroundColor(const std::string& text) {
  size_t i = !text.empty() && text[0] == '#' ? 1 : 0;
  if (text.size() <= i || text.size() - i > 6) return std::nullopt;
  unsigned value = 0;
  for (; i < text.size(); ++i) {
    const char c = text[i];
    unsigned digit;
    if (c >= '0' && c <= '9')
      digit = unsigned(c - '0');
    else if (c >= 'a' && c <= 'f')
      digit = unsigned(c - 'a' + 10);
    else if (c >= 'A' && c <= 'F')
      digit = unsigned(c - 'A' + 10);
    else
      return std::nullopt;
    value = value * 16 + digit;
  }
  return RGB((value >> 16) & 0xFF, (value >> 8) & 0xFF, value & 0xFF);
}

RECT showAllRect(int clientWidth, int clientHeight, int stageWidth, int stageHeight) {
  RECT r{0, 0, 0, 0};
  if (clientWidth <= 0 || clientHeight <= 0 || stageWidth <= 0 || stageHeight <= 0) return r;
  const double scale = std::min(double(clientWidth) / stageWidth, double(clientHeight) / stageHeight);
  const int w = std::clamp(int(std::lround(stageWidth * scale)), 1, clientWidth);
  const int h = std::clamp(int(std::lround(stageHeight * scale)), 1, clientHeight);
  r.left = (clientWidth - w) / 2;
  r.top = (clientHeight - h) / 2;
  r.right = r.left + w;
  r.bottom = r.top + h;
  return r;
}

std::unique_ptr<MovieView> MovieView::create(HINSTANCE instance, const MovieViewArgs& args) {
  if (!registerClass(instance, windowProc)) return nullptr;
  std::unique_ptr<MovieView> view(new MovieView());
  view->audio_ = args.audio ? args.audio : &view->mixer_;
  view->ownDevice_ = args.audio == nullptr;
  view->mouseToParent_ = args.mouseToParent;
  QueryPerformanceFrequency(&view->frequency_);
  const DWORD style = WS_CHILD | WS_CLIPSIBLINGS | (args.visible ? WS_VISIBLE : 0);
  const HWND hwnd =
      CreateWindowExA(0, kClassName, "", style, args.rect.left, args.rect.top,
                      args.rect.right - args.rect.left, args.rect.bottom - args.rect.top, args.parent,
                      reinterpret_cast<HMENU>(static_cast<INT_PTR>(args.controlId)), instance, view.get());
  if (!hwnd) return nullptr;
  return view;
}

MovieView::~MovieView() {
  unload();
  if (hwnd_) {
    SetWindowLongPtrA(hwnd_, GWLP_USERDATA, 0);
    DestroyWindow(hwnd_);
  }
}

LRESULT CALLBACK MovieView::windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* self = static_cast<MovieView*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
    self->hwnd_ = hwnd;
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  auto* self = reinterpret_cast<MovieView*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  if (!self) return DefWindowProcA(hwnd, message, wParam, lParam);
  if (message == WM_NCDESTROY) {
    // The window went away with its parent: the object stays, without it.
    self->unload();
    self->hwnd_ = nullptr;
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
    return DefWindowProcA(hwnd, message, wParam, lParam);
  }
  return self->handleMessage(message, wParam, lParam);
}

LRESULT MovieView::handleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_NCHITTEST:
      if (mouseToParent_) return HTTRANSPARENT;
      break;
    case WM_ERASEBKGND:
      return 1;  // WM_PAINT covers every pixel
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd_, &ps);
      paint(dc);
      EndPaint(hwnd_, &ps);
      return 0;
    }
    case WM_SIZE:
      layout();
      return 0;
    case WM_TIMER:
      if (wParam == kFrameTimer) {
        onTimer();
        return 0;
      }
      break;
    default:
      break;
  }
  return DefWindowProcA(hwnd_, message, wParam, lParam);
}

bool MovieView::LoadMovie(int layer, const std::string& path) {
  if (layer != 0 || !hwnd_) return false;
  unload();
  auto opened = player::MoviePlayer::open(path, audio_);
  if (opened) player_ = std::move(opened).value();
  if (!player_) {
    InvalidateRect(hwnd_, nullptr, FALSE);
    return false;
  }
  // The device opens only for a movie; the sounds of its first frame wait in
  // the mixer until the device asks. No sound device is not an error: the
  // movie plays without sound.
  if (ownDevice_)
    device_.start(player::PcmFormat{mixer_.outputRate(), 2},
                  [this](int16_t* out, size_t frames) { mixer_.mix(out, frames); });
  layout();
  startClock();
  return true;
}

void MovieView::Play() {
  if (!player_) return;
  player_->play();
  device_.resume();
  startClock();
}

void MovieView::Stop() {
  if (!player_) return;
  player_->pause();
  device_.pause();
}

void MovieView::BGColor(const std::string& text) {
  if (auto color = parseBackgroundColor(text)) {
    background_ = color;
    InvalidateRect(hwnd_, nullptr, FALSE);
  }
}

void MovieView::Loop(bool loop) { loop_ = loop; }

void MovieView::unload() {
  if (hwnd_ && timerRunning_) KillTimer(hwnd_, kFrameTimer);
  timerRunning_ = false;
  device_.stop();
  if (player_) audio_->stopAll();
  player_.reset();
  mixer_.stopAll();
  mixer_.setPaused(false);
  movieRect_ = RECT{};
  dib_.reset();
  dibBits_ = nullptr;
  dibWidth_ = dibHeight_ = 0;
  if (hwnd_) InvalidateRect(hwnd_, nullptr, FALSE);
}

void MovieView::startClock() {
  QueryPerformanceCounter(&lastTick_);
  pendingSeconds_ = 0;
  if (!timerRunning_ && player_) {
    // Ticks at twice the frame rate: each frame is shown within half a
    // frame of its time, while the time itself is measured, so frames do not
    // drift however late a tick comes.
    const UINT period = UINT(std::max(10.0, 500.0 / player_->framesPerSecond()));
    timerRunning_ = SetTimer(hwnd_, kFrameTimer, period, nullptr) != 0;
  }
}

double MovieView::secondsSinceLastTick() {
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  const double seconds = double(now.QuadPart - lastTick_.QuadPart) / double(frequency_.QuadPart);
  lastTick_ = now;
  return seconds;
}

void MovieView::onTimer() {
  const double elapsed = secondsSinceLastTick();
  if (!player_ || !player_->isPlaying()) return;
  const double frameTime = 1.0 / player_->framesPerSecond();
  pendingSeconds_ += elapsed;
  int advanced = 0;
  while (pendingSeconds_ >= frameTime && player_->isPlaying()) {
    if (!loop_ && player_->currentFrame() + 1 >= player_->frameCount()) {
      Stop();  // halts on the last frame
      break;
    }
    pendingSeconds_ -= frameTime;
    player_->nextFrame();
    if (++advanced >= kMaxCatchUpFrames) {
      pendingSeconds_ = 0;
      break;
    }
  }
  if (advanced > 0) renderFrame();
}

void MovieView::layout() {
  if (!hwnd_) return;
  RECT client;
  GetClientRect(hwnd_, &client);
  movieRect_ = player_
                   ? showAllRect(client.right, client.bottom, player_->stageWidth(), player_->stageHeight())
                   : RECT{};
  renderFrame();
}

void MovieView::renderFrame() {
  if (!hwnd_) return;
  const int w = movieRect_.right - movieRect_.left, h = movieRect_.bottom - movieRect_.top;
  if (!player_ || w <= 0 || h <= 0) {
    InvalidateRect(hwnd_, nullptr, FALSE);
    return;
  }
  if (frame_.width != w || frame_.height != h) frame_ = player::Image(w, h);
  // Drawn straight at the size it is shown at: no stretching of a small picture.
  player_->render(frame_, player_->stageTransform(w, h, false));
  if (!dib_ || dibWidth_ != w || dibHeight_ != h) {
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = -h;  // top-down rows, as the image holds them
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    dib_.reset(CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &dibBits_, nullptr, 0));
    if (!dib_) {
      dibBits_ = nullptr;
      return;
    }
    dibWidth_ = w;
    dibHeight_ = h;
  }
  GdiFlush();
  // RGBA to the DIB's BGRX.
  const uint8_t* src = frame_.pixels.data();
  auto* dst = static_cast<uint8_t*>(dibBits_);
  const size_t count = size_t(w) * size_t(h);
  for (size_t i = 0; i < count; ++i, src += 4, dst += 4) {
    dst[0] = src[2];
    dst[1] = src[1];
    dst[2] = src[0];
    dst[3] = 0;
  }
  InvalidateRect(hwnd_, nullptr, FALSE);
}

COLORREF MovieView::surroundColor() const {
  if (background_) return *background_;
  if (player_) {
    const player::Rgba c = player_->backgroundColor();
    return RGB(c.r, c.g, c.b);
  }
  return RGB(0, 0, 0);
}

void MovieView::paint(HDC dc) {
  RECT client;
  GetClientRect(hwnd_, &client);
  BrushHandle brush(CreateSolidBrush(surroundColor()));
  const RECT& m = movieRect_;
  if (!dib_ || IsRectEmpty(&m)) {
    FillRect(dc, &client, brush.get());
    return;
  }
  // The bars around the movie, then the movie: nothing is drawn twice, so
  // nothing flickers.
  const RECT bars[4] = {{0, 0, client.right, m.top},
                        {0, m.bottom, client.right, client.bottom},
                        {0, m.top, m.left, m.bottom},
                        {m.right, m.top, client.right, m.bottom}};
  for (const RECT& r : bars)
    if (!IsRectEmpty(&r)) FillRect(dc, &r, brush.get());
  MemoryDC memory(dc);
  SelectGuard select(memory.get(), dib_.get());
  BitBlt(dc, m.left, m.top, dibWidth_, dibHeight_, memory.get(), 0, 0, SRCCOPY);
}
