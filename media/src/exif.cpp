// The few EXIF fields this program reads: the orientation and the date a
// picture was taken. An EXIF block is a small TIFF structure; everything
// read from it is bounds-checked, as it comes straight from the file.
#include <cstring>
#include <string>

#include "decoders.h"
#include "media/picture_date.h"

namespace slidewright::media {

namespace {

class TiffReader {
 public:
  TiffReader(const std::uint8_t* t, std::size_t size) : t_(t), size_(size) {
    if (size < 8) return;
    if (t[0] == 'I' && t[1] == 'I')
      little_ = true;
    else if (t[0] == 'M' && t[1] == 'M')
      little_ = false;
    else
      return;
    valid_ = u16(2) == 42;
  }

  bool valid() const { return valid_; }
  std::uint32_t firstIfd() const { return u32(4); }

  // The offset of the 12-byte entry of a tag in the IFD at `ifd`, or 0.
  std::size_t find(std::uint32_t ifd, unsigned tag) const {
    if (ifd < 8 || ifd > size_ - 2) return 0;
    const unsigned entries = u16(ifd);
    for (unsigned i = 0; i < entries; ++i) {
      const std::size_t e = ifd + 2 + std::size_t{i} * 12;
      if (e + 12 > size_) break;
      if (u16(e) == tag) return e;
    }
    return 0;
  }

  unsigned u16(std::size_t at) const { return little_ ? t_[at] | t_[at + 1] << 8 : t_[at] << 8 | t_[at + 1]; }
  std::uint32_t u32(std::size_t at) const {
    return little_ ? std::uint32_t{t_[at]} | std::uint32_t{t_[at + 1]} << 8 |
                         std::uint32_t{t_[at + 2]} << 16 | std::uint32_t{t_[at + 3]} << 24
                   : std::uint32_t{t_[at]} << 24 | std::uint32_t{t_[at + 1]} << 16 |
                         std::uint32_t{t_[at + 2]} << 8 | std::uint32_t{t_[at + 3]};
  }

  // The text of an ASCII (type 2) entry, up to its first NUL.
  std::string ascii(std::size_t entry) const {
    if (!entry || u16(entry + 2) != 2) return {};
    const std::uint32_t count = u32(entry + 4);
    std::size_t at = entry + 8;
    if (count > 4) {
      at = u32(entry + 8);
      if (at > size_ || count > size_ - at) return {};
    }
    std::string s(reinterpret_cast<const char*>(t_ + at), count);
    return s.substr(0, s.find('\0'));
  }

 private:
  const std::uint8_t* t_;
  std::size_t size_;
  bool little_ = false;
  bool valid_ = false;
};

int digits(const std::string& s, std::size_t at, std::size_t n) {
  int v = 0;
  for (std::size_t i = at; i < at + n; ++i) {
    if (i >= s.size() || s[i] < '0' || s[i] > '9') return -1;
    v = v * 10 + (s[i] - '0');
  }
  return v;
}

}  // namespace

namespace detail {

int exifOrientation(const std::uint8_t* t, std::size_t size) {
  TiffReader tiff(t, size);
  if (!tiff.valid()) return 1;
  const std::size_t e = tiff.find(tiff.firstIfd(), 0x0112);
  // A SHORT (type 3) with one value, stored in the entry itself.
  if (!e || tiff.u16(e + 2) != 3) return 1;
  const unsigned v = tiff.u16(e + 8);
  return v >= 1 && v <= 8 ? static_cast<int>(v) : 1;
}

const char* tiffRawKind(const std::uint8_t* t, std::size_t size) {
  TiffReader tiff(t, size);
  if (!tiff.valid()) return nullptr;
  const std::uint32_t ifd = tiff.firstIfd();
  if (tiff.find(ifd, 0xC612)) return "DNG";  // DNGVersion
  const std::string make = tiff.ascii(tiff.find(ifd, 0x010F));
  auto is = [&](const char* prefix) { return make.compare(0, std::strlen(prefix), prefix) == 0; };
  if (is("NIKON")) return "NEF";
  if (is("SONY")) return "ARW";
  if (is("Canon")) return "CR2";
  if (is("PENTAX")) return "PEF";
  if (is("OLYMPUS")) return "ORF";
  return nullptr;
}

}  // namespace detail

std::optional<CivilTime> exifDateTaken(const std::uint8_t* t, std::size_t size) {
  TiffReader tiff(t, size);
  if (!tiff.valid()) return std::nullopt;
  const std::size_t pointer = tiff.find(tiff.firstIfd(), 0x8769);  // the Exif IFD
  if (!pointer) return std::nullopt;
  const std::uint32_t exif = tiff.u32(pointer + 8);
  // "YYYY:MM:DD HH:MM:SS"; cameras without a set clock write blanks or zeros.
  const std::string text = tiff.ascii(tiff.find(exif, 0x9003));
  if (text.size() < 19) return std::nullopt;
  CivilTime c;
  c.year = digits(text, 0, 4);
  c.month = digits(text, 5, 2);
  c.day = digits(text, 8, 2);
  c.hour = digits(text, 11, 2);
  c.minute = digits(text, 14, 2);
  c.second = digits(text, 17, 2);
  if (c.year < 1 || c.month < 1 || c.month > 12 || c.day < 1 || c.day > 31 || c.hour < 0 || c.hour > 23 ||
      c.minute < 0 || c.minute > 59 || c.second < 0 || c.second > 60)
    return std::nullopt;
  // "+HH:MM" or "-HH:MM".
  const std::string offset = tiff.ascii(tiff.find(exif, 0x9011));
  if (offset.size() >= 6 && (offset[0] == '+' || offset[0] == '-') && offset[3] == ':') {
    const int h = digits(offset, 1, 2), m = digits(offset, 4, 2);
    if (h >= 0 && h <= 14 && m >= 0 && m <= 59)
      c.utcOffsetMinutes = (offset[0] == '-' ? -1 : 1) * (h * 60 + m);
  }
  return c;
}

std::optional<CivilTime> pictureDateTaken(const std::uint8_t* data, std::size_t size) {
  const std::vector<std::uint8_t> exif = detail::findExif(data, size);
  if (exif.empty()) return std::nullopt;
  return exifDateTaken(exif.data(), exif.size());
}

}  // namespace slidewright::media
