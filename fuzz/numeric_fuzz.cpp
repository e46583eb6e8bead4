// The number reader (rt::ReadNumber) and the roundings applied to what it reads: a
// number comes back finite or Overflow is raised, blanks count nowhere, radix numbers are
// whole, and a rounding lands within half of the value or raises Overflow.
#include <cmath>
#include <string>

#include "check.h"
#include "toolkit/runtime/errors.h"
#include "toolkit/runtime/numeric.h"

using namespace tivaro;

namespace {

bool Overflowed(auto&& f) {
    try {
        f();
    } catch (const rt::RuntimeError& e) {
        return e.number() == rt::ErrorNumber::Overflow;
    }
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text = fuzz::AsText(data, size);
    double value = 0;
    try {
        value = rt::ReadNumber(text);
    } catch (const rt::RuntimeError& e) {
        TIVARO_FUZZ_EXPECT(e.number() == rt::ErrorNumber::Overflow, text);
        TIVARO_FUZZ_EXPECT(Overflowed([&] { rt::ReadNumber(" \t" + std::string(text)); }), text);
        return 0;
    }
    TIVARO_FUZZ_EXPECT(std::isfinite(value), text);
    const double blank_first = rt::ReadNumber(" \t" + std::string(text));
    TIVARO_FUZZ_EXPECT(blank_first == value || (std::isnan(blank_first) && std::isnan(value)), text);
    const std::size_t start = text.find_first_not_of(" \t");
    if (start != std::string_view::npos && text.size() > start + 2 && text[start] == '&' &&
        (text[start + 1] == 'h' || text[start + 1] == 'H')) {
        TIVARO_FUZZ_EXPECT(value == std::trunc(value), text);
    }
    std::int32_t rounded = 0;
    bool fits = true;
    try {
        rounded = rt::RoundToI32(value);
    } catch (const rt::RuntimeError& e) {
        TIVARO_FUZZ_EXPECT(e.number() == rt::ErrorNumber::Overflow, text);
        fits = false;
    }
    if (fits) {
        TIVARO_FUZZ_EXPECT(std::fabs(static_cast<double>(rounded) - value) <= 0.5, text);
    } else {
        TIVARO_FUZZ_EXPECT(std::fabs(value) >= 2147483647.5, text);
    }
    if (!Overflowed([&] { rt::RoundToI16(value); })) {
        TIVARO_FUZZ_EXPECT(std::fabs(value) <= 32768.5, text);
    }
    return 0;
}
