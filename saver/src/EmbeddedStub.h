// The screensaver player a Windows program carries as resource "BIN" 153:
// the maker puts it in front of a movie to make a screensaver file.
#pragma once

#include <cstdint>
#include <vector>

// The player's bytes from this program's own resources; false when the
// program carries none.
bool embeddedSaverStub(std::vector<std::uint8_t>* bytes);
