#pragma once

#include <cstdint>

class SwfStream;

// Base of every tag object. A movie owns its tags and writes them in order.
class SwfTag {
 public:
  SwfTag() = default;
  SwfTag(const SwfTag&) = delete;
  SwfTag& operator=(const SwfTag&) = delete;
  virtual ~SwfTag();

  // Appends the complete tag (header and body) to out.
  virtual void write(SwfStream& out) const = 0;
  // True only for ShowFrame: the movie counts frames by it.
  virtual bool isShowFrame() const { return false; }
};

// Base of tags that define or carry a character.
class SwfCharacter : public SwfTag {
 public:
  void write(SwfStream& out) const override;
  virtual std::uint16_t characterId() const { return 0; }
};

// The character identifiers of one movie: 1 for its first character, then
// one more for each, in the order the characters are made. Every movie has
// its own counter (SwfMovie::characterIds), so movies made one after another
// or side by side never share or disturb each other's numbering.
class SwfCharacterIds {
 public:
  std::uint16_t next() { return ++last_; }
  // Identifiers handed out so far.
  std::uint16_t count() const { return last_; }

 private:
  std::uint16_t last_ = 0;
};
