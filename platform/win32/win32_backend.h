// The Win32 backend: user32 windows and messages, WGL contexts, GDI presentation, shell32
// for addresses. All its state lives in this one object; nothing else in the program but
// the other files of this folder includes windows.h.
#pragma once

// Our own headers first: windows.h defines macros (min, max, CreateWindow...) that must
// not reach them.
#include "platform/backend.h"
#include "platform/context_table.h"
#include "platform/input/input.h"
#include "platform/win32/win32_sleep.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <type_traits>
#include <unordered_map>
#include <vector>

namespace tivaro::platform::win32 {

inline HWND ToHwnd(NativeWindow window) {
    return reinterpret_cast<HWND>(static_cast<std::uintptr_t>(window));
}
inline NativeWindow ToNative(HWND window) {
    return static_cast<NativeWindow>(reinterpret_cast<std::uintptr_t>(window));
}

// A function of a system library that older systems lack, looked up at run time so that
// the program still starts there; nullptr where the system has none.
template <class Fn>
Fn SystemFunction(const wchar_t* library, const char* name) {
    HMODULE module = GetModuleHandleW(library);
    if (module == nullptr) module = LoadLibraryExW(library, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    const FARPROC address = module != nullptr ? GetProcAddress(module, name) : nullptr;
    // Through void (*)(): a function pointer may be converted to any other one.
    return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(address));
}

// The pixel format the GL view asks for: 40 bytes, double-buffered RGBA, 24 colour bits,
// 16 depth bits, everything else zero.
PIXELFORMATDESCRIPTOR DesignedPixelFormat();

// The shift state of an event from the keyboard's state (shifts::kShift, kControl, kAlt).
std::int16_t ShiftState(bool shift, bool control, bool alt);

// The portable key code of a virtual key (platform/input/input.h).
std::int16_t KeyCode(WPARAM virtual_key);

// A monitor's DPI (96 is 100 %): GetDpiForMonitor where the system has it, else 96.
std::int32_t MonitorDpi(HMONITOR monitor);

// What wglGetProcAddress returned, or nullptr where that means "no such function": some
// drivers return 1, 2, 3 or -1 instead of nullptr.
PROC UsableProcAddress(PROC address);

// A two-colour cursor made from a picture (black where it is dark, white where it is light,
// see-through where it is transparent), or nullptr when the picture is empty.
HCURSOR CursorFromPicture(const PointerPicture& picture);

// The id of the timer a window runs while the system's own modal loop (a move, a menu)
// holds the thread.
inline constexpr UINT_PTR kModalLoopTimer = 0x7A01;
inline constexpr UINT kModalLoopTimerMs = 10;

class Win32Backend final : public Backend, public WindowSystem {
public:
    WindowSystem& Windows() override { return *this; }
    Win32Backend();
    ~Win32Backend() override;
    Win32Backend(const Win32Backend&) = delete;
    Win32Backend& operator=(const Win32Backend&) = delete;

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
    void SetModalLoopHook(std::function<void()> hook) override;

    void PollEvents(std::vector<Event>& out) override;
    void WaitEvents(std::int32_t timeout_ms) override;

    // Every monitor, rcMonitor on the virtual screen (device pixels: the process knows
    // each monitor's scale), the primary first.
    std::vector<Output> Outputs() override;
    CoverAnswer Cover(const CoverRequest& request) override;
    void Uncover() override;
    // GetDpiForWindow where the system has it, else the screen's LOGPIXELSX.
    std::int32_t Dpi(NativeWindow window) override;
    void SleepUntil(std::chrono::steady_clock::time_point when) override;
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

    // The link's pointing hand: made once from HandPicture(); the system's hand when the
    // program handed no picture.
    HCURSOR HandCursor();

    // True once the swap interval has been asked for with a context current.
    bool SwapIntervalAsked() const { return swap_interval_done_; }

    // The window procedure of every window the backend makes.
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);

private:
    struct WindowInfo {
        WindowKind kind = WindowKind::Child;
        std::int32_t width = 0;  // inner size last set or reported
        std::int32_t height = 0;
        bool gl = false;
        std::uint32_t back_colour = 0;
        HDC dc = nullptr;  // the window's own device context (class style CS_OWNDC)
        Pointer pointer = Pointer::Default;
        bool pointer_inside = false;
        HWND foreign_parent = nullptr;  // a parent of another program, watched for its end
        HICON icon = nullptr;           // set by SetIcon, destroyed with the window
        // The last image presented, kept to repaint the window while the program cannot
        // (the system's modal loops): pixels without row padding.
        std::vector<std::uint32_t> shown;
        std::int32_t shown_width = 0;
        std::int32_t shown_height = 0;
        Point shown_at;
        int modal_loops = 0;  // the system's modal loops running on this window
    };
    struct WatchedWindow {
        std::int32_t width = 0;  // inner size last reported
        std::int32_t height = 0;
    };

    static void RegisterWindowClass(HINSTANCE instance);
    LRESULT Handle(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
    // Each handles its own messages; nothing: the system's default handling follows.
    std::optional<LRESULT> InputMessage(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
    std::optional<LRESULT> WindowMessage(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
    LRESULT Erase(HWND hwnd, HDC dc);
    LRESULT Paint(HWND hwnd);
    void Resize(HWND hwnd, WPARAM wparam, LPARAM lparam);
    std::optional<LRESULT> DpiChanged(HWND hwnd, WPARAM wparam, LPARAM lparam);
    void Destroying(HWND hwnd);
    void InputOwnerMessage(HWND hwnd, UINT message, WPARAM wparam);
    // Keys and clicks go through the funnel, to the cover's owner while there is one.
    void Queue(EventType type, HWND hwnd, std::int32_t x = 0, std::int32_t y = 0,
               std::int16_t button = 0, std::int16_t key = 0, std::int16_t shift = 0);
    void Key(HWND hwnd, UINT message, WPARAM wparam);
    void Mouse(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
    void TakeInput(NativeWindow view);
    WindowInfo* Find(HWND hwnd);
    HCURSOR CursorFor(HWND hwnd);
    void PaintShown(HWND hwnd, HDC dc);
    void ModalLoopEntered(HWND hwnd);
    void ModalLoopLeft(HWND hwnd);
    void ModalLoopTick();
    void WatchForeignWindows();
    void Forget(HWND hwnd);
    RECT OuterRect(HWND hwnd, const Rect& bounds, WindowKind kind) const;
    HDC DcOf(NativeWindow window);
    void SetSwapInterval();

    struct CursorDestroyer {
        void operator()(HCURSOR cursor) const { DestroyCursor(cursor); }
    };

    HINSTANCE instance_ = nullptr;
    std::unique_ptr<std::remove_pointer_t<HCURSOR>, CursorDestroyer> hand_cursor_;
    bool hand_cursor_made_ = false;
    std::unordered_map<HWND, WindowInfo> windows_;
    std::unordered_map<HWND, WatchedWindow> watched_;
    std::vector<Event> queued_;
    ContextTable<HGLRC> contexts_;
    bool swap_interval_done_ = false;
    std::function<void()> modal_loop_hook_;
    bool in_modal_loop_hook_ = false;
    // While a cover takes the input: its owner (the view, told of keys, clicks, the loss of
    // the foreground and display changes) and the top-level window that holds it.
    InputFunnel funnel_;
    HWND input_root_ = nullptr;
    // The window of the cover over the outputs, kept above every other when shown.
    HWND cover_window_ = nullptr;
    PreciseSleeper sleeper_;
};

}  // namespace tivaro::platform::win32
