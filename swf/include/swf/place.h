#pragma once

#include <swf/shape.h>
#include <swf/tag.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

// Common base of small records written inside a tag.
class SwfRecord {
 public:
  virtual ~SwfRecord();
  virtual void write(SwfStream& out) const = 0;
};

// CXFORMWITHALPHA. Multiply terms are 8.8 fixed point (256 = 1.0). The field
// width is computed over all eight terms, whatever the flags.
class SwfColorTransform : public SwfRecord {
 public:
  SwfColorTransform(bool hasMultTerms, bool hasAddTerms, std::int32_t addRed, std::int32_t addGreen,
                    std::int32_t addBlue, std::int32_t addAlpha, std::int32_t multRed, std::int32_t multGreen,
                    std::int32_t multBlue, std::int32_t multAlpha);
  // Multiply terms (255, 255, 255, alpha) only: how pictures are faded.
  static SwfColorTransform fade(std::int32_t alpha);

  void write(SwfStream& out) const override;
  unsigned bits() const { return nbits_; }

 private:
  bool hasMultTerms_, hasAddTerms_;
  std::int32_t add_[4];
  std::int32_t mult_[4];
  unsigned nbits_;
};

// PlaceObject2: puts a character on a depth or changes what is there.
class SwfPlaceObject : public SwfTag {
 public:
  SwfPlaceObject(bool hasClipDepth, bool hasRatio, bool hasCharacter, bool move, std::uint16_t depth,
                 std::uint16_t characterId, std::optional<SwfMatrix> matrix,
                 std::optional<SwfColorTransform> colorTransform, std::int32_t ratio,
                 std::optional<std::string> name, std::uint16_t clipDepth);

  // Places character id on depth.
  static std::unique_ptr<SwfPlaceObject> place(std::uint16_t depth, std::uint16_t id);
  // Places character id on depth with a colour transform (e.g. invisible).
  static std::unique_ptr<SwfPlaceObject> placeWithTransform(std::uint16_t depth, std::uint16_t id,
                                                            SwfColorTransform transform);
  // Changes the colour transform of what is on depth.
  static std::unique_ptr<SwfPlaceObject> changeTransform(std::uint16_t depth, SwfColorTransform transform);
  // Sets the morph ratio of what is on depth; -1 means the end shape (65535).
  static std::unique_ptr<SwfPlaceObject> setRatio(std::uint16_t depth, std::int32_t ratio);

  void write(SwfStream& out) const override;

 private:
  bool hasClipDepth_, hasRatio_, hasCharacter_, move_;
  std::uint16_t depth_, characterId_;
  std::optional<SwfMatrix> matrix_;
  std::optional<SwfColorTransform> colorTransform_;
  std::int32_t ratio_;
  std::optional<std::string> name_;
  std::uint16_t clipDepth_;
};

// RemoveObject2: clears a depth.
class SwfRemoveObject : public SwfTag {
 public:
  explicit SwfRemoveObject(std::uint16_t depth) : depth_(depth) {}
  void write(SwfStream& out) const override;

 private:
  std::uint16_t depth_;
};

// ShowFrame: ends a frame.
class SwfShowFrame : public SwfTag {
 public:
  void write(SwfStream& out) const override;
  bool isShowFrame() const override { return true; }
};
