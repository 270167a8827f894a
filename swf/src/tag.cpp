#include <swf/tag.h>
#include <swf/trace.h>

namespace {
std::uint16_t characterCounter = 0;
SwfTraceSink traceSink = nullptr;
}  // namespace

SwfTag::~SwfTag() = default;

void SwfCharacter::write(SwfStream&) const {}

std::uint16_t nextCharacterId() { return ++characterCounter; }

void resetCharacterIds() { characterCounter = 0; }

void setSwfTraceSink(SwfTraceSink sink) { traceSink = sink; }

void swfTrace(const std::string& message) {
  if (traceSink) traceSink(message);
}
