#pragma once

#include <string>

// Diagnostic trace of the writer's loaders. By default messages are dropped;
// a program or a test may install a sink to see them.
using SwfTraceSink = void (*)(const std::string& message);

void setSwfTraceSink(SwfTraceSink sink);
void swfTrace(const std::string& message);
