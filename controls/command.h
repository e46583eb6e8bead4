// Command: our own push button, a user control with its own window. It paints a skinned
// face over a two-colour vertical gradient, shows its caption in a transparent label laid
// over the face, tracks the pointer with a 100 ms timer, and raises Click on release.
//
// Lifetime in a container: construct it as a child of the form, Move it, read its stored
// properties (UserControl_ReadProperties) if there are any; the form's Load creates the
// window and the placement's resize draws the face; the container then calls Initialize
// (SetCommandControls does it for every button of a form).
//
// Every procedure of the control skips a failing statement and goes on with the next;
// no runtime error leaves the control.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "toolkit/forms/label.h"
#include "toolkit/forms/property_bag.h"
#include "toolkit/forms/timer.h"
#include "toolkit/forms/widget.h"
#include "toolkit/runtime/numeric.h"
#include "toolkit/surface/surface.h"
#include "toolkit/text/font.h"

namespace tivaro::controls {

class Command : public forms::Widget {
public:
    // Values of State.
    static constexpr std::uint8_t Idle = 1;          // no focus, pointer not over it
    static constexpr std::uint8_t Hover = 2;         // pointer over it, no focus
    static constexpr std::uint8_t Focused = 3;       // focus, pointer not over it
    static constexpr std::uint8_t FocusedHover = 4;  // focus and pointer over it

    // The skin pictures, by the look they give.
    enum class Skin : std::uint8_t {
        Normal,
        HighLight,
        HighLightSelect,
        Selected,
        Pressed,
        Disable
    };
    // The embedded picture of each skin ("skin_normal.bmp", ...).
    static const char* SkinFile(Skin skin);

    Command(forms::Widget* parent, std::string name);
    ~Command() override;

    // The control's one event, wired by the container (`Cmd_Can_Click`). An error the
    // container's handler lets through ends the program, as an untrapped error does.
    std::function<void()> Click;
    // The change report: the named stored property changed.
    forms::PropertyChangedHandler OnPropertyChanged;

    // Starts hover tracking: State becomes Idle and TmrMouse ticks every 100 ms.
    void Initialize();

    // Properties. They hide the Widget members of the same names on purpose: Enabled is
    // the control's own flag (the window keeps taking focus and input, which the handlers
    // then ignore), and Visible is the background style, not the window's visibility.
    std::string Caption();
    void SetCaption(const std::string& New_Caption);
    std::shared_ptr<text::FontDesc> Font();
    void SetFont(std::shared_ptr<text::FontDesc> New_Font);
    std::int32_t FontColour();
    void SetFontColour(std::int32_t New_FontColour);
    rt::Bool16 Enabled();  // the first reading also runs the first-time set-up
    void SetEnabled(rt::Bool16 New_Enabled);
    std::uint8_t Visible();  // 0 transparent, 255 opaque
    void SetVisible(std::uint8_t New_Visible);

    // The container's form data.
    void UserControl_WriteProperties(forms::PropertyBag& PropBag);
    void UserControl_ReadProperties(const forms::PropertyBag& PropBag);

    // The container's font, as it is when asked (the ambient font): the default of the
    // stored "Font".
    text::FontDesc AmbientFont() const;

    // What the control holds, read without side effects (for the container and tests).
    std::uint8_t State() const { return State_; }
    rt::Bool16 MouseIsDown() const { return MouseIsDown_; }
    rt::Bool16 InvertGradient() const { return InvertGradient_; }
    rt::Bool16 EnabledFlag() const { return Enabled_; }
    std::uint8_t FirstRun() const { return FirstRun_; }
    forms::BackStyle BackStyle() const { return back_style_; }
    const std::array<gfx::GradientVertex, 3>& Vertices() const { return Vertices_; }
    forms::Label& LblMsg() { return LblMsg_; }
    forms::Timer& TmrMouse() { return TmrMouse_; }

    // Shows the face, or with a transparent background the container's image behind the
    // control, with the caption over it.
    void Refresh();
    void HandleEvent(const platform::Event& event) override;

protected:
    // The resize of the placement, once the window and its image exist.
    void AfterCreate() override;

private:
    struct GradientRectangle {
        std::uint32_t UpperLeft = 0;
        std::uint32_t LowerRight = 0;
    };
    struct LineElement {
        bool visible = true;
    };

    // Painting.
    void DrawButton(Skin skin);
    void FillGradient();
    void ApplyEnabledLook();
    void ApplyNormalLook();
    void UserControl_Resize();
    std::int32_t TwipsToPixelsX(double twips) const;
    std::int32_t TwipsToPixelsY(double twips) const;

    // Input and focus.
    void UserControl_GotFocus();
    void UserControl_LostFocus();
    void UserControl_MouseDown(std::int16_t Button, std::int16_t Shift, float X, float Y);
    void UserControl_MouseMove(std::int16_t Button, std::int16_t Shift, float X, float Y);
    void UserControl_MouseUp(std::int16_t Button, std::int16_t Shift, float X, float Y);
    void TmrMouse_Timer();
    void LeaveHover();
    void RaiseClick();
    // What a press or a release says of the pointer before the handlers run: a press over
    // the control registers the pointer there; a release records whether it is over it.
    void PointerEvent(const platform::Event& event);

    // Properties.
    void PropertyChanged(std::string_view name);
    void SetBackStyleValue(std::int16_t style);

    forms::Label LblMsg_;
    forms::Timer TmrMouse_{100, false};
    std::array<gfx::Surface, 6> skins_;
    LineElement LeftLine_, TopLine_, RightLine_, BottomLine_;

    std::uint8_t State_ = 0;
    rt::Bool16 MouseIsDown_ = rt::kFalse;
    bool release_over_ = false;  // the last release was over the control
    rt::Bool16 InvertGradient_ = rt::kFalse;
    rt::Bool16 Enabled_ = rt::kFalse;
    std::uint8_t FirstRun_ = 0;
    std::array<gfx::GradientVertex, 3> Vertices_{};
    GradientRectangle GradientRect_;
    forms::BackStyle back_style_ = forms::BackStyle::Opaque;
};

}  // namespace tivaro::controls
