// Writers of the picture formats the program stores: BMP (24-bit and 1-bit), JPEG, PNG,
// and Windows icon and cursor files. Each returns the file's bytes.
#pragma once

#include <cstdint>
#include <vector>

#include "picture.h"

namespace make_sprites {

using Bytes = std::vector<unsigned char>;

// Uncompressed 24-bit bitmap (alpha ignored).
Bytes Bmp24(const Picture& picture);
// 1-bit bitmap with the palette black, white: a pixel is white when its red, green and
// blue are all at least 128.
Bytes Bmp1(const Picture& picture);
// Baseline JPEG; quality above 90 keeps full colour resolution. grey: one channel.
Bytes Jpeg(const Picture& picture, int quality, bool grey);
// 8-bit RGBA PNG.
Bytes Png(const Picture& picture);
// A one-image .ico: 256-colour bitmap, transparent where alpha is 0. The picture may use
// at most 256 distinct opaque colours.
Bytes Icon256(const Picture& picture);
// A .ico holding the pictures (square, each of its own size) in true colour with alpha;
// 256 x 256 stored as PNG.
Bytes IconMultiSize(const std::vector<Picture>& pictures);
// A one-image .cur: monochrome; opaque pixels must be pure black or pure white.
Bytes CursorMono(const Picture& picture, int hot_x, int hot_y);

}  // namespace make_sprites
