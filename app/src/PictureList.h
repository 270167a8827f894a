// The film strip across the top of the main window: the album's pictures in
// album order as 4:3 thumbnails, each with its 1-based number above it and
// the mark of its transition in the gap before it, and in its bottom
// corners the mark of its motion (left) and of its caption (right) when it
// has them. Pictures are selected
// with the mouse (click, Ctrl-click, Shift-click from the anchor), reordered
// by dragging (a red marker shows where they go), scrolled by the arrows at
// both ends, by dragging the sprocket strips, or by dragging pictures onto
// an arrow, and deleted. Every mouse event is reported to the parent with
// PictureListNotify; the pointer leaving the control is reported as a move
// to where it went.
//
// Everything is drawn into five off-screen buffers (thumbnail area, top and
// bottom strip, two arrows) and only the part that changed is redrawn; a
// paint copies the buffers to the window.
#pragma once
#include <windows.h>
#include <commctrl.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "CustomWindow.h"
#include "GdiHandles.h"
#include "Thumbnails.h"
#include "album/motion.h"
#include "media/result.h"

// Sent (synchronously) to the parent after each mouse event: wParam is the
// event code below, lParam the pointer in the list's client coordinates (x
// in the low 16 bits, y in the high 16 bits).
constexpr UINT PictureListNotify = WM_USER + 1;
enum PictureListEvent : WPARAM {
  PLN_MOUSEMOVE = 0,
  PLN_LBUTTONDOWN = 1,
  PLN_LBUTTONUP = 2,
  PLN_RBUTTONDOWN = 3,
  PLN_RBUTTONUP = 4,
};

// One picture of the album.
struct PictureEntry {
  int width = 0;  // picture size in pixels
  int height = 0;
  std::string path;  // source picture file, at most MAX_PATH - 1 characters
  bool selected = false;
  int thumbnailIndex = -1;         // image in the thumbnail list
  std::string tempJpegPath;        // empty: the make pipeline keeps its rendered pictures to itself
  int transition = 0;              // transition index 0..12
  std::optional<int> holdSeconds;  // its own hold after the transition; else the album's seconds
  slidewright::Motion motion{};    // zoom or pan while it is on screen, as an album file gave it
  std::string caption;             // UTF-8 text shown while it is held, as an album file gave it; empty: none
};

// Where the parts of the control are, from its client size, the sprocket
// tile's height and the width of one arrow.
struct PictureListGeometry {
  int width = 0, height = 0;  // client size
  int sprocket = 0;           // S: height of the strips and inset of the thumbnail area
  int arrowWidth = 0;         // A
  RECT area{}, topStrip{}, bottomStrip{}, leftArrow{}, rightArrow{};
  int thumbHeight = 0;  // H: height of the area and of every thumbnail
  int thumbWidth = 0;   // B = 4H/3
  int areaWidth = 0;
  int cellWidth = 0;  // a 20-pixel gap before each thumbnail, then the thumbnail

  static constexpr int kGap = 20;
  static PictureListGeometry compute(int width, int height, int sprocket, int arrowWidth);
};

// The scroll position in pixels of content, kept between 0 and the range's
// maximum minus the page plus one, as a scroll bar keeps it.
struct StripScroll {
  int maximum = 0;
  int page = 0;
  int position = 0;

  void setRange(int newMaximum, int newPage);
  void setPosition(int newPosition);
  int maxPosition() const;
};

struct PictureAddFailure {
  std::string path;
  slidewright::media::ErrorKind reason;  // worded by the window in its language
};

// Where the picture list is made.
struct PictureListArgs {
  HWND parent = nullptr;  // not owned: receives the notifications
  RECT rect{};            // in the parent's client coordinates
  int controlId = 0;
  HINSTANCE resources = nullptr;  // holds the bitmaps and the drag cursor
};

class PictureList : public CustomWindow {
 public:
  static constexpr int kScrollTimer = 100;
  static constexpr UINT kScrollTimerPeriod = 50;  // milliseconds

  PictureList() = default;
  ~PictureList() override;

  // Creates the control as a bordered child over the rectangle; the parent
  // gets the notifications. False when the window, its bitmaps or its
  // buffers cannot be made.
  bool create(const PictureListArgs& args);

  // Takes a copy of the host's transition marks (image k for transition k).
  void setTransitionImages(HIMAGELIST marks);
  HIMAGELIST transitionImages() const { return marks_.get(); }

  // Adds pictures at the end in the order given, drawing each thumbnail as
  // soon as it is made; the files that cannot be read as pictures are not
  // added and are returned with the reason. The paths come checked by the
  // window (checkedPicturePath, gathered), too long ones already refused.
  std::vector<PictureAddFailure> addPictures(const std::vector<std::string>& paths);
  bool addPicture(const std::string& path) { return addPictures({path}).empty(); }
  // Appends a copy of every selected picture at the end, in list order and
  // unselected: the same file, size, thumbnail and transition. Returns how
  // many were appended.
  int copySelected();
  void deleteSelected();
  void deleteAll();
  // Gives every selected picture the transition; false, changing nothing,
  // for an index without a mark.
  bool setTransitionOfSelected(int index);
  // Gives every selected picture the motion, or the caption (UTF-8, empty
  // for none), and redraws their marks.
  void setMotionOfSelected(const slidewright::Motion& motion);
  void setCaptionOfSelected(const std::string& caption);
  // Puts the pictures in a new order: order[k] is the index of the picture
  // to stand k-th. False, and nothing changed, unless it names each once.
  bool reorder(const std::vector<std::size_t>& order);

  int entryCount() const { return static_cast<int>(entries_.size()); }
  const PictureEntry& entryAt(int index) const { return *entries_[static_cast<std::size_t>(index)]; }
  PictureEntry& entryAt(int index) { return *entries_[static_cast<std::size_t>(index)]; }
  bool anySelected() const;
  // The picture under a point of the client area, or -1.
  int hitTest(int x, int y) const;

  const PictureListGeometry& geometry() const { return geometry_; }
  int scrollPosition() const { return scroll_.position; }
  const StripScroll& scroll() const { return scroll_; }

  // Moves the strip by one picture for each notch of a mouse wheel
  // (WM_MOUSEWHEEL's delta: positive towards the first picture).
  void scrollByWheel(int delta);

  // Redraws every part that the rectangle (client coordinates) touches
  // into its buffer and invalidates it.
  void repaintRegion(const RECT& rect);

 private:
  LRESULT onMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  bool onCreate();
  void onPaint();
  void onLeftButtonDown(POINT p, WPARAM keys);
  void onLeftButtonUp(POINT p);
  void onMouseMove(POINT p);
  void onRightButtonDown(POINT p, WPARAM keys);
  void onTimer();
  void onCaptureLost();
  void onMouseLeave();
  void notifyParent(PictureListEvent event, POINT p) const;

  bool appendEntry(const std::string& path, const Thumbnail& thumbnail);
  // Appends the entry with image `image` of the thumbnail list as its
  // thumbnail, drawing it when it is in view; on failure the image goes.
  bool appendWithImage(PictureEntry entry, int image);
  int copyThumbnail(int image);
  void selectOnly(int index);
  void selectRange(int from, int to);
  void dropSelection(int target);
  void setScrollPosition(int position);

  RECT clientRect() const;
  RECT cellRect(int index) const;  // the whole cell in client coordinates, clipped to the area
  RECT gapRect(int index) const;   // its 20-pixel gap, clipped to the area
  int contentIndexAt(int x) const;
  bool inArea(POINT p) const;
  bool onEntries(POINT p) const;

  void drawArea(int left, int right);
  void drawStrip(OffscreenBuffer& strip, bool numbers);
  void drawArrow(bool left);
  void drawPictureMarks(HDC dc, const PictureEntry& entry, int thumbLeft);
  void blendHighlight(HDC dc, int x, int y, int width, int height);

  HWND parent_ = nullptr;  // not owned: receives the notifications
  HINSTANCE resources_ = nullptr;
  PictureListGeometry geometry_;

  std::vector<std::unique_ptr<PictureEntry>> entries_;
  ImageListHandle thumbnails_;
  ImageListHandle marks_;
  SIZE markSize_{};
  ImageListHandle pictureMarks_;  // bitmap 161: the motions' marks, then the caption's
  BitmapHandle sprocket_;
  BitmapHandle arrows_;
  HCURSOR dragCursor_ = nullptr;  // shared resource cursor, not destroyed
  OffscreenBuffer areaBuffer_, topBuffer_, bottomBuffer_, leftBuffer_, rightBuffer_;
  OffscreenBuffer highlight_;  // one pixel of the highlight colour, blended over selected pictures
  StripScroll scroll_;

  int anchorIndex_ = 0;
  int dropIndex_ = -1;
  bool itemDragging_ = false;
  bool dragMoved_ = false;  // the pointer has left the press point by the system's drag distance
  POINT pressPoint_{};
  bool collapsePending_ = false;
  bool buttonHeld_ = false;
  bool arrowPressed_ = false;
  int dragScrollStartX_ = -1;
  int dragScrollStartPos_ = 0;
  POINT pointer_{-1, -1};       // last pointer position seen, client coordinates
  bool trackingLeave_ = false;  // the system reports when the pointer leaves the window
};
