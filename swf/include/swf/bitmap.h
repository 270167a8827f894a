#pragma once

#include <swf/tag.h>

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

// DefineBitsJPEG2 from a whole JPEG file. The file's bytes are held by the tag
// and reach the output as a chunk, never copied.
//
// A bitmap whose file could not be read (unreadable, empty, too large, short
// read) is not loaded: isLoaded() is false, loadError() says why, it holds no
// data, took no character identifier (characterId() is 0) and writes nothing,
// so adding it to a movie by mistake cannot produce a malformed tag.
class SwfBitmap : public SwfCharacter {
 public:
  // Reads the whole of file (an open binary file; it is not closed here).
  // A loaded bitmap takes the next identifier of ids (its movie's).
  SwfBitmap(SwfCharacterIds& ids, std::FILE* file);
  // Takes JPEG bytes already in memory.
  static std::unique_ptr<SwfBitmap> fromBytes(SwfCharacterIds& ids, std::vector<std::uint8_t> jpeg);
  ~SwfBitmap() override;

  bool isLoaded() const { return !data_.empty(); }
  const std::string& loadError() const { return error_; }
  const std::uint8_t* data() const { return data_.data(); }
  std::uint32_t size() const { return static_cast<std::uint32_t>(data_.size()); }

  std::uint16_t characterId() const override { return id_; }
  void write(SwfStream& out) const override;

 private:
  SwfBitmap() = default;
  void fail(const std::string& why);

  std::vector<std::uint8_t> data_;
  std::uint16_t id_ = 0;
  std::string error_;
};
