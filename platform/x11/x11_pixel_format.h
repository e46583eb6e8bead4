// How a window's visual stores a colour: the masks of a TrueColor visual, or the cells of
// a colormap for a visual of 8 bits or fewer. Turns 0x00RRGGBB pixels into the server's
// pixel values and fills an XImage with them.
#pragma once

#include <X11/Xlib.h>

#include <array>
#include <cstdint>

#include "platform/backend.h"

namespace tivaro::platform::x11 {

class PixelFormat {
public:
    // Reads the visual's layout; for a colormapped visual it takes a 6 x 6 x 6 colour
    // cube of shared cells from `colormap` where it can, and maps 4 bits a channel to the
    // nearest cell held.
    PixelFormat(Display* display, Visual* visual, int depth, Colormap colormap);

    Visual* visual() const { return visual_; }
    int depth() const { return depth_; }
    // 24-bit TrueColor stored as 32-bit pixels 0x00RRGGBB in this machine's byte order:
    // the program's own pixels can be handed to the server as they are.
    bool SameAsOurs() const { return same_as_ours_; }

    unsigned long Pixel(std::uint32_t rgb) const;
    // Writes `image` into `out` (as large as the image at least), pixel by pixel.
    void Fill(XImage& out, const PixelView& image) const;

private:
    struct Channel {
        int shift = 0;
        unsigned long max = 0;  // all ones in the channel's width
    };
    static Channel ChannelOf(unsigned long mask);
    void TakeColourCube(Display* display, Colormap colormap);

    Visual* visual_;
    int depth_;
    bool indexed_ = false;
    bool same_as_ours_ = false;
    Channel red_, green_, blue_;
    std::array<unsigned long, 4096> table_{};  // by 4 bits of red, green, blue
};

}  // namespace tivaro::platform::x11
