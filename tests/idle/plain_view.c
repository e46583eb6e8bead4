/* A plain window for the tests (an xdg-shell toplevel, app_id "tivaro-test-view", filled
 * grey), for the compositor to hang an idle inhibitor on. With the argument "inhibit" it holds
 * a zwp_idle_inhibitor_v1 on its surface itself, as a video player's window does, and the
 * line "release" destroys that (the window stays) and prints "released". It prints "shown"
 * once the compositor has its first picture, and lasts until its input ends. */
#define _GNU_SOURCE
#include <poll.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/mman.h>
#include <unistd.h>
#include <wayland-client.h>

#include "idle-inhibit-unstable-v1-client-protocol.h"
#include "xdg-shell-client-protocol.h"

enum { WIDTH = 320, HEIGHT = 200 };

struct view {
    struct wl_compositor* compositor;
    struct wl_shm* shm;
    struct xdg_wm_base* wm_base;
    struct zwp_idle_inhibit_manager_v1* inhibit_manager;
    struct wl_surface* surface;
    struct wl_buffer* buffer;
    int configured;
};

static void fail(const char* what) {
    fprintf(stderr, "plain_view: %s\n", what);
    exit(1);
}

static void on_global(void* data, struct wl_registry* registry, uint32_t name,
                      const char* interface, uint32_t version) {
    struct view* view = data;
    (void)version;
    if (strcmp(interface, wl_compositor_interface.name) == 0)
        view->compositor = wl_registry_bind(registry, name, &wl_compositor_interface, 1);
    else if (strcmp(interface, wl_shm_interface.name) == 0)
        view->shm = wl_registry_bind(registry, name, &wl_shm_interface, 1);
    else if (strcmp(interface, xdg_wm_base_interface.name) == 0)
        view->wm_base = wl_registry_bind(registry, name, &xdg_wm_base_interface, 1);
    else if (strcmp(interface, zwp_idle_inhibit_manager_v1_interface.name) == 0)
        view->inhibit_manager =
            wl_registry_bind(registry, name, &zwp_idle_inhibit_manager_v1_interface, 1);
}

static void on_global_remove(void* data, struct wl_registry* registry, uint32_t name) {
    (void)data, (void)registry, (void)name;
}

static void on_ping(void* data, struct xdg_wm_base* base, uint32_t serial) {
    (void)data;
    xdg_wm_base_pong(base, serial);
}

static void on_configure(void* data, struct xdg_surface* xdg, uint32_t serial) {
    struct view* view = data;
    xdg_surface_ack_configure(xdg, serial);
    wl_surface_attach(view->surface, view->buffer, 0, 0);
    wl_surface_commit(view->surface);
    view->configured = 1;
}

static struct wl_buffer* grey_buffer(struct wl_shm* shm) {
    const int stride = WIDTH * 4;
    const int size = stride * HEIGHT;
    const int fd = memfd_create("plain_view", MFD_CLOEXEC);
    if (fd < 0 || ftruncate(fd, size) != 0) fail("no shared memory");
    void* pixels = mmap(NULL, (size_t)size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (pixels == MAP_FAILED) fail("no shared memory");
    memset(pixels, 0x80, (size_t)size);
    munmap(pixels, (size_t)size);
    struct wl_shm_pool* pool = wl_shm_create_pool(shm, fd, size);
    struct wl_buffer* made =
        wl_shm_pool_create_buffer(pool, 0, WIDTH, HEIGHT, stride, WL_SHM_FORMAT_XRGB8888);
    wl_shm_pool_destroy(pool);
    close(fd);
    return made;
}

/* Answers pings until the input ends; "release" destroys the inhibitor. */
static void serve(struct wl_display* display, struct zwp_idle_inhibitor_v1** inhibitor) {
    struct pollfd fds[2] = {{0, POLLIN, 0}, {wl_display_get_fd(display), POLLIN, 0}};
    char line[64];
    for (;;) {
        wl_display_flush(display);
        if (poll(fds, 2, -1) < 0) return;
        if (fds[0].revents) {
            const ssize_t got = read(0, line, sizeof line - 1);
            if (got <= 0) return;
            line[got] = '\0';
            if (strstr(line, "release") && *inhibitor) {
                zwp_idle_inhibitor_v1_destroy(*inhibitor);
                *inhibitor = NULL;
                wl_display_roundtrip(display);
                printf("released\n");
                fflush(stdout);
            }
        }
        if (fds[1].revents && wl_display_dispatch(display) < 0) return;
    }
}

int main(int argc, char** argv) {
    const int inhibit = argc > 1 && strcmp(argv[1], "inhibit") == 0;
    struct view view = {0};
    struct wl_display* display = wl_display_connect(NULL);
    if (display == NULL) fail("no Wayland display");
    static const struct wl_registry_listener registry_listener = {
        .global = on_global, .global_remove = on_global_remove};
    struct wl_registry* registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &registry_listener, &view);
    wl_display_roundtrip(display);
    if (!view.compositor || !view.shm || !view.wm_base) fail("missing globals");
    if (inhibit && !view.inhibit_manager) {
        fail("the compositor offers no zwp_idle_inhibit_manager_v1");
    }
    static const struct xdg_wm_base_listener base_listener = {.ping = on_ping};
    xdg_wm_base_add_listener(view.wm_base, &base_listener, NULL);
    view.buffer = grey_buffer(view.shm);
    view.surface = wl_compositor_create_surface(view.compositor);
    struct xdg_surface* xdg = xdg_wm_base_get_xdg_surface(view.wm_base, view.surface);
    static const struct xdg_surface_listener surface_listener = {.configure = on_configure};
    xdg_surface_add_listener(xdg, &surface_listener, &view);
    struct xdg_toplevel* toplevel = xdg_surface_get_toplevel(xdg);
    xdg_toplevel_set_app_id(toplevel, "tivaro-test-view");
    struct zwp_idle_inhibitor_v1* inhibitor =
        inhibit ? zwp_idle_inhibit_manager_v1_create_inhibitor(view.inhibit_manager, view.surface)
                : NULL;
    wl_surface_commit(view.surface);
    while (!view.configured && wl_display_dispatch(display) >= 0) {
    }
    wl_display_roundtrip(display);
    printf("shown\n");
    fflush(stdout);
    serve(display, &inhibitor);
    if (inhibitor) zwp_idle_inhibitor_v1_destroy(inhibitor);
    xdg_toplevel_destroy(toplevel);
    xdg_surface_destroy(xdg);
    wl_surface_destroy(view.surface);
    wl_buffer_destroy(view.buffer);
    if (view.inhibit_manager) zwp_idle_inhibit_manager_v1_destroy(view.inhibit_manager);
    xdg_wm_base_destroy(view.wm_base);
    wl_shm_destroy(view.shm);
    wl_compositor_destroy(view.compositor);
    wl_registry_destroy(registry);
    wl_display_disconnect(display);
    return 0;
}
