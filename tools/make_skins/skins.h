// The push button's skins: 64 x 25 pictures of which only the outer 4-pixel frame is
// ever drawn (corners as they are, edges stretched along their length).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace make_skins {

inline constexpr int kWidth = 64;
inline constexpr int kHeight = 25;

struct Rgb {
    std::uint8_t r = 0;
    std::uint8_t g = 0;
    std::uint8_t b = 0;
};

// Rows top to bottom, 3 bytes per pixel in R, G, B order.
struct Picture {
    std::vector<std::uint8_t> rgb;
};

struct NamedSkin {
    std::string file;  // e.g. "skin_normal.bmp"
    Picture picture;
};

// The six skins in the order Normal, HighLight, HighLightSelect, Selected, Pressed,
// Disable.
std::vector<NamedSkin> MakeSkins();

}  // namespace make_skins
