#include "player/jpeg.h"

#include <csetjmp>
#include <cstdio>
#include <cstring>

#include <jpeglib.h>

namespace player {

std::vector<uint8_t> normalizeJpegStream(const uint8_t* data, size_t size) {
  std::vector<uint8_t> out;
  out.reserve(size + 4);
  out.push_back(0xFF);
  out.push_back(0xD8);
  size_t i = 0;
  while (i < size) {
    if (data[i] != 0xFF) {  // stray byte between segments
      ++i;
      continue;
    }
    while (i < size && data[i] == 0xFF) ++i;  // fill bytes
    if (i >= size) break;
    uint8_t marker = data[i++];
    if (marker == 0xD8 || marker == 0xD9 || marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7))
      continue;  // markers without a length: start/end of image, restart outside a scan
    if (size - i < 2) return {};
    size_t len = (size_t(data[i]) << 8) | data[i + 1];
    if (len < 2 || len > size - i) return {};
    out.push_back(0xFF);
    out.push_back(marker);
    out.insert(out.end(), data + i, data + i + len);
    i += len;
    if (marker != 0xDA) continue;
    // Scan data runs to the first marker that is neither a stuffed zero nor a restart.
    size_t start = i;
    while (i < size) {
      if (data[i] == 0xFF && i + 1 < size) {
        uint8_t m = data[i + 1];
        if (m != 0x00 && !(m >= 0xD0 && m <= 0xD7) && m != 0xFF) break;
      }
      ++i;
    }
    out.insert(out.end(), data + start, data + i);
    // A progressive picture has further scans; a baseline one ends here.
    if (i + 1 < size && data[i + 1] != 0xD9 && data[i + 1] != 0xD8) continue;
    out.push_back(0xFF);
    out.push_back(0xD9);
    return out;
  }
  for (size_t k = 0; k + 1 < out.size(); ++k)
    if (out[k] == 0xFF && out[k + 1] == 0xDA) {
      out.push_back(0xFF);
      out.push_back(0xD9);
      return out;
    }
  return {};
}

namespace {

struct ErrorManager {
  jpeg_error_mgr base;
  jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
};

void onError(j_common_ptr cinfo) {
  ErrorManager* e = reinterpret_cast<ErrorManager*>(cinfo->err);
  (*cinfo->err->format_message)(cinfo, e->message);
  longjmp(e->jump, 1);
}

void onMessage(j_common_ptr, int) {}

}  // namespace

bool decodeJpeg(const uint8_t* data, size_t size, Image* out, std::string* error, const JpegLimits& limits) {
  std::vector<uint8_t> stream = normalizeJpegStream(data, size);
  if (stream.empty()) {
    *error = "picture data holds no JPEG image";
    return false;
  }
  jpeg_decompress_struct cinfo;
  ErrorManager err;
  std::memset(&cinfo, 0, sizeof cinfo);
  cinfo.err = jpeg_std_error(&err.base);
  err.base.error_exit = onError;
  err.base.emit_message = onMessage;
  err.message[0] = 0;
  // Nothing with a destructor lives between setjmp and the decoding calls.
  JSAMPROW rowPointer[1];
  if (setjmp(err.jump)) {
    jpeg_destroy_decompress(&cinfo);
    *error = std::string("JPEG picture cannot be decoded: ") + err.message;
    return false;
  }
  jpeg_create_decompress(&cinfo);
  jpeg_mem_src(&cinfo, stream.data(), (unsigned long)stream.size());
  jpeg_read_header(&cinfo, TRUE);
  if (cinfo.image_width == 0 || cinfo.image_height == 0 ||
      cinfo.image_width > unsigned(limits.maxDimension) ||
      cinfo.image_height > unsigned(limits.maxDimension) ||
      size_t(cinfo.image_width) * cinfo.image_height > limits.maxPixels) {
    std::snprintf(err.message, sizeof err.message, "picture size %ux%u is out of range", cinfo.image_width,
                  cinfo.image_height);
    jpeg_destroy_decompress(&cinfo);
    *error = err.message;
    return false;
  }
  cinfo.out_color_space = JCS_EXT_RGBA;
  jpeg_start_decompress(&cinfo);
  *out = Image(int(cinfo.output_width), int(cinfo.output_height));
  while (cinfo.output_scanline < cinfo.output_height) {
    rowPointer[0] = out->row(int(cinfo.output_scanline));
    jpeg_read_scanlines(&cinfo, rowPointer, 1);
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  return true;
}

}  // namespace player
