#include "watcher.h"

namespace tivaro::idle {

Watcher::Watcher(EventLoop& loop, SaverRunner& saver, Milliseconds after)
    : loop_(loop), saver_(saver), after_(after), afresh_(loop, [this] {
          waiting_ = false;
          TryStart();
      }) {}

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
    loop_.Guard([this, locked] {
        locked_ = locked;
        if (locked) {
            saver_.End();  // out of the locker's way at once
        } else {
            WaitAfresh();
        }
    });
}

void Watcher::DisplaysOffChanged(bool off) noexcept {
    loop_.Guard([this, off] {
        dark_ = off;
        if (off) {
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

void Watcher::WaitAfresh() {
    waiting_ = true;
    afresh_.Set(after_);
}

void Watcher::TryStart() {
    if (!idle_ || used_ || waiting_ || inhibited_ || locked_ || dark_ || saver_.Running()) return;
    used_ = true;
    saver_.Start();
}

}  // namespace tivaro::idle
