// WebP pictures through libwebp: a still one decoded straight at the drawn
// size (libwebp scales while decoding), an animated one as its first frame.
// The EXIF orientation is applied and an ICC profile converted to sRGB.
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include <webp/decode.h>
#include <webp/demux.h>

#include "colour_convert.h"
#include "decoders.h"
#include "media/canvas.h"

namespace slidewright::media::detail {

namespace {

struct AnimDecoderDelete {
  void operator()(WebPAnimDecoder* d) const { WebPAnimDecoderDelete(d); }
};

const char* statusText(VP8StatusCode status) {
  switch (status) {
    case VP8_STATUS_OUT_OF_MEMORY:
      return "out of memory";
    case VP8_STATUS_INVALID_PARAM:
      return "invalid parameter";
    case VP8_STATUS_BITSTREAM_ERROR:
      return "bitstream error";
    case VP8_STATUS_UNSUPPORTED_FEATURE:
      return "unsupported feature";
    case VP8_STATUS_NOT_ENOUGH_DATA:
      return "the file ends early";
    default:
      return "decoding failed";
  }
}

Error webpError(VP8StatusCode status) {
  if (status == VP8_STATUS_OUT_OF_MEMORY)
    return fail(ErrorKind::TooLarge, "the picture is too large to decode in the memory available");
  if (status == VP8_STATUS_UNSUPPORTED_FEATURE)
    return fail(ErrorKind::NotSupported, "a WebP picture this program cannot decode (unsupported feature)");
  return fail(ErrorKind::Damaged,
              std::string("the WebP data is damaged or unsupported (") + statusText(status) + ")");
}

// RGBA rows laid over the background into an RGB image.
Result<Image> flatten(const std::uint8_t* rgba, int width, int height, int stride, Rgb background) {
  auto made = Image::create(width, height);
  if (!made) return made.error();
  Image image = std::move(made.value());
  for (int y = 0; y < height; ++y) {
    const std::uint8_t* s = rgba + static_cast<std::size_t>(y) * stride;
    for (int x = 0; x < width; ++x, s += 4) image.set(x, y, over({s[0], s[1], s[2]}, s[3], background));
  }
  return image;
}

Result<Image> firstFrame(const std::uint8_t* data, std::size_t size, Rgb background) {
  WebPAnimDecoderOptions options;
  if (!WebPAnimDecoderOptionsInit(&options)) return fail(ErrorKind::Internal, "the WebP reader cannot start");
  options.color_mode = MODE_RGBA;
  options.use_threads = 0;
  const WebPData webp{data, size};
  std::unique_ptr<WebPAnimDecoder, AnimDecoderDelete> decoder(WebPAnimDecoderNew(&webp, &options));
  if (!decoder) return fail(ErrorKind::Damaged, "the animated WebP data is damaged or unsupported");
  WebPAnimInfo info;
  if (!WebPAnimDecoderGetInfo(decoder.get(), &info))
    return fail(ErrorKind::Damaged, "the animated WebP data is damaged");
  if (Status s = checkPictureSize(info.canvas_width, info.canvas_height); !s) return s.error();
  std::uint8_t* frame = nullptr;
  int timestamp = 0;
  if (!WebPAnimDecoderGetNext(decoder.get(), &frame, &timestamp) || !frame)
    return fail(ErrorKind::Damaged, "the animated WebP's first frame is damaged");
  const int w = static_cast<int>(info.canvas_width), h = static_cast<int>(info.canvas_height);
  return flatten(frame, w, h, w * 4, background);
}

}  // namespace

Result<Picture> decodeWebp(const std::uint8_t* data, std::size_t size, const DecodeOptions& options) {
  WebPDecoderConfig config;
  if (!WebPInitDecoderConfig(&config)) return fail(ErrorKind::Internal, "the WebP reader cannot start");
  if (VP8StatusCode status = WebPGetFeatures(data, size, &config.input); status != VP8_STATUS_OK)
    return webpError(status);
  if (Status s = checkPictureSize(config.input.width, config.input.height); !s) return s.error();

  const std::vector<std::uint8_t> exif = findExif(data, size);
  const int orientation = exif.empty() ? 1 : exifOrientation(exif.data(), exif.size());
  const bool swap = orientation >= 5;
  const int storedWidth = config.input.width, storedHeight = config.input.height;

  Image stored;
  if (config.input.has_animation) {
    auto frame = firstFrame(data, size, options.background);
    if (!frame) return frame.error();
    stored = std::move(frame.value());
  } else {
    config.output.colorspace = MODE_RGBA;
    if (options.fitWidth > 0 && options.fitHeight > 0) {
      const FitRect fit = fitPicture(swap ? storedHeight : storedWidth, swap ? storedWidth : storedHeight,
                                     options.fitWidth, options.fitHeight);
      const int needW = swap ? fit.height : fit.width, needH = swap ? fit.width : fit.height;
      if (needW < storedWidth || needH < storedHeight) {
        config.options.use_scaling = 1;
        config.options.scaled_width = needW;
        config.options.scaled_height = needH;
      }
    }
    if (VP8StatusCode status = WebPDecode(data, size, &config); status != VP8_STATUS_OK) {
      WebPFreeDecBuffer(&config.output);
      return webpError(status);
    }
    const WebPRGBABuffer& out = config.output.u.RGBA;
    auto flat = flatten(out.rgba, config.output.width, config.output.height, out.stride, options.background);
    WebPFreeDecBuffer(&config.output);
    if (!flat) return flat.error();
    stored = std::move(flat.value());
  }

  Picture p;
  p.kind = PictureKind::WebP;
  p.width = swap ? storedHeight : storedWidth;
  p.height = swap ? storedWidth : storedHeight;
  p.pixels = orientation == 1 ? std::move(stored) : applyOrientation(stored, orientation);
  if (Status s = shrinkToFit(p.pixels, options); !s) return s.error();
  const std::vector<std::uint8_t> icc = webpChunk(data, size, "ICCP");
  if (!icc.empty()) convertIccToSrgb(p.pixels, icc.data(), icc.size());
  return p;
}

}  // namespace slidewright::media::detail
