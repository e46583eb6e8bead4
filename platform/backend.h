// The narrow interface between the portable forms runtime and a window system.
// A backend only does what the platform must: windows, native events turned into Event
// records, a GL context on a window, presenting a pixel surface, and a few system
// facilities. Forms, timers, event dispatch and all drawing logic are portable.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tivaro::platform {

// A native window: an X window id, an HWND widened, or the number of one of the program's
// window records (Wayland, posix/record_windows.h). 0 is "no window".
using NativeWindow = std::uint64_t;
// A window that is open but that this backend cannot see, such as one shown through the
// desktop session's other window system: FindWindowByCaption's answer for it.
inline constexpr NativeWindow kUnseenWindow = ~NativeWindow{0};
// A GL rendering context handle; 0 is "none".
using GlContext = std::uint64_t;

struct Point {
    std::int32_t x = 0;
    std::int32_t y = 0;
};

struct Rect {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;
};

enum class WindowKind : std::uint8_t {
    TopLevelPlain,   // no border, no caption bar (saver, preview)
    TopLevelDialog,  // fixed single frame with a caption bar, not resizable
    Child,           // a control's own window inside a form
};

struct WindowDesc {
    WindowKind kind = WindowKind::Child;
    std::string caption;            // UTF-8
    NativeWindow parent = 0;        // for Child: the form's (or control's) window
    Rect bounds;                    // pixels; for Child relative to the parent
    std::uint32_t back_colour = 0;  // 0x00BBGGRR (RGB(r,g,b) = r + 256 g + 65536 b)
    bool gl_capable = false;        // the window will carry a GL context
    bool sunken_border = false;     // a 3D sunken edge (drawn by the portable code on X11)
};

enum class EventType : std::uint8_t {
    KeyDown,
    KeyUp,
    ButtonDown,
    ButtonUp,
    Motion,
    Enter,
    Leave,
    GotFocus,
    LostFocus,
    CloseRequest,    // the user or the system asks the window to close
    Paint,           // part of the window must be repainted
    Resized,         // the window's inner size changed (width, height in x, y)
    Destroyed,       // the window is gone (for example with a foreign parent)
    EndRequest,      // the system asks the program to end (a termination signal); window 0
    DpiChanged,      // the window now shows at another display scale (its new DPI in x); a
                     // top-level window has already been moved to where the system suggests
    Deactivated,     // another program took the foreground (to the view of a cover with input)
    DisplayChanged,  // monitors came, went or changed size (to the view of a cover)
};

struct Event {
    EventType type = EventType::Paint;
    NativeWindow window = 0;
    std::int32_t x = 0;  // pointer position in the window, or the new size
    std::int32_t y = 0;
    std::int16_t button = 0;  // 1 left, 2 right, 4 middle
    std::int16_t key = 0;     // key code, platform-neutral enough for "any key"
    std::int16_t shift = 0;
};

// One monitor or output, as the system describes it.
struct Output {
    Rect logical;        // its place in the desktop's layout (X11, Windows: screen pixels)
    Point device;        // its size in device pixels
    double scale = 1.0;  // device pixels per logical pixel
    bool primary = false;
};

// Where the saver's surfaces lie: above every window (a saver) or behind every window (the
// animated picture behind a screen locker).
enum class CoverLayer : std::uint8_t { Overlay, Background };

// What the saver asks of the system: to cover every output (or fill another program's
// window) with its view.
struct CoverRequest {
    NativeWindow window = 0;  // the saver's top-level window
    NativeWindow view = 0;    // its GL-capable child, filling it
    NativeWindow host = 0;    // another program's window to fill instead of the outputs
    std::string caption;      // the window's caption, for what the system itself shows
    bool take_input = false;  // keys, clicks and the loss of the foreground go to `window`
    CoverLayer layer = CoverLayer::Overlay;
};

// A fountain's place: a surface and a box of it, in that surface's device pixels.
struct CoverArea {
    NativeWindow surface = 0;  // draw on it with MakeCurrent, present it with SwapBuffers
    Rect box;
    Point surface_size;
};

// What the system made of a CoverRequest.
struct CoverAnswer {
    // Where the request's window now lies, screen pixels (hosted: 0, 0 and the host's size).
    Rect window;
    // One area per output, the primary's first; one when hosted.
    std::vector<CoverArea> areas;
    // Some of a shared surface lies in no area (it is cleared black).
    bool bare = false;
    // Each area is a surface of its own that takes its next frame when ReadyForFrame says
    // so, rather than parts of one window presented once a frame.
    bool surface_each = false;
};

// The system pointer shapes the program uses.
enum class Pointer : std::uint8_t { Default, Busy, Hand, Hidden };

// The picture of a pointer: 0xAARRGGBB pixels, rows top to bottom, shown where alpha is at
// least 128, and the pixel that points.
struct PointerPicture {
    std::vector<std::uint32_t> pixels;
    std::int32_t width = 0;
    std::int32_t height = 0;
    Point hot_spot;
};

// A 32-bit pixel image to show in a window: pixels are 0x00RRGGBB, rows top to bottom.
struct PixelView {
    const std::uint32_t* pixels = nullptr;
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::int32_t stride = 0;  // in pixels
};

// The program's windows: its forms and their controls, and the windows of other programs
// it is given (a preview pane, a host's window). Where the system gives a program windows of
// its own to place (X11, Windows) these are they; where it does not (Wayland), the forms
// are records kept by the program (posix/record_windows.h) and only the saver shows,
// through its cover.
class WindowSystem {
public:
    virtual ~WindowSystem() = default;

    virtual NativeWindow MakeWindow(const WindowDesc& desc) = 0;
    virtual void DestroyWindow(NativeWindow window) = 0;
    virtual void ShowWindow(NativeWindow window, bool visible) = 0;
    virtual void SetBounds(NativeWindow window, const Rect& bounds) = 0;
    virtual void SetCaption(NativeWindow window, std::string_view caption) = 0;
    // Makes a window of ours a child of any window, ours or another process's.
    virtual void SetParent(NativeWindow window, NativeWindow parent) = 0;
    // The window's rectangle in screen pixels, or nothing when it is not a window.
    virtual std::optional<Rect> GetWindowRect(NativeWindow window) = 0;
    // Reports Resized and Destroyed events of a window that is not ours (the window a
    // host gives us to draw in). Where no other program's windows can be seen, nothing.
    virtual void WatchWindow(NativeWindow /*window*/) {}
    // The picture the desktop shows for a top-level window (task bar, title bar). Where
    // the system takes icons from elsewhere, nothing.
    virtual void SetIcon(NativeWindow /*window*/, const PixelView& /*icon*/) {}
    virtual bool IsWindow(NativeWindow window) = 0;
    // The first top-level window whose whole caption is `caption`, or 0 (kUnseenWindow for
    // one that is open where this window system cannot look).
    virtual NativeWindow FindWindowByCaption(std::string_view caption) = 0;
    virtual void SetFocus(NativeWindow window) = 0;
    virtual void SetPointer(NativeWindow window, Pointer pointer) = 0;
    // The program's own picture for Pointer::Hand, handed over before that pointer is first
    // shown; without one the system's hand shows. A system that draws the pointer from a
    // theme of its own (Wayland here) keeps to its theme.
    void SetHandPicture(PointerPicture picture) { hand_picture_ = std::move(picture); }
    const PointerPicture& HandPicture() const { return hand_picture_; }
    // Where the system runs a modal loop of its own inside event processing (moving a
    // window, a menu), `hook` is called every few milliseconds meanwhile, so that the
    // program's timers and repaints go on. Where there are no such loops, nothing.
    virtual void SetModalLoopHook(std::function<void()> /*hook*/) {}

    // The display scale as dots per inch (96 is 100 %, 192 is 200 %): of the monitor a
    // window shows on, or of the primary monitor for window 0.
    virtual std::int32_t Dpi(NativeWindow window) = 0;
    // Twips (1/1440 inch) per pixel at a scale: 15 at 96 DPI, 7.5 at 192. Each form converts
    // with its own window's DPI, never the system's.
    static double TwipsPerPixel(std::int32_t dpi) { return 1440.0 / (dpi > 0 ? dpi : 96); }
    virtual Point CursorPos() = 0;  // screen pixels
    virtual NativeWindow WindowFromPoint(Point screen) = 0;

    // 2D: show a pixel image in a window at (x, y) of its inner area.
    virtual void Present(NativeWindow window, const PixelView& image, Point at) = 0;
    // A window that has no pictures of its own is filled by the system with its back
    // colour (when shown, uncovered or resized), and nothing is ever presented in it. Once
    // a window that drew stops drawing, this drops what was presented in it and has the
    // system fill it with its back colour again.
    virtual void ShowBackColour(NativeWindow window) = 0;

private:
    PointerPicture hand_picture_;
};

// A window system: its windows, its events, its outputs and the saver's cover of them, GL
// on its surfaces, and a few system facilities.
class Backend {
public:
    virtual ~Backend() = default;

    virtual WindowSystem& Windows() = 0;

    // Events: appends what is pending without waiting; WaitEvents sleeps until an event
    // arrives or the timeout (milliseconds) has passed.
    virtual void PollEvents(std::vector<Event>& out) = 0;
    virtual void WaitEvents(std::int32_t timeout_ms) = 0;

    // The monitors or outputs, the primary first. A system that reports none gives the whole
    // screen as one.
    virtual std::vector<Output> Outputs() = 0;
    // Covers every output with the saver's view, or fills the host's window with it, as
    // asked, and says where each output's fountain lies. Taking the input, the cover holds
    // the keyboard and the pointer (X11 grabs them, asking again about once a second while
    // another client holds them; Windows keeps the window topmost, out of the task bar and
    // the task switcher), gives keys and clicks to the view and reports Deactivated when
    // another program takes the foreground. It reports DisplayChanged to the view when
    // outputs come, go or change. Asked again it covers the outputs anew; what it made
    // stays until Uncover.
    virtual CoverAnswer Cover(const CoverRequest& request) = 0;
    // The saver is ending: what Cover made and took goes back (the input first).
    virtual void Uncover() = 0;
    // Whether the system wants the next frame of `surface` now. False while the last
    // frame presented there has not yet been shown (a hidden monitor's surface stays so),
    // so that one surface never holds the others up, while the monitors are off (no
    // frame is drawn then), and may be while a key or a click waits to be handled (the
    // program may end on it). Otherwise true where swaps are paced by the system itself.
    virtual bool ReadyForFrame(NativeWindow /*surface*/) { return true; }
    // The session's locker is about to be asked for while the cover stays up: where the
    // cover's hold on the input would keep a locker out (X11's grabs), it is let go while
    // `let`, the cover keeping the focus, and taken again when no lock came.
    virtual void LetLockerIn(bool /*let*/) {}
    // The program ends after the frame now due: no one will see that frame. A system that
    // would have to wait for a frame to be shown (a compositor, its rasteriser) may decline
    // it (ReadyForFrame false until the next Cover), so that nothing holds the end up.
    virtual void EndingAfterThisFrame() {}
    // Sleeps until `when`, as precisely as the system's timers allow (the frame pacer).
    virtual void SleepUntil(std::chrono::steady_clock::time_point when);

    // The pointer over the program's windows and surfaces.
    virtual void ShowCursor(bool show) = 0;
    // The system's own flag that a screen saver runs (Windows keeps one, which turns some
    // system keys off); where the system keeps none, there is nothing to set.
    virtual void SetScreenSaverRunning(bool /*running*/) {}

    // OpenGL on a gl_capable window or a cover's surface.
    virtual int ChoosePixelFormat(NativeWindow window) = 0;  // 0: none
    // Where a surface's format is fixed when it is made (X11's visual, EGL's configuration),
    // there is nothing to set.
    virtual void SetPixelFormat(NativeWindow /*window*/, int /*format*/) {}
    virtual GlContext CreateContext(NativeWindow window) = 0;
    // Window and context 0 make no context current.
    virtual void MakeCurrent(NativeWindow window, GlContext context) = 0;
    virtual void DeleteContext(GlContext context) = 0;
    // Presents the back buffer; asks for a swap interval of 1 where the system offers it.
    virtual void SwapBuffers(NativeWindow window) = 0;

    // Opens an address with the system's default handler, without waiting for it.
    virtual void OpenAddress(std::string_view address) = 0;
};

// The backend in use; set once at start-up (the X11, Wayland or Win32 one, or the recording
// one of the tests).
Backend& Current();
void SetCurrent(Backend* backend);
// Its windows.
inline WindowSystem& Windows() {
    return Current().Windows();
}

}  // namespace tivaro::platform
