#include "choose_source.h"

#include <X11/Xlib.h>

#include <cstdlib>
#include <string>

#include "failure.h"
#include "screen_saver_daemon.h"
#include "wayland_connection.h"

namespace tivaro::idle {
namespace {

constexpr const char* kDaemonRuns =
    "the X screen-saver daemon runs in this session and starts the saver itself "
    "(tivaro-xscreensaver-add puts Tivaro in its list)";

bool GnomeMonitorOnBus(sd_bus* session) {
    if (session == nullptr) return false;
    int owned = 0;
    sd_bus_message* reply = nullptr;
    const int r = sd_bus_call_method(session, "org.freedesktop.DBus", "/org/freedesktop/DBus",
                                     "org.freedesktop.DBus", "NameHasOwner", nullptr, &reply, "s",
                                     "org.gnome.Mutter.IdleMonitor");
    const MessagePtr owned_reply(reply);
    return r >= 0 && sd_bus_message_read(reply, "b", &owned) >= 0 && owned != 0;
}

std::unique_ptr<IdleSource> OnWayland(std::unique_ptr<WaylandConnection> wayland, EventLoop& loop,
                                      sd_bus* session, Milliseconds after, IdleListener& listener) {
    if (DaemonInProcessTable()) throw Failure(kDaemonRuns);
    const bool ext = wayland->Offers("ext_idle_notifier_v1");
    if (ext || wayland->Offers("org_kde_kwin_idle")) {
        wayland->Attach(loop);
        return ext ? WatchExtIdle(std::move(wayland), after, listener)
                   : WatchKdeIdle(std::move(wayland), after, listener);
    }
    if (GnomeMonitorOnBus(session)) return WatchGnomeIdle(session, loop, after, listener);
    throw Failure(
        "the Wayland compositor offers no idle protocol (ext-idle-notify-v1 or "
        "org_kde_kwin_idle) and GNOME's idle monitor is not on the session bus");
}

}  // namespace

std::unique_ptr<IdleSource> ChooseIdleSource(EventLoop& loop, sd_bus* session, Milliseconds after,
                                             IdleListener& listener) {
    if (auto wayland = WaylandConnection::Open())
        return OnWayland(std::move(wayland), loop, session, after, listener);
    const char* name = std::getenv("DISPLAY");
    Display* display = name != nullptr && *name != '\0' ? XOpenDisplay(nullptr) : nullptr;
    if (display == nullptr) {
        throw Failure(
            "no display answers: neither WAYLAND_DISPLAY nor DISPLAY names one that is "
            "running");
    }
    if (DaemonMarksDisplay(display)) {
        XCloseDisplay(display);
        throw Failure(kDaemonRuns);
    }
    if (GnomeMonitorOnBus(session)) {
        XCloseDisplay(display);
        return WatchGnomeIdle(session, loop, after, listener);
    }
    return WatchX11Idle(display, loop, after, listener);
}

}  // namespace tivaro::idle
