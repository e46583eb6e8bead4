// The persistent off-screen image of the forms runtime: a 32-bit pixel buffer that every
// piece of 2D drawing in the program goes through, on every platform. Backends only
// present it. Pixels are stored as 0x00RRGGBB; colours passed in are the runtime's colour
// values, 0x00BBGGRR (RGB(r, g, b) = r + 256 g + 65536 b).
//
// Drawing is in layout pixels (1/96 inch); the surface holds device pixels, `scale` of
// them to a layout pixel (2 at 192 DPI). Every drawing call converts its coordinates here
// and nowhere else: layout pixel x covers device pixels [round(x s), round((x + 1) s)).
// At scale 1 the two are the same and nothing is converted.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/backend.h"

namespace tivaro::gfx {

using Colour = std::uint32_t;  // runtime colour value, red in the low byte

constexpr Colour RGB(std::uint32_t r, std::uint32_t g, std::uint32_t b) {
    return (r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16);
}

// Raster operations of BitBlt that the program uses.
enum class RasterOp : std::uint32_t {
    SrcCopy = 0x00CC0020,
    SrcAnd = 0x008800C6,
    SrcInvert = 0x00660046,
};

// One vertex of a gradient: position in pixels and 16-bit colour channels (the 8-bit
// component in the high byte), as GDI's TRIVERTEX.
struct GradientVertex {
    std::int32_t x = 0;
    std::int32_t y = 0;
    std::uint16_t red = 0;
    std::uint16_t green = 0;
    std::uint16_t blue = 0;
    std::uint16_t alpha = 0;
};

// How a stretched picture is sampled. Nearest copies whole source pixels (hard-edged
// pictures, masks); Smooth does the same when the stretch is by a whole factor and
// interpolates between the four nearest source pixels otherwise (photographs).
enum class Sampling : std::uint8_t { Nearest, Smooth };

class Surface {
public:
    Surface() = default;
    Surface(std::int32_t width, std::int32_t height, Colour back_colour = 0, double scale = 1.0);

    // The size in layout pixels.
    std::int32_t width() const { return width_; }
    std::int32_t height() const { return height_; }
    void Resize(std::int32_t width, std::int32_t height);  // keeps nothing, clears
    // Device pixels per layout pixel; changing it keeps nothing and clears.
    double scale() const { return scale_; }
    void SetScale(double scale);
    // The size in device pixels: round(width s) x round(height s).
    std::int32_t device_width() const { return device_width_; }
    std::int32_t device_height() const { return device_height_; }
    // The first device pixel of a layout coordinate (round half to even of v s).
    std::int32_t ToDevice(std::int32_t v) const;
    Colour back_colour() const { return back_colour_; }
    void set_back_colour(Colour colour) { back_colour_ = colour; }

    // Fills the whole image with the back colour.
    void Clear();
    // Colour at a point (runtime colour value); -1 outside the image, like the runtime.
    std::int64_t Point(std::int32_t x, std::int32_t y) const;
    void SetPixel(std::int32_t x, std::int32_t y, Colour colour);
    // Solid one-pixel line from (x1, y1) to (x2, y2); the end point is not drawn.
    void Line(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2, Colour colour);
    void FillRect(std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h, Colour colour);
    // Copies a source rectangle to a destination rectangle, stretching when their device
    // sizes differ (nearest-neighbour unless asked otherwise). Clipped at both images' edges.
    void StretchCopy(const Surface& source, std::int32_t sx, std::int32_t sy, std::int32_t sw,
                     std::int32_t sh, std::int32_t dx, std::int32_t dy, std::int32_t dw,
                     std::int32_t dh, Sampling sampling = Sampling::Nearest);
    // BitBlt: w x h pixels from (sx, sy) of source to (dx, dy), combined by op. Between
    // surfaces of different scales each device pixel takes its nearest source pixel, so
    // that masks stay masks.
    void BitBlt(std::int32_t dx, std::int32_t dy, std::int32_t w, std::int32_t h,
                const Surface& source, std::int32_t sx, std::int32_t sy, RasterOp op);
    // GradientFill with GRADIENT_FILL_RECT_V over the rectangle the two vertices span;
    // each vertex carries its colour at its own row, and the rectangle's right and bottom
    // edges are excluded, as GDI does it.
    void GradientFillV(const GradientVertex& a, const GradientVertex& b);

    // Raw device pixels (0x00RRGGBB), row-major, top row first.
    const std::uint32_t* pixels() const { return pixels_.data(); }
    std::uint32_t* pixels() { return pixels_.data(); }
    platform::PixelView View() const {
        return {pixels_.data(), device_width_, device_height_, device_width_};
    }

private:
    // A device rectangle, ends excluded, clipped to nothing.
    struct DeviceRect {
        std::int64_t x0, y0, x1, y1;
    };
    DeviceRect ToDevice(std::int64_t x, std::int64_t y, std::int64_t w, std::int64_t h) const;
    // Each device pixel of `to` here, clipped to this image, with its nearest pixel of
    // `from` in `source` (skipped where that lies off the source): put(out, in).
    template <class Put>
    void MapNearest(const Surface& source, const DeviceRect& from, const DeviceRect& to, Put put);
    void FillDevice(std::int64_t x0, std::int64_t y0, std::int64_t x1, std::int64_t y1,
                    Colour colour);
    std::int64_t Device(std::int64_t v) const;

    std::int32_t width_ = 0;
    std::int32_t height_ = 0;
    double scale_ = 1.0;
    std::int32_t device_width_ = 0;
    std::int32_t device_height_ = 0;
    Colour back_colour_ = 0;
    std::vector<std::uint32_t> pixels_;
};

}  // namespace tivaro::gfx
