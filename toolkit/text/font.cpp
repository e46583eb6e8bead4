#include "toolkit/text/font.h"

#include <algorithm>
#include <map>
#include <tuple>

#include "toolkit/runtime/numeric.h"

namespace tivaro::text {

FontDesc DefaultUiFont() {
    FontDesc desc;
    desc.name = kUiGothicFace;
    desc.size = 9.0;
    desc.weight = 400;
    desc.charset = kShiftJisCharset;
    return desc;
}

std::int32_t PointsToPixels(double points, std::int32_t dpi) {
    return rt::RoundToI32(points * dpi / 72.0);
}

Font::Font(const FontDesc& desc, std::int32_t dpi)
    : desc_(desc), dpi_(dpi), pixel_size_(std::max(1, PointsToPixels(desc.size, dpi))) {}

ClipRect Font::DrawBox(const gfx::Surface& surface, const ClipRect* clip) {
    ClipRect box{0, 0, surface.device_width(), surface.device_height()};
    if (clip != nullptr) {
        box.left = std::max(box.left, clip->left);
        box.top = std::max(box.top, clip->top);
        box.right = std::min(box.right, clip->right);
        box.bottom = std::min(box.bottom, clip->bottom);
    }
    return box;
}

std::shared_ptr<const Font> CachedFont(const FontDesc& desc, std::int32_t dpi, FontMaker make) {
    using Key =
        std::tuple<std::string, double, std::int16_t, bool, bool, bool, std::int16_t, std::int32_t>;
    static std::map<Key, std::shared_ptr<const Font>> cache;
    Key key{desc.name,      desc.size,          desc.weight,  desc.italic,
            desc.underline, desc.strikethrough, desc.charset, dpi};
    if (auto it = cache.find(key); it != cache.end()) return it->second;
    std::shared_ptr<const Font> font = make(desc, dpi);
    cache.emplace(std::move(key), font);
    return font;
}

void Font::DrawDisabled(gfx::Surface& surface, std::int32_t x, std::int32_t y,
                        std::string_view utf8, const ClipRect* clip) const {
    const std::int32_t offset = std::max(1, rt::RoundToI32(Dpi() / 96.0));
    Draw(surface, x + offset, y + offset, utf8, gfx::RGB(255, 255, 255), clip);
    Draw(surface, x, y, utf8, gfx::RGB(128, 128, 128), clip);
}

}  // namespace tivaro::text
