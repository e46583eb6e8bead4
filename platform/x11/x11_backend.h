// The X11 backend: Xlib windows, GLX contexts, XPutImage/XShm presentation.
// All its state lives in this one object; nothing else in the program includes Xlib.
// Its parts, one file each:
//   x11_display.cpp        the connection, its atoms and the event loop
//   x11_errors.cpp         X errors: trapped around the requests that may fail, else reported
//   x11_lost_server.cpp    the program's end when the server goes away
//   x11_events.cpp         X events turned into Event records
//   x11_window.cpp         our windows: made, shown, placed, named
//   x11_foreign.cpp        other programs' windows: found, measured, watched
//   x11_cursor.cpp         pointer shapes and the hidden pointer
//   x11_blank_cursor.cpp   the hidden pointer's cursor, made with core requests only
//   x11_monitor.cpp        the outputs (RandR, Xinerama)
//   x11_cover.cpp          the saver's cover of the outputs and its placement
//   x11_grab.cpp           the saver's hold on the keyboard and the pointer
//   x11_gl.cpp             GLX
//   x11_offscreen.cpp      GL in a window that lies inside another program's window
//   x11_present.cpp        pixel images shown in windows
//   x11_pixel_format.cpp   how a visual stores a colour, and images filled in its terms
//   x11_display_power.cpp  whether the monitors are lit (DPMS)
#pragma once

// Our own headers first: Xlib defines macros (None, FocusIn, Expose...) that must not
// reach them.
#include "platform/backend.h"
#include "platform/context_table.h"
#include "platform/input/input.h"
#include "platform/posix/instance_marker.h"

#include <GL/glx.h>
#include <X11/Xlib.h>

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "platform/x11/x11_display_power.h"
#include "platform/x11/x11_pixel_format.h"

struct xcb_connection_t;

namespace tivaro::platform::x11 {

class X11Backend final : public Backend, public WindowSystem {
public:
    // Opens the display named by DISPLAY; raises a RuntimeError with a clear message when
    // there is none or it cannot be reached. With `take_input_now` (the saver that will cover
    // the screen), the keyboard and the pointer are held from the moment the display opens:
    // keys and clicks that come before the cover are kept for it (see TakeInput).
    explicit X11Backend(bool take_input_now = false);
    ~X11Backend() override;
    X11Backend(const X11Backend&) = delete;
    X11Backend& operator=(const X11Backend&) = delete;
    // Closes the connection when the program ends (see CloseAtEnd).
    static void CloseAtEnd();

    WindowSystem& Windows() override { return *this; }

    // ---- WindowSystem
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
    // Xft.dpi from the resource manager string, as desktops publish their scale; 96 without
    // it. One scale for the whole display.
    std::int32_t Dpi(NativeWindow window) override;
    Point CursorPos() override;
    NativeWindow WindowFromPoint(Point screen) override;
    void Present(NativeWindow window, const PixelView& image, Point at) override;
    void ShowBackColour(NativeWindow window) override;

    // ---- Backend
    void PollEvents(std::vector<Event>& out) override;
    void WaitEvents(std::int32_t timeout_ms) override;
    // RandR 1.5 monitors, the primary first, else Xinerama's heads, else the screen; in
    // screen pixels, at scale 1.
    std::vector<Output> Outputs() override;
    CoverAnswer Cover(const CoverRequest& request) override;
    void Uncover() override;
    void LetLockerIn(bool let) override;
    void ShowCursor(bool show) override;
    int ChoosePixelFormat(NativeWindow window) override;
    GlContext CreateContext(NativeWindow window) override;
    void MakeCurrent(NativeWindow window, GlContext context) override;
    void DeleteContext(GlContext context) override;
    void SwapBuffers(NativeWindow window) override;
    void OpenAddress(std::string_view address) override;
    // No frame while the monitors are off (DPMS).
    bool ReadyForFrame(NativeWindow surface) override;

    Display* display() const { return display_; }
    // The screen's root window: where a host that names no window wants us to draw.
    NativeWindow RootWindowId() const { return root_; }

private:
    struct WindowInfo {
        WindowKind kind = WindowKind::Child;
        Window parent = 0;  // as we made or placed it (a window manager's frame is not seen)
        std::int32_t width = 0;
        std::int32_t height = 0;
        bool gl = false;
        bool mapped_once = false;
        const PixelFormat* format = nullptr;  // of its visual
        bool shown = false;
    };
    // The saver's window over the outputs, as the last Cover placed it.
    struct CoverRecord {
        Window window = 0;  // 0: no cover
        Rect bounds;        // screen pixels
        // Over several monitors no window manager places it (override-redirect); on one it
        // is a full-screen window the window manager keeps above the others.
        bool spanning = false;
        // How it was placed when last mapped (by ShowWindow or a refit); nothing before.
        std::optional<bool> mapped_spanning;
    };
    // The keyboard and the pointer, held for the saver (x11_grab.cpp). Of the pointer only
    // its clicks are wanted.
    static constexpr unsigned kGrabbedPointerEvents = ButtonPressMask | ButtonReleaseMask;
    struct GrabState {
        bool wanted = false;  // held, or asked for again until it is
        bool keyboard = false;
        bool pointer = false;
        bool reported = false;  // said once that another program holds them
        std::chrono::steady_clock::time_point patience_end{};
        std::chrono::steady_clock::time_point next_try{};
    };

    // x11_display.cpp
    void InternAtoms();
    // x11_events.cpp
    void Translate(const XEvent& xe, std::vector<Event>& out);
    void DeliverKey(const XKeyEvent& xe, std::vector<Event>& out);
    void DeliverButton(const XButtonEvent& xe, std::vector<Event>& out);
    bool IsCloseRequest(const XClientMessageEvent& xe) const;
    void FocusOnFirstMap(Window window);
    void NoteResize(const XConfigureEvent& xe, std::vector<Event>& out);
    void NoteDestroyed(const XDestroyWindowEvent& xe, std::vector<Event>& out);
    // x11_window.cpp
    void SetTopLevelHints(Window window, const WindowDesc& desc, int width, int height);
    // x11_foreign.cpp
    std::string CaptionOf(Window window);
    NativeWindow Search(Window window, std::string_view caption, int depth);
    // x11_cover.cpp
    void Place(Window window);
    void Replace(Window window);
    void WaitForParent(Window window, Window parent);
    void WaitUntilViewable(Window window);
    // x11_grab.cpp
    void HoldInput();
    void TakeInput(NativeWindow owner);
    void WatchOutputs();
    bool KeepForOwner(const XEvent& xe);
    void DeliverHeldInput(std::vector<Event>& out);
    void TryGrab();
    void ReportGrabRefused();
    bool IsDisplayChange(const XEvent& xe);
    void ReleaseInput();
    // x11_cursor.cpp
    Cursor CursorFor(Pointer pointer);
    Cursor StoredHandCursor();
    void ApplyCursor(Window window);
    // x11_present.cpp: the pixel formats of windows (ours from their creation, others'
    // asked once), and a graphics context for drawables of a depth.
    const PixelFormat& FormatOf(Window window);
    const PixelFormat& FormatFor(Visual* visual, int depth, Colormap colormap);
    GC GcFor(int depth);
    bool PresentShared(Window window, const PixelView& image, Point at);
    void ReleaseShared();
    void Close();
    // A pixmap GL draws a window's frames in, copied to the window when each is done
    // (x11_offscreen.cpp).
    struct Offscreen {
        Pixmap pixmap = 0;
        GLXPixmap drawable = 0;
        std::int32_t width = 0;
        std::int32_t height = 0;
    };

    // x11_gl.cpp
    void SetSwapInterval(GLXDrawable drawable);
    std::vector<GLXFBConfig> Configs(int drawable_bit, bool double_buffered);
    GLXFBConfig FrameBufferConfig();
    bool HasGlxExtension(const char* name);
    void CheckAnswer();
    // x11_offscreen.cpp
    bool InForeignWindow(Window window) const;
    GLXFBConfig PixmapConfig();
    void DrawOffscreen(Window window, GLXContext context);
    bool ShowOffscreen(Window window);
    void FitOffscreen(Window window);
    void DropOffscreen(Window window);
    Offscreen MakeOffscreen(std::int32_t width, std::int32_t height);
    void FreeOffscreen(const Offscreen& offscreen);

    // x11_display.cpp: whether DPMS has the monitors on; nothing without DPMS.
    std::optional<bool> MonitorsLit();

    // The connection.
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

    // Windows.
    std::unordered_map<Window, WindowInfo> windows_;
    std::unordered_map<Window, WindowInfo> watched_;  // other programs' windows
    posix::InstanceMarkers markers_;                  // our captioned top-level windows

    // The saver's cover and its input.
    CoverRecord cover_;
    GrabState grab_;
    InputFunnel funnel_;
    std::vector<XEvent> held_input_;  // keys and clicks that came before their owner
    bool watching_outputs_ = false;
    long root_events_added_ = 0;  // what the cover added to our event mask on the root
    int randr_event_base_ = -1;   // -1: RandR changes are not watched

    // GL.
    ContextTable<GLXContext> contexts_;
    bool fb_config_chosen_ = false;
    GLXFBConfig fb_config_ = nullptr;
    XVisualInfo* gl_visual_ = nullptr;
    Colormap gl_colormap_ = 0;
    bool swap_interval_done_ = false;
    // GL in windows inside other programs' windows: the configuration and contexts that
    // draw in pixmaps, and each such window's pixmap.
    bool pixmap_config_chosen_ = false;
    GLXFBConfig pixmap_config_ = nullptr;
    std::unordered_set<GLXContext> offscreen_contexts_;
    std::unordered_map<Window, Offscreen> offscreens_;
    GC copy_gc_ = nullptr;  // copies frames without asking for exposure events

    DisplayPower power_{[this] { return MonitorsLit(); }};

    // Cursors.
    bool cursor_hidden_ = false;
    Cursor blank_cursor_ = 0;
    Cursor hand_cursor_ = 0;
    std::unordered_map<int, Cursor> cursors_;

    // Presenting, through MIT-SHM where it can: one shared segment, grown as needed, reused
    // once the server has finished with the last put.
    std::unordered_map<int, GC> gcs_;  // by depth
    std::vector<std::unique_ptr<PixelFormat>> formats_;
    enum class Shm : std::uint8_t { Untried, Usable, Unusable };
    Shm shm_ = Shm::Untried;
    XImage* shm_image_ = nullptr;
    void* shm_info_ = nullptr;  // XShmSegmentInfo, kept out of this header
    bool shm_pending_ = false;  // a put the server may not have finished
};

}  // namespace tivaro::platform::x11
