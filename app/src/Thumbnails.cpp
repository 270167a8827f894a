#include "Thumbnails.h"

#include <algorithm>
#include <condition_variable>
#include <exception>
#include <new>
#include <mutex>
#include <optional>
#include <thread>

#include "PictureFile.h"

namespace media = slidewright::media;

ThumbnailFit fitThumbnail(int w, int h, int boxWidth, int boxHeight) {
  ThumbnailFit fit;
  if (w <= 0 || h <= 0) return fit;
  const long long W = w, H = h;
  if (W * 3 < H * 4) {
    fit.height = boxHeight;
    fit.width = static_cast<int>(boxHeight * W / H);
  } else {
    fit.width = boxWidth;
    fit.height = static_cast<int>(boxWidth * H / W);
  }
  // A picture of one row or column still shows as a line.
  fit.width = std::clamp(fit.width, 1, std::max(boxWidth, 1));
  fit.height = std::clamp(fit.height, 1, std::max(boxHeight, 1));
  return fit;
}

Thumbnail makeThumbnail(const std::string& path, int boxWidth, int boxHeight) {
  Thumbnail t;
  if (boxWidth <= 0 || boxHeight <= 0) {
    t.error = "no room for a thumbnail";
    t.errorKind = media::ErrorKind::Internal;
    return t;
  }
  PictureFile picture;
  PictureLoadOptions options;
  options.fitWidth = 2 * boxWidth;
  options.fitHeight = 2 * boxHeight;
  // Up to four workers make thumbnails at once: phone pictures without a
  // thumbnail image of their own are decoded whole one at a time.
  options.largeDecodesOneAtATime = true;
  options.background = RGB(kThumbnailBarGrey, kThumbnailBarGrey, kThumbnailBarGrey);
  if (!picture.load(path, options)) {
    // The message starts with the path; the caller names the file itself.
    const std::string& message = picture.lastError();
    t.error =
        message.compare(0, path.size() + 2, path + ": ") == 0 ? message.substr(path.size() + 2) : message;
    t.errorKind = picture.lastErrorKind();
    return t;
  }
  t.pictureWidth = picture.widthPixels();
  t.pictureHeight = picture.heightPixels();

  // The picture at twice the thumbnail size, centred over grey.
  const ThumbnailFit fit = fitThumbnail(t.pictureWidth, t.pictureHeight, boxWidth, boxHeight);
  auto doubled = media::Image::create(2 * boxWidth, 2 * boxHeight,
                                      media::Rgb{kThumbnailBarGrey, kThumbnailBarGrey, kThumbnailBarGrey});
  if (!doubled || !picture.renderInto(doubled.value(), boxWidth - fit.width, boxHeight - fit.height,
                                      2 * fit.width, 2 * fit.height)) {
    t.error = "the picture cannot be drawn (not enough memory)";
    t.errorKind = media::ErrorKind::TooLarge;
    return t;
  }
  picture.release();

  // Each thumbnail pixel is the mean of a 2 x 2 block, stored bottom-up as
  // blue, green, red.
  const media::Image& src = doubled.value();
  t.width = boxWidth;
  t.height = boxHeight;
  t.bits.assign(t.stride() * static_cast<std::size_t>(boxHeight), 0);
  for (int y = 0; y < boxHeight; ++y) {
    const std::uint8_t* row0 = &src.rgb[static_cast<std::size_t>(2 * y) * src.width * 3];
    const std::uint8_t* row1 = row0 + static_cast<std::size_t>(src.width) * 3;
    std::uint8_t* out = &t.bits[static_cast<std::size_t>(boxHeight - 1 - y) * t.stride()];
    for (int x = 0; x < boxWidth; ++x) {
      const std::size_t a = static_cast<std::size_t>(2 * x) * 3, b = a + 3;
      for (int c = 0; c < 3; ++c) {
        const unsigned sum = row0[a + c] + row0[b + c] + row1[a + c] + row1[b + c];
        out[x * 3 + 2 - c] = static_cast<std::uint8_t>(sum >> 2);
      }
    }
  }
  t.ok = true;
  return t;
}

void makeThumbnails(const std::vector<std::string>& paths, int boxWidth, int boxHeight,
                    const std::function<void(std::size_t, Thumbnail&&)>& take) {
  const std::size_t count = paths.size();
  const unsigned workers = static_cast<unsigned>(
      std::min<std::size_t>(count, std::clamp(std::thread::hardware_concurrency(), 1u, 4u)));
  if (workers <= 1) {
    for (std::size_t i = 0; i < count; ++i) take(i, makeThumbnail(paths[i], boxWidth, boxHeight));
    return;
  }

  // Each worker takes the next path; finished thumbnails wait in their slot
  // until the caller has taken every one before them. A thumbnail is a few
  // kilobytes, so a worker running ahead holds little.
  std::mutex mutex;
  std::condition_variable done;
  std::vector<std::optional<Thumbnail>> slots(count);
  std::size_t next = 0;
  auto work = [&] {
    for (;;) {
      std::size_t i;
      {
        std::lock_guard<std::mutex> lock(mutex);
        if (next >= count) return;
        i = next++;
      }
      Thumbnail t;
      try {
        t = makeThumbnail(paths[i], boxWidth, boxHeight);
      } catch (const std::bad_alloc&) {
        t = Thumbnail{};
        t.error = "not enough memory to read the picture";
        t.errorKind = media::ErrorKind::TooLarge;
      }
      {
        std::lock_guard<std::mutex> lock(mutex);
        slots[i] = std::move(t);
      }
      done.notify_one();
    }
  };
  std::vector<std::thread> threads;
  threads.reserve(workers);
  for (unsigned k = 0; k < workers; ++k) threads.emplace_back(work);
  // The workers finish whatever the caller does with the results: a take()
  // that throws (out of memory) is rethrown only once they have ended.
  std::exception_ptr failure;
  for (std::size_t i = 0; i < count && !failure; ++i) {
    Thumbnail t;
    {
      std::unique_lock<std::mutex> lock(mutex);
      done.wait(lock, [&] { return slots[i].has_value(); });
      t = std::move(*slots[i]);
      slots[i].reset();
    }
    try {
      take(i, std::move(t));
    } catch (...) {
      failure = std::current_exception();
      std::lock_guard<std::mutex> lock(mutex);
      next = count;
    }
  }
  for (std::thread& thread : threads) thread.join();
  if (failure) std::rethrow_exception(failure);
}
