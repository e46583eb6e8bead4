#include "platform/win32/win32_sleep.h"

#include <atomic>

#include "toolkit/runtime/end.h"

namespace tivaro::platform::win32 {
namespace {

// Not in every SDK's headers: the flag exists from Windows 10 1803 on, and older systems
// refuse it (the call fails with ERROR_INVALID_PARAMETER).
constexpr DWORD kHighResolutionTimer = 0x00000002;  // CREATE_WAITABLE_TIMER_HIGH_RESOLUTION

// The raised resolution belongs to the process, held by every sleeper that raised it: the
// last one gives it back, or a restorer when the program ends through rt::EndProgram,
// where no destructor runs.
std::atomic<int> g_holders{0};

void GiveBackResolution() noexcept {
    if (g_holders.exchange(0) > 0) SleepCalls().end_period(1);
}

bool RaiseResolution() {
    if (SleepCalls().begin_period(1) != TIMERR_NOERROR) return false;
    // Each raise is one more request to the system; the process keeps only one.
    if (g_holders.fetch_add(1) > 0) SleepCalls().end_period(1);
    static const bool registered = [] {
        rt::AddRestorer([] { GiveBackResolution(); });
        return true;
    }();
    (void)registered;
    return true;
}

void LowerResolution() noexcept {
    int holders = g_holders.load();
    while (holders > 0 && !g_holders.compare_exchange_weak(holders, holders - 1)) {
    }
    if (holders == 1) SleepCalls().end_period(1);
}

}  // namespace

SleepSystemCalls& SleepCalls() {
    static SleepSystemCalls calls;
    return calls;
}

PreciseSleeper::~PreciseSleeper() {
    if (timer_ != nullptr) CloseHandle(timer_);
    if (raised_) LowerResolution();
}

bool PreciseSleeper::ResolutionRaised() {
    return g_holders.load() > 0;
}

void PreciseSleeper::Start() {
    if (try_timer_) {
        timer_ = CreateWaitableTimerExW(nullptr, nullptr, kHighResolutionTimer,
                                        TIMER_MODIFY_STATE | SYNCHRONIZE);
    }
    if (timer_ != nullptr) {
        method_ = Method::HighResolutionTimer;
        return;
    }
    raised_ = RaiseResolution();
    method_ = Method::RaisedTimerResolution;
}

void PreciseSleeper::SleepUntil(std::chrono::steady_clock::time_point when) {
    using Clock = std::chrono::steady_clock;
    if (method_ == Method::None) Start();
    // A timer may come back a little early by the steady clock (the two clocks round
    // differently): wait again for what is left.
    for (auto left = when - Clock::now(); left > Clock::duration::zero();
         left = when - Clock::now()) {
        if (timer_ != nullptr) {
            // Negative: relative, in 100 ns units, rounded up.
            const auto units =
                std::chrono::ceil<std::chrono::duration<LONGLONG, std::ratio<1, 10000000>>>(left);
            LARGE_INTEGER due{};
            due.QuadPart = -units.count();
            if (SleepCalls().set_timer(timer_, &due, 0, nullptr, nullptr, FALSE) &&
                WaitForSingleObject(timer_, INFINITE) == WAIT_OBJECT_0) {
                continue;
            }
            // A timer that fails once is given up for the coarser way.
            CloseHandle(timer_);
            timer_ = nullptr;
            raised_ = RaiseResolution();
            method_ = Method::RaisedTimerResolution;
        }
        const auto ms = std::chrono::ceil<std::chrono::milliseconds>(left).count();
        Sleep(static_cast<DWORD>(ms));
    }
}

}  // namespace tivaro::platform::win32
