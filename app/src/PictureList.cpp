#include "PictureList.h"

#include <windowsx.h>

#include <algorithm>
#include <cstdio>
#include <new>

#include "IconMenu.h"
#include "resource.h"

namespace {

constexpr const char* kClassName = "SlidewrightPictureList";
constexpr COLORREF kNumberColour = RGB(255, 255, 0);
constexpr COLORREF kDropMarkerColour = RGB(255, 0, 0);
constexpr int kDropMarkerInset = 2;
constexpr int kDropMarkerWidth = 16;

// The arrow bitmap holds four arrows side by side: left pressed, left,
// right, right pressed.
enum ArrowFrame { kLeftPressed = 0, kLeftNormal = 1, kRightNormal = 2, kRightPressed = 3 };

RECT intersection(const RECT& a, const RECT& b) {
  RECT r{};
  IntersectRect(&r, &a, &b);
  return r;
}

}  // namespace

// -- geometry and scrolling -------------------------------------------------

PictureListGeometry PictureListGeometry::compute(int width, int height, int sprocket, int arrowWidth) {
  PictureListGeometry g;
  g.width = width;
  g.height = height;
  g.sprocket = sprocket;
  g.arrowWidth = arrowWidth;
  g.area = RECT{sprocket, sprocket, width - sprocket, height - sprocket};
  g.thumbHeight = std::max(0, height - 2 * sprocket);
  g.areaWidth = std::max(0, width - 2 * sprocket);
  g.topStrip = RECT{arrowWidth, 0, width - arrowWidth, sprocket};
  g.bottomStrip = RECT{arrowWidth, height - sprocket, width - arrowWidth, height};
  g.leftArrow = RECT{0, 0, arrowWidth, height};
  g.rightArrow = RECT{width - arrowWidth, 0, width, height};
  g.thumbWidth = 4 * g.thumbHeight / 3;
  g.cellWidth = g.thumbWidth + kGap;
  return g;
}

int StripScroll::maxPosition() const { return std::max(0, page > 0 ? maximum - page + 1 : maximum); }

void StripScroll::setRange(int newMaximum, int newPage) {
  maximum = std::max(0, newMaximum);
  page = std::max(0, newPage);
  setPosition(position);
}

void StripScroll::setPosition(int newPosition) { position = std::clamp(newPosition, 0, maxPosition()); }

// -- creation ------------------------------------------------------------------

PictureList::~PictureList() { destroyWindow(); }

bool PictureList::create(const PictureListArgs& args) {
  parent_ = args.parent;
  resources_ = args.resources;
  WindowClass windowClass;
  windowClass.name = kClassName;
  windowClass.cursor = LoadCursor(nullptr, IDC_ARROW);
  CreateArgs create;
  create.parent = args.parent;
  create.pos = args.rect;
  create.style = WS_CHILD | WS_VISIBLE | WS_BORDER;
  create.id = args.controlId;
  return createWindow(windowClass, create);
}

bool PictureList::onCreate() {
  sprocket_.reset(LoadBitmapA(resources_, MAKEINTRESOURCEA(IDB_SPROCKET)));
  arrows_.reset(LoadBitmapA(resources_, MAKEINTRESOURCEA(IDB_LIST_ARROWS)));
  dragCursor_ = static_cast<HCURSOR>(
      LoadImageA(resources_, MAKEINTRESOURCEA(IDCUR_DRAG), IMAGE_CURSOR, 0, 0, LR_DEFAULTSIZE | LR_SHARED));
  BITMAP sprocket{}, arrows{};
  if (!sprocket_ || !arrows_ || !GetObject(sprocket_.get(), sizeof sprocket, &sprocket) ||
      !GetObject(arrows_.get(), sizeof arrows, &arrows))
    return false;

  const RECT client = clientRect();
  geometry_ =
      PictureListGeometry::compute(client.right, client.bottom, sprocket.bmHeight, arrows.bmWidth / 4);
  const auto& g = geometry_;
  if (g.thumbHeight <= 0 || g.areaWidth <= 0) return false;

  WindowDC screen(handle());
  if (!areaBuffer_.create(screen.get(), g.areaWidth, g.thumbHeight) ||
      !topBuffer_.create(screen.get(), g.areaWidth, g.sprocket) ||
      !bottomBuffer_.create(screen.get(), g.areaWidth, g.sprocket) ||
      !leftBuffer_.create(screen.get(), g.arrowWidth, g.height) ||
      !rightBuffer_.create(screen.get(), g.arrowWidth, g.height) || !highlight_.create(screen.get(), 1, 1))
    return false;
  SetPixel(highlight_.dc(), 0, 0, GetSysColor(COLOR_HIGHLIGHT));
  thumbnails_.reset(ImageList_Create(g.thumbWidth, g.thumbHeight, ILC_COLOR24, 0, 16));
  // Without its marks the list still works; pictures just show no motion or caption mark.
  pictureMarks_ = loadImageStrip(resources_, IDB_PICTURE_MARKS, TRANSITION_MARK_SIZE, TRANSITION_MARK_MASK);
  if (!thumbnails_) return false;
  repaintRegion(client);
  return true;
}

void PictureList::setTransitionImages(HIMAGELIST marks) {
  marks_.reset(marks ? ImageList_Duplicate(marks) : nullptr);
  markSize_ = SIZE{};
  if (marks_) {
    int w = 0, h = 0;
    ImageList_GetIconSize(marks_.get(), &w, &h);
    markSize_ = SIZE{w, h};
  }
  repaintRegion(geometry_.area);
}

// -- the entries ---------------------------------------------------------------

std::vector<PictureAddFailure> PictureList::addPictures(const std::vector<std::string>& paths) {
  std::vector<PictureAddFailure> failures;
  if (paths.empty() || !handle()) return failures;

  HCURSOR previous = SetCursor(LoadCursor(nullptr, IDC_WAIT));
  makeThumbnails(paths, geometry_.thumbWidth, geometry_.thumbHeight,
                 [&](std::size_t i, Thumbnail&& thumbnail) {
                   if (!thumbnail.ok)
                     failures.push_back({paths[i], thumbnail.errorKind});
                   else if (!appendEntry(paths[i], thumbnail))
                     failures.push_back({paths[i], slidewright::media::ErrorKind::TooLarge});
                 });
  SetCursor(previous);
  return failures;
}

bool PictureList::appendEntry(const std::string& path, const Thumbnail& thumbnail) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = thumbnail.width;
  info.bmiHeader.biHeight = thumbnail.height;  // bottom row first
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  int image = -1;
  {
    WindowDC screen(handle());
    BitmapHandle bitmap(CreateDIBitmap(screen.get(), &info.bmiHeader, CBM_INIT, thumbnail.bits.data(), &info,
                                       DIB_RGB_COLORS));
    if (bitmap) image = ImageList_Add(thumbnails_.get(), bitmap.get(), nullptr);
  }
  if (image < 0) return false;
  PictureEntry entry;
  entry.width = thumbnail.pictureWidth;
  entry.height = thumbnail.pictureHeight;
  entry.path = path;
  return appendWithImage(std::move(entry), image);
}

// A second image in the thumbnail list showing what image `image` shows.
int PictureList::copyThumbnail(int image) {
  const auto& g = geometry_;
  WindowDC screen(handle());
  BitmapHandle bitmap(CreateCompatibleBitmap(screen.get(), g.thumbWidth, g.thumbHeight));
  if (!bitmap) return -1;
  {
    MemoryDC dc(screen.get());
    SelectGuard select(dc.get(), bitmap.get());
    if (!ImageList_Draw(thumbnails_.get(), image, dc.get(), 0, 0, ILD_NORMAL)) return -1;
  }
  return ImageList_Add(thumbnails_.get(), bitmap.get(), nullptr);
}

bool PictureList::appendWithImage(PictureEntry entry, int image) {
  const auto& g = geometry_;
  entry.thumbnailIndex = image;
  try {
    entries_.push_back(std::make_unique<PictureEntry>(std::move(entry)));
  } catch (const std::bad_alloc&) {
    // No entry, so no thumbnail either.
    ImageList_Remove(thumbnails_.get(), image);
    return false;
  }

  const int n = entryCount();
  if ((n - 1) * g.cellWidth - scroll_.position < g.areaWidth) {
    // The new cell is in view: draw it now, while the rest of the batch is
    // still being read.
    const int x = g.area.left + (n - 1) * g.cellWidth - scroll_.position;
    repaintRegion(RECT{x, g.area.top, x + g.cellWidth, g.area.bottom});
    repaintRegion(g.topStrip);
    UpdateWindow(handle());
  }
  if (n * g.cellWidth > g.areaWidth)
    scroll_.setRange(n * g.cellWidth + PictureListGeometry::kGap - 1, g.areaWidth);
  return true;
}

int PictureList::copySelected() {
  std::vector<int> originals;
  for (int i = 0; i < entryCount(); ++i)
    if (entries_[static_cast<std::size_t>(i)]->selected) originals.push_back(i);
  int copied = 0;
  for (int i : originals) {
    const PictureEntry& original = *entries_[static_cast<std::size_t>(i)];
    const int image = copyThumbnail(original.thumbnailIndex);
    if (image < 0) break;
    PictureEntry copy = original;
    copy.selected = false;
    if (!appendWithImage(std::move(copy), image)) break;
    ++copied;
  }
  return copied;
}

void PictureList::deleteSelected() {
  for (int i = entryCount() - 1; i >= 0; --i) {
    if (!entries_[static_cast<std::size_t>(i)]->selected) continue;
    const int image = entries_[static_cast<std::size_t>(i)]->thumbnailIndex;
    for (auto& entry : entries_)
      if (entry->thumbnailIndex > image) --entry->thumbnailIndex;
    ImageList_Remove(thumbnails_.get(), image);
    entries_.erase(entries_.begin() + i);
  }
  const int n = entryCount();
  const auto& g = geometry_;
  if (n * g.cellWidth <= g.areaWidth) scroll_.position = 0;
  scroll_.setRange(n * g.cellWidth, g.areaWidth);
  repaintRegion(clientRect());
}

void PictureList::deleteAll() {
  ImageList_RemoveAll(thumbnails_.get());
  entries_.clear();
  entries_.shrink_to_fit();
  scroll_.position = 0;
  scroll_.setRange(0, geometry_.areaWidth);
  repaintRegion(clientRect());
}

bool PictureList::setTransitionOfSelected(int index) {
  if (index < 0 || !marks_ || index >= ImageList_GetImageCount(marks_.get())) return false;
  for (auto& entry : entries_)
    if (entry->selected) entry->transition = index;
  repaintRegion(geometry_.area);
  return true;
}

void PictureList::setMotionOfSelected(const slidewright::Motion& motion) {
  for (auto& entry : entries_)
    if (entry->selected) entry->motion = motion;
  repaintRegion(geometry_.area);
}

void PictureList::setCaptionOfSelected(const std::string& caption) {
  for (auto& entry : entries_)
    if (entry->selected) entry->caption = caption;
  repaintRegion(geometry_.area);
}

bool PictureList::reorder(const std::vector<std::size_t>& order) {
  if (order.size() != entries_.size()) return false;
  std::vector<bool> seen(order.size(), false);
  for (std::size_t index : order) {
    if (index >= order.size() || seen[index]) return false;
    seen[index] = true;
  }
  std::vector<std::unique_ptr<PictureEntry>> reordered;
  reordered.reserve(order.size());
  for (std::size_t index : order) reordered.push_back(std::move(entries_[index]));
  entries_ = std::move(reordered);
  repaintRegion(geometry_.area);
  return true;
}

bool PictureList::anySelected() const {
  return std::any_of(entries_.begin(), entries_.end(), [](const auto& e) { return e->selected; });
}

int PictureList::hitTest(int x, int y) const {
  if (!inArea(POINT{x, y})) return -1;
  const int index = contentIndexAt(x);
  return index < entryCount() ? index : -1;
}

void PictureList::selectOnly(int index) {
  for (int i = 0; i < entryCount(); ++i) entries_[static_cast<std::size_t>(i)]->selected = i == index;
}

void PictureList::selectRange(int from, int to) {
  if (from > to) std::swap(from, to);
  for (int i = 0; i < entryCount(); ++i)
    entries_[static_cast<std::size_t>(i)]->selected = i >= from && i <= to;
}

// The unselected pictures before the target, then all selected ones, then
// the unselected ones from the target on, each group in its order.
void PictureList::dropSelection(int target) {
  std::vector<std::unique_ptr<PictureEntry>> before, moved, after;
  for (int i = 0; i < entryCount(); ++i) {
    auto& entry = entries_[static_cast<std::size_t>(i)];
    if (entry->selected)
      moved.push_back(std::move(entry));
    else if (i < target)
      before.push_back(std::move(entry));
    else
      after.push_back(std::move(entry));
  }
  entries_ = std::move(before);
  for (auto& e : moved) entries_.push_back(std::move(e));
  for (auto& e : after) entries_.push_back(std::move(e));
}

// -- places ----------------------------------------------------------------------

RECT PictureList::clientRect() const {
  RECT r{};
  if (handle()) GetClientRect(handle(), &r);
  return r;
}

int PictureList::contentIndexAt(int x) const {
  if (geometry_.cellWidth <= 0) return 0;
  return std::max<int>(0, scroll_.position + x - geometry_.area.left) / geometry_.cellWidth;
}

bool PictureList::inArea(POINT p) const { return PtInRect(&geometry_.area, p) != FALSE; }

bool PictureList::onEntries(POINT p) const {
  return inArea(p) && p.x < geometry_.area.left + entryCount() * geometry_.cellWidth - scroll_.position;
}

RECT PictureList::cellRect(int index) const {
  const auto& g = geometry_;
  const int x = g.area.left + index * g.cellWidth - scroll_.position;
  return intersection(RECT{x, g.area.top, x + g.cellWidth, g.area.bottom}, g.area);
}

RECT PictureList::gapRect(int index) const {
  const auto& g = geometry_;
  const int x = g.area.left + index * g.cellWidth - scroll_.position;
  return intersection(RECT{x, g.area.top, x + PictureListGeometry::kGap, g.area.bottom}, g.area);
}

void PictureList::scrollByWheel(int delta) {
  setScrollPosition(scroll_.position - delta * geometry_.cellWidth / WHEEL_DELTA);
}

void PictureList::setScrollPosition(int position) {
  scroll_.setPosition(position);
  repaintRegion(clientRect());
}

// -- drawing -------------------------------------------------------------------

void PictureList::repaintRegion(const RECT& rect) {
  if (!handle()) return;
  const auto& g = geometry_;
  RECT part = intersection(rect, g.area);
  if (!IsRectEmpty(&part))
    drawArea(std::max(0L, part.left - g.area.left), std::min<LONG>(g.areaWidth, part.right - g.area.left));
  part = intersection(rect, g.topStrip);
  if (!IsRectEmpty(&part)) drawStrip(topBuffer_, true);
  part = intersection(rect, g.bottomStrip);
  if (!IsRectEmpty(&part)) drawStrip(bottomBuffer_, false);
  part = intersection(rect, g.leftArrow);
  if (!IsRectEmpty(&part)) drawArrow(true);
  part = intersection(rect, g.rightArrow);
  if (!IsRectEmpty(&part)) drawArrow(false);
  InvalidateRect(handle(), &rect, FALSE);
}

// Redraws the columns left..right (area coordinates) of the thumbnail area.
void PictureList::drawArea(int left, int right) {
  const auto& g = geometry_;
  HDC dc = areaBuffer_.dc();
  const int saved = SaveDC(dc);
  IntersectClipRect(dc, left, 0, right, g.thumbHeight);
  RECT fill{left, 0, right, g.thumbHeight};
  FillRect(dc, &fill, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));

  const int first = (scroll_.position + left) / g.cellWidth;
  const int last = std::min((scroll_.position + right) / g.cellWidth, entryCount() - 1);

  // The drop marker, in the gap of the cell where the dragged pictures go
  // (one past the last picture: at the end).
  const POINT pointer{pointer_.x - g.area.left, pointer_.y - g.area.top};
  for (int k = first; k <= last + 1; ++k) {
    if (k != dropIndex_ || !itemDragging_) continue;
    const int x = k * g.cellWidth - scroll_.position;
    const RECT cell{std::max(x, 0), 0, std::min(x + g.cellWidth, g.areaWidth + 1), g.thumbHeight};
    if (!PtInRect(&cell, pointer)) continue;
    RECT marker{cell.left + kDropMarkerInset, 0, cell.left + kDropMarkerInset + kDropMarkerWidth,
                g.thumbHeight};
    BrushHandle red(CreateSolidBrush(kDropMarkerColour));
    FillRect(dc, &marker, red.get());
  }

  for (int i = first; i <= last; ++i) {
    const PictureEntry& entry = *entries_[static_cast<std::size_t>(i)];
    const int x = i * g.cellWidth - scroll_.position;
    if (marks_ && ImageList_GetImageCount(marks_.get()) > 0) {
      const int mx = x + (PictureListGeometry::kGap - markSize_.cx) / 2;
      const int my = (g.thumbHeight - markSize_.cy) / 2;
      ImageList_Draw(marks_.get(), entry.transition, dc, mx, my, ILD_TRANSPARENT);
      if (entry.selected) blendHighlight(dc, mx, my, markSize_.cx, markSize_.cy);
    }
    if (x + PictureListGeometry::kGap > right) continue;
    ImageList_Draw(thumbnails_.get(), entry.thumbnailIndex, dc, x + PictureListGeometry::kGap, 0, ILD_NORMAL);
    drawPictureMarks(dc, entry, x + PictureListGeometry::kGap);
    if (entry.selected) blendHighlight(dc, x + PictureListGeometry::kGap, 0, g.thumbWidth, g.thumbHeight);
  }
  RestoreDC(dc, saved);
}

// A moving picture's motion mark in the thumbnail's bottom-left corner, a
// captioned picture's caption mark in its bottom-right one.
void PictureList::drawPictureMarks(HDC dc, const PictureEntry& entry, int thumbLeft) {
  if (!pictureMarks_) return;
  constexpr int kInset = 2;
  const int y = geometry_.thumbHeight - TRANSITION_MARK_SIZE - kInset;
  if (entry.motion.moves()) {
    // Custom rectangles from an album file show as "automatic": they move too.
    const int mark = entry.motion.kind == slidewright::MotionKind::Explicit
                         ? static_cast<int>(slidewright::MotionKind::Auto)
                         : static_cast<int>(entry.motion.kind);
    ImageList_Draw(pictureMarks_.get(), mark, dc, thumbLeft + kInset, y, ILD_TRANSPARENT);
  }
  if (!entry.caption.empty())
    ImageList_Draw(pictureMarks_.get(), PICTURE_MARK_CAPTION, dc,
                   thumbLeft + geometry_.thumbWidth - TRANSITION_MARK_SIZE - kInset, y, ILD_TRANSPARENT);
}

// Half the system's highlight colour over what is there: how a selected
// picture and its mark are shown.
void PictureList::blendHighlight(HDC dc, int x, int y, int width, int height) {
  BLENDFUNCTION half{AC_SRC_OVER, 0, 128, 0};
  AlphaBlend(dc, x, y, width, height, highlight_.dc(), 0, 0, 1, 1, half);
}

// The sprocket tile repeated along the strip, moving with the pictures;
// on the top strip the number of each picture above its thumbnail.
void PictureList::drawStrip(OffscreenBuffer& strip, bool numbers) {
  const auto& g = geometry_;
  HDC dc = strip.dc();
  BITMAP tile{};
  GetObject(sprocket_.get(), sizeof tile, &tile);
  if (tile.bmWidth > 0) {
    MemoryDC source(dc);
    SelectGuard select(source.get(), sprocket_.get());
    const int offset = scroll_.position % tile.bmWidth;
    for (int k = 0; k < strip.width() / tile.bmWidth + 2; ++k)
      BitBlt(dc, k * tile.bmWidth - offset, 0, tile.bmWidth, tile.bmHeight, source.get(), 0, 0, SRCCOPY);
  }
  if (!numbers) return;
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, kNumberColour);
  // Only the cells in view, and one before them: a number is narrower than
  // a cell, so none further left can reach into view.
  const int first = std::max(0, (scroll_.position - PictureListGeometry::kGap) / g.cellWidth - 1);
  const int last = std::min(entryCount() - 1, (scroll_.position + g.areaWidth) / g.cellWidth);
  for (int i = first; i <= last; ++i) {
    char text[16];
    const int length = std::snprintf(text, sizeof text, "%d", i + 1);
    SIZE size{};
    GetTextExtentPoint32A(dc, text, length, &size);
    const int x = i * g.cellWidth - scroll_.position + PictureListGeometry::kGap;
    if (x >= -size.cx && x < g.areaWidth) TextOutA(dc, x, 0, text, length);
  }
}

void PictureList::drawArrow(bool left) {
  const auto& g = geometry_;
  OffscreenBuffer& buffer = left ? leftBuffer_ : rightBuffer_;
  const RECT& rect = left ? g.leftArrow : g.rightArrow;
  const bool pressed = arrowPressed_ && PtInRect(&rect, pointer_);
  const int frame = left ? (pressed ? kLeftPressed : kLeftNormal) : (pressed ? kRightPressed : kRightNormal);
  BITMAP bm{};
  GetObject(arrows_.get(), sizeof bm, &bm);
  MemoryDC source(buffer.dc());
  SelectGuard select(source.get(), arrows_.get());
  const int frameWidth = bm.bmWidth / 4;
  SetStretchBltMode(buffer.dc(), COLORONCOLOR);
  StretchBlt(buffer.dc(), 0, 0, buffer.width(), buffer.height(), source.get(), frame * frameWidth, 0,
             frameWidth, bm.bmHeight, SRCCOPY);
}

void PictureList::onPaint() {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(handle(), &ps);
  const auto& g = geometry_;
  auto copy = [dc](const RECT& r, const OffscreenBuffer& buffer) {
    BitBlt(dc, r.left, r.top, r.right - r.left, r.bottom - r.top, buffer.dc(), 0, 0, SRCCOPY);
  };
  copy(g.topStrip, topBuffer_);
  copy(g.bottomStrip, bottomBuffer_);
  copy(g.leftArrow, leftBuffer_);
  copy(g.rightArrow, rightBuffer_);
  copy(g.area, areaBuffer_);
  EndPaint(handle(), &ps);
}

// -- the mouse -----------------------------------------------------------------

void PictureList::notifyParent(PictureListEvent event, POINT p) const {
  if (parent_)
    SendMessageA(parent_, PictureListNotify, event,
                 MAKELPARAM(static_cast<WORD>(p.x), static_cast<WORD>(p.y)));
}

void PictureList::onLeftButtonDown(POINT p, WPARAM keys) {
  const auto& g = geometry_;
  pointer_ = p;
  if (onEntries(p)) {
    const int i = contentIndexAt(p.x);
    PictureEntry& entry = *entries_[static_cast<std::size_t>(i)];
    if (keys & MK_SHIFT) {
      selectRange(std::min(anchorIndex_, entryCount() - 1), i);
      repaintRegion(g.area);
    } else if (keys & MK_CONTROL) {
      entry.selected = !entry.selected;
      repaintRegion(cellRect(i));
      anchorIndex_ = i;
    } else if (entry.selected) {
      // The selection stays, so that a drag moves all of it; a release
      // without a drag leaves this picture alone selected.
      collapsePending_ = true;
      anchorIndex_ = i;
    } else {
      selectOnly(i);
      repaintRegion(g.area);
      anchorIndex_ = i;
    }
    itemDragging_ = true;
    dragMoved_ = false;
    pressPoint_ = p;
  } else if (PtInRect(&g.topStrip, p) || PtInRect(&g.bottomStrip, p)) {
    selectOnly(-1);
    repaintRegion(g.area);
    dragScrollStartX_ = p.x;
    dragScrollStartPos_ = scroll_.position;
  } else if (PtInRect(&g.leftArrow, p) || PtInRect(&g.rightArrow, p)) {
    arrowPressed_ = true;
    repaintRegion(PtInRect(&g.leftArrow, p) ? g.leftArrow : g.rightArrow);
  }
  buttonHeld_ = true;
  SetTimer(handle(), kScrollTimer, kScrollTimerPeriod, nullptr);
  SetCapture(handle());
  notifyParent(PLN_LBUTTONDOWN, p);
}

void PictureList::onLeftButtonUp(POINT p) {
  const auto& g = geometry_;
  pointer_ = p;
  buttonHeld_ = false;
  if (collapsePending_) {
    selectOnly(anchorIndex_);
    repaintRegion(g.area);
    collapsePending_ = false;
  }
  if (arrowPressed_) {
    arrowPressed_ = false;
    repaintRegion(g.leftArrow);
    repaintRegion(g.rightArrow);
  }
  if (itemDragging_ && dropIndex_ != -1) {
    KillTimer(handle(), kScrollTimer);
    itemDragging_ = false;
    repaintRegion(gapRect(dropIndex_));
    dropSelection(dropIndex_);
    repaintRegion(g.area);
    dropIndex_ = -1;
  } else {
    dragScrollStartX_ = -1;
  }
  if (GetCapture() == handle()) ReleaseCapture();
  notifyParent(PLN_LBUTTONUP, p);
}

void PictureList::onMouseMove(POINT p) {
  pointer_ = p;
  if (!trackingLeave_) {
    TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, handle(), 0};
    trackingLeave_ = TrackMouseEvent(&track) != FALSE;
  }
  if (itemDragging_) {
    // A press becomes a drag only once the pointer has moved as far as the
    // system asks of a drag: a click with a trembling hand reorders nothing.
    if (!dragMoved_ && std::abs(p.x - pressPoint_.x) <= GetSystemMetrics(SM_CXDRAG) &&
        std::abs(p.y - pressPoint_.y) <= GetSystemMetrics(SM_CYDRAG)) {
      notifyParent(PLN_MOUSEMOVE, p);
      return;
    }
    dragMoved_ = true;
    if (dragCursor_) SetCursor(dragCursor_);
    if (dropIndex_ != -1) {
      const RECT cell = cellRect(dropIndex_);
      if (!PtInRect(&cell, p)) {
        const int old = dropIndex_;
        dropIndex_ = -1;
        repaintRegion(gapRect(old));
      }
    }
    if (inArea(p)) {
      const int t = contentIndexAt(p.x);
      if (t != dropIndex_ && t <= entryCount()) {
        dropIndex_ = t;
        repaintRegion(gapRect(t));
      }
    }
    collapsePending_ = false;
  } else if (dragScrollStartX_ != -1) {
    setScrollPosition(dragScrollStartPos_ + dragScrollStartX_ - p.x);
  }
  notifyParent(PLN_MOUSEMOVE, p);
}

// The pointer has gone to another window (or off a window that another one
// now covers): the parent hears of it as a move to where the pointer is, so
// that what it shows for the picture under the pointer goes away although no
// move over the control came first. Nothing else changes: a drag goes on
// through the capture.
void PictureList::onMouseLeave() {
  trackingLeave_ = false;
  POINT p{};
  GetCursorPos(&p);
  ScreenToClient(handle(), &p);
  notifyParent(PLN_MOUSEMOVE, p);
}

void PictureList::onRightButtonDown(POINT p, WPARAM keys) {
  pointer_ = p;
  if (inArea(p) && !(keys & (MK_SHIFT | MK_CONTROL))) {
    const int i = contentIndexAt(p.x);
    if (i >= entryCount() || !entries_[static_cast<std::size_t>(i)]->selected) {
      // A right click on a selected picture keeps the whole selection (for
      // the context menu); anywhere else it selects what is under it.
      selectOnly(i < entryCount() ? i : -1);
      repaintRegion(geometry_.area);
      anchorIndex_ = std::min(i, std::max(entryCount() - 1, 0));
    }
  }
  notifyParent(PLN_RBUTTONDOWN, p);
}

void PictureList::onTimer() {
  const auto& g = geometry_;
  const bool inLeft = PtInRect(&g.leftArrow, pointer_) != FALSE;
  const bool inRight = PtInRect(&g.rightArrow, pointer_) != FALSE;
  if ((buttonHeld_ || itemDragging_) && (inLeft || inRight)) {
    // The deeper the pointer is in an arrow, the faster the strip moves.
    const int step = inLeft ? pointer_.x - g.leftArrow.right : pointer_.x - g.rightArrow.left;
    arrowPressed_ = true;
    setScrollPosition(scroll_.position + step);
  } else if (arrowPressed_) {
    arrowPressed_ = false;
    repaintRegion(g.leftArrow);
    repaintRegion(g.rightArrow);
  }
}

void PictureList::onCaptureLost() {
  buttonHeld_ = false;
  KillTimer(handle(), kScrollTimer);
  if (arrowPressed_) {
    arrowPressed_ = false;
    repaintRegion(geometry_.leftArrow);
    repaintRegion(geometry_.rightArrow);
  }
  itemDragging_ = false;
  collapsePending_ = false;
  dragScrollStartX_ = -1;
  if (dropIndex_ != -1) {
    const int old = dropIndex_;
    dropIndex_ = -1;
    repaintRegion(gapRect(old));
  }
}

// -- messages --------------------------------------------------------------------

LRESULT PictureList::onMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  const POINT p{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
  switch (message) {
    case WM_CREATE:
      return onCreate() ? 0 : -1;
    case WM_PAINT:
      onPaint();
      return 0;
    case WM_LBUTTONDOWN:
      onLeftButtonDown(p, wParam);
      return 0;
    case WM_LBUTTONUP:
      onLeftButtonUp(p);
      return 0;
    case WM_MOUSEMOVE:
      onMouseMove(p);
      return 0;
    case WM_RBUTTONDOWN:
      onRightButtonDown(p, wParam);
      return 0;
    case WM_RBUTTONUP:
      pointer_ = p;
      notifyParent(PLN_RBUTTONUP, p);
      return 0;
    case WM_TIMER:
      if (wParam == kScrollTimer) {
        onTimer();
        return 0;
      }
      break;
    case WM_CAPTURECHANGED:
      onCaptureLost();
      return 0;
    case WM_MOUSELEAVE:
      onMouseLeave();
      return 0;
    case WM_MOUSEWHEEL:
      scrollByWheel(GET_WHEEL_DELTA_WPARAM(wParam));
      return 0;
    default:
      break;
  }
  return DefWindowProcA(handle(), message, wParam, lParam);
}
