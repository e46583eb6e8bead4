/* A pointer for the tests: a virtual pointer device on the compositor's seat, driven by
 * commands on standard input, one a line:
 *
 *   move X Y    move to (X, Y) in the compositor's global layout (logical pixels)
 *   rel DX DY   move by (DX, DY)
 *   click       press and release the left button
 *   press       press the left button; release: release it
 *   layout      print the layout's box: "layout X Y WIDTH HEIGHT"
 *   quit        end (so does the end of input)
 *
 * It prints "ready" once the pointer exists, and "ok" after each command once the
 * compositor has received it. Without a connection or the globals it needs, it says so on
 * stderr and exits 1. */
#define _POSIX_C_SOURCE 200809L
#include <errno.h>
#include <linux/input-event-codes.h>
#include <poll.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <unistd.h>
#include <wayland-client.h>

#include "wlr-virtual-pointer-unstable-v1-client-protocol.h"
#include "xdg-output-unstable-v1-client-protocol.h"

#define MAX_OUTPUTS 16

struct output {
    uint32_t name; /* registry name; 0: slot free */
    struct wl_output* wl;
    struct zxdg_output_v1* xdg;
    int32_t x, y;                  /* layout position (wl_output.geometry, xdg_output) */
    int32_t mode_w, mode_h, scale; /* device size and scale, for want of xdg_output */
    int32_t logical_w, logical_h;  /* from xdg_output; 0 until known */
};

/* Everything the client holds is reachable from here, so that a leak checker finds no lost
 * object whichever way it ends. */
static struct wl_display* display;
static struct wl_registry* registry;
static struct zwlr_virtual_pointer_v1* pointer;
static struct wl_seat* seat;
static struct zwlr_virtual_pointer_manager_v1* manager;
static struct zxdg_output_manager_v1* xdg_manager;
static struct output outputs[MAX_OUTPUTS];

static void fail(const char* what) {
    fprintf(stderr, "virtual_pointer: %s\n", what);
    exit(1);
}

static uint32_t now_ms(void) {
    struct timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return (uint32_t)((uint64_t)ts.tv_sec * 1000u + (uint64_t)ts.tv_nsec / 1000000u);
}

/* wl_output: position and current mode; xdg_output: the logical box. */
static void output_geometry(void* data, struct wl_output* wl, int32_t x, int32_t y,
                            int32_t physical_width, int32_t physical_height, int32_t subpixel,
                            const char* make, const char* model, int32_t transform) {
    struct output* out = data;
    (void)wl, (void)physical_width, (void)physical_height, (void)subpixel, (void)make;
    (void)model, (void)transform;
    if (!out->xdg) {
        out->x = x;
        out->y = y;
    }
}

static void output_mode(void* data, struct wl_output* wl, uint32_t flags, int32_t width,
                        int32_t height, int32_t refresh) {
    struct output* out = data;
    (void)wl, (void)refresh;
    if (flags & WL_OUTPUT_MODE_CURRENT) {
        out->mode_w = width;
        out->mode_h = height;
    }
}

static void output_done(void* data, struct wl_output* wl) {
    (void)data, (void)wl;
}

static void output_scale(void* data, struct wl_output* wl, int32_t factor) {
    struct output* out = data;
    (void)wl;
    out->scale = factor;
}

/* Bound at version 2 at most: later versions' events are never sent. */
static const struct wl_output_listener output_listener = {
    .geometry = output_geometry, .mode = output_mode, .done = output_done, .scale = output_scale};

static void xdg_position(void* data, struct zxdg_output_v1* xdg, int32_t x, int32_t y) {
    struct output* out = data;
    (void)xdg;
    out->x = x;
    out->y = y;
}

static void xdg_size(void* data, struct zxdg_output_v1* xdg, int32_t width, int32_t height) {
    struct output* out = data;
    (void)xdg;
    out->logical_w = width;
    out->logical_h = height;
}

static void xdg_done(void* data, struct zxdg_output_v1* xdg) {
    (void)data, (void)xdg;
}
static void xdg_name(void* data, struct zxdg_output_v1* xdg, const char* name) {
    (void)data, (void)xdg, (void)name;
}
static void xdg_description(void* data, struct zxdg_output_v1* xdg, const char* text) {
    (void)data, (void)xdg, (void)text;
}

static const struct zxdg_output_v1_listener xdg_listener = {.logical_position = xdg_position,
                                                            .logical_size = xdg_size,
                                                            .done = xdg_done,
                                                            .name = xdg_name,
                                                            .description = xdg_description};

static void watch_output(struct output* out) {
    if (xdg_manager && out->wl && !out->xdg) {
        out->xdg = zxdg_output_manager_v1_get_xdg_output(xdg_manager, out->wl);
        zxdg_output_v1_add_listener(out->xdg, &xdg_listener, out);
    }
}

static void global(void* data, struct wl_registry* from, uint32_t name, const char* interface,
                   uint32_t version) {
    (void)data;
    if (strcmp(interface, wl_seat_interface.name) == 0 && !seat) {
        seat = wl_registry_bind(from, name, &wl_seat_interface, 1);
    } else if (strcmp(interface, zwlr_virtual_pointer_manager_v1_interface.name) == 0) {
        manager = wl_registry_bind(from, name, &zwlr_virtual_pointer_manager_v1_interface,
                                   version < 2 ? version : 2);
    } else if (strcmp(interface, zxdg_output_manager_v1_interface.name) == 0) {
        xdg_manager = wl_registry_bind(from, name, &zxdg_output_manager_v1_interface,
                                       version < 2 ? version : 2);
        for (int i = 0; i < MAX_OUTPUTS; ++i) watch_output(&outputs[i]);
    } else if (strcmp(interface, wl_output_interface.name) == 0) {
        for (int i = 0; i < MAX_OUTPUTS; ++i) {
            struct output* out = &outputs[i];
            if (out->name == 0) {
                memset(out, 0, sizeof *out);
                out->name = name;
                out->scale = 1;
                out->wl =
                    wl_registry_bind(from, name, &wl_output_interface, version < 2 ? version : 2);
                wl_output_add_listener(out->wl, &output_listener, out);
                watch_output(out);
                return;
            }
        }
        fail("too many outputs");
    }
}

static void global_remove(void* data, struct wl_registry* from, uint32_t name) {
    (void)data, (void)from;
    for (int i = 0; i < MAX_OUTPUTS; ++i) {
        struct output* out = &outputs[i];
        if (out->name == name) {
            if (out->xdg) zxdg_output_v1_destroy(out->xdg);
            wl_output_destroy(out->wl);
            memset(out, 0, sizeof *out);
        }
    }
}

static const struct wl_registry_listener registry_listener = {.global = global,
                                                              .global_remove = global_remove};

/* The box around all outputs in the global layout, in logical pixels. */
static int layout_box(int32_t* x0, int32_t* y0, int32_t* x1, int32_t* y1) {
    int any = 0;
    for (int i = 0; i < MAX_OUTPUTS; ++i) {
        const struct output* out = &outputs[i];
        if (out->name == 0) continue;
        int32_t w = out->logical_w ? out->logical_w : out->mode_w / (out->scale ? out->scale : 1);
        int32_t h = out->logical_h ? out->logical_h : out->mode_h / (out->scale ? out->scale : 1);
        if (w <= 0 || h <= 0) continue;
        if (!any || out->x < *x0) *x0 = out->x;
        if (!any || out->y < *y0) *y0 = out->y;
        if (!any || out->x + w > *x1) *x1 = out->x + w;
        if (!any || out->y + h > *y1) *y1 = out->y + h;
        any = 1;
    }
    return any;
}

static int command(const char* line) {
    double a, b;
    int32_t x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    if (strcmp(line, "quit") == 0) {
        return 0;
    } else if (sscanf(line, "move %lf %lf", &a, &b) == 2) {
        if (!layout_box(&x0, &y0, &x1, &y1)) {
            fprintf(stderr, "virtual_pointer: no output to move over\n");
            return -1;
        }
        double x = a - x0, y = b - y0;
        if (x < 0 || y < 0 || x > x1 - x0 || y > y1 - y0) {
            fprintf(stderr, "virtual_pointer: (%g, %g) is outside the layout\n", a, b);
            return -1;
        }
        zwlr_virtual_pointer_v1_motion_absolute(pointer, now_ms(), (uint32_t)x, (uint32_t)y,
                                                (uint32_t)(x1 - x0), (uint32_t)(y1 - y0));
        zwlr_virtual_pointer_v1_frame(pointer);
    } else if (sscanf(line, "rel %lf %lf", &a, &b) == 2) {
        zwlr_virtual_pointer_v1_motion(pointer, now_ms(), wl_fixed_from_double(a),
                                       wl_fixed_from_double(b));
        zwlr_virtual_pointer_v1_frame(pointer);
    } else if (strcmp(line, "click") == 0 || strcmp(line, "press") == 0 ||
               strcmp(line, "release") == 0) {
        if (strcmp(line, "release") != 0) {
            zwlr_virtual_pointer_v1_button(pointer, now_ms(), BTN_LEFT,
                                           WL_POINTER_BUTTON_STATE_PRESSED);
            zwlr_virtual_pointer_v1_frame(pointer);
        }
        if (strcmp(line, "press") != 0) {
            zwlr_virtual_pointer_v1_button(pointer, now_ms(), BTN_LEFT,
                                           WL_POINTER_BUTTON_STATE_RELEASED);
            zwlr_virtual_pointer_v1_frame(pointer);
        }
    } else if (strcmp(line, "layout") == 0) {
        if (!layout_box(&x0, &y0, &x1, &y1)) x0 = y0 = x1 = y1 = 0;
        printf("layout %d %d %d %d\n", x0, y0, x1 - x0, y1 - y0);
    } else {
        fprintf(stderr, "virtual_pointer: unknown command: %s\n", line);
        return -1;
    }
    if (wl_display_roundtrip(display) < 0) fail("the compositor went away");
    printf("ok\n");
    fflush(stdout);
    return 1;
}

int main(void) {
    display = wl_display_connect(NULL);
    if (!display) {
        const char* name = getenv("WAYLAND_DISPLAY");
        fprintf(stderr, "virtual_pointer: cannot connect to the Wayland display %s\n",
                name ? name : "(WAYLAND_DISPLAY is not set)");
        return 1;
    }
    registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &registry_listener, NULL);
    if (wl_display_roundtrip(display) < 0 || wl_display_roundtrip(display) < 0)
        fail("the compositor went away");
    if (!seat) fail("the compositor offers no wl_seat");
    if (!manager) fail("the compositor offers no zwlr_virtual_pointer_manager_v1");
    pointer = zwlr_virtual_pointer_manager_v1_create_virtual_pointer(manager, seat);
    if (wl_display_roundtrip(display) < 0) fail("the compositor refused the virtual pointer");
    printf("ready\n");
    fflush(stdout);

    char buffer[4096];
    size_t used = 0;
    for (;;) {
        while (wl_display_prepare_read(display) != 0) wl_display_dispatch_pending(display);
        wl_display_flush(display);
        struct pollfd fds[2] = {{STDIN_FILENO, POLLIN, 0}, {wl_display_get_fd(display), POLLIN, 0}};
        if (poll(fds, 2, -1) < 0) {
            wl_display_cancel_read(display);
            if (errno == EINTR) continue;
            fail("poll failed");
        }
        if (fds[1].revents & (POLLIN | POLLHUP | POLLERR)) {
            if (wl_display_read_events(display) < 0 || wl_display_dispatch_pending(display) < 0)
                fail("the compositor went away");
        } else {
            wl_display_cancel_read(display);
        }
        if (!(fds[0].revents & (POLLIN | POLLHUP | POLLERR))) continue;
        ssize_t got = read(STDIN_FILENO, buffer + used, sizeof buffer - 1 - used);
        if (got <= 0) break; /* end of input */
        used += (size_t)got;
        buffer[used] = '\0';
        char *start = buffer, *end;
        while ((end = strchr(start, '\n')) != NULL) {
            *end = '\0';
            if (end > start && end[-1] == '\r') end[-1] = '\0';
            int result = *start ? command(start) : 1;
            if (result == 0) goto done;
            if (result < 0) {
                printf("error\n");
                fflush(stdout);
            }
            start = end + 1;
        }
        used = (size_t)(buffer + used - start);
        memmove(buffer, start, used);
        if (used == sizeof buffer - 1) used = 0; /* an overlong line: dropped */
    }
done:
    zwlr_virtual_pointer_v1_destroy(pointer);
    wl_display_roundtrip(display);
    for (int i = 0; i < MAX_OUTPUTS; ++i) {
        if (outputs[i].xdg) zxdg_output_v1_destroy(outputs[i].xdg);
        if (outputs[i].wl) wl_output_destroy(outputs[i].wl);
    }
    if (xdg_manager) zxdg_output_manager_v1_destroy(xdg_manager);
    zwlr_virtual_pointer_manager_v1_destroy(manager);
    wl_seat_destroy(seat);
    wl_registry_destroy(registry);
    wl_display_disconnect(display);
    return 0;
}
