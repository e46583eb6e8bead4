// The frame pacer's sleep on Windows. Sleep and the C++ library's sleeps wake on the
// system's timer tick, which is about 15.6 ms unless the process raises the timer
// resolution: a 16.7 ms frame would then last 15.6 or 31.2 ms. A high-resolution waitable
// timer wakes within about half a millisecond without changing the system's tick; where
// the system has none (before Windows 10 1803), the tick is raised to 1 ms for the life
// of the sleeper and given back however the program ends.

#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <timeapi.h>

#include <chrono>

namespace tivaro::platform::win32 {

// The system calls the sleeper makes to change the timer resolution and to arm its timer.
// Tests put counting or failing ones in their place.
struct SleepSystemCalls {
    decltype(&timeBeginPeriod) begin_period = &timeBeginPeriod;
    decltype(&timeEndPeriod) end_period = &timeEndPeriod;
    decltype(&SetWaitableTimer) set_timer = &SetWaitableTimer;
};
SleepSystemCalls& SleepCalls();

class PreciseSleeper {
public:
    enum class Method { None, HighResolutionTimer, RaisedTimerResolution };

    // `high_resolution_timer` false goes straight to the raised resolution (tests).
    explicit PreciseSleeper(bool high_resolution_timer = true)
        : try_timer_(high_resolution_timer) {}
    ~PreciseSleeper();
    PreciseSleeper(const PreciseSleeper&) = delete;
    PreciseSleeper& operator=(const PreciseSleeper&) = delete;

    // Returns at `when` or soon after, never before. The timer (or the raised resolution)
    // is set up on the first call.
    void SleepUntil(std::chrono::steady_clock::time_point when);
    // How it sleeps; None until the first sleep.
    Method method() const { return method_; }

    // True while a sleeper holds the system's timer resolution at 1 ms.
    static bool ResolutionRaised();

private:
    void Start();

    bool try_timer_ = true;
    Method method_ = Method::None;
    HANDLE timer_ = nullptr;
    bool raised_ = false;  // this sleeper holds the raised resolution
};

}  // namespace tivaro::platform::win32
