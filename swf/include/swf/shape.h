#pragma once

#include <swf/tag.h>
#include <swf/twips.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

class SwfStream;

// MATRIX record. Scale and rotation are 16.16 fixed point (scale 20 is
// 0x140000), translations are twips. Field widths are fixed at construction.
class SwfMatrix {
 public:
  // The empty matrix: written as the single byte 0x00.
  SwfMatrix();
  SwfMatrix(bool hasScale, std::int32_t scaleX, std::int32_t scaleY, bool hasRotate, std::int32_t rotateSkew0,
            std::int32_t rotateSkew1, Twips translateX, Twips translateY);

  void write(SwfStream& out) const;

  bool isEmpty() const { return empty_; }
  unsigned scaleBits() const { return scaleBits_; }
  unsigned rotateBits() const { return rotateBits_; }
  unsigned translateBits() const { return translateBits_; }

 private:
  bool empty_ = true;
  bool hasScale_ = false;
  bool hasRotate_ = false;
  std::int32_t scaleX_ = 0, scaleY_ = 0;
  std::int32_t rotateSkew0_ = 0, rotateSkew1_ = 0;
  std::int32_t translateX_ = 0, translateY_ = 0;
  unsigned scaleBits_ = 0, rotateBits_ = 0, translateBits_ = 0;
};

// Fill style type bytes of the two bitmap fills.
constexpr std::uint8_t swfRepeatingBitmapFill = 0x40;
constexpr std::uint8_t swfClippedBitmapFill = 0x41;

// Common base of the fill style records held by a fill style array.
class SwfFillStyleBase {
 public:
  virtual ~SwfFillStyleBase();
  virtual void write(SwfStream& out) const = 0;
};

// FILLSTYLE: a bitmap fill, repeating when repeat is set, clipped otherwise.
class SwfFillStyle : public SwfFillStyleBase {
 public:
  SwfFillStyle(bool repeat, std::uint16_t bitmapId, SwfMatrix matrix);
  void write(SwfStream& out) const override;

 private:
  bool repeat_;
  std::uint16_t bitmapId_;
  SwfMatrix matrix_;
};

// FILLSTYLE: one colour with its opacity, as DefineShape3 writes it (RGBA).
class SwfSolidFillStyle : public SwfFillStyleBase {
 public:
  SwfSolidFillStyle(std::uint8_t red, std::uint8_t green, std::uint8_t blue, std::uint8_t alpha)
      : rgba_{red, green, blue, alpha} {}
  void write(SwfStream& out) const override;

 private:
  std::uint8_t rgba_[4];
};

// MORPHFILLSTYLE: a bitmap fill with a start and an end matrix.
class SwfMorphFillStyle : public SwfFillStyleBase {
 public:
  SwfMorphFillStyle(bool repeat, std::uint16_t bitmapId, SwfMatrix startMatrix, SwfMatrix endMatrix);
  void write(SwfStream& out) const override;

 private:
  bool repeat_;
  std::uint16_t bitmapId_;
  SwfMatrix start_;
  SwfMatrix end_;
};

// Ordered, owned list of fill styles with the SWF count encoding.
class SwfFillStyleArray {
 public:
  // Appends style and returns the new count: the style's 1-based index.
  unsigned add(std::unique_ptr<SwfFillStyleBase> style);
  unsigned count() const { return static_cast<unsigned>(styles_.size()); }
  void write(SwfStream& out) const;

 private:
  std::vector<std::unique_ptr<SwfFillStyleBase>> styles_;
};

// Line style array. The writer has no line style records, so it is always
// empty and written as the single byte 0x00.
class SwfLineStyleArray {
 public:
  unsigned count() const { return 0; }
  void write(SwfStream& out) const;
};

// Writes a style array count: one byte below 255, else 0xFF and a 16-bit count.
void writeStyleCount(SwfStream& out, unsigned count);

// What a shape record needs to know of the shape it is written in: the
// NumFillBits and NumLineBits its list declared. Only the style change
// record uses them, for its style indices.
struct SwfShapeContext {
  unsigned fillBits = 0;
  unsigned lineBits = 0;
};

// Base of the four shape records.
class SwfShapeRecord {
 public:
  virtual ~SwfShapeRecord();
  virtual void write(SwfStream& out, const SwfShapeContext& context) const = 0;
};

// Pen position of a style change, in twips from the shape's origin.
struct SwfMoveTo {
  Twips x;
  Twips y;
};

// What a STYLECHANGERECORD changes. Each field that holds a value is written
// with its state flag set; an empty one is left out. A style index of 0 is
// a value too: it selects no style.
struct SwfStyleChangeData {
  bool newStyles = false;  // StateNewStyles: new style arrays follow (this writer adds none)
  std::optional<SwfMoveTo> moveTo;
  std::optional<unsigned> fillStyle0;
  std::optional<unsigned> fillStyle1;
  std::optional<unsigned> lineStyle;

  // Moves the pen to `at` and fills what follows with fill style `fill`
  // (as fill style 1) and no line: how a filled figure's outline begins.
  static SwfStyleChangeData startFill(SwfMoveTo at, unsigned fill) {
    SwfStyleChangeData change;
    change.moveTo = at;
    change.fillStyle1 = fill;
    change.lineStyle = 0;
    return change;
  }
};

// STYLECHANGERECORD.
class SwfStyleChange : public SwfShapeRecord {
 public:
  explicit SwfStyleChange(const SwfStyleChangeData& change);
  void write(SwfStream& out, const SwfShapeContext& context) const override;

  Twips moveX() const { return Twips(moveX_); }
  Twips moveY() const { return Twips(moveY_); }

 private:
  bool stateNewStyles_, stateLineStyle_, stateFillStyle1_, stateFillStyle0_, stateMoveTo_;
  std::int32_t moveX_, moveY_;
  unsigned moveBits_;
  unsigned fillStyle0_, fillStyle1_, lineStyle_;
};

// STRAIGHTEDGERECORD: vertical when dx is 0, horizontal when only dy is 0,
// general otherwise.
class SwfStraightEdge : public SwfShapeRecord {
 public:
  SwfStraightEdge(Twips dx, Twips dy);
  void write(SwfStream& out, const SwfShapeContext& context) const override;
  unsigned bits() const { return bits_; }
  Twips dx() const { return Twips(dx_); }
  Twips dy() const { return Twips(dy_); }

 private:
  std::int32_t dx_, dy_;
  unsigned bits_;
};

// CURVEDEDGERECORD: a quadratic curve by control and anchor deltas.
class SwfCurvedEdge : public SwfShapeRecord {
 public:
  SwfCurvedEdge(Twips controlDX, Twips controlDY, Twips anchorDX, Twips anchorDY);
  void write(SwfStream& out, const SwfShapeContext& context) const override;
  unsigned bits() const { return bits_; }
  Twips controlDX() const { return Twips(controlDX_); }
  Twips controlDY() const { return Twips(controlDY_); }
  Twips anchorDX() const { return Twips(anchorDX_); }
  Twips anchorDY() const { return Twips(anchorDY_); }

 private:
  std::int32_t controlDX_, controlDY_, anchorDX_, anchorDY_;
  unsigned bits_;
};

// ENDSHAPERECORD: six zero bits, then alignment.
class SwfEndShape : public SwfShapeRecord {
 public:
  void write(SwfStream& out, const SwfShapeContext& context) const override;
};

// Ordered, owned list of shape records preceded by NumFillBits and
// NumLineBits, which it hands to each record as it writes it.
class SwfShapeRecordList {
 public:
  void add(std::unique_ptr<SwfShapeRecord> record);
  void setContext(SwfShapeContext context) { context_ = context; }
  const SwfShapeContext& context() const { return context_; }
  unsigned fillBits() const { return context_.fillBits; }
  unsigned lineBits() const { return context_.lineBits; }
  std::size_t size() const { return records_.size(); }
  const SwfShapeRecord& record(std::size_t index) const { return *records_.at(index); }
  // The list ends on a byte boundary only if its last record is an end record.
  void write(SwfStream& out) const;

 private:
  SwfShapeContext context_;
  std::vector<std::unique_ptr<SwfShapeRecord>> records_;
};

// RECT record; its field width is computed when written.
struct SwfRect {
  std::int32_t xMin = 0, xMax = 0, yMin = 0, yMax = 0;

  SwfRect() = default;
  SwfRect(Twips left, Twips top, Twips right, Twips bottom)
      : xMin(left.value()), xMax(right.value()), yMin(top.value()), yMax(bottom.value()) {}
  static SwfRect fromPixels(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom) {
    return SwfRect(Twips::fromPixels(left), Twips::fromPixels(top), Twips::fromPixels(right),
                   Twips::fromPixels(bottom));
  }
  void write(SwfStream& out) const;
};

// SHAPEWITHSTYLE: the styles of a DefineShape and its records.
class SwfShapeWithStyle {
 public:
  SwfShapeWithStyle(SwfFillStyleArray fills, SwfLineStyleArray lines);
  void addRecord(std::unique_ptr<SwfShapeRecord> record);
  unsigned fillBits() const { return records_.fillBits(); }
  unsigned lineBits() const { return records_.lineBits(); }
  void write(SwfStream& out) const;

 private:
  SwfFillStyleArray fills_;
  SwfLineStyleArray lines_;
  SwfShapeRecordList records_;
};

// DefineShape, or DefineShape3 once a solid fill with its opacity is added.
// Built in three phases: addFill, finish, addRecord; the last record must be
// an SwfEndShape.
class SwfShape : public SwfCharacter {
 public:
  // Takes the next identifier of ids (the movie it is made for).
  SwfShape(SwfCharacterIds& ids, SwfRect bounds);
  ~SwfShape() override;

  unsigned addFill(SwfFillStyle style);
  unsigned addFill(SwfSolidFillStyle style);
  void finish();
  void addRecord(std::unique_ptr<SwfShapeRecord> record);

  std::uint16_t characterId() const override { return id_; }
  void write(SwfStream& out) const override;

 private:
  std::uint16_t id_;
  SwfRect bounds_;
  bool rgba_ = false;  // written as DefineShape3
  SwfFillStyleArray fills_;
  SwfLineStyleArray lines_;
  std::unique_ptr<SwfShapeWithStyle> styled_;
};

// DefineMorphShape: a start and an end outline interpolated by the placement
// ratio. Styles are added, finish is called, then records are drawn through an
// SwfShapeBuilder; both outlines must end with an SwfEndShape.
class SwfMorphShape : public SwfCharacter {
 public:
  SwfMorphShape(SwfCharacterIds& ids, SwfRect startBounds, SwfRect endBounds);
  ~SwfMorphShape() override;

  unsigned addFill(SwfMorphFillStyle style);
  void finish();

  SwfShapeRecordList& startEdges() { return startEdges_; }
  SwfShapeRecordList& endEdges() { return endEdges_; }
  bool isFinished() const { return finished_; }

  std::uint16_t characterId() const override { return id_; }
  void write(SwfStream& out) const override;

 private:
  std::uint16_t id_;
  SwfRect startBounds_, endBounds_;
  SwfShapeRecordList startEdges_, endEdges_;
  SwfFillStyleArray fills_;
  SwfLineStyleArray lines_;
  bool finished_ = false;
};

// Which outline of a morph shape a drawing operation adds to.
enum class SwfOutline { Start = 1, End = 2 };

// A rectangle in pixels, as the transitions describe their figures.
struct SwfPixelRect {
  std::int32_t left = 0, top = 0, right = 0, bottom = 0;
};

// Drawing front end for morph shapes, in pixels. The end outline's list
// declares no style index bits, so its records carry none.
class SwfShapeBuilder {
 public:
  explicit SwfShapeBuilder(SwfMorphShape& shape) : shape_(&shape) {}

  void moveTo(SwfOutline target, std::int32_t x, std::int32_t y, unsigned lineIndex, unsigned fillIndex);
  void lineTo(SwfOutline target, std::int32_t dx, std::int32_t dy);
  // Control and anchor deltas are twips, not pixels.
  void curveTo(SwfOutline target, Twips controlDX, Twips controlDY, Twips anchorDX, Twips anchorDY);
  void rectangle(SwfOutline target, unsigned lineIndex, unsigned fillIndex, const SwfPixelRect& rect);
  // Eight quadratic curves approximating the ellipse inscribed in the box.
  // The box may start at negative coordinates (a circle that grows past the
  // album's corners), so left and top are signed. The caller appends the end
  // record.
  void ellipse(SwfOutline target, std::int32_t left, std::int32_t top, std::int32_t width,
               std::int32_t height, unsigned lineIndex, unsigned fillIndex);
  void end(SwfOutline target);

 private:
  void append(SwfOutline target, std::unique_ptr<SwfShapeRecord> record);

  SwfMorphShape* shape_;  // not owned
};
