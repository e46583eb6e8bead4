// Fonts of the forms runtime: a description (face name, size in points, weight, style,
// character set) as the runtime's font object holds it, and a rendered font that measures
// text and draws it into a pixel surface with a transparent background. The platform's
// implementation (FreeType + fontconfig on Linux, GDI on Windows) is behind OpenFont.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "toolkit/surface/surface.h"

namespace tivaro::text {

// Character sets the program meets (the runtime's charset numbers).
inline constexpr std::int16_t kAnsiCharset = 0;
inline constexpr std::int16_t kShiftJisCharset = 128;

// The Japanese system's proportional gothic UI face, as stored form data names it.
inline constexpr char kUiGothicFace[] = "ＭＳ Ｐゴシック";

// The runtime's font object: what a label or a stored property keeps.
struct FontDesc {
    std::string name;           // face name, UTF-8
    double size = 9.0;          // points
    std::int16_t weight = 400;  // 400 normal, 700 bold
    bool italic = false;
    bool underline = false;
    bool strikethrough = false;
    std::int16_t charset = kAnsiCharset;

    bool operator==(const FontDesc&) const = default;
};

// The font a new form offers its controls: 9-point proportional gothic, Japanese charset.
FontDesc DefaultUiFont();

// Pixel height of the em for a size in points on a screen of `dpi` dots per inch, rounded
// half to even: at 96 DPI 9.75 pt is 13 px and 9 pt is 12 px; at 192 DPI 9.75 pt is 26 px.
std::int32_t PointsToPixels(double points, std::int32_t dpi = 96);

struct TextExtent {
    std::int32_t width = 0;   // advance of the whole string, pixels
    std::int32_t height = 0;  // cell height (ascent + descent), pixels
};

// A clip rectangle in surface pixels; right and bottom are excluded.
struct ClipRect {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;
};

// Text this many pixels high or smaller is drawn unsmoothed, as the classic desktop draws
// small UI text; larger text is antialiased.
inline constexpr std::int32_t kLargestUnsmoothedPixels = 16;

class Font {
public:
    virtual ~Font() = default;
    Font(const Font&) = delete;
    Font& operator=(const Font&) = delete;

    const FontDesc& Desc() const { return desc_; }
    // The family the platform actually renders with (for example "IPAPGothic").
    const std::string& Family() const { return family_; }
    std::int32_t PixelSize() const { return pixel_size_; }
    // The display scale the font is rasterised for (96 is 100 %).
    std::int32_t Dpi() const { return dpi_; }
    std::int32_t Ascent() const { return ascent_; }

    // One line of UTF-8 text; line breaks are not interpreted here.
    virtual TextExtent Measure(std::string_view utf8) const = 0;
    // Draws one line with its cell's top-left corner at (x, y) in the surface's device
    // pixels (the clip too), unsmoothed up to 16 px (antialiased
    // above), blended over what the surface holds; pixels outside `clip` (when given) stay
    // untouched.
    virtual void Draw(gfx::Surface& surface, std::int32_t x, std::int32_t y, std::string_view utf8,
                      gfx::Colour colour, const ClipRect* clip = nullptr) const = 0;

    // The runtime's engraved look of disabled text: white text one layout pixel right and
    // down, grey RGB(128, 128, 128) text over it at (x, y).
    void DrawDisabled(gfx::Surface& surface, std::int32_t x, std::int32_t y, std::string_view utf8,
                      const ClipRect* clip = nullptr) const;

protected:
    // The em is PointsToPixels(desc.size, dpi) high, at least one pixel. The platform's
    // font sets the family and the ascent once it has the face.
    Font(const FontDesc& desc, std::int32_t dpi);
    // Where a Draw may write: the surface, within `clip` when one is given (maybe empty).
    static ClipRect DrawBox(const gfx::Surface& surface, const ClipRect* clip);

    std::string family_;
    std::int32_t ascent_ = 0;

private:
    FontDesc desc_;
    std::int32_t dpi_ = 96;
    std::int32_t pixel_size_ = 0;
};

// The font cache of OpenFont: the font made for an equal description and scale before, or
// the one `make` makes now, which is kept.
using FontMaker = std::shared_ptr<const Font> (*)(const FontDesc& desc, std::int32_t dpi);
std::shared_ptr<const Font> CachedFont(const FontDesc& desc, std::int32_t dpi, FontMaker make);

// The rendered font for a description at a display scale. Fonts are cached: the same
// description and scale give the same object, and nothing is read from disk after the
// first use of a face.
std::shared_ptr<const Font> OpenFont(const FontDesc& desc, std::int32_t dpi = 96);

}  // namespace tivaro::text
