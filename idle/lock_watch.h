// The session's lock, so the saver keeps out of the locker's way: logind's Lock and Unlock
// for this process's session and its LockedHint (system bus), and GNOME's
// org.gnome.ScreenSaver ActiveChanged (session bus). Either bus may be missing: then that
// side is not watched.
#pragma once

#include <functional>
#include <string>

#include "event_loop.h"

namespace tivaro::idle {

class LockWatch {
public:
    // `only_asked`: logind's Lock, which asks the session's locker to lock; LockedHint and
    // the shield say that the lock is there.
    using Changed = std::function<void(bool locked, bool only_asked)>;
    // `logind_session`: the session's object path on `system`, or "" for none.
    LockWatch(sd_bus* system, const std::string& logind_session, sd_bus* session, EventLoop& loop,
              Changed changed);

private:
    void WatchLogind(sd_bus* system, const std::string& path);
    static int OnLogind(sd_bus_message* message, void* self, sd_bus_error*);
    static int OnHint(sd_bus_message* message, void* self, sd_bus_error*);
    static int OnGnome(sd_bus_message* message, void* self, sd_bus_error*);

    EventLoop& loop_;
    Changed changed_;
    SlotPtr slots_[5];
};

}  // namespace tivaro::idle
