#include "artwork.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <stdexcept>
#include <string_view>

namespace make_sprites {
namespace {

constexpr double kPi = 3.14159265358979323846;

struct Vec {
    double x, y, z;
};

Vec Normalized(Vec v) {
    const double n = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
    return {v.x / n, v.y / n, v.z / n};
}

double Dot(Vec a, Vec b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}

std::uint8_t Channel(double v) {
    return static_cast<std::uint8_t>(std::clamp(std::lround(v), 0L, 255L));
}

// Light from the upper left and a little in front; a soft fill from the lower right.
Rgba Shade(double nx, double ny, Rgba base) {
    const double nz = std::sqrt(std::max(0.0, 1.0 - nx * nx - ny * ny));
    const Vec n{nx, ny, nz};
    const Vec light = Normalized({-0.55, -0.7, 0.9});
    const Vec half = Normalized({light.x, light.y, light.z + 1.0});
    const double diffuse = std::max(0.0, Dot(n, light));
    const double fill = std::max(0.0, Dot(n, Normalized({0.6, 0.7, 0.2}))) * 0.22;
    const double specular = std::pow(std::max(0.0, Dot(n, half)), 28.0) * 0.85;
    const double rim = 0.55 + 0.45 * std::sqrt(nz);  // darker towards the outline
    auto mix = [&](std::uint8_t c) {
        return Channel((c * (0.12 + 0.88 * diffuse + fill)) * rim + 255.0 * specular);
    };
    return {mix(base.r), mix(base.g), mix(base.b), 255};
}

Rgba Hsv(double hue, double sat, double val) {
    const double h = std::fmod(hue, 1.0) * 6.0;
    const int i = static_cast<int>(h);
    const double f = h - i;
    const double p = val * (1 - sat), q = val * (1 - sat * f), t = val * (1 - sat * (1 - f));
    double r = 0, g = 0, b = 0;
    switch (i) {
        case 0:
            r = val, g = t, b = p;
            break;
        case 1:
            r = q, g = val, b = p;
            break;
        case 2:
            r = p, g = val, b = t;
            break;
        case 3:
            r = p, g = q, b = val;
            break;
        case 4:
            r = t, g = p, b = val;
            break;
        default:
            r = val, g = p, b = q;
            break;
    }
    return {Channel(r * 255), Channel(g * 255), Channel(b * 255), 255};
}

Rgba Scaled(Rgba c, double k) {
    return {Channel(c.r * k), Channel(c.g * k), Channel(c.b * k), 255};
}

Rgba Toward(Rgba c, Rgba d, double k) {
    return {Channel(c.r + (d.r - c.r) * k), Channel(c.g + (d.g - c.g) * k),
            Channel(c.b + (d.b - c.b) * k), 255};
}

}  // namespace

Ball ShadedBall(int width, int height, Rgba colour) {
    Ball ball{Picture(width, height, {0, 0, 0, 255}), Picture(width, height, {255, 255, 255, 255})};
    const double cx = width / 2.0, cy = height / 2.0;
    const double rx = width / 2.0, ry = height / 2.0;  // the ball fills its picture
    auto inside = [&](double px, double py) {
        const double u = (px - cx) / rx, v = (py - cy) / ry;
        return u * u + v * v <= 1.0;
    };
    constexpr int kSub = 4;  // 4 x 4 samples per pixel
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            if (!inside(x + 0.5, y + 0.5)) continue;  // the mask decides by the pixel's centre
            ball.mask.at(x, y) = {0, 0, 0, 255};
            double r = 0, g = 0, b = 0;
            for (int j = 0; j < kSub; ++j) {
                for (int i = 0; i < kSub; ++i) {
                    const double px = x + (i + 0.5) / kSub, py = y + (j + 0.5) / kSub;
                    if (!inside(px, py)) continue;  // edge samples off the ball count black
                    const Rgba s = Shade((px - cx) / rx, (py - cy) / ry, colour);
                    r += s.r, g += s.g, b += s.b;
                }
            }
            constexpr double kSamples = kSub * kSub;
            ball.sprite.at(x, y) = {Channel(r / kSamples), Channel(g / kSamples),
                                    Channel(b / kSamples), 255};
        }
    }
    return ball;
}

Picture BurstIcon(int size) {
    // Drawn for its size, not scaled from another: every length is in 32nds of the side.
    const double k = size / 32.0;
    Picture icon(size, size, {0, 0, 0, 0});
    const double cx = 16.0 * k, cy = 16.0 * k;  // pixel (x, y) has its centre at (x + .5, y + .5)
    auto put = [&](int x, int y, Rgba c) {
        if (x >= 0 && y >= 0 && x < size && y < size) icon.at(x, y) = c;
    };
    constexpr int kFragments = 12;
    struct Fragment {
        double angle, distance, size, spin;
        Rgba colour;
    };
    std::array<Fragment, kFragments> fragments{};
    for (int i = 0; i < kFragments; ++i) {
        const double jitter = std::sin(i * 12.9898) * 0.12;  // fixed, uneven spacing
        fragments[static_cast<std::size_t>(i)] = {
            (i + 0.5 + jitter) * 2 * kPi / kFragments, (i % 2 == 0 ? 12.5 : 8.5) * k,
            (i % 2 == 0 ? 5.2 : 4.0) * k, i * 0.7, Hsv(i / double(kFragments), 0.8, 1.0)};
    }
    // Streaks first, so that fragments and core cover their ends.
    for (const Fragment& f : fragments) {
        const Rgba streak = Toward(Scaled(f.colour, 0.75), {255, 255, 255, 255}, 0.25);
        for (double d = 3.5 * k; d < f.distance - f.size / 2; d += 0.25) {
            put(static_cast<int>(std::floor(cx + d * std::cos(f.angle))),
                static_cast<int>(std::floor(cy + d * std::sin(f.angle))), streak);
        }
    }
    // Fragments: small tumbling squares, lit edge up-left, dark edge down-right.
    for (const Fragment& f : fragments) {
        const double fx = cx + f.distance * std::cos(f.angle),
                     fy = cy + f.distance * std::sin(f.angle);
        const double c = std::cos(f.spin), s = std::sin(f.spin), half = f.size / 2;
        for (int y = 0; y < size; ++y) {
            for (int x = 0; x < size; ++x) {
                const double dx = x + 0.5 - fx, dy = y + 0.5 - fy;
                const double u = dx * c + dy * s, v = -dx * s + dy * c;
                if (std::abs(u) > half || std::abs(v) > half) continue;
                const double light = (dx + dy) / f.size;  // -1 up-left .. 1 down-right
                Rgba col = f.colour;
                if (light < -0.35) col = Toward(f.colour, {255, 255, 255, 255}, 0.45);
                if (light > 0.35) col = Scaled(f.colour, 0.55);
                put(x, y, col);
            }
        }
    }
    // The bright core.
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const double d = std::hypot(x + 0.5 - cx, y + 0.5 - cy);
            if (d <= 1.6 * k)
                put(x, y, {255, 255, 240, 255});
            else if (d <= 2.7 * k)
                put(x, y, {255, 230, 90, 255});
            else if (d <= 3.6 * k)
                put(x, y, {240, 140, 30, 255});
        }
    }
    return icon;
}

Picture HandPointer() {
    // X: black outline, o: white, .: transparent.
    constexpr std::array<std::string_view, 32> kRows = {
        "................................", "...........XXX..................",
        "..........XoooX.................", "..........XoooX.................",
        "..........XoooX.................", "..........XoooX.................",
        "..........XoooXXXX..............", "..........XoooXoooXXXX..........",
        "..........XoooXoooXoooX.........", "..........XoooXoooXoooXXXX......",
        "..........XoooXoooXoooXoooX.....", "..........XoooXoooXoooXoooX.....",
        "..XXX.....XoooooooooooooooX.....", ".XoooX....XoooooooooooooooX.....",
        ".XooooX...XoooooooooooooooX.....", "..XooooX..XoooooooooooooooX.....",
        "...XooooX.XoooooooooooooooX.....", "....XooooXXoooooooooooooooX.....",
        ".....XoooooooooooooooooooX......", "......XooooooooooooooooooX......",
        ".......XoooooooooooooooooX......", "........XooooooooooooooX........",
        ".........XoooooooooooooX........", "..........XoooooooooooX.........",
        "..........XoooooooooooX.........", "..........XXXXXXXXXXXXX.........",
        "................................", "................................",
        "................................", "................................",
        "................................", "................................",
    };
    Picture hand(32, 32, {0, 0, 0, 0});
    for (int y = 0; y < 32; ++y) {
        const std::string_view row = kRows[static_cast<std::size_t>(y)];
        if (row.size() != 32) throw std::logic_error("hand row is not 32 wide");
        for (int x = 0; x < 32; ++x) {
            const char c = row[static_cast<std::size_t>(x)];
            if (c == 'X') hand.at(x, y) = {0, 0, 0, 255};
            if (c == 'o') hand.at(x, y) = {255, 255, 255, 255};
        }
    }
    return hand;
}

}  // namespace make_sprites
