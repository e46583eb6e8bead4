// The wait for the compositor's events, on a connection of the test's own to a real
// compositor (headless sway): events that something else read off the socket into our queue
// must end it, as must the end signals' pipe.
#include <gtest/gtest.h>
#include <unistd.h>
#include <wayland-client.h>

#include <cstdint>

#include "platform/wayland/wayland_read.h"

namespace tivaro::platform::wayland {
namespace {

const wl_registry_listener kCountGlobals = {[](void* data, wl_registry*, std::uint32_t, const char*,
                                               std::uint32_t) { ++*static_cast<int*>(data); },
                                            [](void*, wl_registry*, std::uint32_t) {}};

class WaylandWait : public ::testing::Test {
protected:
    void SetUp() override {
        display = wl_display_connect(nullptr);
        ASSERT_NE(display, nullptr) << "no compositor: run under run_under_sway.sh";
    }
    void TearDown() override {
        if (registry != nullptr) wl_registry_destroy(registry);
        if (display != nullptr) wl_display_disconnect(display);
    }

    // A round trip on a queue of its own, as EGL makes when it sets up or swaps: it reads all
    // that the compositor sent, and leaves what is the default queue's there, unhandled.
    void ReadAsEglDoes() {
        wl_event_queue* own = wl_display_create_queue(display);
        ASSERT_GE(wl_display_roundtrip_queue(display, own), 0);
        wl_event_queue_destroy(own);
    }

    wl_display* display = nullptr;
    wl_registry* registry = nullptr;
};

TEST_F(WaylandWait, HandlesWhatIsAlreadyQueuedInsteadOfSleepingThroughIt) {
    int globals = 0;
    registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &kCountGlobals, &globals);
    ReadAsEglDoes();
    ASSERT_EQ(globals, 0) << "the compositor's globals wait in the queue, unhandled";
    // The socket is quiet now: only what is queued can be handled. (A wait on the socket
    // alone would sleep the whole time and handle nothing.)
    WaitAndDispatch(display, -1, 10000);
    EXPECT_GT(globals, 0);
}

TEST_F(WaylandWait, WakesForTheEndSignalsPipe) {
    ASSERT_GE(wl_display_roundtrip(display), 0);  // nothing left to handle
    int pipe_fds[2];
    ASSERT_EQ(pipe(pipe_fds), 0);
    ASSERT_EQ(write(pipe_fds[1], "x", 1), 1);
    // No time limit: a wait that did not wake here would hang until the test's own.
    WaitAndDispatch(display, pipe_fds[0], -1);
    char byte = 0;
    EXPECT_EQ(read(pipe_fds[0], &byte, 1), 1) << "the pipe is left for the program to drain";
    close(pipe_fds[0]);
    close(pipe_fds[1]);
}

}  // namespace
}  // namespace tivaro::platform::wayland
