#include "platform/posix/end_signals.h"

#include <fcntl.h>
#include <poll.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <initializer_list>

#include "platform/posix/instance_marker.h"

namespace tivaro::platform::posix {
namespace {

volatile std::sig_atomic_t g_end_signal = 0;
int g_pipe[2] = {-1, -1};

// How long the program may take to end by itself once asked to, so that it is gone within a
// second whatever its display server does.
constexpr long kGraceNanoseconds = 800'000'000;
// Written once, before the handlers that read them are installed; the release store of
// g_grace_timer_made and the handlers' acquire load order the timer before its flag.
timer_t g_grace_timer{};
std::atomic<bool> g_grace_timer_made{false};
static_assert(std::atomic<bool>::is_always_lock_free, "read in a signal handler");

extern "C" void OnEndSignal(int) {
    const int saved = errno;
    // Ending is the event processing's job; should it not come to it in time (stuck in a
    // call to a compositor or server that stopped answering), the program ends anyway.
    if (g_end_signal == 0) {
        if (g_grace_timer_made.load(std::memory_order_acquire)) {
            const itimerspec grace{{0, 0}, {0, kGraceNanoseconds}};
            timer_settime(g_grace_timer, 0, &grace, nullptr);
        } else {
            alarm(1);
        }
    }
    g_end_signal = 1;
    const char byte = 1;
    // A full pipe already wakes the wait; the result does not matter.
    [[maybe_unused]] const ssize_t written = write(g_pipe[1], &byte, 1);
    errno = saved;
}

extern "C" void OnGraceOver(int) {
    // Only what is safe in a signal handler: the lock files go; the display connection, the
    // grabs and the pointer go with the process.
    InstanceMarkers::RemoveHeldFiles();
    _exit(0);
}

}  // namespace

void InstallEndSignals() {
    if (g_pipe[0] >= 0) return;
    if (pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        g_pipe[0] = g_pipe[1] = -1;
        return;
    }
    // Everything the handlers read is in place before the first of them can run: the pipe,
    // the grace timer, and the grace handler before the end handlers that arm it.
    sigevent on_expiry{};
    on_expiry.sigev_notify = SIGEV_SIGNAL;
    on_expiry.sigev_signo = SIGALRM;
    const bool made = timer_create(CLOCK_MONOTONIC, &on_expiry, &g_grace_timer) == 0;
    g_grace_timer_made.store(made, std::memory_order_release);
    struct sigaction action {};
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    action.sa_handler = &OnGraceOver;
    sigaction(SIGALRM, &action, nullptr);
    action.sa_handler = &OnEndSignal;
    for (int signal_number : {SIGTERM, SIGINT, SIGHUP}) sigaction(signal_number, &action, nullptr);
}

int EndSignalFd() {
    return g_pipe[0];
}

bool TakeEndSignal() {
    if (g_end_signal == 0) return false;
    char drain[64];
    while (g_pipe[0] >= 0 && read(g_pipe[0], drain, sizeof drain) > 0) {
    }
    return true;
}

void ReportEndSignal(std::vector<Event>& out) {
    static bool reported = false;
    if (reported || !TakeEndSignal()) return;
    reported = true;
    Event end;
    end.type = EventType::EndRequest;
    out.push_back(end);
}

void WaitForDisplay(int display_fd, int timeout_ms) {
    pollfd fds[2] = {{display_fd, POLLIN, 0}, {g_pipe[0], POLLIN, 0}};
    ::poll(fds, g_pipe[0] >= 0 ? 2 : 1, timeout_ms);
}

}  // namespace tivaro::platform::posix
