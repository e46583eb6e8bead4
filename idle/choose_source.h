// Picks the session's own idle source, the first that answers: on Wayland the compositor's
// ext-idle-notify-v1, else its org_kde_kwin_idle, else GNOME's idle monitor; on X11 GNOME's
// idle monitor where it is on the session bus, else the MIT-SCREEN-SAVER extension. Raises
// Failure where none answers, or where the X screen-saver daemon runs already.
#pragma once

#include <memory>

#include "idle_source.h"

namespace tivaro::idle {

std::unique_ptr<IdleSource> ChooseIdleSource(EventLoop& loop, sd_bus* session, Milliseconds after,
                                             IdleListener& listener);

}  // namespace tivaro::idle
