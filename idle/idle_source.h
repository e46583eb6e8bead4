// Where tivaro-idle learns that the session is idle: the compositor or the X server, each
// behind this one small interface. A source reports an edge each way: idle once the session
// has been idle for the time asked (a fresh report after each return to activity), active at
// the first input after that. Idle inhibitors the display system knows of (Wayland's, X's
// suspension of its saver, GNOME's) hold the idle report back at the source.
#pragma once

#include <memory>

#include "event_loop.h"

struct _XDisplay;

namespace tivaro::idle {

class WaylandConnection;

class IdleListener {
public:
    // Neither raises: they run inside the display system's callbacks.
    virtual void SessionIdle() noexcept = 0;
    virtual void SessionActive() noexcept = 0;

protected:
    ~IdleListener() = default;
};

class IdleSource {
public:
    virtual ~IdleSource() = default;
    // What the source is, for the line the program starts with.
    virtual const char* Name() const = 0;
    // Asks for a fresh report: true when the source will report idle again only after the
    // whole wait from now (a compositor that saw no input while an inhibitor held would
    // otherwise never report idle again).
    virtual bool Rearm() { return false; }
    // Called just before each saver starts: what the desktop needs first.
    virtual void BeforeSaver() noexcept {}
    // How long the session must be idle before the source reports it: what was asked, unless
    // the desktop blanks the screen before that.
    virtual Milliseconds Wait(Milliseconds asked) const { return asked; }
};

// Wayland: ext-idle-notify-v1 and KDE's org_kde_kwin_idle; each takes the connection over.
std::unique_ptr<IdleSource> WatchExtIdle(std::unique_ptr<WaylandConnection> wayland,
                                         Milliseconds after, IdleListener& listener);
std::unique_ptr<IdleSource> WatchKdeIdle(std::unique_ptr<WaylandConnection> wayland,
                                         Milliseconds after, IdleListener& listener);
// GNOME's idle monitor on the session bus (Wayland or X11).
std::unique_ptr<IdleSource> WatchGnomeIdle(sd_bus* session, EventLoop& loop, Milliseconds after,
                                           IdleListener& listener);
// X11's MIT-SCREEN-SAVER extension; takes the display connection over.
std::unique_ptr<IdleSource> WatchX11Idle(_XDisplay* display, EventLoop& loop, Milliseconds after,
                                         IdleListener& listener);

}  // namespace tivaro::idle
