#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <jpeglib.h>

#include "media/jpeg_writer.h"
#include "media/picture.h"

namespace slidewright::media {

namespace {

struct ErrorManager {
  jpeg_error_mgr pub;
  std::jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
};

[[noreturn]] void onError(j_common_ptr cinfo) {
  auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
  err->pub.format_message(cinfo, err->message);
  std::longjmp(err->jump, 1);
}

}  // namespace

Result<std::vector<std::uint8_t>> encodeJpeg(const JpegSamples& samples, const JpegEncodeSettings& settings) {
  if (samples.width <= 0 || samples.height <= 0 || !samples.data ||
      (samples.components != 3 && samples.components != 4))
    return fail(ErrorKind::Internal, "cannot write an empty picture");
  jpeg_compress_struct cinfo;
  ErrorManager err{};
  unsigned char* buffer = nullptr;
  unsigned long length = 0;
  std::vector<std::uint8_t> out;

  cinfo.err = jpeg_std_error(&err.pub);
  err.pub.error_exit = onError;
  if (setjmp(err.jump)) {
    jpeg_destroy_compress(&cinfo);
    std::free(buffer);
    return fail(ErrorKind::Internal, std::string("cannot encode the JPEG (") + err.message + ")");
  }
  jpeg_create_compress(&cinfo);
  jpeg_mem_dest(&cinfo, &buffer, &length);
  cinfo.image_width = static_cast<JDIMENSION>(samples.width);
  cinfo.image_height = static_cast<JDIMENSION>(samples.height);
  cinfo.input_components = samples.components;
  cinfo.in_color_space = samples.components == 4 ? JCS_CMYK : JCS_RGB;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, settings.quality, TRUE);  // baseline quantisation tables
  cinfo.optimize_coding = TRUE;
  if (settings.progressive) jpeg_simple_progression(&cinfo);
  jpeg_start_compress(&cinfo, TRUE);
  if (!settings.app1.empty())
    jpeg_write_marker(&cinfo, JPEG_APP0 + 1, settings.app1.data(),
                      static_cast<unsigned>(settings.app1.size()));
  const std::size_t stride = static_cast<std::size_t>(samples.width) * samples.components;
  while (cinfo.next_scanline < cinfo.image_height) {
    JSAMPROW row =
        const_cast<JSAMPROW>(samples.data + static_cast<std::size_t>(cinfo.next_scanline) * stride);
    jpeg_write_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  out.assign(buffer, buffer + length);
  std::free(buffer);
  return out;
}

Result<std::vector<std::uint8_t>> encodeJpeg(const Image& image, int quality) {
  if (image.rgb.size() != static_cast<std::size_t>(image.width) * image.height * 3)
    return fail(ErrorKind::Internal, "cannot write an empty picture");
  JpegEncodeSettings settings;
  settings.quality = quality;
  return encodeJpeg(JpegSamples{image.width, image.height, 3, image.rgb.data()}, settings);
}

Status writeJpeg(const std::string& path, const Image& image, int quality) {
  auto bytes = encodeJpeg(image, quality);
  if (!bytes) return bytes.error();
  return writeFile(path, bytes.value());
}

}  // namespace slidewright::media
