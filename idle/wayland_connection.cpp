#include "wayland_connection.h"

#include <sys/epoll.h>
#include <wayland-client.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>

#include "failure.h"

namespace tivaro::idle {
namespace {

constexpr const char* kGone = "the Wayland compositor went away";

}  // namespace

std::unique_ptr<WaylandConnection> WaylandConnection::Open() {
    const char* name = std::getenv("WAYLAND_DISPLAY");
    if (name == nullptr || *name == '\0') return nullptr;
    wl_display* display = wl_display_connect(nullptr);
    if (display == nullptr) return nullptr;
    std::unique_ptr<WaylandConnection> connection(new WaylandConnection(display));
    static const wl_registry_listener kListener = {.global = OnGlobal,
                                                   .global_remove = OnGlobalRemove};
    connection->registry_ = wl_display_get_registry(display);
    wl_registry_add_listener(connection->registry_, &kListener, connection.get());
    if (wl_display_roundtrip(display) < 0) return nullptr;
    return connection;
}

WaylandConnection::WaylandConnection(wl_display* display) : display_(display) {}

WaylandConnection::~WaylandConnection() {
    source_.reset();
    if (seat_ != nullptr) wl_seat_destroy(seat_);
    if (registry_ != nullptr) wl_registry_destroy(registry_);
    wl_display_disconnect(display_);
}

void WaylandConnection::OnGlobal(void* self, wl_registry*, std::uint32_t name,
                                 const char* interface, std::uint32_t version) {
    static_cast<WaylandConnection*>(self)->globals_.push_back({name, interface, version});
}

bool WaylandConnection::Offers(const char* interface) const {
    return std::any_of(globals_.begin(), globals_.end(),
                       [interface](const Global& g) { return g.interface == interface; });
}

void* WaylandConnection::Bind(const wl_interface* interface, std::uint32_t version) {
    for (const Global& global : globals_) {
        if (global.interface == interface->name) {
            return wl_registry_bind(registry_, global.name, interface,
                                    std::min(version, global.version));
        }
    }
    throw Failure(std::string("the compositor does not offer ") + interface->name);
}

wl_seat* WaylandConnection::Seat() {
    if (seat_ == nullptr) {
        if (!Offers(wl_seat_interface.name)) throw Failure("the compositor offers no seat");
        seat_ = static_cast<wl_seat*>(Bind(&wl_seat_interface, 1));
    }
    return seat_;
}

void WaylandConnection::Attach(EventLoop& loop) {
    loop_ = &loop;
    sd_event_source* source = nullptr;
    Check(sd_event_add_io(loop.get(), &source, wl_display_get_fd(display_), EPOLLIN, OnReadable,
                          this),
          "cannot watch the Wayland connection");
    source_.reset(source);
    Check(sd_event_source_set_prepare(source, OnPrepare), "cannot watch the Wayland connection");
}

int WaylandConnection::OnReadable(sd_event_source*, int, std::uint32_t, void* self) {
    auto* connection = static_cast<WaylandConnection*>(self);
    return connection->loop_->Guard([connection] {
        if (wl_display_dispatch(connection->display_) < 0) throw Failure(kGone);
    });
}

int WaylandConnection::OnPrepare(sd_event_source*, void* self) {
    auto* connection = static_cast<WaylandConnection*>(self);
    return connection->loop_->Guard([connection] {
        // Events already read (by a round trip) wait in the queue, not on the socket.
        if (wl_display_dispatch_pending(connection->display_) < 0 ||
            (wl_display_flush(connection->display_) < 0 && errno != EAGAIN)) {
            throw Failure(kGone);
        }
    });
}

}  // namespace tivaro::idle
