// Reading the compositor's connection, in the order libwayland asks of a program that shares
// it with others (EGL reads it too, into its own queue and ours): what is already queued is
// handled first, the requests are sent, and only then is the socket waited on and read.
// Waiting on the socket alone would sleep through events that are already queued.
#pragma once

#include <chrono>
#include <cstdint>

struct wl_display;

namespace tivaro::platform::wayland {

// The connection broke: the compositor went, or ended it for an error.
struct ConnectionLost {};

// Sends the requests made so far, waiting (a second at most) while the socket is full.
// Raises ConnectionLost.
void FlushRequests(wl_display* display);

// Handles what is queued, sends the requests, then waits up to `timeout` (none: not at all)
// for more from the compositor, reads it and handles it. Raises ConnectionLost.
void ReadAndDispatch(wl_display* display, std::chrono::nanoseconds timeout);

// Sleeps until the compositor has sent something and it has been handled, `wake_fd` (where
// not negative) can be read, or `timeout_ms` has passed (-1: no limit). Events already queued
// are handled at once, and then nothing is waited for. Raises ConnectionLost.
void WaitAndDispatch(wl_display* display, int wake_fd, std::int32_t timeout_ms);

}  // namespace tivaro::platform::wayland
