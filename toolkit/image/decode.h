// Decoding of the pictures stored in the program (JPEG, PNG, BMP) into pixel surfaces.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "toolkit/surface/surface.h"

namespace tivaro::image {

// Decodes a whole picture to a 24-bit surface of its own size (alpha is dropped).
// Data that is not a complete picture in one of the formats raises a RuntimeError
// (InvalidProcedureCall) that says why.
gfx::Surface DecodePicture(std::span<const unsigned char> bytes);

// A picture with its transparency (pointers, icons): 0xAARRGGBB, rows top to bottom.
struct RgbaPicture {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::vector<std::uint32_t> pixels;
};
// Decodes like DecodePicture, keeping the alpha channel (opaque where the format has none).
RgbaPicture DecodeRgba(std::span<const unsigned char> bytes);

}  // namespace tivaro::image
