#include "toolkit/forms/image_control.h"

#include <algorithm>

namespace tivaro::forms {

ImageControl::ImageControl(Widget* parent, std::string name) : Widget(parent, std::move(name)) {
    has_window = false;
}

void ImageControl::PaintOver(gfx::Surface& frame, std::int32_t x, std::int32_t y) {
    const std::int32_t w = std::min(Width(), picture_.width());
    const std::int32_t h = std::min(Height(), picture_.height());
    // At the frame's scale: whole factors repeat pixels, others interpolate.
    frame.StretchCopy(picture_, 0, 0, w, h, x, y, w, h, gfx::Sampling::Smooth);
}

}  // namespace tivaro::forms
