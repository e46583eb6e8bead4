// Keeps the frame loop near 60 frames a second. The simulation advances one fixed step
// per frame, so a loop that runs as fast as the machine allows would make the fountain
// unwatchable on a fast machine and burn a whole core. Where the display paces buffer
// swaps the frame has already taken its 16.7 ms and no wait is added.
#pragma once

#include <chrono>
#include <optional>

namespace tivaro::saver {

class FramePacer {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr Clock::duration kFramePeriod =
        std::chrono::duration_cast<Clock::duration>(std::chrono::microseconds(16667));

    // Pacing can be turned off (TIVARO_UNPACED=1) to measure the bare frame rate.
    FramePacer();

    // Sleeps until the next frame is due. Events are not handled while waiting: they
    // wait in the queue for the loop's next event processing, so input cannot speed up
    // the animation. Returns how long after the deadline the sleep ended, when it slept.
    std::optional<Clock::duration> Wait();
    // The next deadline after a frame that ended at `now`, given the current one: one
    // period on, or one period from now when the loop has fallen behind.
    static Clock::time_point NextDeadline(Clock::time_point deadline, Clock::time_point now);
    bool Enabled() const { return enabled_; }

private:
    bool enabled_ = true;
    Clock::time_point deadline_{};
};

}  // namespace tivaro::saver
