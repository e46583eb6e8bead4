/* Keys and a pointer for the KWin tests, through KWin's org_kde_kwin_fake_input (offered
 * when KWIN_WAYLAND_NO_PERMISSION_CHECKS=1), driven by commands on standard input, one a
 * line:
 *
 *   key CODE    press and release the key with this evdev code (30 is A)
 *   move X Y    move to (X, Y) in KWin's global layout (logical pixels)
 *   rel DX DY   move by (DX, DY)
 *   click       press and release the left button
 *   quit        end (so does the end of input)
 *
 * It prints "ready" once connected, and "ok" after each command once KWin has received it
 * ("error" for a command it does not know). Without a connection or the global, it says so
 * on stderr and exits 1. It stays connected between commands: KWin takes the device away
 * with the client. */
#define _POSIX_C_SOURCE 200809L
#include <errno.h>
#include <linux/input-event-codes.h>
#include <poll.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>
#include <wayland-client.h>

#include "fake-input-client-protocol.h"

static struct wl_display* display;
static struct wl_registry* registry;
static struct org_kde_kwin_fake_input* input;

static void fail(const char* what) {
    fprintf(stderr, "kwin_input: %s\n", what);
    exit(1);
}

static void global(void* data, struct wl_registry* from, uint32_t name, const char* interface,
                   uint32_t version) {
    (void)data;
    if (strcmp(interface, org_kde_kwin_fake_input_interface.name) == 0 && !input) {
        if (version < 4) fail("KWin's fake input is older than version 4 (no keys)");
        input = wl_registry_bind(from, name, &org_kde_kwin_fake_input_interface, 4);
    }
}

static void global_remove(void* data, struct wl_registry* from, uint32_t name) {
    (void)data, (void)from, (void)name;
}

static const struct wl_registry_listener registry_listener = {.global = global,
                                                              .global_remove = global_remove};

static void press_and_release(void (*send)(struct org_kde_kwin_fake_input*, uint32_t, uint32_t),
                              uint32_t code) {
    send(input, code, WL_POINTER_BUTTON_STATE_PRESSED);
    send(input, code, WL_POINTER_BUTTON_STATE_RELEASED);
}

/* 1 done, 0 quit, -1 not understood. */
static int command(const char* line) {
    double a, b;
    unsigned code;
    if (strcmp(line, "quit") == 0) return 0;
    if (sscanf(line, "key %u", &code) == 1) {
        press_and_release(org_kde_kwin_fake_input_keyboard_key, code);
    } else if (sscanf(line, "move %lf %lf", &a, &b) == 2) {
        org_kde_kwin_fake_input_pointer_motion_absolute(input, wl_fixed_from_double(a),
                                                        wl_fixed_from_double(b));
    } else if (sscanf(line, "rel %lf %lf", &a, &b) == 2) {
        org_kde_kwin_fake_input_pointer_motion(input, wl_fixed_from_double(a),
                                               wl_fixed_from_double(b));
    } else if (strcmp(line, "click") == 0) {
        press_and_release(org_kde_kwin_fake_input_button, BTN_LEFT);
    } else {
        fprintf(stderr, "kwin_input: unknown command: %s\n", line);
        return -1;
    }
    if (wl_display_roundtrip(display) < 0) fail("KWin went away");
    return 1;
}

/* Runs the commands of one read's complete lines; 0 once told to quit. */
static int run_lines(char* buffer, size_t* used) {
    char *start = buffer, *end;
    while ((end = strchr(start, '\n')) != NULL) {
        *end = '\0';
        int result = *start ? command(start) : 1;
        if (result == 0) return 0;
        printf(result > 0 ? "ok\n" : "error\n");
        fflush(stdout);
        start = end + 1;
    }
    *used = (size_t)(buffer + *used - start);
    memmove(buffer, start, *used);
    return 1;
}

int main(void) {
    display = wl_display_connect(NULL);
    if (!display) fail("cannot connect to the Wayland display");
    registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &registry_listener, NULL);
    if (wl_display_roundtrip(display) < 0) fail("KWin went away");
    if (!input) fail("no org_kde_kwin_fake_input (is KWIN_WAYLAND_NO_PERMISSION_CHECKS=1 set?)");
    org_kde_kwin_fake_input_authenticate(input, "kwin_input", "the tests drive the saver");
    if (wl_display_roundtrip(display) < 0) fail("KWin refused the fake input");
    printf("ready\n");
    fflush(stdout);

    char buffer[4096];
    size_t used = 0;
    for (;;) {
        struct pollfd fds[2] = {{STDIN_FILENO, POLLIN, 0}, {wl_display_get_fd(display), POLLIN, 0}};
        wl_display_flush(display);
        if (poll(fds, 2, -1) < 0) {
            if (errno == EINTR) continue;
            fail("poll failed");
        }
        if ((fds[1].revents & (POLLIN | POLLHUP | POLLERR)) && wl_display_dispatch(display) < 0)
            fail("KWin went away");
        if (!(fds[0].revents & (POLLIN | POLLHUP | POLLERR))) continue;
        ssize_t got = read(STDIN_FILENO, buffer + used, sizeof buffer - 1 - used);
        if (got <= 0) break; /* end of input */
        used += (size_t)got;
        buffer[used] = '\0';
        if (!run_lines(buffer, &used)) break;
        if (used == sizeof buffer - 1) used = 0; /* an overlong line: dropped */
    }
    org_kde_kwin_fake_input_destroy(input);
    wl_registry_destroy(registry);
    wl_display_disconnect(display);
    return 0;
}
