// An RGBA picture in memory, rows top to bottom, as the generators draw it.
#pragma once

#include <cstdint>
#include <vector>

namespace make_sprites {

struct Rgba {
    std::uint8_t r = 0;
    std::uint8_t g = 0;
    std::uint8_t b = 0;
    std::uint8_t a = 255;
    bool operator==(const Rgba&) const = default;
};

struct Picture {
    int width = 0;
    int height = 0;
    std::vector<Rgba> pixels;

    Picture() = default;
    Picture(int w, int h, Rgba fill)
        : width(w), height(h), pixels(static_cast<std::size_t>(w * h), fill) {}
    Rgba& at(int x, int y) { return pixels[static_cast<std::size_t>(y * width + x)]; }
    const Rgba& at(int x, int y) const { return pixels[static_cast<std::size_t>(y * width + x)]; }
};

}  // namespace make_sprites
