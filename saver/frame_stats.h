// An optional timing report for benchmarks (TIVARO_TIMING=1 in the environment): when the
// first frame was presented, on the monotonic clock, how many frames followed in how long,
// and how evenly they came. It is written to stderr when the frame loop ends; otherwise
// nothing is measured.
#pragma once

#include <chrono>
#include <cstdint>
#include <vector>

namespace tivaro::saver {

class FrameStats {
public:
    using Clock = std::chrono::steady_clock;

    FrameStats();
    bool Enabled() const { return enabled_; }
    // After each presented frame.
    void FrameDone();
    // After each sleep of the frame pacer: how long after the frame's deadline it woke.
    void WokeLate(Clock::duration late);
    // "tivaro: first frame at <ns> ns", "tivaro: <n> frames in <s> s" and
    // "tivaro: frame interval median <ms> ms, p99 <ms> ms, max <ms> ms" and
    // "tivaro: wake-up after the deadline median <ms> ms, p99 <ms> ms, max <ms> ms"
    void Report() const;

    // The value below which `fraction` (0..1) of `intervals` lie, by the nearest rank;
    // 0 for none.
    static double Percentile(std::vector<double> intervals, double fraction);

private:
    bool enabled_ = false;
    std::int64_t frames_ = 0;
    Clock::time_point first_{};
    Clock::time_point last_{};
    std::vector<double> intervals_ms_;  // from each frame to the next
    std::vector<double> late_ms_;       // from each deadline to the end of its sleep
};

}  // namespace tivaro::saver
