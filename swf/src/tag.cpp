#include <swf/tag.h>
#include <swf/trace.h>

namespace {
SwfTraceSink traceSink = nullptr;
}  // namespace

SwfTag::~SwfTag() = default;

void SwfCharacter::write(SwfStream&) const {}

void setSwfTraceSink(SwfTraceSink sink) { traceSink = sink; }

void swfTrace(const std::string& message) {
  if (traceSink) traceSink(message);
}
