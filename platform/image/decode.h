// Decoding of the pictures stored in the program (JPEG, PNG, BMP) into pixel surfaces.
#pragma once

#include <span>

#include "platform/surface/surface.h"

namespace tivaro::image {

// Decodes a whole picture to a 24-bit surface of its own size (alpha is dropped).
// Data that is not a complete picture in one of the formats raises a RuntimeError
// (InvalidProcedureCall) that says why.
gfx::Surface DecodePicture(std::span<const unsigned char> bytes);

}  // namespace tivaro::image
