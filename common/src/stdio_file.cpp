#include "common/stdio_file.h"

#include <algorithm>

namespace slidewright {

bool readStdioFile(std::FILE* file, std::vector<std::uint8_t>& bytes, std::uint64_t maxBytes) {
  bytes.clear();
  std::uint8_t chunk[1 << 16];
  while (bytes.size() < maxBytes) {
    const auto want =
        static_cast<std::size_t>(std::min<std::uint64_t>(sizeof chunk, maxBytes - bytes.size()));
    const std::size_t got = std::fread(chunk, 1, want, file);
    bytes.insert(bytes.end(), chunk, chunk + got);
    if (got < want) return !std::ferror(file);
  }
  return true;
}

}  // namespace slidewright
