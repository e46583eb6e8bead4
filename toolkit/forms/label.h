// A label: a windowless widget that shows a caption in a font and a fore colour over its
// parent's image. It gets its mouse events from the parent's window; setting any of its
// properties asks the parent's window to repaint once the current handler is done.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "toolkit/forms/widget.h"
#include "toolkit/text/font.h"

namespace tivaro::forms {

// The runtime's alignment numbers.
enum class Alignment : std::int16_t { Left = 0, Right = 1, Center = 2 };
enum class BackStyle : std::int16_t { Transparent = 0, Opaque = 1 };

class Label : public Widget {
public:
    Label(Widget* parent, std::string name);

    const std::string& Caption() const { return caption_; }
    void SetCaption(std::string caption);  // UTF-8
    gfx::Colour ForeColor() const { return fore_colour_; }
    void SetForeColor(gfx::Colour colour);
    Alignment GetAlignment() const { return alignment_; }
    void SetAlignment(Alignment alignment);
    BackStyle GetBackStyle() const { return back_style_; }
    void SetBackStyle(BackStyle style);

    // The font object, held by reference as the runtime does: whoever else holds it sees
    // the label's changes and the other way round. Setting a null font raises
    // InvalidProcedureCall.
    const std::shared_ptr<text::FontDesc>& Font() const { return font_; }
    void SetFont(std::shared_ptr<text::FontDesc> font);
    // Assigns the face name of the current font object.
    void SetFontName(std::string name);

    // A disabled label shows its caption engraved (white under grey). Hides the base
    // class's setter so that the change repaints.
    void SetEnabled(bool enabled);

    // Position and size in twips, as the runtime keeps them (32-bit floats); the pixel
    // bounds follow, rounded half to even at the backend's twips per pixel. A value set
    // here reads back exactly while the pixel bounds still agree with it.
    float LeftTwips() const;
    float TopTwips() const;
    float WidthTwips() const;
    float HeightTwips() const;
    void SetLeftTwips(float twips);
    void SetTopTwips(float twips);
    void SetWidthTwips(float twips);
    void SetHeightTwips(float twips);

    // The lines the caption is broken into at the label's width: at line breaks, and
    // between words where a line would be wider than the label. Measured as drawn: by the
    // font for the display's scale, at the label's width in device pixels.
    std::vector<std::string> Lines() const;

    void PaintOver(gfx::Surface& frame, std::int32_t x, std::int32_t y) override;

private:
    std::vector<std::string> Lines(const text::Font& font, std::int32_t width) const;
    void Invalidate();
    float ToTwips(const std::optional<float>& kept, std::int32_t pixels, bool vertical) const;
    std::int32_t ToPixels(float twips, bool vertical) const;

    std::string caption_;
    gfx::Colour fore_colour_ = 0;
    Alignment alignment_ = Alignment::Left;
    BackStyle back_style_ = BackStyle::Transparent;
    std::shared_ptr<text::FontDesc> font_;
    std::optional<float> left_twips_;
    std::optional<float> top_twips_;
    std::optional<float> width_twips_;
    std::optional<float> height_twips_;
};

}  // namespace tivaro::forms
