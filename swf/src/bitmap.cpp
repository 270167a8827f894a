#include <swf/bitmap.h>
#include <swf/stream.h>
#include <swf/trace.h>

#include <cstdint>
#include <new>

namespace {
// The tag body is the file plus 8 bytes and its length field has 32 bits.
constexpr std::uint64_t maxJpegBytes = 0xFFFFFFFFull - 8;
}  // namespace

SwfBitmap::SwfBitmap(SwfCharacterIds& ids, std::FILE* file) {
  if (!file) {
    fail("no file given");
    return;
  }
  if (std::fseek(file, 0, SEEK_END) != 0) {
    fail("cannot seek in the JPEG file");
    return;
  }
  const long end = std::ftell(file);
  if (end < 0) {
    fail("cannot determine the size of the JPEG file");
    return;
  }
  if (end == 0) {
    fail("the JPEG file is empty");
    return;
  }
  const std::uint64_t size = static_cast<std::uint64_t>(end);
  if (size > maxJpegBytes || size > SIZE_MAX) {
    fail("the JPEG file is too large");
    return;
  }
  std::vector<std::uint8_t> data;
  try {
    data.resize(static_cast<std::size_t>(size));
  } catch (const std::bad_alloc&) {
    fail("not enough memory for the JPEG file");
    return;
  }
  if (std::fseek(file, 0, SEEK_SET) != 0 || std::fread(data.data(), 1, data.size(), file) != data.size()) {
    fail("cannot read the JPEG file");
    return;
  }
  data_ = std::move(data);
  // Only a bitmap that holds its picture takes an identifier.
  id_ = ids.next();
}

std::unique_ptr<SwfBitmap> SwfBitmap::fromBytes(SwfCharacterIds& ids, std::vector<std::uint8_t> jpeg) {
  std::unique_ptr<SwfBitmap> bitmap(new SwfBitmap());
  if (jpeg.empty()) {
    bitmap->fail("the JPEG data is empty");
    return bitmap;
  }
  if (jpeg.size() > maxJpegBytes) {
    bitmap->fail("the JPEG data is too large");
    return bitmap;
  }
  bitmap->data_ = std::move(jpeg);
  bitmap->id_ = ids.next();
  return bitmap;
}

SwfBitmap::~SwfBitmap() = default;

void SwfBitmap::fail(const std::string& why) {
  error_ = why;
  swfTrace("Bitmap not loaded: " + why + "\n");
}

void SwfBitmap::write(SwfStream& out) const {
  // A bitmap without its picture would be a malformed tag: it writes nothing.
  if (data_.empty()) return;
  static const std::uint8_t emptyTables[] = {0xFF, 0xD9, 0xFF, 0xD8};
  SwfStream body;
  body.writeU16(id_);
  for (std::uint8_t b : emptyTables) body.writeU8(b);
  body.appendChunk(data_.data(), data_.size());
  body.writeU8(0xFF);
  body.writeU8(0xD9);
  writeTag(out, swfTagDefineBitsJpeg2, body);
}
