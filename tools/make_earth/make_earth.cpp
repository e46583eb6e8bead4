// Renders the Earth photograph the fragments show: a 320 x 320 globe, lit from the left,
// on black, from an equirectangular day map (NASA Visible Earth, as shipped by Debian's
// xplanet-images package). Run by hand; see assets/ORIGINS.md.
//
//   make_earth <map.jpg> <out.jpg>
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <vector>

#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#include <stb/stb_image.h>
#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb/stb_image_write.h>

namespace {

constexpr int kSize = 320;
constexpr double kRadius = 148.0;  // pixels; leaves a black margin round the globe
constexpr int kSamples = 4;        // per axis, per pixel
constexpr double kPi = 3.14159265358979323846;
constexpr double kDeg = kPi / 180.0;
// The point of the globe facing the viewer.
constexpr double kCentreLatitude = 12.0 * kDeg;
constexpr double kCentreLongitude = -28.0 * kDeg;  // the Atlantic, Africa and the Americas

using Rgb = std::array<double, 3>;

double ToLinear(double v) {
    return std::pow(v / 255.0, 2.2);
}
double ToByte(double v) {
    return 255.0 * std::pow(std::clamp(v, 0.0, 1.0), 1.0 / 2.2);
}
double SmoothStep(double a, double b, double x) {
    const double t = std::clamp((x - a) / (b - a), 0.0, 1.0);
    return t * t * (3 - 2 * t);
}

struct Map {
    int width = 0;
    int height = 0;
    std::vector<double> linear;  // RGB, linear light

    Rgb Texel(int x, int y) const {
        x = ((x % width) + width) % width;
        y = std::clamp(y, 0, height - 1);
        const double* p = &linear[3 * (static_cast<std::size_t>(y) * width + x)];
        return {p[0], p[1], p[2]};
    }
    // Bilinear sample at a latitude and longitude (radians).
    Rgb At(double latitude, double longitude) const {
        const double u = (longitude / (2 * kPi) + 0.5) * width - 0.5;
        const double v = (0.5 - latitude / kPi) * height - 0.5;
        const int x = static_cast<int>(std::floor(u));
        const int y = static_cast<int>(std::floor(v));
        const double fx = u - x;
        const double fy = v - y;
        Rgb out{};
        const Rgb a = Texel(x, y), b = Texel(x + 1, y), c = Texel(x, y + 1),
                  d = Texel(x + 1, y + 1);
        for (int k = 0; k < 3; ++k) {
            out[k] = (a[k] * (1 - fx) + b[k] * fx) * (1 - fy) + (c[k] * (1 - fx) + d[k] * fx) * fy;
        }
        return out;
    }
};

// The colour seen along the view ray through (u, v) of the unit disc (x right, y up).
Rgb Shade(const Map& map, double u, double v) {
    const double r2 = u * u + v * v;
    // Sunlight: from the left, a little above and in front.
    const std::array<double, 3> light = [] {
        std::array<double, 3> l{-0.82, 0.28, 0.50};
        const double n = std::sqrt(l[0] * l[0] + l[1] * l[1] + l[2] * l[2]);
        return std::array<double, 3>{l[0] / n, l[1] / n, l[2] / n};
    }();
    if (r2 >= 1.0) {
        // A thin blue haze just outside the lit limb, fading to black within a few pixels.
        const double out = std::sqrt(r2) - 1.0;
        const double facing = std::max(0.0, (u * light[0] + v * light[1]) / std::sqrt(r2));
        const double haze = std::exp(-out * kRadius / 2.2) * 0.22 * facing;
        return {0.10 * haze, 0.25 * haze, 0.90 * haze};
    }
    const double z = std::sqrt(1.0 - r2);
    // Turn the view-space normal into latitude and longitude.
    const double y1 = v * std::cos(kCentreLatitude) + z * std::sin(kCentreLatitude);
    const double z1 = -v * std::sin(kCentreLatitude) + z * std::cos(kCentreLatitude);
    const double latitude = std::asin(std::clamp(y1, -1.0, 1.0));
    double longitude = kCentreLongitude + std::atan2(u, z1);
    if (longitude < -kPi) longitude += 2 * kPi;
    const Rgb ground = map.At(latitude, longitude);

    const double cosine = u * light[0] + v * light[1] + z * light[2];
    const double day = SmoothStep(-0.08, 0.35, cosine) * std::max(cosine, 0.0) * 0.55 +
                       SmoothStep(-0.08, 0.10, cosine) * 0.45 * std::max(cosine + 0.08, 0.0);
    // Atmosphere: blue scattering grows towards the limb and only where the sun shines.
    const double limb = std::pow(1.0 - z, 2.5);
    const double lit = SmoothStep(-0.15, 0.4, cosine);
    Rgb out{};
    const Rgb air = {0.12, 0.30, 1.00};
    // Deepen the oceans' blue a little so the globe reads as a blue planet at small sizes.
    // Open sea is dark and blue-dominated; shallow shelves (bright, greenish) stay as they are.
    const double brightness = ground[0] + ground[1] + ground[2];
    const double water = std::clamp((ground[2] - std::max(ground[0], ground[1])) * 30.0, 0.0, 1.0) *
                         (1.0 - SmoothStep(0.05, 0.15, brightness));
    for (int k = 0; k < 3; ++k) {
        const double surface = ground[k] * (1.0 + water * (k == 2 ? 0.6 : k == 1 ? 0.1 : -0.2));
        out[k] = surface * day * 2.1 + air[k] * (0.10 * lit + 0.75 * limb * lit) + 0.004 * air[k];
    }
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: make_earth <equirectangular map.jpg> <out.jpg>\n");
        return 2;
    }
    int w = 0, h = 0, n = 0;
    unsigned char* bytes = stbi_load(argv[1], &w, &h, &n, 3);
    if (bytes == nullptr) {
        std::fprintf(stderr, "make_earth: cannot read %s: %s\n", argv[1], stbi_failure_reason());
        return 1;
    }
    Map map{w, h, std::vector<double>(static_cast<std::size_t>(w) * h * 3)};
    for (std::size_t i = 0; i < map.linear.size(); ++i) map.linear[i] = ToLinear(bytes[i]);
    stbi_image_free(bytes);

    std::vector<unsigned char> out(static_cast<std::size_t>(kSize) * kSize * 3);
    const double centre = kSize / 2.0;
    for (int py = 0; py < kSize; ++py) {
        for (int px = 0; px < kSize; ++px) {
            Rgb sum{};
            for (int sy = 0; sy < kSamples; ++sy) {
                for (int sx = 0; sx < kSamples; ++sx) {
                    const double x = px + (sx + 0.5) / kSamples;
                    const double y = py + (sy + 0.5) / kSamples;
                    const Rgb c = Shade(map, (x - centre) / kRadius, (centre - y) / kRadius);
                    for (int k = 0; k < 3; ++k) sum[k] += c[k];
                }
            }
            for (int k = 0; k < 3; ++k) {
                const double v = ToByte(sum[k] / (kSamples * kSamples));
                out[3 * (static_cast<std::size_t>(py) * kSize + px) + k] =
                    static_cast<unsigned char>(std::lround(v));
            }
        }
    }
    if (stbi_write_jpg(argv[2], kSize, kSize, 3, out.data(), 92) == 0) {
        std::fprintf(stderr, "make_earth: cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
