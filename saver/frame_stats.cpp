#include "saver/frame_stats.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace tivaro::saver {

FrameStats::FrameStats() {
    const char* timing = std::getenv("TIVARO_TIMING");
    enabled_ = timing != nullptr && std::strcmp(timing, "1") == 0;
}

void FrameStats::FrameDone() {
    if (!enabled_) return;
    last_ = Clock::now();
    if (frames_ == 0) first_ = last_;
    ++frames_;
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
}

}  // namespace tivaro::saver
