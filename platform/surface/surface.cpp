#include "platform/surface/surface.h"

#include <algorithm>
#include <cstdlib>
#include <utility>

namespace tivaro::gfx {
namespace {

// Runtime colour (0x00BBGGRR) to stored pixel (0x00RRGGBB) and back: the same swap.
constexpr std::uint32_t Swap(std::uint32_t c) {
    return ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
}

}  // namespace

Surface::Surface(std::int32_t width, std::int32_t height, Colour back_colour)
    : back_colour_(back_colour) {
    Resize(width, height);
}

void Surface::Resize(std::int32_t width, std::int32_t height) {
    width_ = std::max(0, width);
    height_ = std::max(0, height);
    pixels_.assign(static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_),
                   Swap(back_colour_));
}

void Surface::Clear() {
    std::fill(pixels_.begin(), pixels_.end(), Swap(back_colour_));
}

std::int64_t Surface::Point(std::int32_t x, std::int32_t y) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return -1;
    return Swap(pixels_[static_cast<std::size_t>(y) * width_ + x]);
}

void Surface::SetPixel(std::int32_t x, std::int32_t y, Colour colour) {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
    pixels_[static_cast<std::size_t>(y) * width_ + x] = Swap(colour);
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
        std::int32_t a = x1 < x2 ? x1 : x2 + 1;
        std::int32_t b = x1 < x2 ? x2 : x1 + 1;
        a = std::max(a, 0);
        b = std::min(b, width_);
        if (a >= b) return;
        std::uint32_t* row = pixels_.data() + static_cast<std::size_t>(y1) * width_;
        std::fill(row + a, row + b, Swap(colour));
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

void Surface::FillRect(std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h,
                       Colour colour) {
    // 64-bit ends: a rectangle reaching past the 32-bit range still clips correctly.
    const auto x0 = static_cast<std::int32_t>(std::max<std::int64_t>(x, 0));
    const auto y0 = static_cast<std::int32_t>(std::max<std::int64_t>(y, 0));
    const auto x1 = static_cast<std::int32_t>(std::min<std::int64_t>(std::int64_t{x} + w, width_));
    const auto y1 = static_cast<std::int32_t>(std::min<std::int64_t>(std::int64_t{y} + h, height_));
    if (x0 >= x1 || y0 >= y1) return;  // wholly beside the image, or empty
    for (std::int32_t row = y0; row < y1; ++row) {
        std::uint32_t* p = pixels_.data() + static_cast<std::size_t>(row) * width_;
        std::fill(p + x0, p + x1, Swap(colour));
    }
}

void Surface::StretchCopy(const Surface& source, std::int32_t sx, std::int32_t sy, std::int32_t sw,
                          std::int32_t sh, std::int32_t dx, std::int32_t dy, std::int32_t dw,
                          std::int32_t dh) {
    if (sw <= 0 || sh <= 0 || dw <= 0 || dh <= 0) return;
    for (std::int32_t j = std::max(0, -dy); j < dh && dy + j < height_; ++j) {
        const std::int32_t srow = sy + static_cast<std::int32_t>(std::int64_t{j} * sh / dh);
        if (srow < 0 || srow >= source.height_) continue;
        std::uint32_t* out = pixels_.data() + static_cast<std::size_t>(dy + j) * width_;
        const std::uint32_t* in =
            source.pixels_.data() + static_cast<std::size_t>(srow) * source.width_;
        for (std::int32_t i = std::max(0, -dx); i < dw && dx + i < width_; ++i) {
            const std::int32_t scol = sx + static_cast<std::int32_t>(std::int64_t{i} * sw / dw);
            if (scol < 0 || scol >= source.width_) continue;
            out[dx + i] = in[scol];
        }
    }
}

void Surface::BitBlt(std::int32_t dx, std::int32_t dy, std::int32_t w, std::int32_t h,
                     const Surface& source, std::int32_t sx, std::int32_t sy, RasterOp op) {
    // Clip against the destination and the source together.
    std::int32_t x0 = std::max({0, -dx, -sx});
    std::int32_t y0 = std::max({0, -dy, -sy});
    const std::int32_t x1 = std::min({w, width_ - dx, source.width_ - sx});
    const std::int32_t y1 = std::min({h, height_ - dy, source.height_ - sy});
    if (x0 >= x1 || y0 >= y1) return;  // nothing of the rectangle is on both images
    for (std::int32_t j = y0; j < y1; ++j) {
        std::uint32_t* out = pixels_.data() + static_cast<std::size_t>(dy + j) * width_ + dx;
        const std::uint32_t* in =
            source.pixels_.data() + static_cast<std::size_t>(sy + j) * source.width_ + sx;
        switch (op) {
            case RasterOp::SrcCopy:
                std::copy(in + x0, in + x1, out + x0);
                break;
            case RasterOp::SrcAnd:
                for (std::int32_t i = x0; i < x1; ++i) out[i] &= in[i];
                break;
            case RasterOp::SrcInvert:
                for (std::int32_t i = x0; i < x1; ++i) out[i] ^= in[i];
                break;
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
    auto channel = [&](std::uint16_t c0, std::uint16_t c1, std::int64_t pos) {
        return static_cast<std::uint32_t>((c0 * (len - pos) + c1 * pos) / len / 256);
    };
    for (std::int32_t y = std::max(top.y, 0); y < bottom.y && y < height_; ++y) {
        const std::int64_t pos = y - top.y;
        const std::uint32_t r = channel(top.red, bottom.red, pos);
        const std::uint32_t g = channel(top.green, bottom.green, pos);
        const std::uint32_t bl = channel(top.blue, bottom.blue, pos);
        FillRect(left, y, right - left, 1, RGB(r, g, bl));
    }
}

}  // namespace tivaro::gfx
