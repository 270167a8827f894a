#include "MovieView.h"

#include <algorithm>
#include <cmath>

namespace {

const char kClassName[] = "SlidewrightMovieView";
constexpr UINT_PTR kFrameTimer = 1;
// Frames caught up at most after a stall (a window drag, a busy machine):
// beyond that the movie carries on from where it is rather than racing.
constexpr int kMaxCatchUpFrames = 12;

}  // namespace

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
  std::unique_ptr<MovieView> view(new MovieView());
  view->audio_ = args.audio ? args.audio : &view->mixer_;
  view->ownDevice_ = args.audio == nullptr;
  view->mouseToParent_ = args.mouseToParent;
  QueryPerformanceFrequency(&view->frequency_);
  WindowClass windowClass;
  windowClass.name = kClassName;
  windowClass.style = CS_HREDRAW | CS_VREDRAW;
  windowClass.cursor = LoadCursor(nullptr, IDC_ARROW);
  CreateArgs create;
  create.parent = args.parent;
  create.pos = args.rect;
  create.style = WS_CHILD | WS_CLIPSIBLINGS | (args.visible ? WS_VISIBLE : 0);
  create.id = args.controlId;
  create.instance = instance;
  if (!view->createWindow(windowClass, create)) return nullptr;
  return view;
}

MovieView::~MovieView() {
  unload();
  destroyWindow();
}

LRESULT MovieView::onMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  const HWND hwnd = handle();
  switch (message) {
    case WM_NCHITTEST:
      if (mouseToParent_) return HTTRANSPARENT;
      break;
    case WM_ERASEBKGND:
      return 1;  // WM_PAINT covers every pixel
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd, &ps);
      paint(dc);
      EndPaint(hwnd, &ps);
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
    case WM_NCDESTROY:
      // The window went away with its parent: the object stays, without it
      // and without the movie.
      unload();
      break;
    default:
      break;
  }
  return DefWindowProcA(hwnd, message, wParam, lParam);
}

bool MovieView::LoadMovie(int layer, const std::string& path) {
  if (layer != 0 || !handle()) return false;
  unload();
  auto opened = player::MoviePlayer::open(path, audio_);
  if (opened) player_ = std::move(opened).value();
  if (!player_) {
    InvalidateRect(handle(), nullptr, FALSE);
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

void MovieView::BGColor(COLORREF color) {
  background_ = color;
  if (handle()) InvalidateRect(handle(), nullptr, FALSE);
}

void MovieView::Loop(bool loop) { loop_ = loop; }

void MovieView::unload() {
  if (handle() && timerRunning_) KillTimer(handle(), kFrameTimer);
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
  if (handle()) InvalidateRect(handle(), nullptr, FALSE);
}

void MovieView::startClock() {
  QueryPerformanceCounter(&lastTick_);
  pendingSeconds_ = 0;
  if (!timerRunning_ && player_) {
    // Ticks at twice the frame rate: each frame is shown within half a
    // frame of its time, while the time itself is measured, so frames do not
    // drift however late a tick comes.
    const UINT period = UINT(std::max(10.0, 500.0 / player_->framesPerSecond()));
    timerRunning_ = SetTimer(handle(), kFrameTimer, period, nullptr) != 0;
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
  if (!handle()) return;
  RECT client;
  GetClientRect(handle(), &client);
  movieRect_ = player_
                   ? showAllRect(client.right, client.bottom, player_->stageWidth(), player_->stageHeight())
                   : RECT{};
  renderFrame();
}

void MovieView::renderFrame() {
  if (!handle()) return;
  const int w = movieRect_.right - movieRect_.left, h = movieRect_.bottom - movieRect_.top;
  if (!player_ || w <= 0 || h <= 0) {
    InvalidateRect(handle(), nullptr, FALSE);
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
  InvalidateRect(handle(), nullptr, FALSE);
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
  GetClientRect(handle(), &client);
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
