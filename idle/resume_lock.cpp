#include "resume_lock.h"

#include <sys/epoll.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <system_error>

#include "bus_call.h"
#include "logind_session.h"
#include "spawn.h"

namespace tivaro::idle {
namespace {

std::vector<pid_t> Children() {
    std::vector<pid_t> children;
    std::string path = "/proc/self/task/";
    path.append(std::to_string(getpid())).append("/children");
    std::ifstream list(path);
    for (pid_t pid = 0; list >> pid;) children.push_back(pid);
    return children;
}

}  // namespace

ResumeLock::ResumeLock(EventLoop& loop, sd_bus* system, std::string logind_session, sd_bus* session,
                       std::function<void(bool locked)> held)
    : loop_(loop),
      system_(system),
      logind_session_(std::move(logind_session)),
      session_(session),
      deadline_(std::make_unique<Alarm>(loop,
                                        [this] {
                                            Stay("the session did not lock within " +
                                                 std::to_string(kLockArrival.count() / 1000) +
                                                 " s");
                                        })),
      held_(std::move(held)) {
    // What the lock command leaves running (the locker itself, once it has forked) becomes
    // this program's child, so that its end is seen.
    prctl(PR_SET_CHILD_SUBREAPER, 1);
}

ResumeLock::~ResumeLock() {
    CloseGate();
}

int ResumeLock::OpenGate(const IdleSettings& settings) {
    CloseGate();
    if (!settings.lock_on_resume) return -1;
    int pair[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0) {
        std::fprintf(stderr,
                     "tivaro-idle: cannot make the saver's end gate (%s); it ends "
                     "without locking\n",
                     std::strerror(errno));
        return -1;
    }
    gate_ = pair[0];
    sd_event_source* source = nullptr;
    Check(sd_event_add_io(loop_.get(), &source, gate_, EPOLLIN, OnGate, this),
          "cannot watch the saver's end gate");
    gate_source_.reset(source);
    started_ = std::chrono::steady_clock::now();
    grace_ = std::chrono::seconds(settings.lock_grace_seconds);
    command_ = settings.lock_command;
    return pair[1];
}

int ResumeLock::OnGate(sd_event_source*, int fd, uint32_t, void* self) {
    auto* lock = static_cast<ResumeLock*>(self);
    char line[16];
    const ssize_t got = recv(fd, line, sizeof line, MSG_DONTWAIT);
    if (got < 0 && (errno == EAGAIN || errno == EINTR)) return 0;
    return lock->loop_.Guard([lock, got, &line] {
        if (got > 0 && std::string(line, static_cast<std::size_t>(got)) == "end\n") {
            lock->Decide();
        } else {
            lock->CloseGate();  // the saver ended (or said what no saver says)
        }
    });
}

// Within the grace period the saver goes as it would without the lock.
void ResumeLock::Decide() {
    if (asking_) return;
    if (std::chrono::steady_clock::now() - started_ < grace_) {
        Answer(true);
        return;
    }
    asking_ = true;
    deadline_->Set(kLockArrival);
    AskForLock();
}

void ResumeLock::AskForLock() {
    if (!command_.empty()) {
        StartCommand();
        return;
    }
    if (!logind_session_.empty()) {
        CallLock(kLogind, logind_session_.c_str(), kLogindSession);
    } else if (session_ != nullptr) {
        // The shell's own name: org.gnome.ScreenSaver is a relay that may not run.
        CallLock("org.gnome.Shell.ScreenShield", "/org/gnome/ScreenSaver", "org.gnome.ScreenSaver");
    } else {
        Stay(
            "nothing here locks the session (no logind session, no session bus, no "
            "LockCommand in idle.conf)");
    }
}

void ResumeLock::StartCommand() {
    before_command_ = Children();
    try {
        command_pid_ = SpawnUnblocked({"/bin/sh", "-c", command_});
    } catch (const std::system_error& error) {
        Stay("cannot run the LockCommand: " + std::string(error.what()));
    }
}

// The lock command returns once the screen is locked; one that fails locked nothing.
void ResumeLock::Reap(pid_t saver) {
    int status = 0;
    const bool ended = command_pid_ > 0 && waitpid(command_pid_, &status, WNOHANG) == command_pid_;
    const bool locked = ended && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    if (ended) command_pid_ = 0;
    ReapLeftovers(saver, locked);
    // The hold is told once the saver has gone by itself, its surfaces lasting to its end.
    const bool holding = !lockers_.empty();
    if (holding != held_told_ && (saver == 0 || !holding)) {
        held_told_ = holding;
        held_(holding);
    }
    if (!ended || !asking_) return;
    if (locked) {
        Answer(true);
    } else {
        Stay("the LockCommand \"" + command_ + "\" failed (" +
             (WIFEXITED(status) ? "status " + std::to_string(WEXITSTATUS(status))
                                : "signal " + std::to_string(WTERMSIG(status))) +
             ")");
    }
}

// This program's children other than the saver and the lock command are what the command
// left: once it has locked, the lockers (those that were not there before it started), whose
// end is the unlock; any other that ended is collected.
void ResumeLock::ReapLeftovers(pid_t saver, bool command_locked) {
    std::vector<pid_t> running;
    for (pid_t pid : Children()) {
        if (pid == saver || pid == command_pid_) continue;
        if (waitpid(pid, nullptr, WNOHANG) == pid) continue;  // ended: collected
        running.push_back(pid);
    }
    if (command_locked) {
        lockers_.clear();
        for (pid_t pid : running) {
            if (std::ranges::count(before_command_, pid) == 0) lockers_.push_back(pid);
        }
    } else {
        std::erase_if(lockers_, [&](pid_t pid) { return std::ranges::count(running, pid) == 0; });
    }
}

void ResumeLock::CallLock(const char* destination, const char* path, const char* interface) {
    sd_bus* bus = destination == kLogind ? system_ : session_;
    call_ = CallAsync(bus, OnLockAnswer, this, destination, path, interface, "Lock", "");
}

// The call's answer says only that the locker was asked; the lock itself comes as
// LockedHint or ActiveChanged.
int ResumeLock::OnLockAnswer(sd_bus_message* answer, void* self, sd_bus_error*) {
    auto* lock = static_cast<ResumeLock*>(self);
    const sd_bus_error* error = sd_bus_message_get_error(answer);
    if (error == nullptr) return 0;
    const std::string line = std::string("the lock was refused: ") +
                             (error->message != nullptr ? error->message : error->name);
    return lock->loop_.Guard([lock, line] { lock->Stay(line); });
}

void ResumeLock::Locked() {
    if (asking_) Answer(true);
}

void ResumeLock::Stay(const std::string& why) {
    if (!asking_) return;
    std::fprintf(stderr, "tivaro-idle: %s; the saver stays up\n", why.c_str());
    Answer(false);
}

void ResumeLock::Answer(bool go) {
    asking_ = false;
    deadline_->Cancel();
    call_.reset();
    if (gate_ >= 0) send(gate_, go ? "go\n" : "stay\n", go ? 3 : 5, MSG_NOSIGNAL);
}

void ResumeLock::CloseGate() {
    asking_ = false;
    deadline_->Cancel();
    call_.reset();
    gate_source_.reset();
    if (gate_ >= 0) close(gate_);
    gate_ = -1;
}

}  // namespace tivaro::idle
