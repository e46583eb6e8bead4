#include "watcher.h"

namespace tivaro::idle {

Watcher::Watcher(EventLoop& loop, Saver& saver, Milliseconds after, const TimerMaker& timers)
    : loop_(loop), saver_(saver), after_(after), afresh_(timers([this] {
          waiting_ = false;
          TryStart();
      })) {}

void Watcher::SessionIdle() noexcept {
    loop_.Guard([this] {
        idle_ = true;
        TryStart();
    });
}

void Watcher::SessionActive() noexcept {
    idle_ = false;
    used_ = false;
}

void Watcher::InhibitedChanged(bool held) noexcept {
    loop_.Guard([this, held] {
        inhibited_ = held;
        if (!held) WaitAfresh();
    });
}

void Watcher::LockedChanged(bool locked) noexcept {
    KeepOut(locked_, locked);  // out of the locker's way at once
}

void Watcher::DisplaysOffChanged(bool off) noexcept {
    KeepOut(dark_, off);
}

// While `flag` holds, no saver may run: a running one ends at once, and once it is gone idle
// is counted afresh.
void Watcher::KeepOut(bool& flag, bool holds) noexcept {
    loop_.Guard([this, &flag, holds] {
        flag = holds;
        if (holds) {
            saver_.End();
        } else {
            WaitAfresh();
        }
    });
}

void Watcher::SaverEnded(bool rearmed) noexcept {
    loop_.Guard([this, rearmed] {
        if (rearmed) idle_ = used_ = false;
        TryStart();
    });
}

void Watcher::SourceReplaced(Milliseconds wait) noexcept {
    after_ = wait;
    idle_ = false;
    // A saver running now belongs to this idle spell: the new source's first report of it
    // starts no other once it has ended.
    used_ = saver_.Running();
}

void Watcher::EnabledChanged(bool on) noexcept {
    loop_.Guard([this, on] {
        off_ = !on;
        if (on) WaitAfresh();
    });
}

void Watcher::WaitAfresh() {
    waiting_ = true;
    afresh_->Set(after_);
}

void Watcher::TryStart() {
    if (!idle_ || used_ || waiting_ || inhibited_ || locked_ || dark_ || off_ || saver_.Running())
        return;
    used_ = true;
    saver_.Start();
}

}  // namespace tivaro::idle
