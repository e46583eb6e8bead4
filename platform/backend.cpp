#include "platform/backend.h"

#include <cstdlib>
#include <thread>

namespace tivaro::platform {
namespace {
Backend* g_backend = nullptr;
}

void Backend::SleepUntil(std::chrono::steady_clock::time_point when) {
    std::this_thread::sleep_until(when);
}

Backend& Current() {
    if (g_backend == nullptr) std::abort();  // a programming error: no backend chosen
    return *g_backend;
}

void SetCurrent(Backend* backend) {
    g_backend = backend;
}

}  // namespace tivaro::platform
