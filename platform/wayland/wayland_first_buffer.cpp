// A black picture on each new surface as soon as the compositor gives it a size. A surface
// shows, and takes the keyboard, only once it has a buffer: EGL brings its first one after
// the driver, the context and the texture are set up, a good part of a second on a busy
// machine, and a key typed meanwhile would go to whatever had the keyboard before. The black
// buffer maps the surface at once; EGL's buffers replace it from the first frame on.
#include <sys/mman.h>
#include <unistd.h>
#include <wayland-client.h>

#include <cstdint>

#include "platform/wayland/wayland_backend.h"

namespace tivaro::platform::wayland {
namespace {

// The compositor is done with the buffer (EGL's first frame replaced it): it has no more use.
const wl_buffer_listener kReleased = [] {
    wl_buffer_listener l{};
    l.release = [](void* data, wl_buffer* buffer) {
        auto& s = *static_cast<WaylandBackend::Surface*>(data);
        if (s.first_buffer == buffer) s.first_buffer = nullptr;
        wl_buffer_destroy(buffer);
    };
    return l;
}();

// A buffer of zeros: XRGB8888 black, as a new file reads. Nothing is written or mapped here.
wl_buffer* BlackBuffer(wl_shm* shm, Point size) {
    const std::int32_t stride = size.x * 4;
    const std::int64_t bytes = std::int64_t{stride} * size.y;
    if (bytes <= 0 || bytes > INT32_MAX) return nullptr;
    const int fd = memfd_create("tivaro-black", MFD_CLOEXEC);
    if (fd < 0) return nullptr;
    wl_buffer* buffer = nullptr;
    if (ftruncate(fd, bytes) == 0) {
        wl_shm_pool* pool = wl_shm_create_pool(shm, fd, static_cast<std::int32_t>(bytes));
        buffer = wl_shm_pool_create_buffer(pool, 0, size.x, size.y, stride, WL_SHM_FORMAT_XRGB8888);
        wl_shm_pool_destroy(pool);  // the buffer keeps the memory
    }
    close(fd);
    return buffer;
}

}  // namespace

// Called on the surface's first configure, after its buffer scale (or viewport) is set, so
// the black buffer covers the configured size. Without wl_shm, or where memory fails, the
// surface waits for EGL's first frame as before.
void WaylandBackend::ShowBlack(Surface& s) {
    if (shm_ == nullptr || s.device.x <= 0 || s.device.y <= 0) return;
    wl_buffer* buffer = BlackBuffer(shm_, s.device);
    if (buffer == nullptr) return;
    wl_buffer_add_listener(buffer, &kReleased, &s);
    s.first_buffer = buffer;
    wl_surface_attach(s.surface, buffer, 0, 0);
    wl_surface_damage(s.surface, 0, 0, INT32_MAX, INT32_MAX);
    wl_surface_commit(s.surface);
}

void WaylandBackend::DropBlack(Surface& s) {
    if (s.first_buffer == nullptr) return;
    wl_buffer_destroy(s.first_buffer);
    s.first_buffer = nullptr;
}

}  // namespace tivaro::platform::wayland
