// The forms runtime's event processing: native events from the backend go to the form or
// control that owns the window, and due timers tick, all on the one UI thread.
#pragma once

#include <chrono>
#include <functional>
#include <unordered_map>
#include <vector>

#include "platform/backend.h"

namespace tivaro::forms {

class Timer;

// Anything with a native window of its own that handles that window's events.
class EventTarget {
public:
    virtual ~EventTarget() = default;
    virtual void OnEvent(const platform::Event& event) = 0;
};

class Application {
public:
    using Clock = std::chrono::steady_clock;

    static Application& Get();

    void Register(platform::NativeWindow window, EventTarget* target);
    void Unregister(platform::NativeWindow window);
    EventTarget* TargetOf(platform::NativeWindow window) const;

    void AddTimer(Timer* timer);
    void RemoveTimer(Timer* timer);

    // Processes every pending event, then ticks each due timer once.
    void DoEvents();
    // Ticks due timers and paints what was posted, without reading events: for the
    // system's own modal loops (see Backend::SetModalLoopHook).
    void RunTimersAndPaints();
    // Processes events and timers, sleeping between them, while `keep_going()` holds.
    void RunWhile(const std::function<bool()>& keep_going);

    // Asks for a window to be repainted from its image once the current handler is done.
    void PostPaint(platform::NativeWindow window);

    // Forms count themselves here; the program's own message loop runs while any is loaded.
    void FormLoaded() { ++loaded_forms_; }
    void FormUnloaded() { --loaded_forms_; }

    // The hidden owner window of the program's forms: a close request posted to it ends
    // the program's message loop.
    void PostCloseToOwner() { ++owner_close_requests_; }
    // The program's own message loop: runs while a form is loaded and the owner is open.
    void Run();

private:
    Application() = default;
    void TickTimers();
    void PaintPosted();
    Clock::time_point NextTimerDue(Clock::time_point limit) const;

    std::unordered_map<platform::NativeWindow, EventTarget*> targets_;
    std::vector<Timer*> timers_;
    std::vector<platform::Event> pending_;
    std::vector<platform::NativeWindow> posted_paints_;
    int loaded_forms_ = 0;
    int owner_close_requests_ = 0;
};

}  // namespace tivaro::forms
