// Forms, picture boxes, labels and user controls share one base: a rectangle inside its
// parent, optionally with a native window of its own, a back colour, an optional
// persistent image (drawing goes there and the window repaints from it), and handlers
// named like the runtime's events. Windowless widgets (labels) are painted over their
// parent's image when it is shown and get their mouse events from the parent. A window
// with nothing of its own to draw (a plain back colour, or a child window over all of it)
// is filled by the window system and holds no pixels here.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/backend.h"
#include "toolkit/forms/application.h"
#include "toolkit/surface/surface.h"
#include "toolkit/text/font.h"

namespace tivaro::forms {

class Form;

using MouseHandler = std::function<void(std::int16_t button, std::int16_t shift, float x, float y)>;

enum class BorderStyle : std::uint8_t { None, Sunken };

class Widget : public EventTarget {
public:
    Widget(Widget* parent, std::string name);
    ~Widget() override;
    Widget(const Widget&) = delete;
    Widget& operator=(const Widget&) = delete;

    const std::string& Name() const { return name_; }
    Widget* Parent() const { return parent_; }
    Form* OwnerForm();
    const std::vector<Widget*>& Children() const { return children_; }

    // Design-time settings (set before the window exists).
    bool has_window = true;
    bool tab_stop = false;
    bool auto_redraw = false;  // keeps a persistent image of the inner area
    BorderStyle border = BorderStyle::None;
    gfx::Colour back_colour = 0;
    bool gl_capable = false;
    // The font this widget offers the user controls it contains (their ambient font).
    // None means the font a new form offers its controls (text::DefaultUiFont).
    std::shared_ptr<const text::FontDesc> ambient_font;

    // The display scale the widget is drawn at: its form's DPI (96 is 100 %), the device
    // pixels per layout pixel (1 for a form that lays itself out in device pixels), and
    // the twips per layout pixel, a real number (15 on a form that scales, 1440 / DPI on
    // one that does not). Every twips conversion of a widget uses the last.
    std::int32_t Dpi() const;
    double Scale() const;
    double TwipsPerPixelX() const;
    double TwipsPerPixelY() const { return TwipsPerPixelX(); }
    // A rectangle of layout pixels in device pixels: its corner rounded, its size rounded.
    platform::Rect ToDevice(const platform::Rect& layout) const;

    // Geometry in layout pixels, relative to the parent's inner area.
    const platform::Rect& Bounds() const { return bounds_; }
    void SetBounds(const platform::Rect& bounds);
    void Move(std::int32_t left, std::int32_t top, std::int32_t width, std::int32_t height);
    std::int32_t Width() const { return bounds_.right - bounds_.left; }
    std::int32_t Height() const { return bounds_.bottom - bounds_.top; }
    std::int32_t BorderWidth() const { return border == BorderStyle::Sunken ? 2 : 0; }
    // Whether a point in the widget's own coordinates lies on it.
    bool Contains(std::int32_t x, std::int32_t y) const {
        return x >= 0 && y >= 0 && x < Width() && y < Height();
    }
    // The inner (scale) area in pixels: the size less the border.
    std::int32_t InnerWidth() const;
    std::int32_t InnerHeight() const;

    bool Visible() const { return visible_; }
    void SetVisible(bool visible);
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool enabled) { enabled_ = enabled; }

    // The native window (0 for windowless widgets and before creation).
    platform::NativeWindow hWnd() const { return window_; }
    // The nearest window that draws this widget: its own or an ancestor's.
    platform::NativeWindow DrawingWindow() const;

    // The persistent image (auto_redraw widgets); created with the window.
    gfx::Surface& Image() { return image_; }
    // Clears the persistent image to the back colour.
    void Cls();
    // Shows the persistent image and the windowless children over it.
    void Refresh();
    // True when the window shows nothing that is drawn here: only its back colour (no
    // persistent image, no border, no windowless control over it), or nothing at all
    // because a child window covers it (the saver's GL view). The system fills such a
    // window, and no frame is made or presented for it.
    bool FilledBySystem() const;
    // The memory the widget's 2D pixels take, in bytes: its persistent image and the
    // frame it presents.
    std::size_t PixelBytes() const;

    // Event handlers, wired by the owner (`Display_Click`, `LblMsg_MouseDown`, ...).
    std::function<void()> OnClick;
    MouseHandler OnMouseDown;
    MouseHandler OnMouseMove;
    MouseHandler OnMouseUp;
    std::function<void()> OnGotFocus;
    std::function<void()> OnLostFocus;
    std::function<void(std::int16_t key, std::int16_t shift)> OnKeyDown;
    std::function<void()> OnResize;

    // Creates the native windows of this widget and its children (parent window given).
    void CreateWindows(platform::NativeWindow parent_window);
    void DestroyWindows();

    // Takes a native event (device pixels) and handles it in layout pixels.
    void OnEvent(const platform::Event& event) final;
    // The event in layout pixels: pointer positions and sizes divided by the scale.
    virtual void HandleEvent(const platform::Event& event);

    // Windowless widgets draw themselves into the frame being shown; (x, y) is their
    // top-left corner in that frame.
    virtual void PaintOver(gfx::Surface& frame, std::int32_t x, std::int32_t y);

protected:
    virtual void AfterCreate() {}
    // Draws the widget and its children anew at a new display scale: images and windows
    // take the new device size, and each widget that redraws on a resize does so.
    void Rescale();
    void DispatchMouse(const platform::Event& event);
    Widget* WindowlessChildAt(std::int32_t x, std::int32_t y);
    void Compose(gfx::Surface& frame);
    void DrawBorder(gfx::Surface& frame) const;

    Widget* parent_;
    std::string name_;
    std::vector<Widget*> children_;
    platform::Rect bounds_;
    platform::NativeWindow window_ = 0;
    std::int32_t dpi_ = 0;  // a form's display scale; 0: the primary monitor's
    bool scales_ = false;   // a form that lays itself out in layout pixels
    bool visible_ = true;
    bool enabled_ = true;
    gfx::Surface image_;
    gfx::Surface frame_;               // scratch: what is presented (image + border + labels)
    bool presented_ = false;           // frame_ was presented in the window
    Widget* pressed_child_ = nullptr;  // a windowless child that got the button press
    Widget* pressed_ = nullptr;        // the widget a click would go to
};

}  // namespace tivaro::forms
