// The runtime's numeric rules, in one place: conversions to integers round half to even
// and raise Overflow when the result does not fit; 16-bit counters are checked; values
// stored as 32-bit floats are rounded once, when stored; floating-point faults raise.
#pragma once

#include <cstdint>
#include <string_view>

namespace tivaro::rt {

// 16-bit booleans: true is -1, false is 0.
using Bool16 = std::int16_t;
inline constexpr Bool16 kTrue = -1;
inline constexpr Bool16 kFalse = 0;
constexpr Bool16 ToBool16(bool b) noexcept {
    return b ? kTrue : kFalse;
}

// Round half to even, then check the range. NaN and infinities raise Overflow.
std::int16_t RoundToI16(double value);
std::int32_t RoundToI32(double value);
std::uint8_t RoundToU8(double value);

// Store a 64-bit intermediate as a 32-bit float; a finite value beyond the float range
// (or a NaN) raises Overflow.
float StoreF32(double value);

// Checked integer arithmetic of the runtime.
std::int16_t AddI16(std::int16_t a, std::int16_t b);
std::int16_t SubI16(std::int16_t a, std::int16_t b);
std::int16_t MulI16(std::int16_t a, std::int16_t b);
std::int32_t AddI32(std::int32_t a, std::int32_t b);
std::int32_t SubI32(std::int32_t a, std::int32_t b);

// Floating-point division that raises instead of producing inf or NaN:
// x / 0 with x != 0 raises Division by zero; 0 / 0 and overflow raise Overflow.
double Divide(double numerator, double denominator);

// Reads a number from text the way the runtime does: blanks and tabs are
// skipped wherever they stand; an optional sign, digits, a decimal point, an exponent
// (E or D) and the &H / &O radix prefixes are understood; reading stops at the first
// character that cannot continue the number; no digits give 0.
double ReadNumber(std::string_view text);

}  // namespace tivaro::rt
