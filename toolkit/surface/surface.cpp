#include "toolkit/surface/surface.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <utility>

#include "toolkit/runtime/errors.h"
#include "toolkit/runtime/numeric.h"

namespace tivaro::gfx {
namespace {

// Runtime colour (0x00BBGGRR) to stored pixel (0x00RRGGBB) and back: the same swap.
constexpr std::uint32_t Swap(std::uint32_t c) {
    return ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
}

}  // namespace

Surface::Surface(std::int32_t width, std::int32_t height, Colour back_colour, double scale)
    : scale_(scale), back_colour_(back_colour) {
    Resize(width, height);
}

std::int64_t Surface::Device(std::int64_t v) const {
    if (scale_ == 1.0) return v;
    // Far-off coordinates only clip; they are kept well inside the 32-bit range.
    return rt::RoundToI32(std::clamp(static_cast<double>(v) * scale_, -2.0e9, 2.0e9));
}

std::int32_t Surface::ToDevice(std::int32_t v) const {
    return static_cast<std::int32_t>(Device(v));
}

Surface::DeviceRect Surface::ToDevice(std::int64_t x, std::int64_t y, std::int64_t w,
                                      std::int64_t h) const {
    return {Device(x), Device(y), Device(x + w), Device(y + h)};
}

void Surface::Resize(std::int32_t width, std::int32_t height) {
    width_ = std::max(0, width);
    height_ = std::max(0, height);
    device_width_ = static_cast<std::int32_t>(Device(width_));
    device_height_ = static_cast<std::int32_t>(Device(height_));
    pixels_.assign(
        static_cast<std::size_t>(device_width_) * static_cast<std::size_t>(device_height_),
        Swap(back_colour_));
}

void Surface::SetScale(double scale) {
    if (!(scale > 0.0) || !std::isfinite(scale)) {
        throw rt::RuntimeError(rt::ErrorNumber::InvalidProcedureCall,
                               "a surface's scale must be a positive number");
    }
    scale_ = scale;
    Resize(width_, height_);
}

void Surface::Clear() {
    std::fill(pixels_.begin(), pixels_.end(), Swap(back_colour_));
}

std::int64_t Surface::Point(std::int32_t x, std::int32_t y) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return -1;
    const std::int64_t dx = std::min<std::int64_t>(Device(x), device_width_ - 1);
    const std::int64_t dy = std::min<std::int64_t>(Device(y), device_height_ - 1);
    if (dx < 0 || dy < 0) return -1;
    return Swap(pixels_[static_cast<std::size_t>(dy * device_width_ + dx)]);
}

void Surface::SetPixel(std::int32_t x, std::int32_t y, Colour colour) {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
    FillRect(x, y, 1, 1, colour);
}

void Surface::Line(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2,
                   Colour colour) {
    // Bresenham; the last point is left out, as GDI's LineTo does.
    const std::int32_t dx = std::abs(x2 - x1);
    const std::int32_t dy = -std::abs(y2 - y1);
    const std::int32_t sx = x1 < x2 ? 1 : -1;
    const std::int32_t sy = y1 < y2 ? 1 : -1;
    if (y1 == y2) {  // the common case: a horizontal line, clipped in one go
        if (y1 < 0 || y1 >= height_) return;
        // From x1 towards x2, x2 itself excluded.
        const std::int64_t a = x1 < x2 ? x1 : std::int64_t{x2} + 1;
        const std::int64_t b = x1 < x2 ? x2 : std::int64_t{x1} + 1;
        FillDevice(Device(a), Device(y1), Device(b), Device(std::int64_t{y1} + 1), colour);
        return;
    }
    std::int32_t err = dx + dy;
    std::int32_t x = x1;
    std::int32_t y = y1;
    while (x != x2 || y != y2) {
        SetPixel(x, y, colour);
        const std::int32_t e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            x += sx;
        }
        if (e2 <= dx) {
            err += dx;
            y += sy;
        }
    }
}

void Surface::FillDevice(std::int64_t x0, std::int64_t y0, std::int64_t x1, std::int64_t y1,
                         Colour colour) {
    x0 = std::max<std::int64_t>(x0, 0);
    y0 = std::max<std::int64_t>(y0, 0);
    x1 = std::min<std::int64_t>(x1, device_width_);
    y1 = std::min<std::int64_t>(y1, device_height_);
    if (x0 >= x1 || y0 >= y1) return;  // wholly beside the image, or empty
    for (std::int64_t row = y0; row < y1; ++row) {
        std::uint32_t* p = pixels_.data() + static_cast<std::size_t>(row) * device_width_;
        std::fill(p + x0, p + x1, Swap(colour));
    }
}

void Surface::FillRect(std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h,
                       Colour colour) {
    // 64-bit ends: a rectangle reaching past the 32-bit range still clips correctly.
    const DeviceRect r = ToDevice(x, y, w, h);
    FillDevice(r.x0, r.y0, r.x1, r.y1, colour);
}

namespace {

// One channel of a pixel (shift 16 red, 8 green, 0 blue).
double ChannelOf(std::uint32_t pixel, int shift) {
    return static_cast<double>((pixel >> shift) & 0xFF);
}

// A whole number of destination pixels per source pixel (or exactly one).
bool WholeFactor(std::int64_t destination, std::int64_t source) {
    return destination % source == 0;
}

}  // namespace

template <class Put>
void Surface::MapNearest(const Surface& source, const DeviceRect& from, const DeviceRect& to,
                         Put put) {
    const std::int64_t sdw = from.x1 - from.x0;
    const std::int64_t sdh = from.y1 - from.y0;
    const std::int64_t ddw = to.x1 - to.x0;
    const std::int64_t ddh = to.y1 - to.y0;
    if (sdw <= 0 || sdh <= 0 || ddw <= 0 || ddh <= 0) return;
    for (std::int64_t j = std::max<std::int64_t>(0, -to.y0); j < ddh && to.y0 + j < device_height_;
         ++j) {
        const std::int64_t srow = from.y0 + j * sdh / ddh;
        if (srow < 0 || srow >= source.device_height_) continue;
        std::uint32_t* out = pixels_.data() + static_cast<std::size_t>(to.y0 + j) * device_width_;
        const std::uint32_t* in =
            source.pixels_.data() + static_cast<std::size_t>(srow) * source.device_width_;
        for (std::int64_t i = std::max<std::int64_t>(0, -to.x0);
             i < ddw && to.x0 + i < device_width_; ++i) {
            const std::int64_t scol = from.x0 + i * sdw / ddw;
            if (scol < 0 || scol >= source.device_width_) continue;
            put(out[to.x0 + i], in[scol]);
        }
    }
}

void Surface::StretchCopy(const Surface& source, std::int32_t sx, std::int32_t sy, std::int32_t sw,
                          std::int32_t sh, std::int32_t dx, std::int32_t dy, std::int32_t dw,
                          std::int32_t dh, Sampling sampling) {
    if (sw <= 0 || sh <= 0 || dw <= 0 || dh <= 0) return;
    const DeviceRect s = source.ToDevice(sx, sy, sw, sh);
    const DeviceRect d = ToDevice(dx, dy, dw, dh);
    const std::int64_t sdw = s.x1 - s.x0;
    const std::int64_t sdh = s.y1 - s.y0;
    const std::int64_t ddw = d.x1 - d.x0;
    const std::int64_t ddh = d.y1 - d.y0;
    if (sdw <= 0 || sdh <= 0 || ddw <= 0 || ddh <= 0) return;
    const bool smooth = sampling == Sampling::Smooth &&
                        !(WholeFactor(ddw, sdw) && WholeFactor(ddh, sdh)) && source.width_ > 0;
    if (!smooth) {
        MapNearest(source, s, d, [](std::uint32_t& out, std::uint32_t in) { out = in; });
        return;
    }
    const auto at = [&](std::int64_t col, std::int64_t row) {
        return source.pixels_[static_cast<std::size_t>(row * source.device_width_ + col)];
    };
    for (std::int64_t j = std::max<std::int64_t>(0, -d.y0); j < ddh && d.y0 + j < device_height_;
         ++j) {
        std::uint32_t* out = pixels_.data() + static_cast<std::size_t>(d.y0 + j) * device_width_;
        // Bilinear between pixel centres, within the source rectangle and the source image.
        const std::int64_t top = std::max<std::int64_t>(s.y0, 0);
        const std::int64_t bottom = std::min<std::int64_t>(s.y1, source.device_height_) - 1;
        const std::int64_t left = std::max<std::int64_t>(s.x0, 0);
        const std::int64_t right = std::min<std::int64_t>(s.x1, source.device_width_) - 1;
        if (top > bottom || left > right) return;
        const double v = std::clamp(static_cast<double>(s.y0) +
                                        (static_cast<double>(j) + 0.5) * static_cast<double>(sdh) /
                                            static_cast<double>(ddh) -
                                        0.5,
                                    static_cast<double>(top), static_cast<double>(bottom));
        const auto r0 = static_cast<std::int64_t>(std::floor(v));
        const std::int64_t r1 = std::min(r0 + 1, bottom);
        const double fy = v - static_cast<double>(r0);
        for (std::int64_t i = std::max<std::int64_t>(0, -d.x0); i < ddw && d.x0 + i < device_width_;
             ++i) {
            const double u =
                std::clamp(static_cast<double>(s.x0) +
                               (static_cast<double>(i) + 0.5) * static_cast<double>(sdw) /
                                   static_cast<double>(ddw) -
                               0.5,
                           static_cast<double>(left), static_cast<double>(right));
            const auto c0 = static_cast<std::int64_t>(std::floor(u));
            const std::int64_t c1 = std::min(c0 + 1, right);
            const double fx = u - static_cast<double>(c0);
            std::uint32_t pixel = 0;
            for (const int shift : {16, 8, 0}) {
                const double upper =
                    ChannelOf(at(c0, r0), shift) * (1 - fx) + ChannelOf(at(c1, r0), shift) * fx;
                const double lower =
                    ChannelOf(at(c0, r1), shift) * (1 - fx) + ChannelOf(at(c1, r1), shift) * fx;
                pixel |= static_cast<std::uint32_t>(rt::RoundToU8(upper * (1 - fy) + lower * fy))
                         << shift;
            }
            out[d.x0 + i] = pixel;
        }
    }
}

void Surface::BitBlt(std::int32_t dx, std::int32_t dy, std::int32_t w, std::int32_t h,
                     const Surface& source, std::int32_t sx, std::int32_t sy, RasterOp op) {
    const auto combine = [op](std::uint32_t& out, std::uint32_t in) {
        switch (op) {
            case RasterOp::SrcCopy:
                out = in;
                break;
            case RasterOp::SrcAnd:
                out &= in;
                break;
            case RasterOp::SrcInvert:
                out ^= in;
                break;
        }
    };
    if (scale_ != source.scale_) {
        // Device pixel by device pixel, each from its nearest source pixel; clipped
        // against both images.
        if (w <= 0 || h <= 0) return;
        MapNearest(source, source.ToDevice(sx, sy, w, h), ToDevice(dx, dy, w, h), combine);
        return;
    }
    // The same scale: a straight copy of device pixels. Clip against the destination and
    // the source together.
    const std::int64_t ddx = Device(dx);
    const std::int64_t ddy = Device(dy);
    const std::int64_t dsx = Device(sx);
    const std::int64_t dsy = Device(sy);
    const std::int64_t dw = Device(std::int64_t{dx} + w) - ddx;
    const std::int64_t dh = Device(std::int64_t{dy} + h) - ddy;
    const std::int64_t x0 = std::max<std::int64_t>({0, -ddx, -dsx});
    const std::int64_t y0 = std::max<std::int64_t>({0, -ddy, -dsy});
    const std::int64_t x1 =
        std::min<std::int64_t>({dw, device_width_ - ddx, source.device_width_ - dsx});
    const std::int64_t y1 =
        std::min<std::int64_t>({dh, device_height_ - ddy, source.device_height_ - dsy});
    if (x0 >= x1 || y0 >= y1) return;  // nothing of the rectangle is on both images
    for (std::int64_t j = y0; j < y1; ++j) {
        std::uint32_t* out =
            pixels_.data() + static_cast<std::size_t>(ddy + j) * device_width_ + ddx;
        const std::uint32_t* in =
            source.pixels_.data() + static_cast<std::size_t>(dsy + j) * source.device_width_ + dsx;
        if (op == RasterOp::SrcCopy) {
            std::copy(in + x0, in + x1, out + x0);
        } else {
            for (std::int64_t i = x0; i < x1; ++i) combine(out[i], in[i]);
        }
    }
}

void Surface::GradientFillV(const GradientVertex& a, const GradientVertex& b) {
    const GradientVertex& top = a.y <= b.y ? a : b;
    const GradientVertex& bottom = a.y <= b.y ? b : a;
    const std::int32_t left = std::min(a.x, b.x);
    const std::int32_t right = std::max(a.x, b.x);
    const std::int64_t len = std::int64_t{bottom.y} - top.y;
    if (len <= 0 || right <= left) return;
    auto channel = [](std::uint16_t c0, std::uint16_t c1, std::int64_t pos, std::int64_t of) {
        return static_cast<std::uint32_t>((c0 * (of - pos) + c1 * pos) / of / 256);
    };
    if (scale_ == 1.0) {
        for (std::int32_t y = std::max(top.y, 0); y < bottom.y && y < height_; ++y) {
            const std::int64_t pos = y - top.y;
            const std::uint32_t r = channel(top.red, bottom.red, pos, len);
            const std::uint32_t g = channel(top.green, bottom.green, pos, len);
            const std::uint32_t bl = channel(top.blue, bottom.blue, pos, len);
            FillRect(left, y, right - left, 1, RGB(r, g, bl));
        }
        return;
    }
    // At device resolution: every device row between the two vertices' rows gets its own
    // shade, so the face is as smooth as the screen allows.
    const std::int64_t y0 = Device(top.y);
    const std::int64_t y1 = Device(bottom.y);
    const std::int64_t x0 = Device(left);
    const std::int64_t x1 = Device(right);
    const std::int64_t span = y1 - y0;
    if (span <= 0) return;
    for (std::int64_t y = std::max<std::int64_t>(y0, 0); y < y1 && y < device_height_; ++y) {
        const std::int64_t pos = y - y0;
        const std::uint32_t r = channel(top.red, bottom.red, pos, span);
        const std::uint32_t g = channel(top.green, bottom.green, pos, span);
        const std::uint32_t bl = channel(top.blue, bottom.blue, pos, span);
        FillDevice(x0, y, x1, y + 1, RGB(r, g, bl));
    }
}

}  // namespace tivaro::gfx
