#include "toolkit/forms/widget.h"

#include <algorithm>
#include <cmath>

#include "toolkit/forms/form.h"
#include "toolkit/runtime/numeric.h"
#include "platform/scale/display_scale.h"

namespace tivaro::forms {

using platform::Event;
using platform::EventType;

Widget::Widget(Widget* parent, std::string name) : parent_(parent), name_(std::move(name)) {
    if (parent_ != nullptr) parent_->children_.push_back(this);
}

Widget::~Widget() {
    DestroyWindows();
    if (parent_ != nullptr) {
        auto& siblings = parent_->children_;
        siblings.erase(std::remove(siblings.begin(), siblings.end(), this), siblings.end());
    }
}

Form* Widget::OwnerForm() {
    Widget* w = this;
    while (w->parent_ != nullptr) w = w->parent_;
    return dynamic_cast<Form*>(w);
}

namespace {

const Widget& Root(const Widget& widget) {
    const Widget* w = &widget;
    while (w->Parent() != nullptr) w = w->Parent();
    return *w;
}

}  // namespace

std::int32_t Widget::Dpi() const {
    const Widget& root = Root(*this);
    return root.dpi_ > 0 ? root.dpi_ : platform::Windows().Dpi(0);
}

double Widget::Scale() const {
    return Root(*this).scales_ ? platform::ScaleForDpi(Dpi()) : 1.0;
}

double Widget::TwipsPerPixelX() const {
    return platform::WindowSystem::TwipsPerPixel(Dpi()) * Scale();
}

platform::Rect Widget::ToDevice(const platform::Rect& layout) const {
    const double s = Scale();
    if (s == 1.0) return layout;
    const std::int32_t left = rt::RoundToI32(layout.left * s);
    const std::int32_t top = rt::RoundToI32(layout.top * s);
    return {left, top, left + rt::RoundToI32((layout.right - layout.left) * s),
            top + rt::RoundToI32((layout.bottom - layout.top) * s)};
}

std::int32_t Widget::InnerWidth() const {
    return std::max(0, Width() - 2 * BorderWidth());
}
std::int32_t Widget::InnerHeight() const {
    return std::max(0, Height() - 2 * BorderWidth());
}

void Widget::SetBounds(const platform::Rect& bounds) {
    const std::int32_t old_w = InnerWidth();
    const std::int32_t old_h = InnerHeight();
    bounds_ = bounds;
    if (window_ != 0) {
        platform::Windows().SetBounds(window_, ToDevice(bounds_));
        if (auto_redraw && (InnerWidth() != old_w || InnerHeight() != old_h)) {
            image_.Resize(InnerWidth(), InnerHeight());
        }
    }
    if ((InnerWidth() != old_w || InnerHeight() != old_h) && OnResize) OnResize();
}

void Widget::Move(std::int32_t left, std::int32_t top, std::int32_t width, std::int32_t height) {
    SetBounds({left, top, left + width, top + height});
}

void Widget::SetVisible(bool visible) {
    visible_ = visible;
    if (window_ != 0) platform::Windows().ShowWindow(window_, visible);
    if (!has_window && parent_ != nullptr) parent_->Refresh();
}

platform::NativeWindow Widget::DrawingWindow() const {
    for (const Widget* w = this; w != nullptr; w = w->parent_) {
        if (w->window_ != 0) return w->window_;
    }
    return 0;
}

void Widget::CreateWindows(platform::NativeWindow parent_window) {
    platform::NativeWindow children_parent = parent_window;
    if (has_window && window_ == 0) {
        platform::WindowDesc desc;
        desc.kind = platform::WindowKind::Child;
        desc.parent = parent_window;
        desc.bounds = ToDevice(bounds_);
        desc.back_colour = back_colour;
        desc.gl_capable = gl_capable;
        desc.sunken_border = border == BorderStyle::Sunken;
        window_ = platform::Windows().MakeWindow(desc);
        Application::Get().Register(window_, this);
        if (visible_) platform::Windows().ShowWindow(window_, true);
        children_parent = window_;
    }
    image_ = gfx::Surface(auto_redraw ? InnerWidth() : 0, auto_redraw ? InnerHeight() : 0,
                          back_colour, Scale());
    for (Widget* child : children_) child->CreateWindows(children_parent);
    AfterCreate();
}

void Widget::DestroyWindows() {
    for (Widget* child : children_) child->DestroyWindows();
    if (window_ != 0) {
        Application::Get().Unregister(window_);
        platform::Windows().DestroyWindow(window_);
        window_ = 0;
    }
    presented_ = false;
}

void Widget::Cls() {
    image_.Clear();
    Application::Get().PostPaint(DrawingWindow());
}

void Widget::DrawBorder(gfx::Surface& frame) const {
    if (border != BorderStyle::Sunken) return;
    // The usual sunken 3D edge: dark grey and black outside at top/left, white and
    // light grey at bottom/right.
    const std::int32_t w = frame.width();
    const std::int32_t h = frame.height();
    frame.Line(0, 0, w - 1, 0, gfx::RGB(128, 128, 128));
    frame.Line(0, 0, 0, h - 1, gfx::RGB(128, 128, 128));
    frame.Line(1, 1, w - 2, 1, gfx::RGB(64, 64, 64));
    frame.Line(1, 1, 1, h - 2, gfx::RGB(64, 64, 64));
    frame.Line(0, h - 1, w, h - 1, gfx::RGB(255, 255, 255));
    frame.Line(w - 1, 0, w - 1, h, gfx::RGB(255, 255, 255));
    frame.Line(1, h - 2, w - 1, h - 2, gfx::RGB(212, 208, 200));
    frame.Line(w - 2, 1, w - 2, h - 1, gfx::RGB(212, 208, 200));
}

void Widget::Rescale() {
    if (window_ != 0) platform::Windows().SetBounds(window_, ToDevice(bounds_));
    image_.SetScale(Scale());
    frame_ = gfx::Surface();
    for (Widget* child : children_) child->Rescale();
    if (OnResize) OnResize();
    Refresh();
}

void Widget::Compose(gfx::Surface& frame) {
    if (frame.scale() != Scale()) frame.SetScale(Scale());
    if (frame.width() != Width() || frame.height() != Height()) frame.Resize(Width(), Height());
    const std::int32_t b = BorderWidth();
    if (auto_redraw && image_.width() > 0) {
        frame.BitBlt(b, b, image_.width(), image_.height(), image_, 0, 0, gfx::RasterOp::SrcCopy);
    } else {
        frame.set_back_colour(back_colour);
        frame.Clear();
    }
    DrawBorder(frame);
    for (Widget* child : children_) {
        if (!child->has_window && child->visible_) {
            child->PaintOver(frame, b + child->bounds_.left, b + child->bounds_.top);
        }
    }
}

void Widget::Refresh() {
    if (!has_window) {
        if (parent_ != nullptr) parent_->Refresh();
        return;
    }
    if (window_ == 0 || gl_capable) return;
    if (FilledBySystem()) {
        frame_ = gfx::Surface();
        if (presented_) platform::Windows().ShowBackColour(window_);
        presented_ = false;
        return;
    }
    Compose(frame_);
    platform::Windows().Present(window_, frame_.View(), {0, 0});
    presented_ = true;
}

bool Widget::FilledBySystem() const {
    bool own_drawing = auto_redraw || border != BorderStyle::None;
    for (const Widget* child : children_) {
        if (!child->visible_) continue;
        if (!child->has_window) {
            own_drawing = true;
        } else if (child->bounds_.left <= 0 && child->bounds_.top <= 0 &&
                   child->bounds_.right >= Width() && child->bounds_.bottom >= Height()) {
            return true;  // nothing of this window shows
        }
    }
    return !own_drawing;
}

std::size_t Widget::PixelBytes() const {
    const auto bytes = [](const gfx::Surface& s) {
        return static_cast<std::size_t>(s.width()) * static_cast<std::size_t>(s.height()) *
               sizeof(std::uint32_t);
    };
    return bytes(image_) + bytes(frame_);
}

void Widget::PaintOver(gfx::Surface& frame, std::int32_t x, std::int32_t y) {
    (void)frame, (void)x, (void)y;
}

Widget* Widget::WindowlessChildAt(std::int32_t x, std::int32_t y) {
    const std::int32_t b = BorderWidth();
    // Later children lie on top.
    for (auto it = children_.rbegin(); it != children_.rend(); ++it) {
        Widget* c = *it;
        if (c->has_window || !c->visible_) continue;
        const auto& r = c->bounds_;
        if (x >= b + r.left && x < b + r.right && y >= b + r.top && y < b + r.bottom) return c;
    }
    return nullptr;
}

void Widget::DispatchMouse(const Event& event) {
    const auto fx = static_cast<float>(event.x);
    const auto fy = static_cast<float>(event.y);
    auto local = [&](Widget* w, const MouseHandler& handler) {
        if (!handler) return;
        if (w == this) {
            handler(event.button, event.shift, fx, fy);
        } else {
            const std::int32_t b = BorderWidth();
            handler(event.button, event.shift, fx - static_cast<float>(b + w->bounds_.left),
                    fy - static_cast<float>(b + w->bounds_.top));
        }
    };
    switch (event.type) {
        case EventType::ButtonDown: {
            Widget* child = WindowlessChildAt(event.x, event.y);
            pressed_child_ = child;
            pressed_ = child != nullptr ? child : this;
            // Only the left button takes the focus.
            if (tab_stop && enabled_ && event.button == 1) {
                if (Form* form = OwnerForm()) form->SetFocusTo(this);
            }
            local(pressed_, pressed_->OnMouseDown);
            break;
        }
        case EventType::Motion: {
            Widget* child =
                pressed_child_ != nullptr ? pressed_child_ : WindowlessChildAt(event.x, event.y);
            Widget* target = child != nullptr ? child : this;
            local(target, target->OnMouseMove);
            break;
        }
        case EventType::ButtonUp: {
            Widget* target = pressed_child_ != nullptr ? pressed_child_ : this;
            Widget* pressed = pressed_;
            pressed_child_ = nullptr;
            pressed_ = nullptr;
            local(target, target->OnMouseUp);
            // A click is a press and a release over the same widget.
            const bool inside = Contains(event.x, event.y);
            Widget* over = WindowlessChildAt(event.x, event.y);
            if (!inside)
                over = nullptr;
            else if (over == nullptr)
                over = this;
            if (pressed != nullptr && pressed == over && pressed->OnClick) pressed->OnClick();
            break;
        }
        default:
            break;
    }
}

void Widget::OnEvent(const Event& event) {
    const double s = Scale();
    if (s == 1.0) {
        HandleEvent(event);
        return;
    }
    Event layout = event;
    switch (event.type) {
        case EventType::ButtonDown:
        case EventType::ButtonUp:
        case EventType::Motion:
            // The layout pixel the device pixel lies in.
            layout.x = rt::RoundToI32(std::floor(event.x / s));
            layout.y = rt::RoundToI32(std::floor(event.y / s));
            break;
        case EventType::Resized:
            layout.x = rt::RoundToI32(event.x / s);
            layout.y = rt::RoundToI32(event.y / s);
            break;
        default:
            break;
    }
    HandleEvent(layout);
}

void Widget::HandleEvent(const Event& event) {
    switch (event.type) {
        case EventType::ButtonDown:
        case EventType::ButtonUp:
        case EventType::Motion:
            DispatchMouse(event);
            break;
        case EventType::Paint:
            Refresh();
            break;
        case EventType::GotFocus:
        case EventType::LostFocus:
        case EventType::KeyDown:
        case EventType::Deactivated:
        case EventType::DisplayChanged:
            // Keys, focus and the desktop are the form's business; a child passes them up.
            if (Form* form = OwnerForm(); form != nullptr && form != this) form->OnEvent(event);
            break;
        default:
            break;
    }
}

}  // namespace tivaro::forms
