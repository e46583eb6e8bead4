// Command: construction, wiring of its events, Initialize, and showing its face.
#include "controls/command.h"

#include <utility>

#include "assets/assets.h"
#include "toolkit/image/decode.h"
#include "toolkit/runtime/errors.h"

namespace tivaro::controls {

namespace {

// The caption label's design: 13 px high, centred, black, transparent.
constexpr std::int32_t kLabelHeight = 13;
// A new control's design size, 1755 x 420 twips.
constexpr std::int32_t kDesignWidth = 117;
constexpr std::int32_t kDesignHeight = 28;

}  // namespace

const char* Command::SkinFile(Skin skin) {
    switch (skin) {
        case Skin::Normal:
            return "skin_normal.bmp";
        case Skin::HighLight:
            return "skin_highlight.bmp";
        case Skin::HighLightSelect:
            return "skin_highlight_select.bmp";
        case Skin::Selected:
            return "skin_selected.bmp";
        case Skin::Pressed:
            return "skin_pressed.bmp";
        case Skin::Disable:
            return "skin_disable.bmp";
    }
    return "skin_normal.bmp";
}

Command::Command(forms::Widget* parent, std::string name)
    : Widget(parent, std::move(name)), LblMsg_(this, "LblMsg") {
    has_window = true;
    tab_stop = true;
    auto_redraw = true;
    back_colour = gfx::RGB(236, 233, 216);  // the dialog face colour
    for (std::size_t i = 0; i < skins_.size(); ++i) {
        skins_[i] = image::DecodePicture(assets::Find(SkinFile(static_cast<Skin>(i))));
    }
    Move(0, 0, kDesignWidth, kDesignHeight);

    text::FontDesc label_font = text::DefaultUiFont();
    label_font.size = 9.75;
    LblMsg_.SetFont(std::make_shared<text::FontDesc>(label_font));
    LblMsg_.SetCaption("Command");
    LblMsg_.SetForeColor(0);
    LblMsg_.SetAlignment(forms::Alignment::Center);
    LblMsg_.SetBackStyle(forms::BackStyle::Transparent);
    LblMsg_.Move(0, 0, kDesignWidth, kLabelHeight);

    OnResize = [this] { UserControl_Resize(); };
    OnGotFocus = [this] { UserControl_GotFocus(); };
    OnLostFocus = [this] { UserControl_LostFocus(); };
    OnMouseDown = [this](std::int16_t b, std::int16_t s, float x, float y) {
        UserControl_MouseDown(b, s, x, y);
    };
    OnMouseMove = [this](std::int16_t b, std::int16_t s, float x, float y) {
        UserControl_MouseMove(b, s, x, y);
    };
    OnMouseUp = [this](std::int16_t b, std::int16_t s, float x, float y) {
        UserControl_MouseUp(b, s, x, y);
    };
    // The caption covers most of the face: what happens on it happens on the face.
    LblMsg_.OnMouseDown = OnMouseDown;  // LblMsg_MouseDown
    LblMsg_.OnMouseMove = OnMouseMove;  // LblMsg_MouseMove
    LblMsg_.OnMouseUp = OnMouseUp;      // LblMsg_MouseUp
    TmrMouse_.OnTick = [this] { TmrMouse_Timer(); };
}

Command::~Command() {
    // The window goes before the members its events would reach.
    DestroyWindows();
}

void Command::Initialize() {
    rt::StepsIgnoringErrors([&] { State_ = Idle; }, [&] { TmrMouse_.SetEnabled(true); },
                            [&] { TmrMouse_.SetInterval(100); });
}

void Command::AfterCreate() {
    UserControl_Resize();
}

void Command::HandleEvent(const platform::Event& event) {
    if (event.type == platform::EventType::Paint) {
        Refresh();
        return;
    }
    PointerEvent(event);
    Widget::HandleEvent(event);
}

void Command::Refresh() {
    if (back_style_ == forms::BackStyle::Opaque) {
        Widget::Refresh();
        return;
    }
    if (window_ == 0) return;
    // Transparent: the container's image behind the control shows instead of the face.
    if (frame_.scale() != Scale()) frame_.SetScale(Scale());
    if (frame_.width() != Width() || frame_.height() != Height()) frame_.Resize(Width(), Height());
    Widget* container = Parent();
    if (container != nullptr && container->auto_redraw && container->Image().width() > 0) {
        frame_.BitBlt(0, 0, Width(), Height(), container->Image(), bounds_.left, bounds_.top,
                      gfx::RasterOp::SrcCopy);
    } else {
        frame_.set_back_colour(container != nullptr ? container->back_colour : back_colour);
        frame_.Clear();
    }
    for (Widget* child : Children()) {
        if (!child->has_window && child->Widget::Visible()) {
            child->PaintOver(frame_, child->Bounds().left, child->Bounds().top);
        }
    }
    platform::Windows().Present(window_, frame_.View(), {0, 0});
}

}  // namespace tivaro::controls
