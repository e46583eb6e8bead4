// The X screen-saver daemon's conventions, recognised on Linux before the mode letter is
// read. "-root" or "--root": run the saver in the window the daemon names in
// XSCREENSAVER_WINDOW, or in the screen's root window when that is unset. "-window-id ID"
// or "--window-id ID": run it in that window (the daemon's settings preview). Ids are
// hexadecimal with 0x or decimal. Any other command line keeps the Windows grammar.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace tivaro::app {

struct HostRequest {
    // The window to draw in; 0 means the screen's root window.
    std::uint32_t window = 0;
};

// Nothing when no option of the daemon is present. A missing or malformed id raises a
// RuntimeError whose message says what was wrong.
std::optional<HostRequest> ParseHostOptions(std::span<const std::string> args,
                                            const char* xscreensaver_window);

// "0x1a00007" or "52428807": a non-zero X window id; anything else raises.
std::uint32_t ParseWindowId(std::string_view text, std::string_view what);

}  // namespace tivaro::app
