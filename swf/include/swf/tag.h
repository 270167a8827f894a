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

// The process-wide character identifier counter: one movie is under
// construction at a time. Returns 1 for the first character after a reset.
std::uint16_t nextCharacterId();
// Sets the counter back to 0; writing a movie does this, whatever the outcome.
void resetCharacterIds();
