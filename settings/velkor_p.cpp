#include "settings/velkor_p.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>
#include <utility>

#include "app/captions.h"
#include "assets/assets.h"
#include "controls/set_command_controls.h"
#include "platform/backend.h"
#include "toolkit/forms/property_bag.h"
#include "toolkit/image/decode.h"
#include "toolkit/runtime/errors.h"
#include "toolkit/runtime/numeric.h"
#include "toolkit/text/font.h"
#include "settings/background_gradient.h"

namespace tivaro::settings {
namespace {

// The dialog's outer size, 419 x 391 pixels at 15 twips a pixel: a client area of 413 x 359.
constexpr double kOuterWidthTwips = 6285;
constexpr double kOuterHeightTwips = 5865;

constexpr std::int16_t kKeyEscape = 27;

// What the form keeps of its Exit button; every other property is the control's default.
constexpr char kCmdCanFormData[] = R"(caption = "Exit"
font = font {
    name = "ＭＳ Ｐゴシック"
    size = 9.75
    charset = 128
}
)";

// The labels' face: the Japanese system's proportional gothic, 9.75 pt, regular.
std::shared_ptr<text::FontDesc> LabelFont(bool underline) {
    text::FontDesc font = text::DefaultUiFont();
    font.size = 9.75;
    font.weight = 400;
    font.charset = text::kShiftJisCharset;
    font.underline = underline;
    return std::make_shared<text::FontDesc>(std::move(font));
}

// The labels were laid out for the designed face; where the system renders a wider or
// taller stand-in, a label grows (right and down, over nothing but the background) so
// that its one line and the link's underline are not cut off.
void FitToCaption(forms::Label& label) {
    // Text does not widen exactly with the display's scale (glyphs are fitted to the
    // pixel grid), so it is measured as drawn there, in whole layout pixels.
    rt::RunIgnoringErrors([&] {
        const text::TextExtent text =
            text::OpenFont(*label.Font(), label.Dpi())->Measure(label.Caption());
        const double s = label.Scale();
        const platform::Rect& r = label.Bounds();
        label.Move(r.left, r.top,
                   std::max(label.Width(), rt::RoundToI32(std::ceil(text.width / s))),
                   std::max(label.Height(), rt::RoundToI32(std::ceil(text.height / s))));
    });
}

// A picture stored with the form; one that cannot be decoded leaves the box empty, and
// its sprites then measure 0 and draw nothing.
void LoadPicture(forms::PictureHolder& box, const std::string& name) {
    rt::RunIgnoringErrors([&] { box.SetPicture(image::DecodePicture(assets::Find(name))); });
}

}  // namespace

Velkor_P::Velkor_P()
    : forms::Form("Velkor_P", platform::WindowKind::TopLevelDialog,
                  std::string(app::kSettingsCaption)),
      picWindow(this, "picWindow"),
      lbl(this, "lbl"),
      lbl_URL(this, "lbl_URL"),
      Cmd_Can(this, "Cmd_Can"),
      tmrTimer(1, true),
      scene_{picWindow.Image(),
             picSphereMask[0].Picture(),
             picSphereSprite[0].Picture(),
             {},
             {},
             nullptr,
             {}} {
    auto_redraw = true;
    back_colour = gfx::RGB(128, 128, 128);
    icon = image::DecodePicture(assets::Find("tivaro_icon.png"));
    // Laid out in layout pixels and drawn at the display's scale: a client area of
    // 413 x 359 at 96 DPI, 826 x 718 device pixels at 192.
    SetScalesWithDisplay(true);
    // Opens centred on the primary monitor (the first listed), at its designed size:
    // reckoned in the form's own pixels and twips, which are layout pixels.
    const platform::Rect primary = platform::Current().Outputs().front().logical;
    const double s = Scale();
    const double tx = TwipsPerPixelX();
    const double ty = TwipsPerPixelY();
    const double width = (primary.right - primary.left) / s;
    const double height = (primary.bottom - primary.top) / s;
    const double left = std::floor(primary.left / s) +
                        std::max(0.0, std::floor((width - kOuterWidthTwips / tx) / 2));
    const double top = std::floor(primary.top / s) +
                       std::max(0.0, std::floor((height - kOuterHeightTwips / ty) / 2));
    MoveTwips(left * tx, top * ty, kOuterWidthTwips, kOuterHeightTwips);
    OnMouseMove = [this](std::int16_t, std::int16_t, float, float) { ShowLinkPointer(false); };

    picWindow.auto_redraw = true;
    picWindow.border = forms::BorderStyle::Sunken;
    picWindow.back_colour = kViewBackColour;
    picWindow.tab_stop = true;
    picWindow.Move(16, 20, 377, 285);
    LeavesTheLink(picWindow.OnMouseMove);
    scene_.cls = [this] { picWindow.Cls(); };  // the view's Cls: cleared, shown after the tick

    lbl.Move(20, 312, 165, 13);
    lbl.SetCaption("Designed by Ordune Ver.1.0.0");
    lbl.SetForeColor(gfx::RGB(255, 255, 255));
    lbl.SetBackStyle(forms::BackStyle::Transparent);
    lbl.SetFont(LabelFont(false));
    FitToCaption(lbl);
    LeavesTheLink(lbl.OnMouseMove);

    lbl_URL.Move(20, 328, 214, 13);
    lbl_URL.SetCaption(kHomePage);
    lbl_URL.SetForeColor(gfx::RGB(255, 255, 192));
    lbl_URL.SetBackStyle(forms::BackStyle::Transparent);
    lbl_URL.SetFont(LabelFont(true));
    FitToCaption(lbl_URL);
    lbl_URL.OnMouseMove = [this](std::int16_t, std::int16_t, float, float) {
        ShowLinkPointer(true);
    };
    lbl_URL.OnClick = [this] { lbl_URL_Click(); };

    Cmd_Can.Move(320, 316, 73, 25);
    Cmd_Can.UserControl_ReadProperties(forms::PropertyBag::FromFormData(kCmdCanFormData));
    Cmd_Can.Click = [this] { Cmd_Can_Click(); };
    LeavesTheLink(Cmd_Can.OnMouseMove);
    LeavesTheLink(Cmd_Can.LblMsg().OnMouseMove);  // the caption lies over the face

    tmrTimer.OnTick = [this] { tmrTimer_Timer(); };

    LoadPicture(picSphereMask[0], "sphere_mask.bmp");
    LoadPicture(picSphereSprite[0], "sphere_sprite.bmp");
    for (std::size_t k = 0; k < picAtomSprite.size(); ++k) {
        const std::string stem = "atom" + std::to_string(k);
        LoadPicture(picAtomMask[k], stem + "_mask.jpg");
        LoadPicture(picAtomSprite[k], stem + "_sprite.jpg");
        scene_.atomMasks[k] = &picAtomMask[k].Picture();
        scene_.atomSprites[k] = &picAtomSprite[k].Picture();
    }
}

Velkor_P& Velkor_P::Instance() {
    static Velkor_P form;
    return form;
}

void Velkor_P::Form_Load() {
    rt::StepsIgnoringErrors(
        // Each change of size repaints the background (Form_Resize).
        [&] { SetWidthTwips(kOuterWidthTwips); }, [&] { SetHeightTwips(kOuterHeightTwips); },
        [&] { Velkor_B::SetCommandControls(*this, rt::kTrue, rt::kTrue); },
        [&] {
            SetUpSpriteMetrics(*this, scene_, static_cast<float>(picWindow.InnerWidth()),
                               static_cast<float>(picWindow.InnerHeight()));
        });
    // tmrTimer runs from creation: its first tick comes once the modal loop runs.
}

// Text does not widen exactly with the scale: the labels are fitted to it as drawn now.
void Velkor_P::Form_DpiChange() {
    FitToCaption(lbl);
    FitToCaption(lbl_URL);
}

void Velkor_P::Form_Resize() {
    rt::StepsIgnoringErrors(
        [&] {
            PaintBackgroundGradient(Image(), static_cast<float>(InnerWidth()),
                                    static_cast<float>(InnerHeight()), loopIndex);
        },
        [&] { Refresh(); });
}

// Escape closes the dialog as its close box does. Enter and Space do nothing: the Exit
// button clicks only from the pointer.
void Velkor_P::Form_KeyDown(std::int16_t key, std::int16_t) {
    if (key == kKeyEscape) Unload(forms::UnloadMode::FormControlMenu);
}

void Velkor_P::Form_Unload(std::int16_t&) {
    if (tmrTimer.Enabled()) tmrTimer.SetEnabled(false);
}

void Velkor_P::Cmd_Can_Click() {
    Unload();
}

void Velkor_P::lbl_URL_Click() {
    auto& backend = platform::Current();
    rt::StepsIgnoringErrors(
        [&] { platform::Windows().SetPointer(hWnd(), platform::Pointer::Busy); },
        [&] { backend.OpenAddress(lbl_URL.Caption()); },
        [&] {
            platform::Windows().SetPointer(hWnd(), platform::Pointer::Default);
            handShown_ = false;  // the next move over the link shows it
        });
}

void Velkor_P::tmrTimer_Timer() {
    rt::EndOnError([&] { DrawFrame(*this, scene_); });
}

void Velkor_P::ShowLinkPointer(bool overLink) {
    if (overLink == handShown_ || hWnd() == 0) return;
    handShown_ = overLink;
    platform::Windows().SetPointer(hWnd(),
                                   overLink ? platform::Pointer::Hand : platform::Pointer::Default);
}

void Velkor_P::LeavesTheLink(forms::MouseHandler& handler) {
    // Child windows take their pointer from the dialog: leaving the link straight into
    // the view or the button must give the arrow back too.
    handler = [this, inner = std::move(handler)](std::int16_t button, std::int16_t shift, float x,
                                                 float y) {
        ShowLinkPointer(false);
        if (inner) inner(button, shift, x, y);
    };
}

}  // namespace tivaro::settings
