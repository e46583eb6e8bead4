// What the fuzz targets share: a failed expectation prints what was expected and aborts,
// which libFuzzer reports as a crash with the input that caused it.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace tivaro::fuzz {

[[noreturn]] inline void Fail(const char* what, std::string_view input) {
    std::fprintf(stderr, "fuzz expectation failed: %s\ninput (%zu bytes): ", what, input.size());
    for (unsigned char c : input) std::fprintf(stderr, "\\x%02x", c);
    std::fprintf(stderr, "\n");
    std::abort();
}

#define TIVARO_FUZZ_EXPECT(condition, input) \
    ((condition) ? (void)0 : ::tivaro::fuzz::Fail(#condition, (input)))

inline std::string_view AsText(const std::uint8_t* data, std::size_t size) {
    return {reinterpret_cast<const char*>(data), size};
}

}  // namespace tivaro::fuzz
