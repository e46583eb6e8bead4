#include "platform/wayland/wayland_read.h"

#include <poll.h>
#include <time.h>
#include <wayland-client.h>

#include <algorithm>
#include <cerrno>

namespace tivaro::platform::wayland {
namespace {

// Until this thread may read the socket, what others read into the queue is handled; the
// number of events handled.
int PrepareRead(wl_display* display) {
    int handled = 0;
    while (wl_display_prepare_read(display) != 0) {
        const int now = wl_display_dispatch_pending(display);
        if (now < 0) throw ConnectionLost{};
        handled += now;
    }
    return handled;
}

// Flushes with a read prepared: a failure gives the read up first.
void FlushPrepared(wl_display* display) {
    try {
        FlushRequests(display);
    } catch (const ConnectionLost&) {
        wl_display_cancel_read(display);
        throw;
    }
}

// Reads what the socket has where `readable`, else gives the prepared read up; then
// handles what came.
void FinishRead(wl_display* display, bool readable) {
    if (readable) {
        if (wl_display_read_events(display) < 0) throw ConnectionLost{};
    } else {
        wl_display_cancel_read(display);
    }
    if (wl_display_dispatch_pending(display) < 0) throw ConnectionLost{};
}

}  // namespace

void FlushRequests(wl_display* display) {
    while (wl_display_flush(display) < 0) {
        if (errno != EAGAIN) throw ConnectionLost{};
        pollfd fd{wl_display_get_fd(display), POLLOUT, 0};
        if (::poll(&fd, 1, 1000) <= 0) throw ConnectionLost{};  // a compositor that reads nothing
    }
}

void ReadAndDispatch(wl_display* display, std::chrono::nanoseconds timeout) {
    PrepareRead(display);
    FlushPrepared(display);
    pollfd fd{wl_display_get_fd(display), POLLIN, 0};
    const auto wait = std::max(timeout, std::chrono::nanoseconds::zero());
    const timespec limit{static_cast<time_t>(wait.count() / 1000000000),
                         static_cast<long>(wait.count() % 1000000000)};
    FinishRead(display, ::ppoll(&fd, 1, &limit, nullptr) > 0);
}

void WaitAndDispatch(wl_display* display, int wake_fd, std::int32_t timeout_ms) {
    if (PrepareRead(display) > 0) {
        // Handled already: no waiting, nor reading.
        wl_display_cancel_read(display);
        FlushRequests(display);
        return;
    }
    FlushPrepared(display);
    pollfd fds[2] = {{wl_display_get_fd(display), POLLIN, 0}, {wake_fd, POLLIN, 0}};
    // A signal cuts the wait short (EINTR): its handler has written to `wake_fd`.
    const int ready = ::poll(fds, wake_fd >= 0 ? 2 : 1, timeout_ms);
    FinishRead(display, ready > 0 && fds[0].revents != 0);
}

}  // namespace tivaro::platform::wayland
