// JPEG pictures through libjpeg, with the EXIF orientation of cameras and
// phones applied and a reduced DCT scale when the picture will be shrunk.
#include <csetjmp>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <jpeglib.h>
#include <jerror.h>

#include "colour_convert.h"
#include "decoders.h"
#include "media/canvas.h"

namespace slidewright::media::detail {

namespace {

struct ErrorManager {
  jpeg_error_mgr pub;
  std::jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
  bool truncated;
  bool corrupt;
};

[[noreturn]] void onError(j_common_ptr cinfo) {
  auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
  err->pub.format_message(cinfo, err->message);
  std::longjmp(err->jump, 1);
}

// Warnings do not stop libjpeg, which would hand out a grey-filled or
// garbled picture; the two that mean missing or damaged image data are noted
// and turned into a failure afterwards.
void onMessage(j_common_ptr cinfo, int level) {
  auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
  if (level >= 0) return;
  if (err->pub.msg_code == JWRN_JPEG_EOF) err->truncated = true;
  if (err->pub.msg_code == JWRN_HUFF_BAD_CODE) err->corrupt = true;
}

// Reads the orientation from the first EXIF block among the saved markers.
int findOrientation(j_decompress_ptr cinfo) {
  for (jpeg_saved_marker_ptr m = cinfo->marker_list; m; m = m->next) {
    if (m->marker == JPEG_APP0 + 1 && m->data_length > 6 && std::memcmp(m->data, "Exif\0\0", 6) == 0)
      return exifOrientation(m->data + 6, m->data_length - 6);
  }
  return 1;
}

Rgb cmykToRgb(const std::uint8_t* p, bool inverted) {
  unsigned c = p[0], m = p[1], y = p[2], k = p[3];
  if (!inverted) {
    c = 255 - c;
    m = 255 - m;
    y = 255 - y;
    k = 255 - k;
  }
  return {static_cast<std::uint8_t>(c * k / 255), static_cast<std::uint8_t>(m * k / 255),
          static_cast<std::uint8_t>(y * k / 255)};
}

}  // namespace

Image applyOrientation(const Image& s, int orientation) {
  if (orientation <= 1 || orientation > 8) return s;
  const int W = s.width, H = s.height;
  const bool swap = orientation >= 5;
  Image u;
  u.width = swap ? H : W;
  u.height = swap ? W : H;
  u.rgb.resize(s.rgb.size());
  for (int y = 0; y < u.height; ++y) {
    for (int x = 0; x < u.width; ++x) {
      int sx = x, sy = y;
      switch (orientation) {
        case 2:
          sx = W - 1 - x;
          break;  // mirrored left to right
        case 3:
          sx = W - 1 - x;
          sy = H - 1 - y;
          break;  // turned half round
        case 4:
          sy = H - 1 - y;
          break;  // mirrored top to bottom
        case 5:
          sx = y;
          sy = x;
          break;  // mirrored along the main diagonal
        case 6:
          sx = y;
          sy = H - 1 - x;
          break;  // needs a quarter turn clockwise
        case 7:
          sx = W - 1 - y;
          sy = H - 1 - x;
          break;  // mirrored along the other diagonal
        case 8:
          sx = W - 1 - y;
          sy = x;
          break;  // needs a quarter turn anticlockwise
      }
      std::memcpy(&u.rgb[(static_cast<std::size_t>(y) * u.width + x) * 3],
                  &s.rgb[(static_cast<std::size_t>(sy) * W + sx) * 3], 3);
    }
  }
  return u;
}

Result<Picture> decodeJpeg(const std::uint8_t* data, std::size_t size, const DecodeOptions& options) {
  // Everything with a destructor lives outside the part that libjpeg may
  // leave by longjmp.
  jpeg_decompress_struct cinfo;
  ErrorManager err{};
  std::vector<std::uint8_t> row;
  Image stored;
  std::vector<std::uint8_t> icc;
  int orientation = 1;
  int fullWidth = 0, fullHeight = 0;
  Status sizeCheck = success();

  cinfo.err = jpeg_std_error(&err.pub);
  err.pub.error_exit = onError;
  err.pub.emit_message = onMessage;
  if (setjmp(err.jump)) {
    jpeg_destroy_decompress(&cinfo);
    if (err.pub.msg_code == JERR_NO_BACKING_STORE || err.pub.msg_code == JERR_OUT_OF_MEMORY)
      return fail(ErrorKind::TooLarge, "the picture is too large to decode in the memory available");
    return fail(ErrorKind::Damaged,
                std::string("the JPEG data is damaged or unsupported (") + err.message + ")");
  }
  jpeg_create_decompress(&cinfo);
  // Progressive and multi-scan files keep every coefficient of the whole
  // picture in memory, whatever the output scale; a hostile header could ask
  // for many gigabytes. Beyond this budget libjpeg fails cleanly instead.
  cinfo.mem->max_memory_to_use = 1L << 30;
  jpeg_mem_src(&cinfo, data, static_cast<unsigned long>(size));
  jpeg_save_markers(&cinfo, JPEG_APP0 + 1, 0xFFFF);
  jpeg_save_markers(&cinfo, JPEG_APP0 + 2, 0xFFFF);  // an ICC profile, maybe in several parts
  jpeg_read_header(&cinfo, TRUE);

  orientation = findOrientation(&cinfo);
  {
    JOCTET* profile = nullptr;
    unsigned int profileSize = 0;
    if (jpeg_read_icc_profile(&cinfo, &profile, &profileSize) && profile) {
      icc.assign(profile, profile + profileSize);
      std::free(profile);
    }
  }
  const bool swap = orientation >= 5;
  fullWidth = static_cast<int>(swap ? cinfo.image_height : cinfo.image_width);
  fullHeight = static_cast<int>(swap ? cinfo.image_width : cinfo.image_height);

  // The smallest scale of 1/8, 1/4 or 1/2 that still leaves at least the
  // drawn size; the rest of the shrinking is done by area averaging.
  cinfo.scale_num = 1;
  cinfo.scale_denom = 1;
  if (options.fitWidth > 0 && options.fitHeight > 0 && fullWidth > 0 && fullHeight > 0) {
    const FitRect fit = fitPicture(fullWidth, fullHeight, options.fitWidth, options.fitHeight);
    const unsigned needW = static_cast<unsigned>(swap ? fit.height : fit.width);
    const unsigned needH = static_cast<unsigned>(swap ? fit.width : fit.height);
    for (unsigned denom : {8u, 4u, 2u}) {
      if ((cinfo.image_width + denom - 1) / denom >= needW &&
          (cinfo.image_height + denom - 1) / denom >= needH) {
        cinfo.scale_denom = denom;
        break;
      }
    }
  }
  const bool cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
  cinfo.out_color_space = cmyk ? JCS_CMYK : JCS_RGB;
  jpeg_calc_output_dimensions(&cinfo);

  sizeCheck = checkPictureSize(cinfo.output_width, cinfo.output_height);
  if (!sizeCheck) {
    jpeg_destroy_decompress(&cinfo);
    return sizeCheck.error();
  }
  stored.width = static_cast<int>(cinfo.output_width);
  stored.height = static_cast<int>(cinfo.output_height);
  stored.rgb.resize(static_cast<std::size_t>(stored.width) * stored.height * 3);
  row.resize(static_cast<std::size_t>(stored.width) * 4);

  jpeg_start_decompress(&cinfo);
  while (cinfo.output_scanline < cinfo.output_height) {
    const std::size_t y = cinfo.output_scanline;
    if (cmyk) {
      JSAMPROW r = row.data();
      jpeg_read_scanlines(&cinfo, &r, 1);
      for (int x = 0; x < stored.width; ++x) {
        Rgb c = cmykToRgb(&row[static_cast<std::size_t>(x) * 4], cinfo.saw_Adobe_marker);
        stored.set(x, static_cast<int>(y), c);
      }
    } else {
      JSAMPROW r = &stored.rgb[y * stored.width * 3];
      jpeg_read_scanlines(&cinfo, &r, 1);
    }
    if (err.truncated || err.corrupt) break;
  }
  if (!err.truncated && !err.corrupt) jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);

  if (err.truncated)
    return fail(ErrorKind::Damaged, "the file ends before the picture is complete (truncated JPEG)");
  if (err.corrupt) return fail(ErrorKind::Damaged, "the JPEG image data is corrupt");

  Picture p;
  p.kind = PictureKind::Jpeg;
  p.width = fullWidth;
  p.height = fullHeight;
  p.pixels = orientation == 1 ? std::move(stored) : applyOrientation(stored, orientation);
#if SLIDEWRIGHT_PHONE_PICTURES
  if (!cmyk && !icc.empty()) convertIccToSrgb(p.pixels, icc.data(), icc.size());
#endif
  return p;
}

}  // namespace slidewright::media::detail
