#include <swf/action.h>
#include <swf/stream.h>

#include <cassert>

SwfAction::~SwfAction() = default;

void SwfActionStop::write(SwfStream& out) const { out.writeU8(0x07); }

void SwfDoAction::add(std::unique_ptr<SwfAction> action) {
  assert(action);
  actions_.push_back(std::move(action));
}

void SwfDoAction::write(SwfStream& out) const {
  SwfStream body;
  for (const auto& action : actions_) action->write(body);
  body.writeU8(0);  // end of actions
  writeTag(out, swfTagDoAction, body);
}
