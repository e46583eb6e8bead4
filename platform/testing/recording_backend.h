// A backend for tests: it records what was asked of the platform, as readable lines
// ("MakeWindow Child parent=1 0,0,64x25"), and plays back events and answers that the
// test sets up; no window system is touched. Given a real backend to pass the calls on to,
// it records them all the same and the answers and events are the real backend's: the
// record of a real run.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/backend.h"

namespace tivaro::platform::testing {

// A surface of its own for a monitor, where the system gives each one (as Wayland does).
struct OutputSurface {
    NativeWindow surface = 0;
    Point size;
};

struct RecordedWindow {
    WindowDesc desc;
    NativeWindow parent = 0;
    bool visible = false;
    bool destroyed = false;
};

class RecordingBackend : public Backend, public WindowSystem {
public:
    WindowSystem& Windows() override { return *this; }
    explicit RecordingBackend(Backend* forward = nullptr);
    ~RecordingBackend() override;

    // Everything asked, one line per call, in order.
    std::vector<std::string> calls;
    // Windows made (by id) and foreign windows the test declares.
    std::map<NativeWindow, RecordedWindow> windows;
    std::map<NativeWindow, Rect> foreign_windows;
    // Answers.
    Point screen{1024, 768};
    // The monitors (the primary first); none means the screen alone.
    std::vector<Rect> monitors;
    NativeWindow input_owner = 0;                     // the view of a Cover that takes input
    CoverLayer cover_layer = CoverLayer::Overlay;     // the last Cover's layer
    std::int32_t dpi = 96;                            // of every window not listed below
    std::int32_t system_dpi = 0;                      // Dpi(0), the system's; 0: the same as `dpi`
    std::map<NativeWindow, std::int32_t> window_dpi;  // windows on a monitor of another scale
    Point cursor{0, 0};
    NativeWindow window_under_cursor = 0;
    std::map<std::string, NativeWindow> captions;  // what FindWindowByCaption finds
    int pixel_format = 1;                          // 0: no format found
    // Surfaces of their own for the monitors (a system like Wayland), and those of them
    // whose next frame the system does not want yet.
    std::vector<OutputSurface> output_surfaces;
    std::vector<NativeWindow> not_ready;
    // Called at the start of every PollEvents: lets a test react to what the program
    // has done so far (for example close the window it has just opened).
    std::function<void(RecordingBackend&)> on_poll;
    // Events handed out by the next PollEvents.
    std::vector<Event> queued_events;
    // Presented images: the last one per window (dropped again by ShowBackColour).
    std::map<NativeWindow, std::vector<std::uint32_t>> presented;
    int cursor_hidden = 0;  // ShowCursor(false) minus ShowCursor(true)
    bool screen_saver_running = false;
    std::vector<std::string> opened_addresses;

    void Queue(const Event& event) { queued_events.push_back(event); }
    // How many recorded calls start with `prefix`.
    int Count(const std::string& prefix) const;

    NativeWindow MakeWindow(const WindowDesc& desc) override;
    void DestroyWindow(NativeWindow window) override;
    void ShowWindow(NativeWindow window, bool visible) override;
    void SetBounds(NativeWindow window, const Rect& bounds) override;
    void SetCaption(NativeWindow window, std::string_view caption) override;
    void SetParent(NativeWindow window, NativeWindow parent) override;
    std::optional<Rect> GetWindowRect(NativeWindow window) override;
    bool IsWindow(NativeWindow window) override;
    void WatchWindow(NativeWindow window) override;
    void SetIcon(NativeWindow window, const PixelView& icon) override;
    NativeWindow FindWindowByCaption(std::string_view caption) override;
    void SetFocus(NativeWindow window) override;
    void SetPointer(NativeWindow window, Pointer pointer) override;
    void PollEvents(std::vector<Event>& out) override;
    void WaitEvents(std::int32_t timeout_ms) override;
    std::vector<Output> Outputs() override;
    CoverAnswer Cover(const CoverRequest& request) override;
    void Uncover() override;
    bool ReadyForFrame(NativeWindow surface) override;
    void EndingAfterThisFrame() override;
    void SleepUntil(std::chrono::steady_clock::time_point when) override;
    std::int32_t Dpi(NativeWindow window) override;
    Point CursorPos() override;
    NativeWindow WindowFromPoint(Point screen_point) override;
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

private:
    Backend* forward_ = nullptr;
    NativeWindow next_window_ = 0x100;
    GlContext next_context_ = 0x500;
    Backend* previous_ = nullptr;
};

}  // namespace tivaro::platform::testing
