// The frame pacer's sleeper on Windows (under Wine here): every raise of the system's timer
// resolution it makes is given back exactly once, whichever way its sleepers go, when a
// raise is refused, when the high-resolution timer fails, and when the program ends.
#include "platform/win32/win32_sleep.h"

#include <gtest/gtest.h>

#include "toolkit/runtime/end.h"

namespace tivaro::platform::win32 {
namespace {

using Clock = std::chrono::steady_clock;

// The system as the sleeper sees it: how many 1 ms requests stand, and how many
// give-backs came without a request standing.
struct FakeSystem {
    int standing = 0;
    int unmatched = 0;
    bool refuse = false;
    bool timer_fails = false;
    int arms = 0;  // times the high-resolution timer was set
};
FakeSystem g_system;

MMRESULT WINAPI BeginPeriod(UINT period) {
    if (period != 1 || g_system.refuse) return TIMERR_NOCANDO;
    ++g_system.standing;
    return TIMERR_NOERROR;
}

MMRESULT WINAPI EndPeriod(UINT period) {
    if (period != 1 || g_system.standing == 0) {
        ++g_system.unmatched;
        return TIMERR_NOCANDO;
    }
    --g_system.standing;
    return TIMERR_NOERROR;
}

BOOL WINAPI ArmTimer(HANDLE timer, const LARGE_INTEGER* due, LONG period, PTIMERAPCROUTINE routine,
                     LPVOID argument, BOOL resume) {
    ++g_system.arms;
    if (g_system.timer_fails) return FALSE;
    return SetWaitableTimer(timer, due, period, routine, argument, resume);
}

class PreciseSleeperCalls : public ::testing::Test {
protected:
    void SetUp() override {
        g_system = {};
        saved_ = SleepCalls();
        SleepCalls() = {&BeginPeriod, &EndPeriod, &ArmTimer};
    }
    void TearDown() override {
        EXPECT_EQ(g_system.unmatched, 0) << "a give-back without a raise standing";
        SleepCalls() = saved_;
    }
    static void Nap(PreciseSleeper& sleeper) {
        sleeper.SleepUntil(Clock::now() + std::chrono::milliseconds(1));
    }

private:
    SleepSystemCalls saved_;
};

TEST_F(PreciseSleeperCalls, EveryRaiseIsGivenBackOnceWhicheverWayTheSleepersGo) {
    {
        PreciseSleeper first(false);
        EXPECT_EQ(g_system.standing, 0) << "nothing is raised before a sleep";
        Nap(first);
        EXPECT_EQ(g_system.standing, 1);
        {
            PreciseSleeper second(false);
            Nap(second);
            EXPECT_EQ(g_system.standing, 1) << "the process holds one request, not two";
        }
        EXPECT_EQ(g_system.standing, 1) << "held while one sleeper is left";
        EXPECT_TRUE(PreciseSleeper::ResolutionRaised());
    }
    EXPECT_EQ(g_system.standing, 0);
    EXPECT_FALSE(PreciseSleeper::ResolutionRaised());

    g_system.refuse = true;
    {
        PreciseSleeper refused(false);
        Nap(refused);
        EXPECT_FALSE(PreciseSleeper::ResolutionRaised());
    }
    g_system.refuse = false;

    // A high-resolution timer that fails once is given up for the raised resolution.
    g_system.timer_fails = true;
    {
        PreciseSleeper fallen_back;
        Nap(fallen_back);
        ASSERT_GT(g_system.arms, 0) << "the high-resolution timer was never tried";
        EXPECT_EQ(fallen_back.method(), PreciseSleeper::Method::RaisedTimerResolution);
        EXPECT_EQ(g_system.standing, 1);
    }
    EXPECT_EQ(g_system.standing, 0);
}

TEST_F(PreciseSleeperCalls, TheProgramsEndGivesTheResolutionBackBeforeItsSleeperGoes) {
    PreciseSleeper sleeper(false);
    Nap(sleeper);
    ASSERT_EQ(g_system.standing, 1);
    // What rt::EndProgram runs before the process exits, where no destructor runs.
    rt::RunRestorers();
    EXPECT_EQ(g_system.standing, 0);
    EXPECT_FALSE(PreciseSleeper::ResolutionRaised());
}

}  // namespace
}  // namespace tivaro::platform::win32
