// Reading movie files: the header checked before the body is read, and no
// more read than the header declares, so that a device, a huge file or a
// header claiming gigabytes costs a few bytes and a message.
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "common/file_kind.h"
#include "common/stdio_file.h"
#include "player/swf_parser.h"
#include "printf_format.h"

namespace player {

namespace {

constexpr size_t kHeaderBytes = 8;  // signature, version, declared length

ParseError failure(ParseErrorKind kind, const std::string& path, const std::string& why, size_t offset = 0) {
  return ParseError{kind, path + ": " + why, offset};
}

// The most bytes a zlib stream inflating to `inflated` bytes takes: the
// stream's worst case (stored blocks) with room to spare.
uint64_t compressedBound(uint64_t inflated) { return inflated + inflated / 16 + 1024; }

}  // namespace

Parsed<std::vector<uint8_t>> readMovieFile(const std::string& path, const ParseLimits& limits) {
  const slidewright::FileFacts facts = slidewright::inspectFile(path);
  switch (facts.kind) {
    case slidewright::FileKind::Missing:
      return failure(ParseErrorKind::FileAccess, path,
                     std::string("cannot open the movie (") + std::strerror(facts.error) + ")");
    case slidewright::FileKind::Folder:
      return failure(ParseErrorKind::FileAccess, path, "is a folder, not a movie file");
    case slidewright::FileKind::Other:
      return failure(ParseErrorKind::NotSwf, path, "is a device or a pipe, not a movie file");
    case slidewright::FileKind::Regular:
      break;
  }
  errno = 0;
  slidewright::StdioFile f = slidewright::openStdioFile(path, "rb");
  if (!f)
    return failure(ParseErrorKind::FileAccess, path,
                   std::string("cannot open the movie (") + std::strerror(errno) + ")");

  std::vector<uint8_t> bytes(kHeaderBytes);
  const size_t got = std::fread(bytes.data(), 1, kHeaderBytes, f.get());
  if (std::ferror(f.get())) return failure(ParseErrorKind::FileAccess, path, "cannot read the movie");
  if (got == 0) return failure(ParseErrorKind::Truncated, path, "the file is empty");
  if (got < 3 || (std::memcmp(bytes.data(), "FWS", 3) != 0 && std::memcmp(bytes.data(), "CWS", 3) != 0))
    return failure(ParseErrorKind::NotSwf, path, "not an SWF file (signature is neither FWS nor CWS)");
  if (got < kHeaderBytes) return failure(ParseErrorKind::Truncated, path, "file too short for an SWF header");
  const bool compressed = bytes[0] == 'C';
  const uint32_t declared = uint32_t(bytes[4]) | (uint32_t(bytes[5]) << 8) | (uint32_t(bytes[6]) << 16) |
                            (uint32_t(bytes[7]) << 24);
  if (declared > limits.maxDecompressedSize)
    return failure(ParseErrorKind::TooLarge, path,
                   formatText("the header declares %u bytes, more than a movie may have (%zu MiB)", declared,
                              limits.maxDecompressedSize >> 20),
                   4);
  if (declared < kHeaderBytes + 5)
    return failure(ParseErrorKind::Damaged, path,
                   formatText("declared file length %u is too small", declared), 4);
  if (!compressed && declared > facts.size)
    return failure(ParseErrorKind::Truncated, path,
                   formatText("file is truncated: header declares %u bytes, file has %llu", declared,
                              static_cast<unsigned long long>(facts.size)),
                   4);

  // Bytes past the declared end (or past the end of any stream inflating to
  // it) belong to no movie and are left unread.
  const uint64_t wanted = compressed
                              ? std::min<uint64_t>(facts.size, kHeaderBytes + compressedBound(declared))
                              : uint64_t(declared);
  bytes.resize(size_t(std::max<uint64_t>(wanted, kHeaderBytes)));
  const size_t rest = bytes.size() - kHeaderBytes;
  if (std::fread(bytes.data() + kHeaderBytes, 1, rest, f.get()) != rest)
    return failure(ParseErrorKind::FileAccess, path,
                   "cannot read the movie (did it change while being read?)");
  return bytes;
}

Parsed<Movie> parseMovieFile(const std::string& path, const ParseLimits& limits) {
  Parsed<std::vector<uint8_t>> bytes = readMovieFile(path, limits);
  if (!bytes) return bytes.error();
  Parsed<Movie> movie = parseMovie(bytes.value(), limits);
  if (!movie) {
    ParseError e = movie.error();
    e.message = path + ": " + e.message;
    return e;
  }
  return movie;
}

}  // namespace player
