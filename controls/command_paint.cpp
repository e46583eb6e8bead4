// Command: the face. Eight pieces of the state's skin around a vertical gradient; only
// the skin's outer 4-pixel frame is drawn, corners as they are and edges stretched.
#include <string_view>

#include "controls/command.h"
#include "toolkit/runtime/errors.h"
#include "toolkit/runtime/numeric.h"

namespace tivaro::controls {

namespace {

// The gradient's colours, given as RRGGBB (not the runtime's BBGGRR colour numbers).
constexpr std::string_view kLightColour = "&HFFFFFF";
constexpr std::string_view kShadeColour = "&HC6C5D7";

// Frame width and skin picture size, in twips.
constexpr double kFrame = 60;
constexpr std::int16_t kFrame16 = 60;
constexpr double kSkinWidth = 960;
constexpr double kSkinHeight = 375;

// One colour channel of an "&HRRGGBB" text: the pair at `offset` as the high byte.
std::uint16_t Channel(std::string_view colour, std::size_t offset) {
    if (colour.size() < 8) throw rt::RuntimeError(rt::ErrorNumber::InvalidProcedureCall);
    const double pair = rt::ReadNumber("&H" + std::string(colour.substr(2 + offset, 2)));
    return static_cast<std::uint16_t>(rt::RoundToU8(pair) << 8);
}

void SetColour(gfx::GradientVertex& vertex, std::string_view colour) {
    vertex.red = Channel(colour, 0);
    vertex.green = Channel(colour, 2);
    vertex.blue = Channel(colour, 4);
}

}  // namespace

std::int32_t Command::TwipsToPixelsX(double twips) const {
    return rt::RoundToI32(rt::Divide(twips, Widget::TwipsPerPixelX()));
}

std::int32_t Command::TwipsToPixelsY(double twips) const {
    return rt::RoundToI32(rt::Divide(twips, Widget::TwipsPerPixelY()));
}

void Command::DrawButton(Skin skin) {
    const gfx::Surface& picture = skins_[static_cast<std::size_t>(skin)];
    // Twips per layout pixel: 15 on a form that scales, whatever the display's scale, so
    // the skin's pieces keep their places and the surface draws them at device resolution.
    const double W = static_cast<double>(Width()) * Widget::TwipsPerPixelX();
    const double H = static_cast<double>(Height()) * Widget::TwipsPerPixelY();
    // W - 120 and H - 120 as 16-bit integers, and W - 60 and H - 60 formed from them. Each
    // piece works them out for itself, so a face too wide for 16 bits loses just the
    // pieces that need them.
    auto inner_w = [&] { return rt::RoundToI16(W - 2 * kFrame); };
    auto inner_h = [&] { return rt::RoundToI16(H - 2 * kFrame); };
    auto across = [&]() -> double { return inner_w(); };
    auto down = [&]() -> double { return inner_h(); };
    auto right = [&]() -> double { return rt::AddI16(inner_w(), kFrame16); };
    auto bottom = [&]() -> double { return rt::AddI16(inner_h(), kFrame16); };
    // Copies a rectangle of the skin (twips) to a rectangle of the face (twips).
    auto piece = [&](double dx, double dy, double dw, double dh, double sx, double sy, double sw,
                     double sh) {
        image_.StretchCopy(picture, TwipsToPixelsX(sx), TwipsToPixelsY(sy), TwipsToPixelsX(sw),
                           TwipsToPixelsY(sh), TwipsToPixelsX(dx), TwipsToPixelsY(dy),
                           TwipsToPixelsX(dw), TwipsToPixelsY(dh));
    };
    const double sr = kSkinWidth - kFrame;   // the skin's right frame column
    const double sb = kSkinHeight - kFrame;  // the skin's bottom frame row
    const double se = kSkinWidth - 2 * kFrame;
    const double sv = kSkinHeight - 2 * kFrame;
    rt::StepsIgnoringErrors(
        [&] {
            if (State_ == Idle) InvertGradient_ = rt::kFalse;
            if (State_ == Hover) InvertGradient_ = rt::kTrue;
            if (State_ == Focused) InvertGradient_ = rt::kFalse;
        },
        [&] { Cls(); }, [&] { FillGradient(); },
        [&] { piece(0, 0, kFrame, kFrame, 0, 0, kFrame, kFrame); },                  // top-left
        [&] { piece(kFrame, 0, across(), kFrame, kFrame, 0, se, kFrame); },          // top
        [&] { piece(right(), 0, kFrame, kFrame, sr, 0, kFrame, kFrame); },           // top-right
        [&] { piece(right(), kFrame, kFrame, down(), sr, kFrame, kFrame, sv); },     // right
        [&] { piece(right(), bottom(), kFrame, kFrame, sr, sb, kFrame, kFrame); },   // bottom-right
        [&] { piece(kFrame, bottom(), across(), kFrame, kFrame, sb, se, kFrame); },  // bottom
        [&] { piece(0, bottom(), kFrame, kFrame, 0, sb, kFrame, kFrame); },          // bottom-left
        [&] { piece(0, kFrame, kFrame, down(), 0, kFrame, kFrame, sv); },            // left
        [&] { Refresh(); },
        [&] { LblMsg_.SetTopTwips(rt::StoreF32((H - LblMsg_.HeightTwips() - 20) / 2)); },
        [&] { LblMsg_.SetLeftTwips(0); }, [&] { LblMsg_.SetWidthTwips(rt::StoreF32(W)); },
        [&] { LeftLine_.visible = false; }, [&] { TopLine_.visible = false; },
        [&] { RightLine_.visible = false; }, [&] { BottomLine_.visible = false; });
}

void Command::FillGradient() {
    rt::StepsIgnoringErrors(
        [&] {
            SetColour(Vertices_[0], InvertGradient_ == rt::kFalse ? kLightColour : kShadeColour);
        },
        [&] {
            SetColour(Vertices_[1], InvertGradient_ == rt::kFalse ? kShadeColour : kLightColour);
        },
        [&] { Vertices_[0].x = 0; }, [&] { Vertices_[0].y = 0; },
        [&] { Vertices_[1].x = rt::RoundToI32(InnerWidth() - 1.0); },
        [&] { Vertices_[1].y = rt::RoundToI32(InnerHeight() - 1.0); },
        [&] {
            GradientRect_ = {1, 0};
        },
        [&] {
            image_.GradientFillV(Vertices_.at(GradientRect_.UpperLeft),
                                 Vertices_.at(GradientRect_.LowerRight));
        },
        [&] { Refresh(); });
}

void Command::ApplyEnabledLook() {
    if (Enabled_ != rt::kFalse) {
        rt::StepsIgnoringErrors([&] { DrawButton(Skin::Normal); },
                                [&] { LblMsg_.SetEnabled(true); });
    } else {
        rt::StepsIgnoringErrors([&] { DrawButton(Skin::Disable); },
                                [&] { LblMsg_.SetEnabled(false); });
    }
}

void Command::ApplyNormalLook() {
    if (Enabled_ == rt::kFalse) return;
    // A failing step turns the caption black, then the next step runs.
    auto step = [&](auto&& body) {
        try {
            body();
        } catch (const rt::RuntimeError&) {
            rt::RunIgnoringErrors([&] { LblMsg_.SetForeColor(0); });
        }
    };
    step([&] { LblMsg_.SetEnabled(true); });
    step([&] {
        if (FirstRun_ == 0) LblMsg_.SetForeColor(0);
    });
    step([&] { DrawButton(Skin::Normal); });
}

void Command::UserControl_Resize() {
    rt::StepsIgnoringErrors([&] { ApplyEnabledLook(); });
}

}  // namespace tivaro::controls
