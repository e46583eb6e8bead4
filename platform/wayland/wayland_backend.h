// The Wayland backend: libwayland-client, EGL with desktop OpenGL, and a surface per output.
// A Wayland window cannot span outputs, and a client places no windows of its own, so the
// program's windows are records (posix::RecordWindows); what shows on the screen is the
// saver's cover: a layer-shell surface per output where the compositor offers layer-shell,
// else a fullscreen xdg-shell toplevel per output. All its state lives in this one object;
// nothing else in the program includes a Wayland header.
#pragma once

#include "platform/backend.h"
#include "platform/context_table.h"
#include "platform/input/input.h"
#include "platform/posix/record_windows.h"

#include <EGL/egl.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

struct wl_display;
struct wl_registry;
struct wl_compositor;
struct wl_shm;
struct wl_seat;
struct wl_keyboard;
struct wl_pointer;
struct wl_output;
struct wl_surface;
struct wl_callback;
struct wl_buffer;
struct wl_egl_window;
struct wl_cursor_theme;
struct xdg_wm_base;
struct xdg_surface;
struct xdg_toplevel;
struct zxdg_output_manager_v1;
struct zxdg_output_v1;
struct zwlr_layer_shell_v1;
struct zwlr_layer_surface_v1;
struct wp_viewporter;
struct wp_viewport;
struct wp_fractional_scale_manager_v1;
struct wp_fractional_scale_v1;

namespace tivaro::platform::wayland {

class WaylandBackend final : public Backend {
public:
    // Connects to the compositor that WAYLAND_SOCKET or WAYLAND_DISPLAY names, and checks
    // that it offers a shell and that EGL gives desktop OpenGL; raises a RuntimeError with a
    // clear message otherwise. `want_layer_shell` false takes xdg-shell even where
    // layer-shell is offered.
    explicit WaylandBackend(bool want_layer_shell = true);
    ~WaylandBackend() override;
    WaylandBackend(const WaylandBackend&) = delete;
    WaylandBackend& operator=(const WaylandBackend&) = delete;

    // Whether a compositor answers at the socket the environment names (no globals needed).
    static bool CompositorAnswers();
    // Whether the surfaces are layer-shell surfaces (else fullscreen xdg-shell toplevels).
    bool HasLayerShell() const { return layer_shell_ != nullptr; }

    WindowSystem& Windows() override { return records_; }

    void PollEvents(std::vector<Event>& out) override;
    void WaitEvents(std::int32_t timeout_ms) override;

    // Wayland names no primary output: the one at the layout's origin stands for it.
    std::vector<platform::Output> Outputs() override;
    CoverAnswer Cover(const CoverRequest& request) override;
    void Uncover() override;
    bool ReadyForFrame(NativeWindow surface) override;
    void EndingAfterThisFrame() override;
    void SleepUntil(std::chrono::steady_clock::time_point when) override;
    void ShowCursor(bool show) override;

    int ChoosePixelFormat(NativeWindow window) override;
    GlContext CreateContext(NativeWindow window) override;
    void MakeCurrent(NativeWindow window, GlContext context) override;
    void DeleteContext(GlContext context) override;
    void SwapBuffers(NativeWindow window) override;

    void OpenAddress(std::string_view address) override;

    // Protocol callbacks (wayland_registry.cpp, wayland_outputs.cpp, wayland_cover.cpp,
    // wayland_egl.cpp, wayland_input.cpp).
    struct OutputState;
    struct Surface;
    void OnGlobal(wl_registry* registry, std::uint32_t name, const char* interface,
                  std::uint32_t version);
    void OnGlobalRemove(std::uint32_t name);
    void OnOutputDone(OutputState& output);
    void OnConfigure(Surface& surface, std::int32_t width, std::int32_t height);
    void OnSurfaceClosed(Surface& surface);
    void OnFrameDone(Surface& surface);
    void OnSeatCapabilities(std::uint32_t capabilities);
    void OnKeyboardEnter(wl_surface* surface);
    void OnKeyboardLeave(wl_surface* surface);
    void OnKey(std::uint32_t key, bool pressed);
    void OnPointerEnter(std::uint32_t serial, wl_surface* surface, double x, double y);
    void OnPointerMotion(double x, double y);
    void OnPointerButton(std::uint32_t button, bool pressed);
    void OnCloseRequest();

    struct OutputState {
        WaylandBackend* backend = nullptr;
        std::uint32_t name = 0;  // the registry's name for it
        wl_output* output = nullptr;
        zxdg_output_v1* xdg_output = nullptr;
        Point position;              // wl_output's place for it in the layout
        std::int32_t transform = 0;  // wl_output's: odd ones turn it a quarter
        Rect xdg_logical;            // xdg-output's logical place and size
        bool xdg_logical_known = false;
        Point mode;              // the current mode, device pixels
        std::int32_t scale = 1;  // wl_output's whole-number scale
        bool done = false;       // its first description is complete
    };
    struct Surface {
        WaylandBackend* backend = nullptr;
        NativeWindow id = 0;
        std::uint32_t output_name = 0;
        wl_surface* surface = nullptr;
        zwlr_layer_surface_v1* layer = nullptr;
        xdg_surface* xdg = nullptr;
        xdg_toplevel* toplevel = nullptr;
        wp_viewport* viewport = nullptr;
        wp_fractional_scale_v1* fractional = nullptr;
        std::uint32_t scale_120 = 0;  // the compositor's preferred scale in 120ths, 0: none
        Point logical;                // the configured size in surface coordinates
        Point device;                 // the buffer's size in device pixels
        bool configured = false;
        bool closed = false;
        wl_buffer* first_buffer = nullptr;  // the black one it shows until EGL's first frame
        wl_callback* frame = nullptr;       // the last frame's callback, until it is done
        wl_egl_window* egl_window = nullptr;
        EGLSurface egl_surface = EGL_NO_SURFACE;
        bool egl_failed = false;    // EGL made it no surface, and that was said
        bool interval_set = false;  // its swaps never wait
    };

private:
    // What the saver asked to be covered with, kept for outputs that come later.
    struct CoverWish {
        bool wanted = false;
        CoverLayer layer = CoverLayer::Overlay;
        bool take_input = false;
        std::string caption;      // the xdg-shell toplevels' title
        NativeWindow window = 0;  // takes close requests
        NativeWindow view = 0;    // takes DisplayChanged
    };

    // wayland_backend.cpp: the connection.
    void Connect();
    void OpenEgl();
    void InitEgl();
    [[noreturn]] void LostCompositor();
    [[noreturn]] void GiveUp(const char* why);
    void DispatchUntil(const std::function<bool()>& done, std::chrono::milliseconds patience,
                       const char* why);
    void Flush();
    void ReadAndDispatch(std::chrono::nanoseconds timeout);
    void Roundtrip();
    void ReportDeactivation(std::vector<Event>& out);

    // wayland_registry.cpp: the globals.
    void AddOutput(wl_registry* registry, std::uint32_t name, std::uint32_t version);
    void AskXdgOutput(OutputState& output);
    void ReleaseOutput(OutputState& output);
    void ReleaseGlobals();

    // wayland_outputs.cpp: the outputs in the compositor's layout.
    static Rect LogicalOf(const OutputState& output);
    double ScaleOf(const OutputState& output) const;
    // The outputs with a size, the primary first.
    std::vector<const OutputState*> OrderedOutputs() const;

    // wayland_cover.cpp: the saver's surfaces.
    void CoverOutputs();
    void MakeSurface(const OutputState& output);
    void MakeLayerSurface(Surface& surface, const OutputState& output);
    void MakeToplevel(Surface& surface, const OutputState& output);
    void WaitForConfigure();
    CoverAnswer Answer() const;
    void SizeBuffer(Surface& surface);
    void DestroySurface(Surface& surface);
    void DestroySurfaces();
    Surface* SurfaceOf(wl_surface* surface) const;
    Surface* SurfaceById(NativeWindow id) const;

    // wayland_first_buffer.cpp: a black picture that maps a new surface at once.
    void ShowBlack(Surface& surface);
    void DropBlack(Surface& surface);

    // wayland_egl.cpp
    // EGL set up (on first use, after the surfaces are shown), and a window surface on each
    // sized surface that has none. An output that EGL makes no surface for stays black, and
    // is said so; where that leaves nothing to draw on, raises a SetupError.
    void ReadyEgl();
    // Raises a SetupError where EGL makes no surface; the surface is then left as it was
    // before, without one, so that its next configure tries again.
    void MakeEglSurface(Surface& surface);
    // MakeEglSurface where no error may pass (a configure's handler): a failure is said.
    void TryEglSurface(Surface& surface);
    void SayNoEglSurface(Surface& surface, const std::string& what);
    void ReleaseEgl();
    // Lets EGL go once no context is left, so that its driver's threads end before the process.
    void ReleaseIdleEgl();
    // Whether any surface could take a frame now, or none waits for the compositor's refresh.
    bool FrameWanted() const;
    // Configured, not closed, with an EGL surface to draw into.
    static bool Drawable(const Surface& surface);

    // wayland_input.cpp, wayland_cursor.cpp
    void PointerEvent(EventType type, std::int16_t button);
    // A key or button pressed, or a close asked for, that the program has not yet been told.
    bool InputWaiting() const;
    void ApplyCursor();
    wl_cursor_theme* CursorTheme(std::int32_t scale);
    void ReleaseCursor();

    bool want_layer_shell_ = true;
    bool unpaced_ = false;
    bool lost_ = false;    // the program is ending for the compositor's loss: ask nothing of it
    bool ending_ = false;  // the program ends after this frame: draw nothing more
    wl_display* display_ = nullptr;
    wl_registry* registry_ = nullptr;
    wl_compositor* compositor_ = nullptr;
    wl_shm* shm_ = nullptr;
    wl_seat* seat_ = nullptr;
    wl_keyboard* keyboard_ = nullptr;
    wl_pointer* pointer_ = nullptr;
    xdg_wm_base* wm_base_ = nullptr;
    zwlr_layer_shell_v1* layer_shell_ = nullptr;
    zxdg_output_manager_v1* output_manager_ = nullptr;
    wp_viewporter* viewporter_ = nullptr;
    wp_fractional_scale_manager_v1* fractional_manager_ = nullptr;
    std::map<std::uint32_t, std::unique_ptr<OutputState>> outputs_;  // by registry name

    posix::RecordWindows records_;
    CoverWish cover_;
    Point view_at_;  // the view's corner in the layout: that of the outputs around it
    std::vector<std::unique_ptr<Surface>> surfaces_;
    // Surfaces' ids lie above every record's, so that neither is taken for the other.
    NativeWindow next_surface_id_ = NativeWindow{1} << 32;
    bool display_changed_ = false;  // to be reported as DisplayChanged

    InputFunnel funnel_;
    std::vector<Event> queued_;
    // The keyboard: on one of our surfaces, and since when it has been on none.
    wl_surface* keyboard_on_ = nullptr;
    bool keyboard_was_ours_ = false;
    std::chrono::steady_clock::time_point keyboard_left_{};
    bool deactivation_reported_ = false;
    wl_surface* pointer_on_ = nullptr;
    std::uint32_t pointer_serial_ = 0;  // of its last entry, for setting its picture
    Point pointer_at_{};                // on pointer_on_, in its surface coordinates

    // The pointer's picture over our surfaces: none, or the cursor theme's default.
    bool cursor_hidden_ = false;
    wl_surface* cursor_surface_ = nullptr;
    std::map<std::int32_t, wl_cursor_theme*> cursor_themes_;  // by output scale

    EGLDisplay egl_display_ = EGL_NO_DISPLAY;
    bool egl_up_ = false;  // egl_display_ initialised, egl_config_ chosen
    EGLConfig egl_config_ = nullptr;
    ContextTable<EGLContext> contexts_;
    EGLContext current_context_ = EGL_NO_CONTEXT;
};

}  // namespace tivaro::platform::wayland
