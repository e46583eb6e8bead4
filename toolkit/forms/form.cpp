#include "toolkit/forms/form.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "toolkit/runtime/numeric.h"
#include "platform/scale/display_scale.h"

namespace tivaro::forms {

using platform::Event;
using platform::EventType;

namespace {
constexpr std::int16_t kKeyTab = 9;

// Where a top-level window whose frame was asked for at `device` goes once its frame is
// `size` layout pixels at scale `s`, in layout pixels: its centre stays where it was asked
// for, so a window centred on a monitor stays centred there, and it keeps within the monitor
// its centre lies on (its caption bar first, where it is larger than the monitor).
platform::Point KeepCentreOnMonitor(const platform::Rect& device, double s, platform::Point size) {
    const double cx = (device.left + device.right) / 2.0;
    const double cy = (device.top + device.bottom) / 2.0;
    std::int32_t left = rt::RoundToI32(cx / s - size.x / 2.0);
    std::int32_t top = rt::RoundToI32(cy / s - size.y / 2.0);
    std::vector<platform::Rect> monitors;
    for (const platform::Output& o : platform::Current().Outputs()) monitors.push_back(o.logical);
    const platform::Rect* on = monitors.empty() ? nullptr : &monitors.front();
    for (const platform::Rect& m : monitors) {
        if (cx >= m.left && cx < m.right && cy >= m.top && cy < m.bottom) {
            on = &m;
            break;
        }
    }
    if (on != nullptr) {
        // The monitor in whole layout pixels that lie on it.
        const platform::Rect m{
            rt::RoundToI32(std::ceil(on->left / s)), rt::RoundToI32(std::ceil(on->top / s)),
            rt::RoundToI32(std::floor(on->right / s)), rt::RoundToI32(std::floor(on->bottom / s))};
        left = std::max(m.left, std::min(left, m.right - size.x));
        top = std::max(m.top, std::min(top, m.bottom - size.y));
    }
    return {left, top};
}
}  // namespace

Form::Form(std::string name, platform::WindowKind kind, std::string caption)
    : Widget(nullptr, std::move(name)), kind_(kind), caption_(std::move(caption)) {
    has_window = true;
}

Form::~Form() = default;

platform::Point Form::NonClientSize() const {
    // A fixed single frame with a caption bar adds 3 px on each side and a 26 px bar.
    if (kind_ == platform::WindowKind::TopLevelDialog) return {6, 32};
    return {0, 0};
}

void Form::Load() {
    if (loaded_) return;
    platform::WindowDesc desc;
    desc.kind = kind_;
    desc.caption = caption_;
    if (dpi_ == 0) dpi_ = platform::Windows().Dpi(0);
    desc.bounds = ToDevice(bounds_);
    desc.back_colour = back_colour;
    window_ = platform::Windows().MakeWindow(desc);
    Application::Get().Register(window_, this);
    // The monitor the window came up on decides its scale: the form keeps its place on
    // the screen (a top-level one its centre, on its monitor; a child its corner) and lays
    // itself out there as after a change of DPI.
    bool rescaled = false;
    if (const std::int32_t dpi = platform::Windows().Dpi(window_); dpi > 0 && dpi != dpi_) {
        const platform::Point nc = NonClientSize();
        const platform::Point frame{Width() + nc.x, Height() + nc.y};
        const platform::Rect device =
            ToDevice({bounds_.left, bounds_.top, bounds_.left + frame.x, bounds_.top + frame.y});
        dpi_ = dpi;
        if (scales_) {
            const double s = Scale();
            outer_pos_ = kind_ == platform::WindowKind::Child
                             ? platform::Point{rt::RoundToI32(device.left / s),
                                               rt::RoundToI32(device.top / s)}
                             : KeepCentreOnMonitor(device, s, frame);
            bounds_ = {outer_pos_.x, outer_pos_.y, outer_pos_.x + Width(), outer_pos_.y + Height()};
            SetBounds(bounds_);
            rescaled = true;
        }
    }
    if (icon.width() > 0 && icon.height() > 0) {
        platform::Windows().SetIcon(
            window_, platform::PixelView{icon.pixels(), icon.width(), icon.height(), icon.width()});
    }
    image_ = gfx::Surface(auto_redraw ? InnerWidth() : 0, auto_redraw ? InnerHeight() : 0,
                          back_colour, Scale());
    for (Widget* child : children_) child->CreateWindows(window_);
    if (rescaled) Form_DpiChange();
    loaded_ = true;
    Application::Get().FormLoaded();
    Form_Load();
}

void Form::Show() {
    Load();
    if (!loaded_) return;  // Form_Load may unload the form
    platform::Windows().ShowWindow(window_, true);
    if (focused_ == nullptr) FocusNext();
    Application::Get().PostPaint(window_);
}

void Form::ShowModal() {
    Show();
    Application::Get().RunWhile([this] { return loaded_; });
}

void Form::Unload(UnloadMode mode) {
    if (!loaded_ || unloading_) return;
    unloading_ = true;
    std::int16_t cancel = 0;
    Form_QueryUnload(cancel, static_cast<std::int16_t>(mode));
    if (cancel == 0) Form_Unload(cancel);
    unloading_ = false;
    if (cancel != 0 && window_ != 0) return;
    FinishUnload();
}

void Form::FinishUnload() {
    if (!loaded_) return;
    focused_ = nullptr;
    DestroyWindows();
    loaded_ = false;
    Application::Get().FormUnloaded();
}

void Form::SetOuterPixels(std::int32_t left, std::int32_t top, std::int32_t width,
                          std::int32_t height) {
    outer_pos_ = {left, top};
    const platform::Point nc = NonClientSize();
    SetBounds({left, top, left + std::max(0, width - nc.x), top + std::max(0, height - nc.y)});
    if (window_ != 0) Form_Resize();
}

void Form::SetDpi(std::int32_t dpi) {
    if (dpi <= 0 || dpi == Dpi()) return;
    dpi_ = dpi;
    if (window_ == 0 || !scales_) return;
    Rescale();
    Form_DpiChange();
    Form_Resize();
}

void Form::MoveTwips(double left, double top, double width, double height) {
    const double tx = TwipsPerPixelX();
    const double ty = TwipsPerPixelY();
    SetOuterPixels(rt::RoundToI32(left / tx), rt::RoundToI32(top / ty), rt::RoundToI32(width / tx),
                   rt::RoundToI32(height / ty));
}

void Form::SetWidthTwips(double width) {
    MoveTwips(outer_pos_.x * TwipsPerPixelX(), outer_pos_.y * TwipsPerPixelY(), width,
              HeightTwips());
}

void Form::SetHeightTwips(double height) {
    MoveTwips(outer_pos_.x * TwipsPerPixelX(), outer_pos_.y * TwipsPerPixelY(), WidthTwips(),
              height);
}

double Form::WidthTwips() const {
    return (Width() + NonClientSize().x) * TwipsPerPixelX();
}

double Form::HeightTwips() const {
    return (Height() + NonClientSize().y) * TwipsPerPixelY();
}

void Form::CollectTabStops(Widget* widget, std::vector<Widget*>& out) {
    for (Widget* child : widget->Children()) {
        if (child->tab_stop && child->Visible() && child->Enabled()) out.push_back(child);
        CollectTabStops(child, out);
    }
}

void Form::SetFocusTo(Widget* widget) {
    if (widget == focused_) return;
    Widget* old = focused_;
    focused_ = widget;
    if (old != nullptr && old->OnLostFocus) old->OnLostFocus();
    if (widget != nullptr && widget->OnGotFocus) widget->OnGotFocus();
}

void Form::FocusNext() {
    std::vector<Widget*> stops;
    CollectTabStops(this, stops);
    if (stops.empty()) return;
    auto it = std::find(stops.begin(), stops.end(), focused_);
    SetFocusTo(it == stops.end() || ++it == stops.end() ? stops.front() : *it);
}

void Form::HandleEvent(const Event& event) {
    switch (event.type) {
        case EventType::KeyDown:
            // The form sees key presses before its controls.
            Form_KeyDown(event.key, event.shift);
            if (!loaded_) return;
            if (event.key == kKeyTab) {
                FocusNext();
            } else if (focused_ != nullptr && focused_->OnKeyDown) {
                focused_->OnKeyDown(event.key, event.shift);
            }
            break;
        case EventType::CloseRequest:
            Unload(UnloadMode::FormControlMenu);
            break;
        case EventType::Deactivated:
            Form_Deactivate();
            break;
        case EventType::DisplayChanged:
            Form_DisplayChange();
            break;
        case EventType::Destroyed:
            // The window went away underneath us (a foreign parent was destroyed): the
            // form unloads; the native windows are already gone.
            if (event.window == window_) {
                Application::Get().Unregister(window_);
                window_ = 0;
                Unload(UnloadMode::AppWindows);
                FinishUnload();
            }
            break;
        case EventType::Resized:
            if (event.window == window_ && (event.x != Width() || event.y != Height())) {
                bounds_.right = bounds_.left + event.x;
                bounds_.bottom = bounds_.top + event.y;
                if (auto_redraw) image_.Resize(InnerWidth(), InnerHeight());
                Form_Resize();
            }
            break;
        case EventType::DpiChanged:
            if (event.window == window_) {
                // The system has put the window where it suggests; the layout keeps that
                // place at the new scale.
                if (const auto place = platform::Windows().GetWindowRect(window_); place) {
                    const double s = scales_ ? platform::ScaleForDpi(event.x) : 1.0;
                    outer_pos_ = {rt::RoundToI32(place->left / s), rt::RoundToI32(place->top / s)};
                    bounds_ = {outer_pos_.x, outer_pos_.y, outer_pos_.x + Width(),
                               outer_pos_.y + Height()};
                }
                SetDpi(event.x);
            }
            break;
        default:
            Widget::HandleEvent(event);
            break;
    }
}

}  // namespace tivaro::forms
