#include "toolkit/forms/application.h"

#include <algorithm>

#include "toolkit/forms/timer.h"
#include "toolkit/runtime/end.h"

namespace tivaro::forms {

Application& Application::Get() {
    static Application app;
    return app;
}

void Application::Register(platform::NativeWindow window, EventTarget* target) {
    targets_[window] = target;
}

void Application::Unregister(platform::NativeWindow window) {
    targets_.erase(window);
}

EventTarget* Application::TargetOf(platform::NativeWindow window) const {
    auto it = targets_.find(window);
    return it == targets_.end() ? nullptr : it->second;
}

void Application::AddTimer(Timer* timer) {
    timers_.push_back(timer);
}

void Application::RemoveTimer(Timer* timer) {
    timers_.erase(std::remove(timers_.begin(), timers_.end(), timer), timers_.end());
}

void Application::DoEvents() {
    pending_.clear();
    platform::Current().PollEvents(pending_);
    // A handler may poll again (nested DoEvents); work on a copy of this batch.
    const std::vector<platform::Event> batch = pending_;
    for (const platform::Event& event : batch) {
        // Asked to end (SIGTERM, SIGINT): end at once, as the End statement does; the
        // restorers give back the cursor and the screen-saver flag.
        if (event.type == platform::EventType::EndRequest) rt::EndProgram(0);
        // The target is looked up afresh: a handler may have destroyed a window.
        if (EventTarget* target = TargetOf(event.window)) target->OnEvent(event);
    }
    TickTimers();
    PaintPosted();
}

void Application::RunTimersAndPaints() {
    TickTimers();
    PaintPosted();
}

void Application::PostPaint(platform::NativeWindow window) {
    if (window == 0) return;
    if (std::find(posted_paints_.begin(), posted_paints_.end(), window) == posted_paints_.end()) {
        posted_paints_.push_back(window);
    }
}

void Application::PaintPosted() {
    std::vector<platform::NativeWindow> windows;
    windows.swap(posted_paints_);
    for (platform::NativeWindow window : windows) {
        platform::Event expose;
        expose.type = platform::EventType::Paint;
        expose.window = window;
        if (EventTarget* target = TargetOf(window)) target->OnEvent(expose);
    }
}

void Application::TickTimers() {
    const auto now = Clock::now();
    // A tick handler may add, remove or disable timers: walk a snapshot and check that
    // each timer still exists before firing it.
    const std::vector<Timer*> snapshot = timers_;
    for (Timer* timer : snapshot) {
        if (std::find(timers_.begin(), timers_.end(), timer) == timers_.end()) continue;
        if (timer->Due(now)) timer->Fire(now);
    }
}

Application::Clock::time_point Application::NextTimerDue(Clock::time_point limit) const {
    Clock::time_point next = limit;
    for (const Timer* timer : timers_) {
        if (timer->Active()) next = std::min(next, timer->DueTime());
    }
    return next;
}

void Application::RunWhile(const std::function<bool()>& keep_going) {
    while (keep_going()) {
        DoEvents();
        if (!keep_going()) return;
        const auto now = Clock::now();
        const auto wake = NextTimerDue(now + std::chrono::milliseconds(250));
        const auto wait = std::chrono::ceil<std::chrono::milliseconds>(wake - now).count();
        platform::Current().WaitEvents(static_cast<std::int32_t>(std::max<long long>(wait, 0)));
    }
}

}  // namespace tivaro::forms

namespace tivaro::forms {

void Application::Run() {
    const int closes = owner_close_requests_;
    RunWhile([&] { return loaded_forms_ > 0 && owner_close_requests_ == closes; });
}

}  // namespace tivaro::forms
