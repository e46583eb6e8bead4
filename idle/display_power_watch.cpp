#include "display_power_watch.h"

#include <cstring>

namespace tivaro::idle {
namespace {

constexpr const char* kDisplayConfig = "org.gnome.Mutter.DisplayConfig";
constexpr const char* kPath = "/org/gnome/Mutter/DisplayConfig";

// PowerSaveMode from a PropertiesChanged message's changed properties; -1 when it is not
// among them or the message is not as described.
int PowerSaveModeOf(sd_bus_message* message) {
    const char* interface = nullptr;
    if (sd_bus_message_read(message, "s", &interface) < 0 ||
        std::strcmp(interface, kDisplayConfig) != 0 ||
        sd_bus_message_enter_container(message, 'a', "{sv}") < 0) {
        return -1;
    }
    while (sd_bus_message_enter_container(message, 'e', "sv") > 0) {
        const char* name = nullptr;
        if (sd_bus_message_read(message, "s", &name) < 0) return -1;
        std::int32_t mode = -1;
        if (std::strcmp(name, "PowerSaveMode") == 0) {
            if (sd_bus_message_read(message, "v", "i", &mode) < 0) return -1;
            return mode;
        }
        if (sd_bus_message_skip(message, "v") < 0 || sd_bus_message_exit_container(message) < 0) {
            return -1;
        }
    }
    return -1;
}

}  // namespace

DisplayPowerWatch::DisplayPowerWatch(sd_bus* session, Changed changed)
    : changed_(std::move(changed)) {
    if (session == nullptr) return;
    sd_bus_slot* slot = nullptr;
    // Without the shell's interface there is nothing to follow; that is no error.
    if (sd_bus_match_signal(session, &slot, kDisplayConfig, kPath,
                            "org.freedesktop.DBus.Properties", "PropertiesChanged", OnChanged,
                            this) >= 0) {
        slot_.reset(slot);
    }
}

int DisplayPowerWatch::OnChanged(sd_bus_message* message, void* self, sd_bus_error*) {
    auto& watch = *static_cast<DisplayPowerWatch*>(self);
    const int mode = PowerSaveModeOf(message);
    if (mode < 0 || (mode != 0) == watch.off_) return 0;
    watch.off_ = mode != 0;
    watch.changed_(watch.off_);
    return 0;
}

}  // namespace tivaro::idle
