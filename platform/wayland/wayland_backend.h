// The Wayland backend: libwayland-client, EGL with desktop OpenGL, and a surface per output.
// A Wayland window cannot span outputs, and a client sees no other client's windows, so the
// program's windows are records here; what shows on the screen are the saver's output
// surfaces (OutputSurfaces): a layer-shell surface per output where the compositor offers
// layer-shell, else a fullscreen xdg-shell toplevel per output. All its state lives in this
// one object; nothing else in the program includes a Wayland header.
#pragma once

#include "platform/backend.h"
#include "platform/posix/instance_marker.h"

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
struct wl_seat;
struct wl_keyboard;
struct wl_pointer;
struct wl_output;
struct wl_surface;
struct wl_callback;
struct wl_egl_window;
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

class WaylandBackend final : public Backend, public WindowSystem {
public:
    WindowSystem& Windows() override { return *this; }
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

    NativeWindow MakeWindow(const WindowDesc& desc) override;
    void DestroyWindow(NativeWindow window) override;
    void ShowWindow(NativeWindow window, bool visible) override;
    void SetBounds(NativeWindow window, const Rect& bounds) override;
    void SetCaption(NativeWindow window, std::string_view caption) override;
    void SetParent(NativeWindow window, NativeWindow parent) override;
    std::optional<Rect> GetWindowRect(NativeWindow window) override;
    bool IsWindow(NativeWindow window) override;
    NativeWindow FindWindowByCaption(std::string_view caption) override;
    void SetFocus(NativeWindow window) override;
    void SetPointer(NativeWindow window, Pointer pointer) override;

    void PollEvents(std::vector<Event>& out) override;
    void WaitEvents(std::int32_t timeout_ms) override;

    Point ScreenSize() override;
    std::vector<Rect> Monitors() override;
    std::int32_t Dpi(NativeWindow window) override;
    Point CursorPos() override;
    NativeWindow WindowFromPoint(Point screen) override;
    void ShowCursor(bool show) override;
    void SetScreenSaverRunning(bool running) override;
    void OwnInput(NativeWindow window) override;
    std::vector<OutputSurface> OutputSurfaces(NativeWindow window) override;
    bool ReadyForFrame(NativeWindow surface) override;
    void SleepUntil(std::chrono::steady_clock::time_point when) override;

    int ChoosePixelFormat(NativeWindow window) override;
    void SetPixelFormat(NativeWindow window, int format) override;
    GlContext CreateContext(NativeWindow window) override;
    void MakeCurrent(NativeWindow window, GlContext context) override;
    void DeleteContext(GlContext context) override;
    void SwapBuffers(NativeWindow window) override;

    void Present(NativeWindow window, const PixelView& image, Point at) override;
    void ShowBackColour(NativeWindow window) override;
    void OpenAddress(std::string_view address) override;

    // Protocol callbacks (wayland_outputs.cpp, wayland_egl.cpp, wayland_input.cpp).
    struct Output;
    struct Surface;
    void OnGlobal(wl_registry* registry, std::uint32_t name, const char* interface,
                  std::uint32_t version);
    void OnGlobalRemove(std::uint32_t name);
    void OnOutputDone(Output& output);
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
    Surface* SurfaceOf(wl_surface* surface);
    Surface* SurfaceById(NativeWindow id);

    struct Output {
        WaylandBackend* backend = nullptr;
        std::uint32_t name = 0;  // the registry's name for it
        wl_output* output = nullptr;
        zxdg_output_v1* xdg_output = nullptr;
        Rect logical;  // in the compositor's layout (xdg-output, else geometry)
        bool logical_known = false;
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
        wl_callback* frame = nullptr;  // the last frame's callback, until it is done
        wl_egl_window* egl_window = nullptr;
        EGLSurface egl_surface = EGL_NO_SURFACE;
        bool interval_set = false;  // its swaps never wait
    };

private:
    struct WindowInfo {
        WindowKind kind = WindowKind::Child;
        NativeWindow parent = 0;
        Rect bounds;
        bool gl = false;
    };

    void Connect();
    void InitEgl();
    [[noreturn]] void LostCompositor();
    [[noreturn]] static void GiveUp(const char* why);
    void DispatchUntil(const std::function<bool()>& done, std::chrono::milliseconds patience,
                       const char* why);
    void Flush();
    void ReadAndDispatch(std::chrono::nanoseconds timeout);
    // Whether any surface could take a frame now, or none waits for the compositor's refresh.
    bool FrameWanted() const;
    // Configured, not closed, with an EGL surface to draw into.
    static bool Drawable(const Surface& surface);
    void Roundtrip();
    void ReleaseInput();
    NativeWindow NewId() { return next_id_++; }
    // Surfaces for the outputs that have none, and none for outputs that went.
    void CoverOutputs(bool above);
    Surface& MakeSurface(const Output& output, bool above);
    void DestroySurface(Surface& surface);
    void ReleaseOutput(Output& output);
    void ReleaseGlobals();
    void SizeBuffer(Surface& surface);
    void WaitForConfigure();
    void HideCursorOn(std::uint32_t serial);
    void QueueEvent(EventType type, std::int32_t x = 0, std::int32_t y = 0, std::int16_t button = 0,
                    std::int16_t key = 0);
    NativeWindow TopLevelOf(NativeWindow window) const;

    bool want_layer_shell_ = true;
    bool unpaced_ = false;
    wl_display* display_ = nullptr;
    wl_registry* registry_ = nullptr;
    wl_compositor* compositor_ = nullptr;
    wl_seat* seat_ = nullptr;
    wl_keyboard* keyboard_ = nullptr;
    wl_pointer* pointer_ = nullptr;
    xdg_wm_base* wm_base_ = nullptr;
    zwlr_layer_shell_v1* layer_shell_ = nullptr;
    zxdg_output_manager_v1* output_manager_ = nullptr;
    wp_viewporter* viewporter_ = nullptr;
    wp_fractional_scale_manager_v1* fractional_manager_ = nullptr;
    std::uint32_t seat_name_ = 0;
    std::map<std::uint32_t, std::unique_ptr<Output>> outputs_;  // by registry name
    std::vector<std::unique_ptr<Surface>> surfaces_;
    bool surfaces_wanted_ = false;  // OutputSurfaces was called: cover outputs as they come
    bool surfaces_above_ = false;
    NativeWindow surfaces_window_ = 0;  // the window they were made for
    bool display_changed_ = false;      // to be reported as DisplayChanged

    std::map<NativeWindow, WindowInfo> windows_;
    NativeWindow next_id_ = 1;
    NativeWindow input_owner_ = 0;
    posix::InstanceMarkers markers_;
    std::vector<Event> queued_;
    // The keyboard: on one of our surfaces, and since when it has been on none.
    wl_surface* keyboard_on_ = nullptr;
    bool keyboard_was_ours_ = false;
    std::chrono::steady_clock::time_point keyboard_left_{};
    bool deactivation_reported_ = false;
    wl_surface* pointer_on_ = nullptr;
    Point pointer_at_{};

    EGLDisplay egl_display_ = EGL_NO_DISPLAY;
    EGLConfig egl_config_ = nullptr;
    std::map<GlContext, EGLContext> contexts_;
    GlContext next_context_ = 1;
    EGLContext current_context_ = EGL_NO_CONTEXT;
};

}  // namespace tivaro::platform::wayland
