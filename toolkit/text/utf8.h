// UTF-8 decoding for text drawing and for checking stored text.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace tivaro::text {

inline constexpr char32_t kReplacementCharacter = 0xFFFD;

// Decodes the code point at `pos` and advances `pos` past it. A malformed, overlong or
// truncated sequence, a surrogate or a value above U+10FFFF yields U+FFFD and skips one
// byte, so decoding always makes progress.
char32_t NextCodePoint(std::string_view utf8, std::size_t& pos);

// True when the whole text is well-formed UTF-8.
bool IsValidUtf8(std::string_view utf8);

// Appends the UTF-8 encoding of a code point (U+FFFD for invalid ones).
void AppendUtf8(std::string& out, char32_t code_point);

}  // namespace tivaro::text
