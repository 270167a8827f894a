#include <swf/place.h>
#include <swf/stream.h>

#include <algorithm>

SwfRecord::~SwfRecord() = default;

SwfColorTransform::SwfColorTransform(bool hasMultTerms, bool hasAddTerms, std::int32_t addRed,
                                     std::int32_t addGreen, std::int32_t addBlue, std::int32_t addAlpha,
                                     std::int32_t multRed, std::int32_t multGreen, std::int32_t multBlue,
                                     std::int32_t multAlpha)
    : hasMultTerms_(hasMultTerms),
      hasAddTerms_(hasAddTerms),
      add_{addRed, addGreen, addBlue, addAlpha},
      mult_{multRed, multGreen, multBlue, multAlpha} {
  const std::uint32_t largest = std::max(maxMagnitude(addRed, addGreen, addBlue, addAlpha),
                                         maxMagnitude(multRed, multGreen, multBlue, multAlpha));
  nbits_ = bitsNeeded(largest, 1);
}

SwfColorTransform SwfColorTransform::fade(std::int32_t alpha) {
  return SwfColorTransform(true, false, 0, 0, 0, 0, 255, 255, 255, alpha);
}

void SwfColorTransform::write(SwfStream& out) const {
  // The 4-bit width field holds at most 15; wider terms do not occur here.
  out.writeBits(hasAddTerms_, 1);
  out.writeBits(hasMultTerms_, 1);
  out.writeBits(static_cast<std::int32_t>(nbits_), 4);
  if (hasMultTerms_)
    for (std::int32_t term : mult_) out.writeBits(term, nbits_);
  if (hasAddTerms_)
    for (std::int32_t term : add_) out.writeBits(term, nbits_);
  out.flushBits();
}

SwfPlaceObject::SwfPlaceObject(bool hasClipDepth, bool hasRatio, bool hasCharacter, bool move,
                               std::uint16_t depth, std::uint16_t characterId,
                               std::optional<SwfMatrix> matrix,
                               std::optional<SwfColorTransform> colorTransform, std::int32_t ratio,
                               std::optional<std::string> name, std::uint16_t clipDepth)
    : hasClipDepth_(hasClipDepth),
      hasRatio_(hasRatio),
      hasCharacter_(hasCharacter),
      move_(move),
      depth_(depth),
      characterId_(characterId),
      matrix_(std::move(matrix)),
      colorTransform_(std::move(colorTransform)),
      ratio_(ratio),
      name_(std::move(name)),
      clipDepth_(clipDepth) {}

std::unique_ptr<SwfPlaceObject> SwfPlaceObject::place(std::uint16_t depth, std::uint16_t id) {
  return std::make_unique<SwfPlaceObject>(false, false, true, false, depth, id, std::nullopt, std::nullopt, 0,
                                          std::nullopt, 0);
}

std::unique_ptr<SwfPlaceObject> SwfPlaceObject::placeWithTransform(std::uint16_t depth, std::uint16_t id,
                                                                   SwfColorTransform transform) {
  return std::make_unique<SwfPlaceObject>(false, false, true, false, depth, id, std::nullopt, transform, 0,
                                          std::nullopt, 0);
}

std::unique_ptr<SwfPlaceObject> SwfPlaceObject::changeTransform(std::uint16_t depth,
                                                                SwfColorTransform transform) {
  return std::make_unique<SwfPlaceObject>(false, false, false, true, depth, 0, std::nullopt, transform, 0,
                                          std::nullopt, 0);
}

std::unique_ptr<SwfPlaceObject> SwfPlaceObject::setRatio(std::uint16_t depth, std::int32_t ratio) {
  return std::make_unique<SwfPlaceObject>(false, true, false, true, depth, 0, std::nullopt, std::nullopt,
                                          ratio, std::nullopt, 0);
}

void SwfPlaceObject::write(SwfStream& out) const {
  SwfStream body;
  body.writeBits(0, 1);  // no clip actions
  body.writeBits(hasClipDepth_, 1);
  body.writeBits(name_.has_value(), 1);
  body.writeBits(hasRatio_, 1);
  body.writeBits(colorTransform_.has_value(), 1);
  body.writeBits(matrix_.has_value(), 1);
  body.writeBits(hasCharacter_, 1);
  body.writeBits(move_, 1);
  body.writeU16(depth_);
  if (hasCharacter_) body.writeU16(characterId_);
  if (matrix_) matrix_->write(body);
  if (colorTransform_) colorTransform_->write(body);
  if (hasRatio_) body.writeU16(static_cast<std::uint32_t>(ratio_) & 0xFFFF);
  if (name_) {
    for (char c : *name_) body.writeU8(static_cast<unsigned char>(c));
    body.writeU8(0);
  }
  if (hasClipDepth_) body.writeU16(clipDepth_);
  writeTag(out, swfTagPlaceObject2, body);
}

void SwfRemoveObject::write(SwfStream& out) const {
  SwfStream body;
  body.writeU16(depth_);
  writeTag(out, swfTagRemoveObject2, body);
}

void SwfShowFrame::write(SwfStream& out) const { writeTagHeader(out, swfTagShowFrame, 0, nullptr); }
