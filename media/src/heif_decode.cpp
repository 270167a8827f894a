// HEIC/HEIF (HEVC) and AVIF (AV1) pictures through libheif, which reads both
// containers and has a decoder for each. libheif applies each image item's
// rotation and mirroring (irot, imir) and cropping itself; the EXIF
// orientation that phones also write describes the same turn and is not
// applied again. The codecs decode only at full size, so a picture asked for
// at a size its embedded thumbnail image covers (phones store one of about
// 320 x 240) is made from that thumbnail; otherwise the full-size pixels are
// shrunk to the drawn size at once and freed.
#include <algorithm>
#include <condition_variable>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include <libheif/heif.h>

#include "colour_convert.h"
#include "decoders.h"
#include "media/canvas.h"

namespace slidewright::media::detail {

namespace {

struct ContextFree {
  void operator()(heif_context* c) const { heif_context_free(c); }
};
struct HandleRelease {
  void operator()(heif_image_handle* h) const { heif_image_handle_release(h); }
};
struct ImageRelease {
  void operator()(heif_image* i) const { heif_image_release(i); }
};
using Context = std::unique_ptr<heif_context, ContextFree>;
using Handle = std::unique_ptr<heif_image_handle, HandleRelease>;
using HeifImage = std::unique_ptr<heif_image, ImageRelease>;

Error heifError(const heif_error& e, const char* format) {
  const std::string why = e.message ? e.message : "unknown error";
  switch (e.code) {
    case heif_error_Unsupported_filetype:
    case heif_error_Unsupported_feature:
      return fail(ErrorKind::NotSupported,
                  std::string("a ") + format + " picture this program cannot decode (" + why + ")");
    case heif_error_Memory_allocation_error:
      return fail(ErrorKind::TooLarge, "the picture is too large to decode in the memory available");
    default:
      return fail(ErrorKind::Damaged,
                  std::string("the ") + format + " data is damaged or unsupported (" + why + ")");
  }
}

struct OpenedFile {
  Context context;
  Handle primary;
};

Result<OpenedFile> openPrimary(const std::uint8_t* data, std::size_t size, const char* format) {
  OpenedFile f;
  f.context.reset(heif_context_alloc());
  if (!f.context) return fail(ErrorKind::Internal, "the HEIF reader cannot start");
  heif_error e = heif_context_read_from_memory_without_copy(f.context.get(), data, size, nullptr);
  if (e.code != heif_error_Ok) return heifError(e, format);
  heif_image_handle* h = nullptr;
  e = heif_context_get_primary_image_handle(f.context.get(), &h);
  if (e.code != heif_error_Ok) return heifError(e, format);
  f.primary.reset(h);
  return f;
}

// Converts the picture's colours to sRGB from the ICC profile or the nclx
// description its file gives, if any.
void toSrgb(Image& image, const heif_image_handle* handle) {
  switch (heif_image_handle_get_color_profile_type(handle)) {
    case heif_color_profile_type_prof:
    case heif_color_profile_type_rICC: {
      std::vector<std::uint8_t> icc(heif_image_handle_get_raw_color_profile_size(handle));
      if (icc.empty() || heif_image_handle_get_raw_color_profile(handle, icc.data()).code != heif_error_Ok)
        return;
      convertIccToSrgb(image, icc.data(), icc.size());
      return;
    }
    case heif_color_profile_type_nclx: {
      heif_color_profile_nclx* nclx = nullptr;
      if (heif_image_handle_get_nclx_color_profile(handle, &nclx).code != heif_error_Ok || !nclx) return;
      const int primaries = nclx->color_primaries, transfer = nclx->transfer_characteristics;
      heif_nclx_color_profile_free(nclx);
      convertNclxToSrgb(image, primaries, transfer);
      return;
    }
    default:
      return;
  }
}

// Lets one decode of a large picture at a time run among the callers that
// ask for it (DecodeOptions::largeDecodesOneAtATime), from whichever thread.
// Each takes a few hundred megabytes at its peak (the codec's frames, the
// YCbCr planes, the RGB copy), and such callers decode pictures on several
// worker threads at once. Memory is the process's, so the limit is too;
// smaller pictures and embedded thumbnails pass freely.
class LargeDecodeTurn {
 public:
  LargeDecodeTurn(std::uint64_t pixels, bool wanted) : held_(wanted && pixels >= kLargePixels) {
    if (!held_) return;
    std::unique_lock<std::mutex> lock(mutex_);
    freed_.wait(lock, [] { return !busy_; });
    busy_ = true;
  }
  ~LargeDecodeTurn() {
    if (!held_) return;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      busy_ = false;
    }
    freed_.notify_one();
  }
  LargeDecodeTurn(const LargeDecodeTurn&) = delete;
  LargeDecodeTurn& operator=(const LargeDecodeTurn&) = delete;

 private:
  static constexpr std::uint64_t kLargePixels = 4'000'000;
  static inline std::mutex mutex_;
  static inline std::condition_variable freed_;
  static inline bool busy_ = false;
  const bool held_;
};

struct Target {
  int width = 0, height = 0;
};

// What decodeItem gives: the item's upright pixels, maybe shrunk, and the
// size of the whole item.
struct DecodedItem {
  Image pixels;
  int width = 0, height = 0;
};

// Decodes one image item, upright, into 8-bit RGB pixels, transparent parts
// drawn over the background, and converts their colours to sRGB by the
// description `colours` gives. The pixels are shrunk to `size(w, h)` of the
// item's own size w x h, never enlarged.
template <typename SizeOf>
Result<DecodedItem> decodeItem(const heif_image_handle* item, const heif_image_handle* colours, SizeOf size,
                               const DecodeOptions& options, const char* format) {
  const bool alpha = heif_image_handle_has_alpha_channel(item) != 0;
  std::optional<LargeDecodeTurn> turn;
  turn.emplace(static_cast<std::uint64_t>(std::max(heif_image_handle_get_width(item), 0)) *
                   static_cast<std::uint64_t>(std::max(heif_image_handle_get_height(item), 0)),
               options.largeDecodesOneAtATime);
  heif_image* decodedRaw = nullptr;
  heif_error e =
      heif_decode_image(item, &decodedRaw, heif_colorspace_RGB,
                        alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB, nullptr);
  HeifImage decoded(decodedRaw);
  if (e.code != heif_error_Ok) return heifError(e, format);
  int stride = 0;
  const std::uint8_t* pixels =
      heif_image_get_plane_readonly(decoded.get(), heif_channel_interleaved, &stride);
  const int w = heif_image_get_width(decoded.get(), heif_channel_interleaved);
  const int h = heif_image_get_height(decoded.get(), heif_channel_interleaved);
  if (!pixels || w <= 0 || h <= 0 ||
      heif_image_get_bits_per_pixel_range(decoded.get(), heif_channel_interleaved) != 8)
    return fail(ErrorKind::NotSupported,
                std::string("a ") + format + " picture of a pixel layout this program cannot use");
  const Target wanted = size(w, h);
  const Target shrunk{std::clamp(wanted.width, 1, w), std::clamp(wanted.height, 1, h)};

  Image upright;
  if (!alpha) {
    // Shrunk straight from the codec's buffer: the full-size pixels are
    // never copied.
    auto resized =
        resizeAreaRows(pixels, w, h, static_cast<std::size_t>(stride), shrunk.width, shrunk.height);
    if (!resized) return resized.error();
    upright = std::move(resized.value());
  } else {
    auto made = Image::create(w, h);
    if (!made) return made.error();
    upright = std::move(made.value());
    for (int y = 0; y < h; ++y) {
      const std::uint8_t* s = pixels + static_cast<std::size_t>(y) * stride;
      std::uint8_t* d = &upright.rgb[static_cast<std::size_t>(y) * w * 3];
      for (int x = 0; x < w; ++x, s += 4, d += 3) {
        const Rgb c = over({s[0], s[1], s[2]}, s[3], options.background);
        d[0] = c.r;
        d[1] = c.g;
        d[2] = c.b;
      }
    }
    decoded.reset();  // the codec's full-size pixels are no longer needed
    turn.reset();
    if (shrunk.width < w || shrunk.height < h) {
      auto resized = resizeArea(upright, shrunk.width, shrunk.height);
      if (!resized) return resized.error();
      upright = std::move(resized.value());
    }
  }
  decoded.reset();
  turn.reset();
  toSrgb(upright, colours);
  return DecodedItem{std::move(upright), w, h};
}

// The smallest thumbnail image of the primary that is at least the target
// size and has the picture's shape (a thumbnail stored without the
// picture's rotation would not), or nothing.
Handle coveringThumbnail(const heif_image_handle* primary, int width, int height, Target target) {
  const int count = heif_image_handle_get_number_of_thumbnails(primary);
  if (count <= 0) return {};
  std::vector<heif_item_id> ids(static_cast<std::size_t>(count));
  const int listed = heif_image_handle_get_list_of_thumbnail_IDs(primary, ids.data(), count);
  Handle best;
  for (int i = 0; i < listed; ++i) {
    heif_image_handle* raw = nullptr;
    if (heif_image_handle_get_thumbnail(primary, ids[static_cast<std::size_t>(i)], &raw).code !=
        heif_error_Ok)
      continue;
    Handle thumbnail(raw);
    const std::int64_t tw = heif_image_handle_get_width(raw), th = heif_image_handle_get_height(raw);
    // Thumbnails are rounded to even sizes: allow two pixels each way.
    const bool sameShape = std::llabs(tw * height - th * width) <= 2 * (std::int64_t{width} + height);
    if (tw < target.width || th < target.height || tw >= width || th >= height || !sameShape) continue;
    if (!best || tw < heif_image_handle_get_width(best.get())) best = std::move(thumbnail);
  }
  return best;
}

}  // namespace

Result<Picture> decodeHeif(const std::uint8_t* data, std::size_t size, PictureKind kind,
                           const DecodeOptions& options) {
  const char* format = kind == PictureKind::Avif ? "AVIF" : "HEIC";
  auto opened = openPrimary(data, size, format);
  if (!opened) return opened.error();
  const heif_image_handle* handle = opened.value().primary.get();
  const int width = heif_image_handle_get_width(handle), height = heif_image_handle_get_height(handle);
  if (width <= 0 || height <= 0) return fail(ErrorKind::Damaged, "the picture has no pixels");
  if (Status s = checkPictureSize(static_cast<std::uint64_t>(width), static_cast<std::uint64_t>(height)); !s)
    return s.error();

  Picture p;
  p.kind = kind;
  const bool fitted = options.fitWidth > 0 && options.fitHeight > 0;
  if (fitted && options.fromEmbeddedThumbnail) {
    const FitRect fit = fitPicture(width, height, options.fitWidth, options.fitHeight);
    const Target target{std::min(fit.width, width), std::min(fit.height, height)};
    if (Handle thumbnail = coveringThumbnail(handle, width, height, target)) {
      // Its own colour description, else the picture's.
      const heif_image_handle* colours =
          heif_image_handle_get_color_profile_type(thumbnail.get()) != heif_color_profile_type_not_present
              ? thumbnail.get()
              : handle;
      auto small = decodeItem(
          thumbnail.get(), colours, [&](int, int) { return target; }, options, format);
      // A thumbnail that cannot be decoded, or is smaller than it said,
      // leaves the picture to be decoded whole.
      if (small && small.value().pixels.width == target.width &&
          small.value().pixels.height == target.height) {
        p.width = width;
        p.height = height;
        p.pixels = std::move(small.value().pixels);
        return p;
      }
    }
  }
  auto whole = decodeItem(
      handle, handle,
      [&](int w, int h) {
        if (!fitted) return Target{w, h};
        const FitRect fit = fitPicture(w, h, options.fitWidth, options.fitHeight);
        return Target{fit.width, fit.height};
      },
      options, format);
  if (!whole) return whole.error();
  p.width = whole.value().width;
  p.height = whole.value().height;
  p.pixels = std::move(whole.value().pixels);
  return p;
}

std::vector<std::uint8_t> heifExif(const std::uint8_t* data, std::size_t size) {
  auto opened = openPrimary(data, size, "HEIF");
  if (!opened) return {};
  heif_image_handle* handle = opened.value().primary.get();
  heif_item_id id = 0;
  if (heif_image_handle_get_list_of_metadata_block_IDs(handle, "Exif", &id, 1) < 1) return {};
  std::vector<std::uint8_t> block(heif_image_handle_get_metadata_size(handle, id));
  if (block.size() < 4 || heif_image_handle_get_metadata(handle, id, block.data()).code != heif_error_Ok)
    return {};
  // The block starts with the offset of the TIFF header after these four bytes.
  const std::size_t offset =
      std::size_t{block[0]} << 24 | std::size_t{block[1]} << 16 | std::size_t{block[2]} << 8 | block[3];
  if (offset > block.size() - 4) return {};
  return {block.begin() + 4 + static_cast<std::ptrdiff_t>(offset), block.end()};
}

}  // namespace slidewright::media::detail
