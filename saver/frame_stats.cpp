#include "saver/frame_stats.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "toolkit/runtime/options.h"

namespace tivaro::saver {
namespace {
// About an hour at 60 frames a second; a longer run keeps only its first hour's intervals.
constexpr std::size_t kMaxIntervals = 216000;
}  // namespace

FrameStats::FrameStats() {
    enabled_ = rt::Environment().timing;
}

void FrameStats::FrameDone() {
    if (!enabled_) return;
    const Clock::time_point now = Clock::now();
    if (frames_ == 0) {
        first_ = now;
    } else if (intervals_ms_.size() < kMaxIntervals) {
        intervals_ms_.push_back(std::chrono::duration<double, std::milli>(now - last_).count());
    }
    last_ = now;
    ++frames_;
}

void FrameStats::WokeLate(Clock::duration late) {
    if (!enabled_ || late_ms_.size() >= kMaxIntervals) return;
    late_ms_.push_back(std::chrono::duration<double, std::milli>(late).count());
}

double FrameStats::Percentile(std::vector<double> intervals, double fraction) {
    if (intervals.empty()) return 0;
    const double rank =
        std::ceil(std::clamp(fraction, 0.0, 1.0) * static_cast<double>(intervals.size()));
    const std::size_t index = std::max<std::size_t>(1, static_cast<std::size_t>(rank)) - 1;
    std::nth_element(intervals.begin(), intervals.begin() + index, intervals.end());
    return intervals[index];
}

void FrameStats::Report() const {
    if (!enabled_ || frames_ == 0) return;
    const auto since_boot =
        std::chrono::duration_cast<std::chrono::nanoseconds>(first_.time_since_epoch());
    const std::chrono::duration<double> span = last_ - first_;
    std::fprintf(stderr, "tivaro: first frame at %lld ns\n",
                 static_cast<long long>(since_boot.count()));
    // The frames after the first, over the time from the first to the last.
    std::fprintf(stderr, "tivaro: %lld frames in %.6f s\n", static_cast<long long>(frames_ - 1),
                 span.count());
    const auto spread = [](const char* what, const std::vector<double>& ms) {
        if (ms.empty()) return;
        std::fprintf(stderr, "tivaro: %s median %.3f ms, p99 %.3f ms, max %.3f ms\n", what,
                     Percentile(ms, 0.5), Percentile(ms, 0.99), Percentile(ms, 1.0));
    };
    spread("frame interval", intervals_ms_);
    spread("wake-up after the deadline", late_ms_);
}

}  // namespace tivaro::saver
