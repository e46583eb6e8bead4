// "On resume, display logon screen": the saver's end waits for the session's lock. Each
// saver started with the setting on gets one end of a socket pair as its end gate
// (TIVARO_END_GATE); when input would end it, it asks there and keeps the screen and the
// keyboard. Within the grace period it may go at once. Past it the lock is asked for: the
// user's LockCommand (which returns once the screen is locked, as `swaylock -f` does), else
// logind's Lock for the session (GNOME's shield, KDE's locker, an xss-lock setup), else
// GNOME's shield directly where no logind session exists. The saver goes once the lock is
// there (the command's success, LockedHint, the shield's ActiveChanged); when none comes in
// time, it stays and this says why in one line. The lock screen is never ours. A locker that
// stays running once locked (swaylock -f and i3lock fork and go on) holds the session locked
// for as long as it runs: this program is the subreaper of what its children leave behind.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "event_loop.h"
#include "idle_settings.h"

namespace tivaro::idle {

// How long a lock may take to come before the saver stays up instead.
inline constexpr Milliseconds kLockArrival{5000};

class ResumeLock {
public:
    // `held` is told when the session is locked by a locker of the lock command's (once the
    // saver has gone), and when the last of them has ended.
    // `logind_session`: the session's object path on `system`, or "" for none.
    ResumeLock(EventLoop& loop, sd_bus* system, std::string logind_session, sd_bus* session,
               std::function<void(bool locked)> held);
    ResumeLock(const ResumeLock&) = delete;
    ResumeLock& operator=(const ResumeLock&) = delete;
    ~ResumeLock();

    // Before a saver starts: the descriptor it gets as its gate (the saver's end, which the
    // caller closes once it is handed on), or -1 when `settings` do not lock on resume.
    int OpenGate(const IdleSettings& settings);
    // The lock is asked for and not there yet.
    bool Asking() const { return asking_; }
    // The session is locked: a saver waiting for it goes.
    void Locked();
    // After SIGCHLD: collects the lock command and the lockers it left, if they have ended,
    // and whatever else was left to this program; `saver` (the running saver, or 0) is not
    // touched.
    void Reap(pid_t saver);

private:
    static int OnGate(sd_event_source*, int fd, uint32_t, void* self);
    static int OnLockAnswer(sd_bus_message* answer, void* self, sd_bus_error*);
    void Decide();
    void AskForLock();
    void StartCommand();
    void CallLock(const char* destination, const char* path, const char* interface);
    void Answer(bool go);
    void Stay(const std::string& why);
    void CloseGate();
    void ReapLeftovers(pid_t saver, bool command_locked);

    EventLoop& loop_;
    sd_bus* system_;
    std::string logind_session_;
    sd_bus* session_;
    int gate_ = -1;
    SourcePtr gate_source_;
    SlotPtr call_;
    std::unique_ptr<Timer> deadline_;
    std::chrono::steady_clock::time_point started_;
    std::chrono::seconds grace_{0};
    std::string command_;
    pid_t command_pid_ = 0;
    std::function<void(bool)> held_;
    std::vector<pid_t> lockers_;
    std::vector<pid_t> before_command_;  // this program's children as the command started
    bool held_told_ = false;
    bool asking_ = false;
};

}  // namespace tivaro::idle
