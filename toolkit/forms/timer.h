// A timer of the forms runtime: an interval in milliseconds and an enabled flag. Ticks
// are delivered only from event processing (DoEvents and the message loops), never
// while a handler runs, at most one per timer and pass. They keep a fixed schedule (one
// interval apart, not one interval after each delivery), so a timer gives its full rate
// whenever events are processed at least that often; ticks that fall due while the
// program is busy do not pile up: a timer a whole interval behind fires once and restarts
// its schedule from then.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>

namespace tivaro::forms {

class Timer {
public:
    using Clock = std::chrono::steady_clock;

    explicit Timer(std::int32_t interval_ms = 0, bool enabled = false);
    ~Timer();
    Timer(const Timer&) = delete;
    Timer& operator=(const Timer&) = delete;

    std::int32_t Interval() const { return interval_ms_; }
    void SetInterval(std::int32_t interval_ms);
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool enabled);

    // The handler, `<name>_Timer` in the owner.
    std::function<void()> OnTick;

    // Called by the application's event processing.
    bool Due(Clock::time_point now) const { return Active() && now >= due_; }
    Clock::time_point DueTime() const { return due_; }
    bool Active() const { return enabled_ && interval_ms_ > 0; }
    void Fire(Clock::time_point now);

    // The system timer ticks 64 times a second: intervals are rounded up to whole
    // ticks of 15.625 ms, as the classic system delivers them.
    static Clock::duration EffectiveInterval(std::int32_t interval_ms);

private:
    void Restart();

    std::int32_t interval_ms_ = 0;
    bool enabled_ = false;
    Clock::time_point due_{};
};

}  // namespace tivaro::forms
