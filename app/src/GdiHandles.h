// Scoped owners for GDI objects, device contexts and image lists, so that
// every early return releases what was made.
#pragma once
#include <windows.h>
#include <commctrl.h>

#include <utility>

// Owns one handle and gives it back with `Free` (DeleteObject,
// ImageList_Destroy, ...) when it goes or is replaced.
template <typename Handle, auto Free>
class ScopedHandle {
 public:
  ScopedHandle() = default;
  explicit ScopedHandle(Handle h) : handle_(h) {}
  ScopedHandle(const ScopedHandle&) = delete;
  ScopedHandle& operator=(const ScopedHandle&) = delete;
  ScopedHandle(ScopedHandle&& other) noexcept : handle_(other.release()) {}
  ScopedHandle& operator=(ScopedHandle&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  ~ScopedHandle() { reset(); }

  Handle get() const { return handle_; }
  explicit operator bool() const { return handle_ != nullptr; }
  Handle release() { return std::exchange(handle_, nullptr); }
  void reset(Handle h = nullptr) {
    if (handle_) Free(handle_);
    handle_ = h;
  }

 private:
  Handle handle_ = nullptr;
};

// A GDI object (bitmap, region, font, brush), deleted with DeleteObject.
template <typename Handle>
using GdiObject = ScopedHandle<Handle, &DeleteObject>;

using BitmapHandle = GdiObject<HBITMAP>;
using RegionHandle = GdiObject<HRGN>;
using FontHandle = GdiObject<HFONT>;
using BrushHandle = GdiObject<HBRUSH>;

// A memory device context made with CreateCompatibleDC, deleted with DeleteDC.
class MemoryDC {
 public:
  MemoryDC() = default;
  explicit MemoryDC(HDC compatibleWith) : dc_(CreateCompatibleDC(compatibleWith)) {}
  MemoryDC(const MemoryDC&) = delete;
  MemoryDC& operator=(const MemoryDC&) = delete;
  MemoryDC(MemoryDC&& other) noexcept : dc_(std::exchange(other.dc_, nullptr)) {}
  MemoryDC& operator=(MemoryDC&& other) noexcept {
    if (this != &other) {
      if (dc_) DeleteDC(dc_);
      dc_ = std::exchange(other.dc_, nullptr);
    }
    return *this;
  }
  ~MemoryDC() {
    if (dc_) DeleteDC(dc_);
  }

  HDC get() const { return dc_; }
  explicit operator bool() const { return dc_ != nullptr; }

 private:
  HDC dc_ = nullptr;
};

// A window's device context from GetDC, given back with ReleaseDC.
class WindowDC {
 public:
  explicit WindowDC(HWND window) : window_(window), dc_(GetDC(window)) {}
  WindowDC(const WindowDC&) = delete;
  WindowDC& operator=(const WindowDC&) = delete;
  ~WindowDC() {
    if (dc_) ReleaseDC(window_, dc_);
  }
  HDC get() const { return dc_; }

 private:
  HWND window_;  // not owned
  HDC dc_;
};

// Selects an object into a context for the lifetime of this guard and puts
// the previous one back afterwards.
class SelectGuard {
 public:
  SelectGuard(HDC dc, HGDIOBJ object) : dc_(dc), previous_(SelectObject(dc, object)) {}
  SelectGuard(const SelectGuard&) = delete;
  SelectGuard& operator=(const SelectGuard&) = delete;
  ~SelectGuard() {
    if (previous_ && previous_ != HGDI_ERROR) SelectObject(dc_, previous_);
  }

 private:
  HDC dc_;            // not owned
  HGDIOBJ previous_;  // not owned
};

// An image list, destroyed with ImageList_Destroy.
using ImageListHandle = ScopedHandle<HIMAGELIST, &ImageList_Destroy>;

// A bitmap of a fixed size selected into its own memory context: a place
// to draw off the screen. The bitmap is compatible with the given context.
class OffscreenBuffer {
 public:
  OffscreenBuffer() = default;
  OffscreenBuffer(const OffscreenBuffer&) = delete;
  OffscreenBuffer& operator=(const OffscreenBuffer&) = delete;
  ~OffscreenBuffer() { reset(); }

  // A new bitmap of the given size.
  bool create(HDC compatibleWith, int width, int height) {
    reset();
    if (width <= 0 || height <= 0) return false;
    return adopt(compatibleWith, BitmapHandle(CreateCompatibleBitmap(compatibleWith, width, height)));
  }
  // A bitmap made elsewhere (a picture loaded), owned from now on; its size
  // is the buffer's.
  bool adopt(HDC compatibleWith, BitmapHandle bitmap) {
    reset();
    BITMAP info{};
    if (!bitmap || !GetObject(bitmap.get(), sizeof info, &info) || info.bmWidth <= 0 || info.bmHeight <= 0)
      return false;
    bitmap_ = std::move(bitmap);
    dc_ = MemoryDC(compatibleWith);
    if (!dc_) {
      reset();
      return false;
    }
    previous_ = SelectObject(dc_.get(), bitmap_.get());
    width_ = info.bmWidth;
    height_ = info.bmHeight;
    return true;
  }
  void reset() {
    if (dc_ && previous_) SelectObject(dc_.get(), previous_);
    previous_ = nullptr;
    dc_ = MemoryDC();
    bitmap_.reset();
    width_ = height_ = 0;
  }

  HDC dc() const { return dc_.get(); }
  explicit operator bool() const { return dc_.get() != nullptr; }
  int width() const { return width_; }
  int height() const { return height_; }

 private:
  BitmapHandle bitmap_;
  MemoryDC dc_;
  HGDIOBJ previous_ = nullptr;  // not owned: what dc_ held before bitmap_
  int width_ = 0;
  int height_ = 0;
};
