// The X11 backend: Xlib windows, GLX contexts, XPutImage/XShm presentation.
// All its state lives in this one object; nothing else in the program includes Xlib.
#pragma once

// Our own headers first: Xlib defines macros (None, FocusIn, Expose...) that must not
// reach them.
#include "platform/backend.h"
#include "platform/posix/instance_marker.h"

#include <GL/glx.h>
#include <X11/Xlib.h>

#include <chrono>
#include <memory>
#include <unordered_map>
#include <vector>

#include "platform/x11/x11_pixel_format.h"

struct xcb_connection_t;

namespace tivaro::platform::x11 {

// X errors so far: a request that failed is seen as a change of this count after XSync.
int XErrorCount();

class X11Backend final : public Backend, public WindowSystem {
public:
    WindowSystem& Windows() override { return *this; }
    // Opens the display named by DISPLAY; raises a RuntimeError with a clear message when
    // there is none or it cannot be reached.
    X11Backend();
    ~X11Backend() override;

    NativeWindow MakeWindow(const WindowDesc& desc) override;
    void DestroyWindow(NativeWindow window) override;
    void ShowWindow(NativeWindow window, bool visible) override;
    void SetBounds(NativeWindow window, const Rect& bounds) override;
    void SetCaption(NativeWindow window, std::string_view caption) override;
    void SetParent(NativeWindow window, NativeWindow parent) override;
    std::optional<Rect> GetWindowRect(NativeWindow window) override;
    void WatchWindow(NativeWindow window) override;
    void SetIcon(NativeWindow window, const PixelView& icon) override;
    bool IsWindow(NativeWindow window) override;
    NativeWindow FindWindowByCaption(std::string_view caption) override;
    void SetFocus(NativeWindow window) override;
    void SetPointer(NativeWindow window, Pointer pointer) override;

    void PollEvents(std::vector<Event>& out) override;
    void WaitEvents(std::int32_t timeout_ms) override;

    Point ScreenSize() override;
    std::vector<Rect> Monitors() override;
    void ClaimInput() override;
    void OwnInput(NativeWindow window) override;
    // Xft.dpi from the resource manager string, as desktops publish their scale; 96 without
    // it. One scale for the whole display.
    std::int32_t Dpi(NativeWindow window) override;
    Point CursorPos() override;
    NativeWindow WindowFromPoint(Point screen) override;
    void ShowCursor(bool show) override;
    void SetScreenSaverRunning(bool running) override;

    int ChoosePixelFormat(NativeWindow window) override;
    void SetPixelFormat(NativeWindow window, int format) override;
    GlContext CreateContext(NativeWindow window) override;
    void MakeCurrent(NativeWindow window, GlContext context) override;
    void DeleteContext(GlContext context) override;
    void SwapBuffers(NativeWindow window) override;

    void Present(NativeWindow window, const PixelView& image, Point at) override;
    void ShowBackColour(NativeWindow window) override;
    void OpenAddress(std::string_view address) override;

    Display* display() const { return display_; }
    // The screen's root window: where a host that names no window wants us to draw.
    NativeWindow RootWindowId() const { return root_; }

private:
    struct WindowInfo {
        WindowKind kind = WindowKind::Child;
        std::int32_t width = 0;
        std::int32_t height = 0;
        bool gl = false;
        bool mapped_once = false;
        const PixelFormat* format = nullptr;  // of its visual
        bool shown = false;
        bool unmanaged = false;  // override-redirect: no window manager places it
    };
    bool FitsOneMonitor(const WindowInfo& info);
    void SetPlacement(Window w, WindowInfo& info, bool unmanaged);
    void Replace(Window w, WindowInfo& info, const Rect& bounds);

    void Translate(const XEvent& xe, std::vector<Event>& out);
    // Input owned by the saver (x11_input.cpp).
    void TryGrab();
    bool RetargetToOwner(const XEvent& xe, Event& e);
    bool IsDisplayChange(const XEvent& xe);
    void ReleaseInput();
    // The pixel formats of windows (ours from their creation, others' asked once).
    const PixelFormat& FormatOf(Window window);
    const PixelFormat& FormatFor(Visual* visual, int depth, Colormap colormap);
    // A graphics context for drawables of `window`'s depth.
    GC GcFor(Window window, int depth);
    std::string CaptionOf(Window window);
    NativeWindow Search(Window window, std::string_view caption, int depth);
    Cursor CursorFor(Pointer pointer);
    Cursor StoredHandCursor();
    static constexpr unsigned kHandHotX = 12;  // the fingertip
    static constexpr unsigned kHandHotY = 1;
    void ApplyCursor(Window window);
    void SetSwapInterval(GLXDrawable drawable);
    GLXFBConfig FrameBufferConfig();
    bool HasGlxExtension(const char* name);
    void CheckAnswer();

    Display* display_ = nullptr;
    xcb_connection_t* xcb_ = nullptr;  // the same connection, as the GL library sees it
    int screen_ = 0;
    Window root_ = 0;
    Atom wm_protocols_ = 0;
    Atom wm_delete_window_ = 0;
    Atom net_wm_name_ = 0;
    Atom utf8_string_ = 0;
    Atom net_wm_state_ = 0;
    Atom net_wm_state_fullscreen_ = 0;
    Atom motif_wm_hints_ = 0;
    Atom net_wm_icon_ = 0;
    std::unordered_map<Window, WindowInfo> windows_;
    std::unordered_map<Window, WindowInfo> watched_;  // other programs' windows
    posix::InstanceMarkers markers_;                  // our captioned top-level windows
    Window input_owner_ = 0;      // the saver's window that takes every key and click
    bool input_claimed_ = false;  // the saver's: grabbed, or asked for until it is
    bool keyboard_grabbed_ = false;
    bool pointer_grabbed_ = false;
    bool grab_reported_ = false;  // said once that another program holds them
    std::chrono::steady_clock::time_point grab_patience_end_{};
    std::chrono::steady_clock::time_point next_grab_try_{};
    std::vector<XEvent> early_input_;  // keys and clicks before the saver's window was named
    int randr_event_base_ = -1;        // -1: RandR changes are not watched
    std::unordered_map<GlContext, GLXContext> contexts_;
    GlContext next_context_ = 1;
    bool fb_config_chosen_ = false;
    GLXFBConfig fb_config_ = nullptr;
    XVisualInfo* gl_visual_ = nullptr;
    Colormap gl_colormap_ = 0;
    bool swap_interval_done_ = false;
    bool cursor_hidden_ = false;
    Cursor blank_cursor_ = 0;
    Cursor hand_cursor_ = 0;
    std::unordered_map<int, Cursor> cursors_;
    std::unordered_map<int, GC> gcs_;  // by depth
    std::vector<std::unique_ptr<PixelFormat>> formats_;
    // Presenting through MIT-SHM: one shared segment, grown as needed, reused once the
    // server has finished with the last put.
    bool PresentShared(Window window, const PixelView& image, Point at);
    void ReleaseShared();
    enum class Shm : std::uint8_t { Untried, Usable, Unusable };
    Shm shm_ = Shm::Untried;
    XImage* shm_image_ = nullptr;
    void* shm_info_ = nullptr;  // XShmSegmentInfo, kept out of this header
    bool shm_pending_ = false;  // a put the server may not have finished
};

}  // namespace tivaro::platform::x11
