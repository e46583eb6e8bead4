#include "toolkit/forms/label.h"

#include <algorithm>
#include <utility>

#include "toolkit/runtime/errors.h"
#include "toolkit/runtime/numeric.h"

namespace tivaro::forms {

Label::Label(Widget* parent, std::string name)
    : Widget(parent, std::move(name)),
      font_(std::make_shared<text::FontDesc>(text::DefaultUiFont())) {
    has_window = false;
}

void Label::Invalidate() {
    Application::Get().PostPaint(DrawingWindow());
}

void Label::SetCaption(std::string caption) {
    caption_ = std::move(caption);
    Invalidate();
}

void Label::SetForeColor(gfx::Colour colour) {
    fore_colour_ = colour;
    Invalidate();
}

void Label::SetAlignment(Alignment alignment) {
    alignment_ = alignment;
    Invalidate();
}

void Label::SetBackStyle(BackStyle style) {
    back_style_ = style;
    Invalidate();
}

void Label::SetFont(std::shared_ptr<text::FontDesc> font) {
    if (font == nullptr) {
        throw rt::RuntimeError(rt::ErrorNumber::InvalidProcedureCall, "a label needs a font");
    }
    font_ = std::move(font);
    Invalidate();
}

void Label::SetFontName(std::string name) {
    font_->name = std::move(name);
    Invalidate();
}

void Label::SetEnabled(bool enabled) {
    Widget::SetEnabled(enabled);
    Invalidate();
}

std::int32_t Label::ToPixels(float twips, bool vertical) const {
    const double per_pixel = vertical ? TwipsPerPixelY() : TwipsPerPixelX();
    return rt::RoundToI32(rt::Divide(twips, per_pixel));
}

float Label::ToTwips(const std::optional<float>& kept, std::int32_t pixels, bool vertical) const {
    if (kept.has_value() && ToPixels(*kept, vertical) == pixels) return *kept;
    const double per_pixel = vertical ? TwipsPerPixelY() : TwipsPerPixelX();
    return rt::StoreF32(pixels * per_pixel);
}

float Label::LeftTwips() const {
    return ToTwips(left_twips_, bounds_.left, false);
}
float Label::TopTwips() const {
    return ToTwips(top_twips_, bounds_.top, true);
}
float Label::WidthTwips() const {
    return ToTwips(width_twips_, Width(), false);
}
float Label::HeightTwips() const {
    return ToTwips(height_twips_, Height(), true);
}

void Label::SetLeftTwips(float twips) {
    const std::int32_t left = ToPixels(twips, false);
    left_twips_ = twips;
    Move(left, bounds_.top, Width(), Height());
    Invalidate();
}

void Label::SetTopTwips(float twips) {
    const std::int32_t top = ToPixels(twips, true);
    top_twips_ = twips;
    Move(bounds_.left, top, Width(), Height());
    Invalidate();
}

void Label::SetWidthTwips(float twips) {
    const std::int32_t width = ToPixels(twips, false);
    if (width < 0) throw rt::RuntimeError(rt::ErrorNumber::InvalidProcedureCall, "negative width");
    width_twips_ = twips;
    Move(bounds_.left, bounds_.top, width, Height());
    Invalidate();
}

void Label::SetHeightTwips(float twips) {
    const std::int32_t height = ToPixels(twips, true);
    if (height < 0)
        throw rt::RuntimeError(rt::ErrorNumber::InvalidProcedureCall, "negative height");
    height_twips_ = twips;
    Move(bounds_.left, bounds_.top, Width(), height);
    Invalidate();
}

std::vector<std::string> Label::Lines() const {
    const double s = Scale();
    return Lines(*text::OpenFont(*font_, rt::RoundToI32(96.0 * s)), rt::RoundToI32(Width() * s));
}

std::vector<std::string> Label::Lines(const text::Font& font, std::int32_t width) const {
    std::vector<std::string> lines;
    std::string_view rest = caption_;
    for (;;) {
        const std::size_t br = rest.find_first_of("\r\n");
        std::string_view paragraph = rest.substr(0, br);
        // Greedy breaking between words; a word wider than the label keeps its own line.
        std::string line;
        bool first = true;
        std::size_t pos = 0;
        for (;;) {
            const std::size_t space = paragraph.find(' ', pos);
            const std::string_view word = paragraph.substr(pos, space - pos);
            if (first) {
                line = std::string(word);
                first = false;
            } else if (std::string candidate = line + " " + std::string(word);
                       font.Measure(candidate).width > width) {
                lines.push_back(std::move(line));
                line = std::string(word);
            } else {
                line = std::move(candidate);
            }
            if (space == std::string_view::npos) break;
            pos = space + 1;
        }
        lines.push_back(std::move(line));
        if (br == std::string_view::npos) break;
        const std::size_t skip = rest.compare(br, 2, "\r\n") == 0 ? 2 : 1;
        rest.remove_prefix(br + skip);
    }
    return lines;
}

void Label::PaintOver(gfx::Surface& frame, std::int32_t x, std::int32_t y) {
    const std::int32_t w = Width();
    const std::int32_t h = Height();
    if (w <= 0 || h <= 0) return;
    if (back_style_ == BackStyle::Opaque) frame.FillRect(x, y, w, h, back_colour);
    if (caption_.empty()) return;
    // The text is drawn in device pixels by the font made for the frame's scale, and broken
    // into lines by that font at the device width it is drawn in: glyphs fitted to the
    // pixel grid do not widen exactly with the scale, so a line that fits at 96 DPI need
    // not fit the same box elsewhere, and the other way round.
    const auto font = text::OpenFont(*font_, rt::RoundToI32(96.0 * frame.scale()));
    const std::int32_t left_edge = frame.ToDevice(x);
    const std::int32_t right_edge = frame.ToDevice(x + w);
    const std::int32_t bottom = frame.ToDevice(y + h);
    const text::ClipRect clip{left_edge, frame.ToDevice(y), right_edge, bottom};
    std::int32_t top = frame.ToDevice(y);
    for (const std::string& line : Lines(*font, right_edge - left_edge)) {
        const std::int32_t line_width = font->Measure(line).width;
        std::int32_t left = left_edge;
        if (alignment_ == Alignment::Center)
            left = left_edge + (right_edge - left_edge - line_width) / 2;
        if (alignment_ == Alignment::Right) left = right_edge - line_width;
        if (Enabled()) {
            font->Draw(frame, left, top, line, fore_colour_, &clip);
        } else {
            font->DrawDisabled(frame, left, top, line, &clip);
        }
        top += font->Measure(line).height;
        if (top >= bottom) break;
    }
}

}  // namespace tivaro::forms
