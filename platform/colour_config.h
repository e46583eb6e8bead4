// Which of the GL configurations a system offers to draw with. Systems sort deeper colour
// first (10 bits a channel before 8), but the picture is designed in 24-bit colour, and
// tools that read a frame (screenshots, screen casts) take the unused top bits of a 10-bit
// buffer for alpha: exactly 8 bits a channel is asked for, as on Windows, and an opaque
// configuration before one with alpha, so the fountain's alpha never shows through.
#pragma once

#include <array>

namespace tivaro::platform {

// `bits(i)` gives configuration i's red, green, blue and alpha sizes. The index of the one
// to take: the first opaque 8-bit one, else the first 8-bit one, else the first opaque one,
// else 0.
template <class Bits>
int PickColourConfig(int count, Bits&& bits) {
    int eight = -1;
    int opaque = -1;
    for (int i = 0; i < count; ++i) {
        const std::array<int, 4> b = bits(i);
        const bool rgb8 = b[0] == 8 && b[1] == 8 && b[2] == 8;
        if (rgb8 && b[3] == 0) return i;
        if (rgb8 && eight < 0) eight = i;
        if (b[3] == 0 && opaque < 0) opaque = i;
    }
    return eight >= 0 ? eight : opaque >= 0 ? opaque : 0;
}

}  // namespace tivaro::platform
