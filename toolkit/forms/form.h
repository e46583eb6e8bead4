// A form: a top-level window with its controls. One program-wide instance per form,
// created on first use. Loading runs Form_Load; a modal show returns when the form is
// unloaded; unloading runs Form_QueryUnload, then Form_Unload, then destroys the window.
#pragma once

#include <cstdint>
#include <string>

#include "toolkit/forms/widget.h"

namespace tivaro::forms {

enum class UnloadMode : std::int16_t { FormControlMenu = 0, FormCode = 1, AppWindows = 2 };

class Form : public Widget {
public:
    Form(std::string name, platform::WindowKind kind, std::string caption);
    ~Form() override;

    const std::string& Caption() const { return caption_; }

    // The window's icon, set at design time; given to the window when it is made.
    gfx::Surface icon;
    platform::WindowKind Kind() const { return kind_; }

    void Load();
    void Show();       // modeless: returns at once
    void ShowModal();  // returns when the form has been unloaded
    void Unload(UnloadMode mode = UnloadMode::FormCode);
    bool IsLoaded() const { return loaded_; }

    // Design time: the form is laid out in layout pixels (1/96 inch) and drawn at its
    // monitor's scale, rather than in the screen's device pixels.
    void SetScalesWithDisplay(bool scales) { scales_ = scales; }
    // Lays the form out again for a display scale (its monitor's DPI): the same layout,
    // drawn at the new scale, its client area resized to match.
    void SetDpi(std::int32_t dpi);

    // Outer size and position in twips, as the runtime's Left/Top/Width/Height.
    void MoveTwips(double left, double top, double width, double height);
    void SetWidthTwips(double width);
    void SetHeightTwips(double height);
    double WidthTwips() const;
    double HeightTwips() const;
    // Pixels between the outer size and the client area (caption bar and frame).
    platform::Point NonClientSize() const;

    // The widget that has the keyboard focus (0 when none).
    Widget* FocusedWidget() const { return focused_; }
    void SetFocusTo(Widget* widget);
    void FocusNext();

    void HandleEvent(const platform::Event& event) override;

protected:
    virtual void Form_Load() {}
    virtual void Form_QueryUnload(std::int16_t& cancel, std::int16_t unload_mode) {
        (void)cancel, (void)unload_mode;
    }
    virtual void Form_Unload(std::int16_t& cancel) { (void)cancel; }
    virtual void Form_Resize() {}
    virtual void Form_KeyDown(std::int16_t key, std::int16_t shift) { (void)key, (void)shift; }
    // Another program came to the foreground.
    virtual void Form_Deactivate() {}
    // The monitors changed.
    virtual void Form_DisplayChange() {}
    // A form that scales now shows at another DPI (its controls already rescaled).
    virtual void Form_DpiChange() {}

private:
    void SetOuterPixels(std::int32_t left, std::int32_t top, std::int32_t width,
                        std::int32_t height);
    void CollectTabStops(Widget* widget, std::vector<Widget*>& out);
    void FinishUnload();

    platform::WindowKind kind_;
    std::string caption_;
    bool loaded_ = false;
    bool unloading_ = false;
    Widget* focused_ = nullptr;
    platform::Point outer_pos_{};
};

}  // namespace tivaro::forms
