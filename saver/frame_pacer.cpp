#include "saver/frame_pacer.h"

#include "platform/backend.h"
#include "toolkit/runtime/options.h"

namespace tivaro::saver {

FramePacer::FramePacer() {
    enabled_ = !rt::Environment().unpaced;
}

FramePacer::Clock::time_point FramePacer::NextDeadline(Clock::time_point deadline,
                                                       Clock::time_point now) {
    const Clock::time_point next = deadline + kFramePeriod;
    // More than a frame late (a slow frame, a suspended process): start afresh instead
    // of racing to catch up.
    if (next < now) return now + kFramePeriod;
    return next;
}

std::optional<FramePacer::Clock::duration> FramePacer::Wait() {
    if (!enabled_) return std::nullopt;
    const auto now = Clock::now();
    if (deadline_ == Clock::time_point{}) deadline_ = now;
    std::optional<Clock::duration> late;
    if (deadline_ > now) {
        platform::Current().SleepUntil(deadline_);
        late = Clock::now() - deadline_;
    }
    deadline_ = NextDeadline(deadline_, Clock::now());
    return late;
}

}  // namespace tivaro::saver
