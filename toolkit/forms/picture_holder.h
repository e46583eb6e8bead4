// A hidden picture box that holds one decoded picture and answers point reads in its own
// coordinate system: pixels, or a user scale that makes the inner area measure a given
// number of units across and down (origin at the top-left corner).
#pragma once

#include <cstdint>

#include "toolkit/surface/surface.h"

namespace tivaro::forms {

enum class ScaleMode : std::int16_t { User = 0, Pixels = 3 };

class PictureHolder {
public:
    PictureHolder() = default;
    explicit PictureHolder(gfx::Surface picture) {
        SetPicture(static_cast<gfx::Surface&&>(picture));
    }

    // Shows a new picture; the inner area takes its size and the scale goes back to pixels.
    void SetPicture(gfx::Surface picture);
    const gfx::Surface& Picture() const { return picture_; }

    ScaleMode GetScaleMode() const { return mode_; }
    // Pixels: the inner area measures its size in pixels. User keeps the current units.
    void SetScaleMode(ScaleMode mode);

    // The inner area's size in the current units.
    float ScaleWidth() const { return scale_width_; }
    float ScaleHeight() const { return scale_height_; }
    // Makes the inner area measure `units` across (down) and switches to the user scale.
    // Zero, negative or non-finite sizes raise InvalidProcedureCall.
    void SetScaleWidth(float units);
    void SetScaleHeight(float units);

    // Colour (red in the low byte) of the pixel under the point (x, y) in the current
    // units, sampled without filtering: pixel column floor(x * width in pixels /
    // ScaleWidth), likewise for the row. -1 for a point outside the inner area.
    std::int32_t Point(float x, float y) const;

private:
    gfx::Surface picture_;
    ScaleMode mode_ = ScaleMode::Pixels;
    float scale_width_ = 0.0f;
    float scale_height_ = 0.0f;
};

}  // namespace tivaro::forms
