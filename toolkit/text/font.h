// Fonts of the forms runtime: a description (face name, size in points, weight, style,
// character set) as the runtime's font object holds it, and a rendered font that measures
// text and draws it into a pixel surface with a transparent background. The platform's
// implementation (FreeType + fontconfig on Linux) is behind OpenFont.
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

class Font {
public:
    virtual ~Font() = default;

    virtual const FontDesc& Desc() const = 0;
    // The family the platform actually renders with (for example "IPAPGothic").
    virtual const std::string& Family() const = 0;
    virtual std::int32_t PixelSize() const = 0;
    // The display scale the font is rasterised for (96 is 100 %).
    virtual std::int32_t Dpi() const = 0;
    virtual std::int32_t Ascent() const = 0;

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
};

// The rendered font for a description at a display scale. Fonts are cached: the same
// description and scale give the same object, and nothing is read from disk after the
// first use of a face.
std::shared_ptr<const Font> OpenFont(const FontDesc& desc, std::int32_t dpi = 96);

}  // namespace tivaro::text
