// GNOME's own blank-screen delay, as tivaro-idle sees it: only where GNOME's idle monitor is
// on the session bus, read the way tivaro-idle reads it.
#pragma once

#include <chrono>
#include <string>

namespace tivaro::settings_app {

// GNOME's idle delay, or zero where GNOME does not run or has it off.
std::chrono::seconds GnomeBlankDelay();

// The line the window shows under the minutes: empty unless GNOME's delay (non-zero) comes
// before `minutes` or with them.
std::string GnomeDelayNote(std::chrono::seconds delay, int minutes);

}  // namespace tivaro::settings_app
