#pragma once

#include <swf/tag.h>

#include <memory>
#include <vector>

// Base of action records.
class SwfAction {
 public:
  virtual ~SwfAction();
  virtual void write(SwfStream& out) const = 0;
};

// ActionStop: the single byte 0x07.
class SwfActionStop : public SwfAction {
 public:
  void write(SwfStream& out) const override;
};

// DoAction: its actions in order, then the end flag.
class SwfDoAction : public SwfTag {
 public:
  void add(std::unique_ptr<SwfAction> action);
  void write(SwfStream& out) const override;

 private:
  std::vector<std::unique_ptr<SwfAction>> actions_;
};
