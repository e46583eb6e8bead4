#include "skins.h"

#include <algorithm>
#include <cmath>

namespace make_skins {
namespace {

Rgb Hex(std::uint32_t v) {
    return {static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 8),
            static_cast<std::uint8_t>(v)};
}

// a at t = 0, b at t = 1.
Rgb Mix(Rgb a, Rgb b, double t) {
    auto ch = [t](std::uint8_t x, std::uint8_t y) {
        return static_cast<std::uint8_t>(std::lround(x + (y - x) * t));
    };
    return {ch(a.r, b.r), ch(a.g, b.g), ch(a.b, b.b)};
}

// Colours spread evenly from the top row of a ring (t = 0) to its bottom row (t = 1).
struct Stops {
    std::vector<Rgb> colours;

    Rgb At(double t) const {
        if (colours.size() == 1) return colours.front();
        const double scaled = std::clamp(t, 0.0, 1.0) * static_cast<double>(colours.size() - 1);
        const auto i = std::min(static_cast<std::size_t>(scaled), colours.size() - 2);
        return Mix(colours[i], colours[i + 1], scaled - static_cast<double>(i));
    }
};

Stops Of(std::initializer_list<std::uint32_t> hex) {
    Stops s;
    for (std::uint32_t v : hex) s.colours.push_back(Hex(v));
    return s;
}

// A skin as rings counted from the picture's edge: ring k is the rectangle outline k
// pixels in. The frame that is drawn is rings 0 to 3; everything further in is the
// centre. The outline ring is one dark (or grey) line with rounded corners.
struct Design {
    Stops rings[4];
    int outline_ring = 1;
    Stops centre;
};

int RingOf(int x, int y) {
    return std::min({x, y, kWidth - 1 - x, kHeight - 1 - y});
}

bool IsCorner(int x, int y, int ring) {
    return (x == ring || x == kWidth - 1 - ring) && (y == ring || y == kHeight - 1 - ring);
}

// Where a row lies between a ring's top row (0) and its bottom row (1).
double RowT(int y, int ring) {
    const int span = kHeight - 1 - 2 * ring;
    return span <= 0 ? 0.0 : static_cast<double>(y - ring) / span;
}

Rgb PlainColour(const Design& d, int x, int y) {
    const int ring = RingOf(x, y);
    if (ring >= 4) return d.centre.At(RowT(y, 4));
    return d.rings[ring].At(RowT(y, ring));
}

Picture Render(const Design& d) {
    Picture pic;
    pic.rgb.reserve(kWidth * kHeight * 3);
    const int o = d.outline_ring;
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            Rgb c = PlainColour(d, x, y);
            // Rounded corners: the outline's corner pixel is mostly what lies outside it,
            // and the band's corner pixel just inside takes a little of the outline.
            if (IsCorner(x, y, o)) {
                const int ox = x == o ? x - 1 : x + 1;
                const int oy = y == o ? y - 1 : y + 1;
                c = Mix(c, PlainColour(d, ox, oy), 0.6);
            } else if (IsCorner(x, y, o + 1)) {
                c = Mix(c, d.rings[o].At(0.5), 0.3);
            }
            pic.rgb.push_back(c.r);
            pic.rgb.push_back(c.g);
            pic.rgb.push_back(c.b);
        }
    }
    return pic;
}

constexpr std::uint32_t kOutline = 0x003C74;
constexpr std::uint32_t kFace = 0xECE9D8;  // the dialog face colour around pressed buttons

Stops PaleBeige() {
    return Of({0xF8F7F0, 0xE0DCC9});
}
Stops NeutralCentre() {
    return Of({0xF3F3EE, 0xE2DED6});
}

Design Normal() {
    Design d;
    d.rings[0] = PaleBeige();
    d.rings[1] = Of({kOutline});
    d.rings[2] = Of({0xFEFEFE, 0xD6D0C5});
    d.rings[3] = Of({0xF3F3EE, 0xE2DED6});
    d.centre = NeutralCentre();
    return d;
}

Design HighLight() {
    Design d = Normal();
    d.rings[2] = Of({0xFFF0CF, 0xFCD279, 0xE59700});
    d.rings[3] = Of({0xFCD279, 0xF8B330});
    return d;
}

Design Selected() {
    Design d = Normal();
    d.rings[2] = Of({0xCEE7FF, 0xB7D0F4, 0x8BADE4, 0x6982EE});
    d.rings[3] = Of({0xB7D0F4, 0x8BADE4});
    return d;
}

Design Pressed() {
    Design d;
    d.rings[0] = PaleBeige();
    d.rings[1] = Of({kFace});
    d.rings[2] = Of({kOutline});
    d.rings[3] = Of({0x9DA8AC, 0xD0CBBF, 0xE5E2D9, 0xF0EEE6});
    d.outline_ring = 2;
    d.centre = Of({0xD0CBBF, 0xE5E2D9, 0xF2F1EA});
    return d;
}

Design Disable() {
    Design d;
    d.rings[0] = Of({kFace});
    d.rings[1] = Of({0xC9C7BA});
    d.rings[2] = Of({0xF5F4EA});
    d.rings[3] = Of({0xF5F4EA});
    d.centre = Of({0xF5F4EA});
    return d;
}

}  // namespace

std::vector<NamedSkin> MakeSkins() {
    const Picture highlight = Render(HighLight());
    return {
        {"skin_normal.bmp", Render(Normal())},     {"skin_highlight.bmp", highlight},
        {"skin_highlight_select.bmp", highlight},  // the focused hover look is the same
        {"skin_selected.bmp", Render(Selected())}, {"skin_pressed.bmp", Render(Pressed())},
        {"skin_disable.bmp", Render(Disable())},
    };
}

}  // namespace make_skins
