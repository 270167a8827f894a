#pragma once

// Helpers shared by the writer's tests: byte vectors, serialising a stream or
// a tag with its chunks spliced in, and scratch files.

#include <swf/stream.h>
#include <swf/tag.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <initializer_list>
#include <string>
#include <vector>

using Bytes = std::vector<std::uint8_t>;

// Concatenates byte groups, so expected bytes can be written field by field.
inline Bytes concat(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const Bytes& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

// Bytes from a string of bit fields such as "0 01 11010": spaces separate
// fields for the reader and are ignored; the last byte is padded with zeros.
inline Bytes bits(const std::string& fields) {
  Bytes out;
  unsigned count = 0;
  std::uint8_t byte = 0;
  for (char c : fields) {
    if (c != '0' && c != '1') continue;
    byte = static_cast<std::uint8_t>(byte << 1 | (c == '1'));
    if (++count == 8) {
      out.push_back(byte);
      count = 0;
      byte = 0;
    }
  }
  if (count > 0) out.push_back(static_cast<std::uint8_t>(byte << (8 - count)));
  return out;
}

// The bytes a stream would write to a file, without consuming its chunks.
inline Bytes flatten(const SwfStream& stream) {
  Bytes out;
  const Bytes& bytes = stream.bytes();
  std::size_t i = 0;
  for (const SwfChunk& chunk : stream.chunks()) {
    out.insert(out.end(), bytes.begin() + static_cast<std::ptrdiff_t>(i),
               bytes.begin() + static_cast<std::ptrdiff_t>(chunk.position));
    out.insert(out.end(), chunk.data, chunk.data + chunk.size);
    i = chunk.position;
  }
  out.insert(out.end(), bytes.begin() + static_cast<std::ptrdiff_t>(i), bytes.end());
  return out;
}

inline Bytes tagBytes(const SwfTag& tag) {
  SwfStream stream;
  tag.write(stream);
  return flatten(stream);
}

// A directory of its own under the system's temporary folder, removed with
// everything in it when the test ends.
class ScratchDir {
 public:
  ScratchDir();
  ~ScratchDir();
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;

  std::string path(const std::string& name) const { return (dir_ / name).string(); }
  const std::filesystem::path& dir() const { return dir_; }

 private:
  std::filesystem::path dir_;
};

Bytes readFileBytes(const std::string& path);
void writeFileBytes(const std::string& path, const Bytes& bytes);

// Opens a file holding bytes for reading, as the album builder would; closed
// by the destructor.
class OpenFile {
 public:
  OpenFile(const ScratchDir& dir, const std::string& name, const Bytes& bytes, const char* mode = "rb");
  ~OpenFile();
  OpenFile(const OpenFile&) = delete;
  OpenFile& operator=(const OpenFile&) = delete;
  std::FILE* get() const { return file_; }

 private:
  std::FILE* file_ = nullptr;
};
