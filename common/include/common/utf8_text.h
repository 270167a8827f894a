// UTF-8 text as code points and back. Bytes that are not UTF-8 never stop
// the decoding: each maximal piece of a malformed sequence (a lone or stray
// byte, a sequence cut short, an overlong form, a surrogate or a value past
// U+10FFFF) becomes one U+FFFD, the way the Unicode standard recommends, so
// that every program reading the same bytes shows the same characters.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace slidewright {

constexpr char32_t kReplacementCharacter = 0xFFFD;

// The code point starting at text[i] (i < text.size()), advancing i past it;
// U+FFFD for a malformed sequence, advancing i past that sequence's valid
// beginning only, so that the byte that broke it starts the next one.
char32_t nextCodePoint(std::string_view text, std::size_t& i);

// The text's code points.
std::u32string decodeUtf8(std::string_view text);

// Appends c (at most U+10FFFF, not a surrogate) as UTF-8.
void appendUtf8(std::string& out, char32_t c);

}  // namespace slidewright
