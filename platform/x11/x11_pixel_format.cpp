#include "platform/x11/x11_pixel_format.h"

#include <X11/Xutil.h>

#include <algorithm>
#include <bit>
#include <cstring>
#include <limits>
#include <vector>

namespace tivaro::platform::x11 {
namespace {

int BitsPerPixel(Display* display, int depth) {
    int count = 0;
    XPixmapFormatValues* formats = XListPixmapFormats(display, &count);
    int bits = 0;
    for (int i = 0; i < count; ++i) {
        if (formats[i].depth == depth) bits = formats[i].bits_per_pixel;
    }
    if (formats != nullptr) XFree(formats);
    return bits;
}

constexpr int kOurByteOrder = std::endian::native == std::endian::little ? LSBFirst : MSBFirst;

// 0..255 to 0..max, to the nearest step.
unsigned long Scaled(std::uint32_t value, unsigned long max) {
    return (value * max + 127) / 255;
}

}  // namespace

PixelFormat::PixelFormat(Display* display, Visual* visual, int depth, Colormap colormap)
    : visual_(visual), depth_(depth) {
    const int c_class = visual->c_class;
    indexed_ = c_class != TrueColor && c_class != DirectColor;
    if (indexed_) {
        TakeColourCube(display, colormap);
        return;
    }
    red_ = ChannelOf(visual->red_mask);
    green_ = ChannelOf(visual->green_mask);
    blue_ = ChannelOf(visual->blue_mask);
    same_as_ours_ = depth == 24 && visual->red_mask == 0xFF0000 && visual->green_mask == 0xFF00 &&
                    visual->blue_mask == 0xFF && BitsPerPixel(display, depth) == 32 &&
                    ImageByteOrder(display) == kOurByteOrder;
}

PixelFormat::Channel PixelFormat::ChannelOf(unsigned long mask) {
    if (mask == 0) return {};
    const int shift = std::countr_zero(mask);
    return {shift, mask >> shift};
}

// Shared read-only cells, the colours other clients see too: a 6 x 6 x 6 cube of them
// where the colormap has room, then every colour maps to the nearest cell it holds (on a
// server whose colormap is already full, its own palette).
void PixelFormat::TakeColourCube(Display* display, Colormap colormap) {
    for (std::size_t i = 0; i < 216; ++i) {
        const auto level = [](std::size_t l) { return static_cast<unsigned short>(l * 13107); };
        XColor colour{};
        colour.red = level(i / 36);
        colour.green = level((i / 6) % 6);
        colour.blue = level(i % 6);
        colour.flags = DoRed | DoGreen | DoBlue;
        XAllocColor(display, colormap, &colour);
    }
    std::vector<XColor> held(static_cast<std::size_t>(std::max(0, visual_->map_entries)));
    for (std::size_t p = 0; p < held.size(); ++p) held[p].pixel = p;
    if (held.empty()) return;
    XQueryColors(display, colormap, held.data(), static_cast<int>(held.size()));
    for (std::size_t i = 0; i < table_.size(); ++i) {
        // The middle of the cell, in 16-bit channels.
        const auto centre = [](std::size_t v) { return static_cast<long>(v * 0x1111 + 0x888); };
        const long r = centre(i >> 8);
        const long g = centre((i >> 4) & 0xF);
        const long b = centre(i & 0xF);
        long best = std::numeric_limits<long>::max();
        for (const XColor& c : held) {
            const long d = (c.red - r) * (c.red - r) + (c.green - g) * (c.green - g) +
                           (c.blue - b) * (c.blue - b);
            if (d < best) {
                best = d;
                table_[i] = c.pixel;
            }
        }
    }
}

unsigned long PixelFormat::Pixel(std::uint32_t rgb) const {
    if (indexed_) {
        return table_[((rgb >> 12) & 0xF00) | ((rgb >> 8) & 0xF0) | ((rgb >> 4) & 0xF)];
    }
    return (Scaled((rgb >> 16) & 0xFF, red_.max) << red_.shift) |
           (Scaled((rgb >> 8) & 0xFF, green_.max) << green_.shift) |
           (Scaled(rgb & 0xFF, blue_.max) << blue_.shift);
}

void PixelFormat::Fill(XImage& out, const PixelView& image) const {
    const bool ours = out.byte_order == kOurByteOrder || out.bits_per_pixel == 8;
    for (std::int32_t y = 0; y < image.height; ++y) {
        const std::uint32_t* from = image.pixels + static_cast<std::ptrdiff_t>(y) * image.stride;
        char* row = out.data + static_cast<std::ptrdiff_t>(y) * out.bytes_per_line;
        for (std::int32_t x = 0; x < image.width; ++x) {
            const unsigned long pixel = Pixel(from[x]);
            if (ours && out.bits_per_pixel == 16) {
                const auto v = static_cast<std::uint16_t>(pixel);
                std::memcpy(row + 2 * x, &v, 2);
            } else if (ours && out.bits_per_pixel == 32) {
                const auto v = static_cast<std::uint32_t>(pixel);
                std::memcpy(row + 4 * x, &v, 4);
            } else if (out.bits_per_pixel == 8) {
                row[x] = static_cast<char>(pixel);
            } else {
                XPutPixel(&out, x, y, pixel);
            }
        }
    }
}

}  // namespace tivaro::platform::x11
