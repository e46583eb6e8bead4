// An image control: a windowless widget that shows a picture at its own size from its
// top-left corner, stretched only by the display's scale; what lies beyond the control is
// not drawn.
#pragma once

#include "toolkit/forms/widget.h"

namespace tivaro::forms {

class ImageControl : public Widget {
public:
    ImageControl(Widget* parent, std::string name);

    void SetPicture(gfx::Surface picture) { picture_ = std::move(picture); }
    const gfx::Surface& Picture() const { return picture_; }

    void PaintOver(gfx::Surface& frame, std::int32_t x, std::int32_t y) override;

private:
    gfx::Surface picture_;
};

}  // namespace tivaro::forms
