#include <swf/shape.h>
#include <swf/stream.h>

#include <cassert>
#include <cstdlib>

// --- MATRIX -------------------------------------------------------------

SwfMatrix::SwfMatrix() = default;

SwfMatrix::SwfMatrix(bool hasScale, std::int32_t scaleX, std::int32_t scaleY, bool hasRotate,
                     std::int32_t rotateSkew0, std::int32_t rotateSkew1, Twips translateX, Twips translateY)
    : empty_(false),
      hasScale_(hasScale),
      hasRotate_(hasRotate),
      scaleX_(scaleX),
      scaleY_(scaleY),
      rotateSkew0_(rotateSkew0),
      rotateSkew1_(rotateSkew1),
      translateX_(translateX.value()),
      translateY_(translateY.value()),
      scaleBits_(bitsNeeded(maxMagnitude(scaleX, scaleY, 0, 0), 1)),
      rotateBits_(bitsNeeded(maxMagnitude(rotateSkew0, rotateSkew1, 0, 0), 1)),
      translateBits_(bitsNeeded(maxMagnitude(translateX_, translateY_, 0, 0), 1)) {}

void SwfMatrix::write(SwfStream& out) const {
  if (empty_) {
    out.writeU8(0);
    return;
  }
  out.writeBits(hasScale_, 1);
  if (hasScale_) {
    out.writeBits(static_cast<std::int32_t>(scaleBits_), 5);
    out.writeBits(scaleX_, scaleBits_);
    out.writeBits(scaleY_, scaleBits_);
  }
  out.writeBits(hasRotate_, 1);
  if (hasRotate_) {
    out.writeBits(static_cast<std::int32_t>(rotateBits_), 5);
    out.writeBits(rotateSkew0_, rotateBits_);
    out.writeBits(rotateSkew1_, rotateBits_);
  }
  out.writeBits(static_cast<std::int32_t>(translateBits_), 5);
  out.writeBits(translateX_, translateBits_);
  out.writeBits(translateY_, translateBits_);
  out.flushBits();
}

// --- Fill and line styles -------------------------------------------------

SwfFillStyleBase::~SwfFillStyleBase() = default;

SwfFillStyle::SwfFillStyle(bool repeat, std::uint16_t bitmapId, SwfMatrix matrix)
    : repeat_(repeat), bitmapId_(bitmapId), matrix_(matrix) {}

void SwfFillStyle::write(SwfStream& out) const {
  out.writeU8(repeat_ ? swfRepeatingBitmapFill : swfClippedBitmapFill);
  out.writeU16(bitmapId_);
  matrix_.write(out);
}

void SwfSolidFillStyle::write(SwfStream& out) const {
  out.writeU8(0x00);
  for (std::uint8_t c : rgba_) out.writeU8(c);
}

SwfMorphFillStyle::SwfMorphFillStyle(bool repeat, std::uint16_t bitmapId, SwfMatrix startMatrix,
                                     SwfMatrix endMatrix)
    : repeat_(repeat), bitmapId_(bitmapId), start_(startMatrix), end_(endMatrix) {}

void SwfMorphFillStyle::write(SwfStream& out) const {
  out.writeU8(repeat_ ? swfRepeatingBitmapFill : swfClippedBitmapFill);
  out.writeU16(bitmapId_);
  start_.write(out);
  end_.write(out);
}

void writeStyleCount(SwfStream& out, unsigned count) {
  if (count < 255) {
    out.writeU8(count);
  } else {
    out.writeU8(0xFF);
    out.writeU16(count);
  }
}

unsigned SwfFillStyleArray::add(std::unique_ptr<SwfFillStyleBase> style) {
  assert(style);
  styles_.push_back(std::move(style));
  return count();
}

void SwfFillStyleArray::write(SwfStream& out) const {
  writeStyleCount(out, count());
  for (const auto& style : styles_) style->write(out);
}

void SwfLineStyleArray::write(SwfStream& out) const { writeStyleCount(out, count()); }

// --- Shape records --------------------------------------------------------

SwfShapeRecord::~SwfShapeRecord() = default;

SwfStyleChange::SwfStyleChange(const SwfStyleChangeData& change)
    : stateNewStyles_(change.newStyles),
      stateLineStyle_(change.lineStyle.has_value()),
      stateFillStyle1_(change.fillStyle1.has_value()),
      stateFillStyle0_(change.fillStyle0.has_value()),
      stateMoveTo_(change.moveTo.has_value()),
      moveX_(change.moveTo ? change.moveTo->x.value() : 0),
      moveY_(change.moveTo ? change.moveTo->y.value() : 0),
      moveBits_(bitsNeeded(maxMagnitude(moveX_, moveY_, 0, 0), 1)),
      fillStyle0_(change.fillStyle0.value_or(0)),
      fillStyle1_(change.fillStyle1.value_or(0)),
      lineStyle_(change.lineStyle.value_or(0)) {}

namespace {
// Writes an unsigned field of n bits; a field of 0 bits writes nothing.
void writeUnsigned(SwfStream& out, unsigned value, unsigned n) {
  if (n > 0) out.writeBits(static_cast<std::int32_t>(value), n);
}
}  // namespace

void SwfStyleChange::write(SwfStream& out, const SwfShapeContext& context) const {
  out.writeBits(0, 1);
  out.writeBits(stateNewStyles_, 1);
  out.writeBits(stateLineStyle_, 1);
  out.writeBits(stateFillStyle1_, 1);
  out.writeBits(stateFillStyle0_, 1);
  out.writeBits(stateMoveTo_, 1);
  if (stateMoveTo_) {
    out.writeBits(static_cast<std::int32_t>(moveBits_), 5);
    out.writeBits(moveX_, moveBits_);
    out.writeBits(moveY_, moveBits_);
  }
  if (stateFillStyle0_) writeUnsigned(out, fillStyle0_, context.fillBits);
  if (stateFillStyle1_) writeUnsigned(out, fillStyle1_, context.fillBits);
  if (stateLineStyle_) writeUnsigned(out, lineStyle_, context.lineBits);
}

namespace {
unsigned edgeBits(std::uint32_t magnitude) {
  const unsigned bits = bitsNeeded(magnitude, 1);
  return bits < 2 ? 2 : bits;
}
}  // namespace

SwfStraightEdge::SwfStraightEdge(Twips dx, Twips dy)
    : dx_(dx.value()), dy_(dy.value()), bits_(edgeBits(maxMagnitude(dx_, dy_, 0, 0))) {}

void SwfStraightEdge::write(SwfStream& out, const SwfShapeContext&) const {
  out.writeBits(1, 1);  // edge record
  out.writeBits(1, 1);  // straight
  out.writeBits(static_cast<std::int32_t>(bits_ - 2), 4);
  if (dx_ != 0 && dy_ != 0) {
    out.writeBits(1, 1);  // general line
    out.writeBits(dx_, bits_);
    out.writeBits(dy_, bits_);
  } else if (dx_ == 0) {
    out.writeBits(0, 1);
    out.writeBits(1, 1);  // vertical
    out.writeBits(dy_, bits_);
  } else {
    out.writeBits(0, 1);
    out.writeBits(0, 1);  // horizontal
    out.writeBits(dx_, bits_);
  }
}

SwfCurvedEdge::SwfCurvedEdge(Twips controlDX, Twips controlDY, Twips anchorDX, Twips anchorDY)
    : controlDX_(controlDX.value()),
      controlDY_(controlDY.value()),
      anchorDX_(anchorDX.value()),
      anchorDY_(anchorDY.value()),
      bits_(edgeBits(maxMagnitude(controlDX_, controlDY_, anchorDX_, anchorDY_))) {}

void SwfCurvedEdge::write(SwfStream& out, const SwfShapeContext&) const {
  out.writeBits(1, 1);  // edge record
  out.writeBits(0, 1);  // curved
  out.writeBits(static_cast<std::int32_t>(bits_ - 2), 4);
  out.writeBits(controlDX_, bits_);
  out.writeBits(controlDY_, bits_);
  out.writeBits(anchorDX_, bits_);
  out.writeBits(anchorDY_, bits_);
}

void SwfEndShape::write(SwfStream& out, const SwfShapeContext&) const {
  out.writeBits(0, 6);
  out.flushBits();
}

void SwfShapeRecordList::add(std::unique_ptr<SwfShapeRecord> record) {
  assert(record);
  records_.push_back(std::move(record));
}

void SwfShapeRecordList::write(SwfStream& out) const {
  out.writeBits(static_cast<std::int32_t>(context_.fillBits), 4);
  out.writeBits(static_cast<std::int32_t>(context_.lineBits), 4);
  for (const auto& record : records_) record->write(out, context_);
}

// --- RECT, DefineShape ------------------------------------------------------

void SwfRect::write(SwfStream& out) const {
  const unsigned nbits = bitsNeeded(maxMagnitude(xMin, xMax, yMin, yMax), 1);
  out.writeBits(static_cast<std::int32_t>(nbits), 5);
  out.writeBits(xMin, nbits);
  out.writeBits(xMax, nbits);
  out.writeBits(yMin, nbits);
  out.writeBits(yMax, nbits);
  out.flushBits();
}

SwfShapeWithStyle::SwfShapeWithStyle(SwfFillStyleArray fills, SwfLineStyleArray lines)
    : fills_(std::move(fills)), lines_(lines) {
  records_.setContext({bitsNeeded(fills_.count(), 0), bitsNeeded(lines_.count(), 0)});
}

void SwfShapeWithStyle::addRecord(std::unique_ptr<SwfShapeRecord> record) { records_.add(std::move(record)); }

void SwfShapeWithStyle::write(SwfStream& out) const {
  fills_.write(out);
  lines_.write(out);
  records_.write(out);
  out.flushBits();
}

SwfShape::SwfShape(SwfCharacterIds& ids, SwfRect bounds) : id_(ids.next()), bounds_(bounds) {}

SwfShape::~SwfShape() = default;

unsigned SwfShape::addFill(SwfFillStyle style) {
  assert(!styled_);
  return fills_.add(std::make_unique<SwfFillStyle>(style));
}

unsigned SwfShape::addFill(SwfSolidFillStyle style) {
  assert(!styled_);
  rgba_ = true;
  return fills_.add(std::make_unique<SwfSolidFillStyle>(style));
}

void SwfShape::finish() {
  assert(!styled_);
  if (!styled_) styled_ = std::make_unique<SwfShapeWithStyle>(std::move(fills_), lines_);
}

void SwfShape::addRecord(std::unique_ptr<SwfShapeRecord> record) {
  assert(styled_);
  // A record added before finish would carry style index widths of 0; finish
  // here so the shape still comes out consistent.
  if (!styled_) finish();
  styled_->addRecord(std::move(record));
}

void SwfShape::write(SwfStream& out) const {
  SwfStream body;
  body.writeU16(id_);
  bounds_.write(body);
  if (styled_) {
    styled_->write(body);
  } else {
    // An unfinished shape: styles and no records, written consistently.
    assert(!"SwfShape written before finish");
    fills_.write(body);
    lines_.write(body);
    body.writeU8(0);
  }
  writeTag(out, rgba_ ? swfTagDefineShape3 : swfTagDefineShape, body);
}

// --- DefineMorphShape -------------------------------------------------------

SwfMorphShape::SwfMorphShape(SwfCharacterIds& ids, SwfRect startBounds, SwfRect endBounds)
    : id_(ids.next()), startBounds_(startBounds), endBounds_(endBounds) {}

SwfMorphShape::~SwfMorphShape() = default;

unsigned SwfMorphShape::addFill(SwfMorphFillStyle style) {
  assert(!finished_);
  return fills_.add(std::make_unique<SwfMorphFillStyle>(style));
}

void SwfMorphShape::finish() {
  startEdges_.setContext({bitsNeeded(fills_.count(), 0), bitsNeeded(lines_.count(), 0)});
  finished_ = true;
}

void SwfMorphShape::write(SwfStream& out) const {
  assert(finished_);
  SwfStream body;
  body.writeU16(id_);
  startBounds_.write(body);
  endBounds_.write(body);

  SwfStream styledEdges;
  fills_.write(styledEdges);
  lines_.write(styledEdges);
  startEdges_.write(styledEdges);
  styledEdges.flushBits();

  // Offset: bytes from the end of this field to the start of the end edges.
  body.writeU32(static_cast<std::uint32_t>(styledEdges.totalSize()));
  body.appendStream(styledEdges);
  endEdges_.write(body);
  body.flushBits();
  writeTag(out, swfTagDefineMorphShape, body);
}

// --- Drawing front end --------------------------------------------------------

namespace {

// Rounds an intermediate result to double. On 32-bit x86 the compiler may keep
// values in 80-bit registers, and then 140 + 0.85 * 40 truncates to 173
// instead of 174: every build must draw the same outline.
double toDouble(double value) {
  volatile double stored = value;
  return stored;
}

std::int32_t truncate(double value) { return static_cast<std::int32_t>(toDouble(value)); }

}  // namespace

void SwfShapeBuilder::append(SwfOutline target, std::unique_ptr<SwfShapeRecord> record) {
  assert(target == SwfOutline::Start || target == SwfOutline::End);
  (target == SwfOutline::Start ? shape_->startEdges() : shape_->endEdges()).add(std::move(record));
}

void SwfShapeBuilder::moveTo(SwfOutline target, std::int32_t x, std::int32_t y, unsigned lineIndex,
                             unsigned fillIndex) {
  SwfStyleChangeData change;
  change.moveTo = SwfMoveTo{Twips::fromPixels(x), Twips::fromPixels(y)};
  if (fillIndex != 0) change.fillStyle0 = fillIndex;
  if (lineIndex != 0) change.lineStyle = lineIndex;
  append(target, std::make_unique<SwfStyleChange>(change));
}

void SwfShapeBuilder::lineTo(SwfOutline target, std::int32_t dx, std::int32_t dy) {
  append(target, std::make_unique<SwfStraightEdge>(Twips::fromPixels(dx), Twips::fromPixels(dy)));
}

void SwfShapeBuilder::curveTo(SwfOutline target, Twips controlDX, Twips controlDY, Twips anchorDX,
                              Twips anchorDY) {
  append(target, std::make_unique<SwfCurvedEdge>(controlDX, controlDY, anchorDX, anchorDY));
}

void SwfShapeBuilder::rectangle(SwfOutline target, unsigned lineIndex, unsigned fillIndex,
                                const SwfPixelRect& r) {
  moveTo(target, r.left, r.top, lineIndex, fillIndex);
  lineTo(target, r.right - r.left, 0);
  lineTo(target, 0, r.bottom - r.top);
  lineTo(target, r.left - r.right, 0);
  lineTo(target, 0, r.top - r.bottom);
}

void SwfShapeBuilder::ellipse(SwfOutline target, std::int32_t left, std::int32_t top, std::int32_t width,
                              std::int32_t height, unsigned lineIndex, unsigned fillIndex) {
  const double x = toDouble(0.85 * width);
  const double y = toDouble(0.85 * height);
  moveTo(target, truncate(left + x), truncate(top + y), lineIndex, fillIndex);

  const double w = 20.0 * width;
  const double h = 20.0 * height;
  const Twips a(truncate(-w * 0.146)), b(truncate(h * 0.146)), c(truncate(-w * 0.206)),
      d(truncate(-h * 0.146)), e(truncate(-h * 0.206)), f(truncate(w * 0.146)), g(truncate(w * 0.206)),
      k(truncate(h * 0.206));
  const Twips zero(0);
  curveTo(target, a, b, c, zero);
  curveTo(target, c, zero, a, d);
  curveTo(target, a, d, zero, e);
  curveTo(target, zero, e, f, d);
  curveTo(target, f, d, g, zero);
  curveTo(target, g, zero, f, b);
  curveTo(target, f, b, zero, k);
  curveTo(target, zero, k, a, b);
}

void SwfShapeBuilder::end(SwfOutline target) { append(target, std::make_unique<SwfEndShape>()); }
