#include "toolkit/runtime/numeric.h"

#include <cfenv>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <string>

#include "toolkit/runtime/errors.h"

namespace tivaro::rt {
namespace {

// nearbyint rounds in the current mode, which the program never changes from
// round-to-nearest-even.
double RoundHalfEven(double value) {
    if (!std::isfinite(value)) Raise(ErrorNumber::Overflow);
    return std::nearbyint(value);
}

template <class Int>
Int RoundTo(double value) {
    const double r = RoundHalfEven(value);
    if (r < static_cast<double>(std::numeric_limits<Int>::min()) ||
        r > static_cast<double>(std::numeric_limits<Int>::max())) {
        Raise(ErrorNumber::Overflow);
    }
    return static_cast<Int>(r);
}

template <class Int>
Int Checked(std::int64_t wide) {
    if (wide < std::numeric_limits<Int>::min() || wide > std::numeric_limits<Int>::max()) {
        Raise(ErrorNumber::Overflow);
    }
    return static_cast<Int>(wide);
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

double ReadRadix(std::string_view text, std::size_t pos, int radix) {
    std::uint64_t value = 0;
    int digits = 0;
    for (; pos < text.size(); ++pos) {
        const char c = text[pos];
        if (IsBlank(c)) continue;
        int d = -1;
        if (c >= '0' && c <= '9') d = c - '0';
        if (radix == 16 && c >= 'a' && c <= 'f') d = c - 'a' + 10;
        if (radix == 16 && c >= 'A' && c <= 'F') d = c - 'A' + 10;
        if (d < 0 || d >= radix) break;
        if (value == 0 && d == 0) continue;  // leading zeros do not count
        value = value * static_cast<unsigned>(radix) + static_cast<unsigned>(d);
        if (++digits > 11 || value > 0xFFFFFFFFull) Raise(ErrorNumber::Overflow);
    }
    // Four or fewer hex digits (or values up to 0xFFFF) read as a 16-bit integer,
    // more as a 32-bit one: &HFFFF is -1, &H10000 is 65536.
    if (value <= 0xFFFF) return static_cast<double>(static_cast<std::int16_t>(value));
    return static_cast<double>(static_cast<std::int32_t>(static_cast<std::uint32_t>(value)));
}

}  // namespace

std::int16_t RoundToI16(double value) {
    return RoundTo<std::int16_t>(value);
}
std::int32_t RoundToI32(double value) {
    return RoundTo<std::int32_t>(value);
}
std::uint8_t RoundToU8(double value) {
    return RoundTo<std::uint8_t>(value);
}

float StoreF32(double value) {
    if (std::isnan(value)) Raise(ErrorNumber::Overflow);
    const float f = static_cast<float>(value);
    if (std::isinf(f) && !std::isinf(value)) Raise(ErrorNumber::Overflow);
    return f;
}

std::int16_t AddI16(std::int16_t a, std::int16_t b) {
    return Checked<std::int16_t>(std::int64_t{a} + b);
}
std::int16_t SubI16(std::int16_t a, std::int16_t b) {
    return Checked<std::int16_t>(std::int64_t{a} - b);
}
std::int16_t MulI16(std::int16_t a, std::int16_t b) {
    return Checked<std::int16_t>(std::int64_t{a} * b);
}
std::int32_t AddI32(std::int32_t a, std::int32_t b) {
    return Checked<std::int32_t>(std::int64_t{a} + b);
}
std::int32_t SubI32(std::int32_t a, std::int32_t b) {
    return Checked<std::int32_t>(std::int64_t{a} - b);
}

double Divide(double numerator, double denominator) {
    if (denominator == 0.0) {
        if (numerator == 0.0 || std::isnan(numerator)) Raise(ErrorNumber::Overflow);
        Raise(ErrorNumber::DivisionByZero);
    }
    const double q = numerator / denominator;
    if (!std::isfinite(q)) Raise(ErrorNumber::Overflow);
    return q;
}

double ReadNumber(std::string_view text) {
    std::size_t pos = 0;
    while (pos < text.size() && IsBlank(text[pos])) ++pos;
    if (pos + 1 < text.size() && text[pos] == '&') {
        const char r = text[pos + 1];
        if (r == 'h' || r == 'H') return ReadRadix(text, pos + 2, 16);
        if (r == 'o' || r == 'O') return ReadRadix(text, pos + 2, 8);
    }
    // Gather the characters that form a decimal number, leaving blanks out.
    std::string number;
    enum class Stage { Sign, Integer, Fraction, ExponentSign, Exponent } stage = Stage::Sign;
    std::size_t exponent_mark = std::string::npos;
    bool any_digit = false;
    for (; pos < text.size(); ++pos) {
        const char c = text[pos];
        if (IsBlank(c)) continue;
        const bool digit = c >= '0' && c <= '9';
        if (stage == Stage::Sign && (c == '+' || c == '-')) {
            number += c;
            stage = Stage::Integer;
        } else if (digit && stage != Stage::ExponentSign) {
            number += c;
            if (stage == Stage::Sign) stage = Stage::Integer;
            any_digit = any_digit || stage != Stage::Exponent;
        } else if (digit) {
            number += c;
            stage = Stage::Exponent;
        } else if (c == '.' && (stage == Stage::Sign || stage == Stage::Integer)) {
            number += c;
            stage = Stage::Fraction;
        } else if ((c == 'e' || c == 'E' || c == 'd' || c == 'D') && any_digit &&
                   (stage == Stage::Integer || stage == Stage::Fraction)) {
            exponent_mark = number.size();
            number += 'e';
            stage = Stage::ExponentSign;
        } else if ((c == '+' || c == '-') && stage == Stage::ExponentSign) {
            number += c;
            stage = Stage::Exponent;
        } else {
            break;
        }
    }
    if (!any_digit) return 0.0;
    // An exponent mark with no digits after it is not part of the number.
    if (exponent_mark != std::string::npos &&
        number.find_first_of("0123456789", exponent_mark) == std::string::npos) {
        number.resize(exponent_mark);
    }
    const double value = std::strtod(number.c_str(), nullptr);
    if (!std::isfinite(value)) Raise(ErrorNumber::Overflow);
    return value;
}

}  // namespace tivaro::rt
