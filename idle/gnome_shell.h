// What tivaro-idle does for the saver's sake where GNOME's shell runs: the saver comes before
// GNOME's own blanking, and not into the activities overview.
#pragma once

#include "event_loop.h"

namespace tivaro::idle {

// GNOME's own idle delay (org.gnome.desktop.session idle-delay, through the gsettings tool,
// which reads whichever settings store the session uses), or zero when it is off, unset or
// cannot be read.
Milliseconds GnomeIdleDelay();

// The wait to ask of the idle monitor: `after`, or a little less than GNOME's idle delay when
// GNOME would blank the screen first (at `delay`), which is then said in one line on stderr.
Milliseconds BeforeGnomeBlanks(Milliseconds after, Milliseconds delay);

// Closes the shell's activities overview, quietly when it cannot: a fullscreen window that
// opens while it is shown appears only as a thumbnail inside it (gnome-shell 43). The shell
// is not waited for (one that hangs must not hold the saver up): it has the call long before
// a saver just started shows its window.
void CloseOverview(sd_bus* session) noexcept;

}  // namespace tivaro::idle
