// A window system with no screen: the program's windows are records, and what is presented
// in a window is kept as that window's picture. One window of another program is given, the
// pane, of a set size in device pixels and at a set display scale; PanePicture shows it as a
// screen would, black where nothing of ours lies. It gives no GL and no input: for drawing
// a form's 2D picture into a file.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string_view>
#include <vector>

#include "platform/backend.h"

namespace tivaro::platform::picture {

// 0x00RRGGBB pixels, rows top to bottom.
struct Picture {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::vector<std::uint32_t> pixels;
};

class PictureBackend final : public Backend, public WindowSystem {
public:
    // The pane is `size` device pixels at `dpi` (96 is 100 %).
    PictureBackend(Point size, std::int32_t dpi);

    NativeWindow Pane() const { return kPane; }
    // The pane with the windows shown inside it, each at its place.
    Picture PanePicture() const;

    WindowSystem& Windows() override { return *this; }
    void PollEvents(std::vector<Event>& /*out*/) override {}
    void WaitEvents(std::int32_t /*timeout_ms*/) override {}
    std::vector<Output> Outputs() override;
    CoverAnswer Cover(const CoverRequest& request) override;
    void Uncover() override {}
    void ShowCursor(bool /*show*/) override {}
    int ChoosePixelFormat(NativeWindow /*window*/) override { return 0; }
    GlContext CreateContext(NativeWindow window) override;
    void MakeCurrent(NativeWindow /*window*/, GlContext /*context*/) override {}
    void DeleteContext(GlContext /*context*/) override {}
    void SwapBuffers(NativeWindow /*window*/) override {}
    void OpenAddress(std::string_view /*address*/) override {}

    NativeWindow MakeWindow(const WindowDesc& desc) override;
    void DestroyWindow(NativeWindow window) override;
    void ShowWindow(NativeWindow window, bool visible) override;
    void SetBounds(NativeWindow window, const Rect& bounds) override;
    void SetCaption(NativeWindow /*window*/, std::string_view /*caption*/) override {}
    void SetParent(NativeWindow window, NativeWindow parent) override;
    std::optional<Rect> GetWindowRect(NativeWindow window) override;
    bool IsWindow(NativeWindow window) override;
    NativeWindow FindWindowByCaption(std::string_view /*caption*/) override { return 0; }
    void SetFocus(NativeWindow /*window*/) override {}
    void SetPointer(NativeWindow /*window*/, Pointer /*pointer*/) override {}
    std::int32_t Dpi(NativeWindow /*window*/) override { return dpi_; }
    Point CursorPos() override { return {}; }
    NativeWindow WindowFromPoint(Point /*screen*/) override { return 0; }
    void Present(NativeWindow window, const PixelView& image, Point at) override;
    void ShowBackColour(NativeWindow window) override;

private:
    static constexpr NativeWindow kPane = 1;

    struct Window {
        NativeWindow parent = 0;
        Rect bounds;  // device pixels, in the parent
        bool visible = false;
        std::uint32_t back_colour = 0;  // the runtime's colour value
        Picture shown;                  // what was presented, from the window's corner
    };

    void Draw(NativeWindow window, Point origin, Picture& into, int depth) const;

    Point size_;
    std::int32_t dpi_;
    std::map<NativeWindow, Window> windows_;
    NativeWindow next_id_ = kPane + 1;
};

}  // namespace tivaro::platform::picture
