// tivaro-idle's connection to the Wayland compositor: the globals it offers, the seat whose
// idleness counts, and its place in the event loop.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "event_loop.h"

struct wl_display;
struct wl_interface;
struct wl_registry;
struct wl_seat;

namespace tivaro::idle {

class WaylandConnection {
public:
    // Connects to $WAYLAND_DISPLAY; nullptr when it is unset or nothing answers there.
    static std::unique_ptr<WaylandConnection> Open();
    WaylandConnection(const WaylandConnection&) = delete;
    WaylandConnection& operator=(const WaylandConnection&) = delete;
    ~WaylandConnection();

    bool Offers(const char* interface) const;
    // Binds the global of that interface (at `version` or the compositor's lower one); raises
    // Failure when it is not offered.
    void* Bind(const wl_interface* interface, std::uint32_t version);
    // The first seat; raises Failure when the compositor offers none.
    wl_seat* Seat();
    // Dispatches the compositor's events from `loop` and flushes requests before each wait;
    // the connection's end ends the loop.
    void Attach(EventLoop& loop);

private:
    struct Global {
        std::uint32_t name;
        std::string interface;
        std::uint32_t version;
    };
    explicit WaylandConnection(wl_display* display);
    static void OnGlobal(void* self, wl_registry*, std::uint32_t name, const char* interface,
                         std::uint32_t version);
    static void OnGlobalRemove(void*, wl_registry*, std::uint32_t) {}
    static int OnReadable(sd_event_source*, int, std::uint32_t events, void* self);
    static int OnPrepare(sd_event_source*, void* self);

    wl_display* display_;
    wl_registry* registry_ = nullptr;
    wl_seat* seat_ = nullptr;
    std::vector<Global> globals_;
    EventLoop* loop_ = nullptr;
    SourcePtr source_;
};

}  // namespace tivaro::idle
