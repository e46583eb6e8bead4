#include "toolkit/forms/timer.h"

#include "toolkit/forms/application.h"

namespace tivaro::forms {

Timer::Timer(std::int32_t interval_ms, bool enabled)
    : interval_ms_(interval_ms), enabled_(enabled) {
    Application::Get().AddTimer(this);
    Restart();
}

Timer::~Timer() {
    Application::Get().RemoveTimer(this);
}

void Timer::SetInterval(std::int32_t interval_ms) {
    interval_ms_ = interval_ms;
    Restart();
}

void Timer::SetEnabled(bool enabled) {
    if (enabled == enabled_) return;
    enabled_ = enabled;
    Restart();
}

void Timer::Restart() {
    due_ = Clock::now() + EffectiveInterval(interval_ms_);
}

Timer::Clock::duration Timer::EffectiveInterval(std::int32_t interval_ms) {
    using namespace std::chrono;
    constexpr auto kSystemTick = duration_cast<Clock::duration>(microseconds(15625));
    if (interval_ms <= 0) return kSystemTick;
    const auto wanted = duration_cast<Clock::duration>(milliseconds(interval_ms));
    const auto ticks = (wanted + kSystemTick - Clock::duration(1)) / kSystemTick;
    return kSystemTick * ticks;
}

void Timer::Fire(Clock::time_point now) {
    // A fixed schedule, as a system timer posts on a clock of its own: the next tick is due
    // one interval after this one was, however late this one is delivered. A timer that has
    // fallen a whole interval behind starts its schedule again from now instead of catching
    // up with a burst of ticks.
    const Clock::duration interval = EffectiveInterval(interval_ms_);
    due_ += interval;
    if (due_ <= now) due_ = now + interval;
    if (OnTick) OnTick();
}

}  // namespace tivaro::forms
