#include "gnome_shell.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "bus_call.h"

namespace tivaro::idle {

Milliseconds GnomeIdleDelay() {
    // The tool rather than GLib in this program: it reads dconf, a keyfile or whatever store
    // the session set up, and an error there only leaves the delay unknown.
    const std::unique_ptr<FILE, int (*)(FILE*)> tool(
        popen("gsettings get org.gnome.desktop.session idle-delay 2>/dev/null", "r"), pclose);
    if (!tool) return Milliseconds(0);
    unsigned long seconds = 0;  // printed as "uint32 300"
    if (std::fscanf(tool.get(), "uint32 %lu", &seconds) != 1) return Milliseconds(0);
    return Milliseconds(static_cast<long long>(seconds) * 1000);
}

Milliseconds BeforeGnomeBlanks(Milliseconds after, Milliseconds delay) {
    if (delay.count() <= 0 || after < delay) return after;
    // A tenth of the delay ahead, one second at least and ten at most.
    const Milliseconds lead = std::clamp(delay / 10, Milliseconds(1000), Milliseconds(10000));
    const Milliseconds wait = std::max(delay - lead, Milliseconds(500));
    using Seconds = std::chrono::duration<double>;
    std::fprintf(stderr,
                 "tivaro-idle: GNOME blanks the screen after %.0f s idle (its idle delay, "
                 "org.gnome.desktop.session idle-delay): the saver comes at %.1f s instead of "
                 "%.0f s\n",
                 Seconds(delay).count(), Seconds(wait).count(), Seconds(after).count());
    return wait;
}

void CloseOverview(sd_bus* session) noexcept {
    SendCall(session, "org.gnome.Shell", "/org/gnome/Shell", "org.freedesktop.DBus.Properties",
             "Set", "ssv", "org.gnome.Shell", "OverviewActive", "b", 0);
}

}  // namespace tivaro::idle
