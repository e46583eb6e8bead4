// An optional timing report for benchmarks (TIVARO_TIMING=1 in the environment): when the
// first frame was presented, on the monotonic clock, and how many frames followed in how
// long. It is written to stderr when the frame loop ends; otherwise nothing is measured.
#pragma once

#include <chrono>
#include <cstdint>

namespace tivaro::saver {

class FrameStats {
public:
    using Clock = std::chrono::steady_clock;

    FrameStats();
    bool Enabled() const { return enabled_; }
    // After each presented frame.
    void FrameDone();
    // "tivaro: first frame at <ns> ns" and "tivaro: <n> frames in <s> s"
    void Report() const;

private:
    bool enabled_ = false;
    std::int64_t frames_ = 0;
    Clock::time_point first_{};
    Clock::time_point last_{};
};

}  // namespace tivaro::saver
