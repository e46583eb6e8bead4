// org.freedesktop.ScreenSaver's inhibitions, served on the session bus where no one else
// serves them (GNOME and KDE do; sway and X11 desktops often do not): programs that play
// video or show slides call Inhibit(application, reason) -> cookie and UnInhibit(cookie).
// An inhibition lasts until its cookie is released or its caller leaves the bus.
#pragma once

#include <cstdint>
#include <functional>
#include <map>

#include "event_loop.h"

namespace tivaro::idle {

class InhibitorService {
public:
    using Changed = std::function<void(bool held)>;
    // Serves the name on `bus` unless another program owns it already (then does nothing).
    InhibitorService(sd_bus* bus, EventLoop& loop, Changed changed);
    InhibitorService(const InhibitorService&) = delete;
    InhibitorService& operator=(const InhibitorService&) = delete;
    ~InhibitorService();

private:
    using TrackPtr = std::unique_ptr<sd_bus_track, Unref<sd_bus_track, sd_bus_track_unref>>;
    static int OnInhibit(sd_bus_message* call, void* self, sd_bus_error* error);
    static int OnUnInhibit(sd_bus_message* call, void* self, sd_bus_error* error);
    static int OnCallerGone(sd_bus_track* track, void* self);
    void Release(std::map<std::uint32_t, TrackPtr>::iterator held);

    sd_bus* bus_;
    EventLoop& loop_;
    Changed changed_;
    bool serving_ = false;
    SlotPtr objects_[2];
    std::map<std::uint32_t, TrackPtr> held_;  // cookie -> its caller
    std::uint32_t next_cookie_ = 1;
};

}  // namespace tivaro::idle
