// When tivaro-idle starts and ends the saver: the watcher between a stand-in idle source, a
// stand-in saver and a clock the test moves by hand.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <vector>

#include "idle/watcher.h"

namespace tivaro::idle {
namespace {

using namespace std::chrono_literals;

constexpr Milliseconds kWait = 2000ms;

class FakeClock {
public:
    TimerMaker Timers() {
        return [this](std::function<void()> ring) {
            return std::make_unique<FakeTimer>(*this, std::move(ring));
        };
    }
    // Rings each timer whose time has come.
    void Advance(Milliseconds by) {
        now_ += by;
        for (FakeTimer* timer : timers_) {
            if (timer->armed_ && timer->due_ <= now_) {
                timer->armed_ = false;
                timer->ring_();
            }
        }
    }

private:
    class FakeTimer final : public Timer {
    public:
        FakeTimer(FakeClock& clock, std::function<void()> ring)
            : clock_(clock), ring_(std::move(ring)) {
            clock_.timers_.push_back(this);
        }
        ~FakeTimer() override { std::erase(clock_.timers_, this); }
        void Set(Milliseconds delay) override {
            armed_ = true;
            due_ = clock_.now_ + delay;
        }
        void Cancel() override { armed_ = false; }

        FakeClock& clock_;
        std::function<void()> ring_;
        bool armed_ = false;
        Milliseconds due_{0};
    };

    Milliseconds now_{0};
    std::vector<FakeTimer*> timers_;
};

class FakeSaver final : public Saver {
public:
    void Start() override {
        ++starts;
        running = true;
    }
    bool Running() const override { return running; }
    void End() override {
        ++ends_asked;
        if (!stubborn) running = false;
    }

    int starts = 0;
    int ends_asked = 0;
    bool running = false;
    bool stubborn = false;  // stays on when asked to end
};

// A compositor's idle report: a fresh one after each return to activity, and after Rearm().
class FakeSource final : public IdleSource {
public:
    explicit FakeSource(IdleListener& listener) : listener_(listener) {}
    const char* Name() const override { return "a test's idle source"; }
    bool Rearm() override { return true; }
    void Idle() { listener_.SessionIdle(); }
    void Active() { listener_.SessionActive(); }

private:
    IdleListener& listener_;
};

class WatcherTest : public testing::Test {
protected:
    // As tivaro-idle does on SIGCHLD: a saver that ended well has the source count afresh.
    void SaverEnds(bool well) {
        saver_.running = false;
        watcher_.SaverEnded(well && source_.Rearm());
    }

    // No saver before the whole wait from now, and one at its end.
    void ExpectSaverAfterTheWholeWait(const char* from) {
        const int before = saver_.starts;
        clock_.Advance(kWait - 1ms);
        EXPECT_EQ(saver_.starts, before) << "not before the whole wait after " << from;
        clock_.Advance(1ms);
        EXPECT_EQ(saver_.starts, before + 1) << "one at the end of the wait after " << from;
    }

    EventLoop loop_;
    FakeClock clock_;
    FakeSaver saver_;
    Watcher watcher_{loop_, saver_, kWait, clock_.Timers()};
    FakeSource source_{watcher_};
};

// A program holds the screen awake across a lock: neither the unlock nor the release alone
// lets a saver come, and after the last of them only the whole wait does.
TEST_F(WatcherTest, AnInhibitionAcrossALockHoldsTheSaverUntilBothEnd) {
    source_.Idle();
    ASSERT_EQ(saver_.starts, 1);
    watcher_.InhibitedChanged(true);
    watcher_.LockedChanged(true);
    EXPECT_EQ(saver_.ends_asked, 1) << "the lock ends the saver at once";
    SaverEnds(true);
    source_.Idle();  // the locked session idles on
    clock_.Advance(3 * kWait);
    watcher_.LockedChanged(false);
    clock_.Advance(3 * kWait);
    source_.Idle();
    EXPECT_EQ(saver_.starts, 1) << "unlocked, but still held awake";
    watcher_.InhibitedChanged(false);
    ExpectSaverAfterTheWholeWait("the release");

    // Released while still locked: the unlock starts the wait anew.
    watcher_.InhibitedChanged(true);
    watcher_.LockedChanged(true);
    SaverEnds(true);
    source_.Idle();
    watcher_.InhibitedChanged(false);
    clock_.Advance(3 * kWait);
    EXPECT_EQ(saver_.starts, 2) << "released, but still locked";
    watcher_.LockedChanged(false);
    ExpectSaverAfterTheWholeWait("the unlock");
    EXPECT_EQ(saver_.starts, 3);
}

// A saver that stays on when asked to end: asked again at each lock, never joined by a
// second one, and once it has gone at last the next comes only with a fresh idle report.
TEST_F(WatcherTest, ASaverThatWillNotDieIsNotJoinedByAnother) {
    saver_.stubborn = true;
    source_.Idle();
    ASSERT_EQ(saver_.starts, 1);
    watcher_.LockedChanged(true);
    watcher_.LockedChanged(false);
    clock_.Advance(kWait);
    EXPECT_EQ(saver_.starts, 1) << "the wait after the unlock starts none beside it";
    source_.Active();
    source_.Idle();
    EXPECT_EQ(saver_.starts, 1) << "nor does a new idle spell";
    watcher_.DisplaysOffChanged(true);
    watcher_.DisplaysOffChanged(false);
    watcher_.LockedChanged(true);
    EXPECT_EQ(saver_.ends_asked, 3) << "each lock and each dark spell asks it to end again";
    SaverEnds(true);
    watcher_.LockedChanged(false);
    clock_.Advance(kWait);
    EXPECT_EQ(saver_.starts, 1) << "its end made the source count afresh: no report yet";
    source_.Idle();
    EXPECT_EQ(saver_.starts, 2);
}

// A saver that failed is not started again in the same idle spell; the next one brings it.
TEST_F(WatcherTest, AFailedSaverWaitsForTheNextIdleSpell) {
    source_.Idle();
    SaverEnds(false);
    clock_.Advance(3 * kWait);
    EXPECT_EQ(saver_.starts, 1);
    source_.Active();
    source_.Idle();
    EXPECT_EQ(saver_.starts, 2);
}

// What the settings change while tivaro-idle runs. Switched off, no saver comes and a running
// one stays; on again, one comes after the whole wait. A new wait brings a new source: its
// report of the idle spell a saver runs in starts no second one after it (where the source
// cannot count afresh, as on X11), and its first report after a spell already used brings one
// (a compositor says nothing of the input it saw before it was asked).
TEST_F(WatcherTest, SettingsSwitchTheSaverAndReplaceTheSource) {
    source_.Idle();
    ASSERT_EQ(saver_.starts, 1);
    watcher_.EnabledChanged(false);
    EXPECT_EQ(saver_.ends_asked, 0) << "switched off, the running saver stays";
    SaverEnds(true);
    source_.Idle();
    clock_.Advance(3 * kWait);
    EXPECT_EQ(saver_.starts, 1) << "switched off, none comes";
    watcher_.EnabledChanged(true);
    ExpectSaverAfterTheWholeWait("switching on");

    FakeSource fresh{watcher_};
    watcher_.SourceReplaced(kWait);
    fresh.Idle();
    saver_.running = false;
    watcher_.SaverEnded(false);
    EXPECT_EQ(saver_.starts, 2) << "the new source's report of the same spell starts none";
    FakeSource another{watcher_};
    watcher_.SourceReplaced(kWait);
    another.Idle();
    EXPECT_EQ(saver_.starts, 3) << "the next source's first report brings one";
}

}  // namespace
}  // namespace tivaro::idle
