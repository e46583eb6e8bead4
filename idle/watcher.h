// When the saver starts and ends. It starts on an idle report, once per idle spell: never
// while a program holds the screen awake or the session is locked, and after either ends
// only once the session has been idle for the whole wait again. A saver that ended is not
// followed by another before the session has been active and idle again. The lock ends it.
// While the saver is switched off (the settings), none starts; a running one stays.
#pragma once

#include <chrono>
#include <memory>

#include "event_loop.h"
#include "idle_source.h"
#include "saver.h"

namespace tivaro::idle {

class Watcher final : public IdleListener {
public:
    // `timers` makes the one that counts the wait afresh.
    Watcher(EventLoop& loop, Saver& saver, Milliseconds after, const TimerMaker& timers);

    void SessionIdle() noexcept override;
    void SessionActive() noexcept override;
    void InhibitedChanged(bool held) noexcept;
    void LockedChanged(bool locked) noexcept;
    // The displays went off (a running saver ends: nothing is seen) or came on again.
    void DisplaysOffChanged(bool off) noexcept;
    // The saver has ended; `rearmed`: the source reports idle afresh from now.
    void SaverEnded(bool rearmed) noexcept;
    // The wait the source reports idle after, where it differs from the one asked for.
    void WaitFor(Milliseconds wait) { after_ = wait; }
    // A new source, asked for `wait`, replaced the one before: its reports start afresh.
    void SourceReplaced(Milliseconds wait) noexcept;
    // Switched on, the saver comes once the session has been idle for the whole wait from now.
    void EnabledChanged(bool on) noexcept;

private:
    void TryStart();
    // Counting starts again: no saver before `after_` from now.
    void WaitAfresh();
    void KeepOut(bool& flag, bool holds) noexcept;

    EventLoop& loop_;
    Saver& saver_;
    Milliseconds after_;
    std::unique_ptr<Timer> afresh_;
    bool idle_ = false;     // the source's last report
    bool used_ = false;     // a saver started in this idle spell
    bool waiting_ = false;  // counting afresh, until afresh_ rings
    bool inhibited_ = false;
    bool locked_ = false;
    bool dark_ = false;  // the displays are off
    bool off_ = false;   // switched off in the settings
};

}  // namespace tivaro::idle
