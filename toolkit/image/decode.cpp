#include "toolkit/image/decode.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>

#include "toolkit/runtime/errors.h"

// stb_image decodes only the pictures embedded in the program (assets/), never a file from
// outside: it misbehaves on hostile data, so keep it that way. It is third-party code,
// included as a system header; GCC still reports -Wmaybe-uninitialized for it at -O3 once
// it is inlined here, which the pragma below silences for the header alone.
#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_JPEG
#define STBI_ONLY_PNG
#define STBI_ONLY_BMP
#define STBI_NO_STDIO
#define STBI_FAILURE_USERMSG
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif
#include <stb/stb_image.h>
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif

namespace tivaro::image {
namespace {

[[noreturn]] void Reject(const std::string& why) {
    throw rt::RuntimeError(rt::ErrorNumber::InvalidProcedureCall, "unreadable picture: " + why);
}

std::uint32_t ReadLE(std::span<const unsigned char> bytes, std::size_t at, int count) {
    std::uint32_t value = 0;
    for (int i = count - 1; i >= 0; --i)
        value = (value << 8) | bytes[at + static_cast<std::size_t>(i)];
    return value;
}

// The decoder reads past the end of a cut-off uncompressed bitmap as black; make sure
// every row is there first.
void CheckBitmapLength(std::span<const unsigned char> bytes) {
    constexpr std::size_t kHeaders = 14 + 16;  // file header and the start of the info header
    if (bytes.size() < kHeaders) Reject("truncated bitmap header");
    const std::uint32_t offset = ReadLE(bytes, 10, 4);
    const std::uint32_t info_size = ReadLE(bytes, 14, 4);
    std::uint64_t width = 0;
    std::uint64_t height = 0;
    std::uint32_t bits = 0;
    std::uint32_t compression = 0;
    if (info_size == 12) {  // OS/2 header: 16-bit sizes, never compressed
        width = ReadLE(bytes, 18, 2);
        height = ReadLE(bytes, 20, 2);
        bits = ReadLE(bytes, 24, 2);
    } else {
        if (bytes.size() < 14 + 20) Reject("truncated bitmap header");
        const auto signed_height = static_cast<std::int32_t>(ReadLE(bytes, 22, 4));
        width = static_cast<std::int32_t>(ReadLE(bytes, 18, 4)) < 0 ? 0 : ReadLE(bytes, 18, 4);
        height = signed_height < 0 ? -static_cast<std::int64_t>(signed_height) : signed_height;
        bits = ReadLE(bytes, 28, 2);
        compression = ReadLE(bytes, 30, 4);
    }
    const bool uncompressed = compression == 0 || compression == 3;  // BI_RGB, BI_BITFIELDS
    if (!uncompressed) return;                    // run-length data carries its own end marks
    constexpr std::uint64_t kLargest = 1u << 24;  // the decoder refuses larger sides itself
    if (width > kLargest || height > kLargest) return;
    const std::uint64_t row_bytes = (width * bits + 31) / 32 * 4;
    if (offset + row_bytes * height > bytes.size()) Reject("truncated bitmap data");
}

bool StartsWith(std::span<const unsigned char> bytes, std::initializer_list<unsigned char> start) {
    return bytes.size() >= start.size() && std::equal(start.begin(), start.end(), bytes.begin());
}

bool EndsWith(std::span<const unsigned char> bytes, std::initializer_list<unsigned char> end) {
    return bytes.size() >= end.size() &&
           std::equal(end.begin(), end.end(),
                      bytes.end() - static_cast<std::ptrdiff_t>(end.size()));
}

// How much of a cut-off JPEG or PNG the decoder shows (grey or black rows, or an error)
// depends on its version; a picture that does not end as its format ends is refused here
// instead, the same everywhere.
void CheckWhole(std::span<const unsigned char> bytes) {
    if (StartsWith(bytes, {0xFF, 0xD8}) && !EndsWith(bytes, {0xFF, 0xD9})) {
        Reject("truncated JPEG: no end-of-image marker at the end");
    }
    if (StartsWith(bytes, {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'}) &&
        !EndsWith(bytes, {0, 0, 0, 0, 'I', 'E', 'N', 'D', 0xAE, 0x42, 0x60, 0x82})) {
        Reject("truncated PNG: no IEND chunk at the end");
    }
    if (StartsWith(bytes, {'B', 'M'})) CheckBitmapLength(bytes);
}

struct StbFree {
    void operator()(unsigned char* pixels) const { stbi_image_free(pixels); }
};

}  // namespace

namespace {

// The checked decode both forms share: stb_image's pixels with `channels` per pixel.
// `bytes` is one of our embedded pictures (assets::Find); see the note on stb_image above.
std::unique_ptr<unsigned char, StbFree> Decode(std::span<const unsigned char> bytes, int channels,
                                               int& width, int& height) {
    if (bytes.empty()) Reject("no data");
    if (bytes.size() > static_cast<std::size_t>(INT_MAX)) Reject("data too large");
    CheckWhole(bytes);
    int stored_channels = 0;
    std::unique_ptr<unsigned char, StbFree> pixels(stbi_load_from_memory(
        bytes.data(), static_cast<int>(bytes.size()), &width, &height, &stored_channels, channels));
    if (!pixels) {
        Reject(stbi_failure_reason() != nullptr ? stbi_failure_reason() : "unknown format");
    }
    return pixels;
}

}  // namespace

gfx::Surface DecodePicture(std::span<const unsigned char> bytes) {
    int width = 0;
    int height = 0;
    const auto rgb = Decode(bytes, 3, width, height);
    gfx::Surface surface(width, height);
    std::uint32_t* out = surface.pixels();
    const unsigned char* in = rgb.get();
    const std::size_t count = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    for (std::size_t i = 0; i < count; ++i, in += 3) {
        out[i] = (std::uint32_t{in[0]} << 16) | (std::uint32_t{in[1]} << 8) | in[2];
    }
    return surface;
}

RgbaPicture DecodeRgba(std::span<const unsigned char> bytes) {
    RgbaPicture picture;
    const auto rgba = Decode(bytes, 4, picture.width, picture.height);
    const std::size_t count =
        static_cast<std::size_t>(picture.width) * static_cast<std::size_t>(picture.height);
    picture.pixels.resize(count);
    const unsigned char* in = rgba.get();
    for (std::size_t i = 0; i < count; ++i, in += 4) {
        picture.pixels[i] = (std::uint32_t{in[3]} << 24) | (std::uint32_t{in[0]} << 16) |
                            (std::uint32_t{in[1]} << 8) | in[2];
    }
    return picture;
}

}  // namespace tivaro::image
