#include "platform/text/font.h"

#include "platform/runtime/numeric.h"

namespace tivaro::text {

FontDesc DefaultUiFont() {
    FontDesc desc;
    desc.name = kUiGothicFace;
    desc.size = 9.0;
    desc.weight = 400;
    desc.charset = kShiftJisCharset;
    return desc;
}

std::int32_t PointsToPixels(double points) {
    return rt::RoundToI32(points * 96.0 / 72.0);
}

void Font::DrawDisabled(gfx::Surface& surface, std::int32_t x, std::int32_t y,
                        std::string_view utf8, const ClipRect* clip) const {
    Draw(surface, x + 1, y + 1, utf8, gfx::RGB(255, 255, 255), clip);
    Draw(surface, x, y, utf8, gfx::RGB(128, 128, 128), clip);
}

}  // namespace tivaro::text
