// The forms timer keeps a fixed schedule over simulated clocks: the event processing
// passes at a given frame interval and fires what is due, as the application does.
#include <gtest/gtest.h>

#include <chrono>

#include "toolkit/forms/timer.h"
#include "platform/testing/recording_backend.h"

namespace tivaro::forms {
namespace {

using Clock = Timer::Clock;
using std::chrono::microseconds;

class TimerScheduleTest : public ::testing::Test {
protected:
    // Event passes every `frame` from `from` for `span`; the ticks they deliver.
    int Run(Clock::time_point from, Clock::duration frame, Clock::duration span) {
        int ticks = 0;
        for (auto now = from; now < from + span; now += frame) {
            if (timer.Due(now)) {
                timer.Fire(now);
                ++ticks;
            }
        }
        return ticks;
    }

    platform::testing::RecordingBackend backend;
    Timer timer{10, true};  // the saver's 10 ms timer: one system tick of 15.625 ms
    const Clock::time_point start = timer.DueTime();
    const Clock::duration second = std::chrono::seconds(1);
};

TEST_F(TimerScheduleTest, GivesItsFullRateWheneverEventsComeThatOftenElseOneTickAPass) {
    EXPECT_EQ(Run(start, microseconds(8000), 10 * second), 640);
    EXPECT_EQ(Run(start + 10 * second, microseconds(16667), 10 * second), 600);
    EXPECT_EQ(Run(start + 20 * second, microseconds(40000), 10 * second), 250);
}

TEST_F(TimerScheduleTest, AStallIsNotCaughtUpAfterwards) {
    Run(start, microseconds(8000), second);
    // Half a second without event processing, then frames every 8 ms again: the ticks
    // come at the timer's own rate, not in a burst making up for the lost ones.
    const auto resumed = start + second + std::chrono::milliseconds(500);
    EXPECT_EQ(Run(resumed, microseconds(8000), std::chrono::milliseconds(200)), 13);
}

}  // namespace
}  // namespace tivaro::forms
