#include "gnome_delay.h"

#include <gio/gio.h>

#include <memory>

#include "gnome_shell.h"

namespace tivaro::settings_app {
namespace {

// tivaro-idle heeds GNOME's delay only where it takes the idle time from GNOME's monitor.
bool GnomeMonitorOnBus() {
    GDBusConnection* bus = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr);
    if (bus == nullptr) return false;
    const std::unique_ptr<GDBusConnection, decltype(&g_object_unref)> owned(bus, g_object_unref);
    GVariant* answer = g_dbus_connection_call_sync(
        bus, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
        "NameHasOwner", g_variant_new("(s)", "org.gnome.Mutter.IdleMonitor"), G_VARIANT_TYPE("(b)"),
        G_DBUS_CALL_FLAGS_NONE, 2000, nullptr, nullptr);
    if (answer == nullptr) return false;
    gboolean has = FALSE;
    g_variant_get(answer, "(b)", &has);
    g_variant_unref(answer);
    return has != FALSE;
}

std::string Minutes(long long seconds) {
    if (seconds % 60 != 0) return std::to_string(seconds) + " seconds";
    const long long minutes = seconds / 60;
    return std::to_string(minutes) + (minutes == 1 ? " minute" : " minutes");
}

}  // namespace

std::chrono::seconds GnomeBlankDelay() {
    if (!GnomeMonitorOnBus()) return std::chrono::seconds(0);
    return std::chrono::duration_cast<std::chrono::seconds>(idle::GnomeIdleDelay());
}

std::string GnomeDelayNote(std::chrono::seconds delay, int minutes) {
    if (delay.count() <= 0 || delay > std::chrono::minutes(minutes)) return "";
    return "GNOME blanks the screen after " + Minutes(delay.count()) +
           " (Settings › Power › Screen Blank), so the screen saver starts a little before "
           "that.";
}

}  // namespace tivaro::settings_app
