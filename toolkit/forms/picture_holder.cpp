#include "toolkit/forms/picture_holder.h"

#include <cmath>
#include <utility>

#include "toolkit/runtime/errors.h"

namespace tivaro::forms {
namespace {

float CheckedUnits(float units) {
    if (!std::isfinite(units) || !(units > 0.0f)) {
        throw rt::RuntimeError(rt::ErrorNumber::InvalidProcedureCall,
                               "a scale size must be a positive number");
    }
    return units;
}

// The pixel under `position` along an axis of `pixels` pixels measuring `units`; -1 when
// the point lies outside.
std::int32_t PixelAlong(float position, std::int32_t pixels, float units) {
    const double p = std::floor(static_cast<double>(position) * pixels / units);
    if (!(p >= 0.0) || p >= pixels) return -1;
    return static_cast<std::int32_t>(p);
}

}  // namespace

void PictureHolder::SetPicture(gfx::Surface picture) {
    picture_ = std::move(picture);
    SetScaleMode(ScaleMode::Pixels);
}

void PictureHolder::SetScaleMode(ScaleMode mode) {
    mode_ = mode;
    if (mode == ScaleMode::Pixels) {
        scale_width_ = static_cast<float>(picture_.width());
        scale_height_ = static_cast<float>(picture_.height());
    }
}

void PictureHolder::SetScaleWidth(float units) {
    scale_width_ = CheckedUnits(units);
    mode_ = ScaleMode::User;
}

void PictureHolder::SetScaleHeight(float units) {
    scale_height_ = CheckedUnits(units);
    mode_ = ScaleMode::User;
}

std::int32_t PictureHolder::Point(float x, float y) const {
    if (picture_.width() == 0 || picture_.height() == 0) return -1;
    const std::int32_t px = PixelAlong(x, picture_.width(), scale_width_);
    const std::int32_t py = PixelAlong(y, picture_.height(), scale_height_);
    if (px < 0 || py < 0) return -1;
    return static_cast<std::int32_t>(picture_.Point(px, py));
}

}  // namespace tivaro::forms
