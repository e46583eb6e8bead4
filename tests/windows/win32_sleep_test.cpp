// The frame pacer's sleeper on Windows (under Wine here): it never ends a sleep before its
// deadline, whichever way it sleeps, and a raised timer resolution is given back both when
// the sleeper goes and when the program ends through its restorers.
#include "platform/win32/win32_sleep.h"

#include <gtest/gtest.h>

#include "platform/runtime/end.h"

namespace tivaro::platform::win32 {
namespace {

using Clock = std::chrono::steady_clock;

void ExpectNoEarlyWake(PreciseSleeper& sleeper) {
    for (int i = 0; i < 20; ++i) {
        const Clock::time_point when = Clock::now() + std::chrono::microseconds(1500 + 700 * i);
        sleeper.SleepUntil(when);
        EXPECT_GE(Clock::now(), when) << "sleep " << i;
    }
}

TEST(PreciseSleeper, NeverWakesBeforeItsDeadlineOnTheHighResolutionTimer) {
    PreciseSleeper sleeper;
    EXPECT_EQ(sleeper.method(), PreciseSleeper::Method::None);
    ExpectNoEarlyWake(sleeper);
    // Wine has the timer; a system without it falls back, and holds the resolution.
    if (sleeper.method() == PreciseSleeper::Method::HighResolutionTimer) {
        EXPECT_FALSE(PreciseSleeper::ResolutionRaised());
    } else {
        EXPECT_TRUE(PreciseSleeper::ResolutionRaised());
    }
}

TEST(PreciseSleeper, WithoutTheTimerRaisesTheResolutionAndGivesItBackWhenItGoes) {
    {
        PreciseSleeper sleeper(false);
        EXPECT_FALSE(PreciseSleeper::ResolutionRaised()) << "nothing is raised before a sleep";
        ExpectNoEarlyWake(sleeper);
        EXPECT_EQ(sleeper.method(), PreciseSleeper::Method::RaisedTimerResolution);
        EXPECT_TRUE(PreciseSleeper::ResolutionRaised());
        {
            PreciseSleeper second(false);
            second.SleepUntil(Clock::now() + std::chrono::milliseconds(1));
        }
        EXPECT_TRUE(PreciseSleeper::ResolutionRaised()) << "held while one sleeper is left";
    }
    EXPECT_FALSE(PreciseSleeper::ResolutionRaised());
}

TEST(PreciseSleeper, TheProgramsEndGivesTheResolutionBack) {
    PreciseSleeper sleeper(false);
    sleeper.SleepUntil(Clock::now() + std::chrono::milliseconds(1));
    ASSERT_TRUE(PreciseSleeper::ResolutionRaised());
    // What rt::EndProgram runs before the process exits, where no destructor runs.
    rt::RunRestorers();
    EXPECT_FALSE(PreciseSleeper::ResolutionRaised());
}

}  // namespace
}  // namespace tivaro::platform::win32
