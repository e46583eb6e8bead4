#include "lock_watch.h"

#include <cstring>
#include <string>

#include "logind_session.h"

namespace tivaro::idle {
namespace {

// LockedHint's value, where a PropertiesChanged of logind's session carries it.
bool ReadLockedHint(sd_bus_message* message, bool& hint) {
    const char* interface = nullptr;
    if (sd_bus_message_read(message, "s", &interface) < 0 ||
        sd_bus_message_enter_container(message, 'a', "{sv}") < 0) {
        return false;
    }
    while (sd_bus_message_enter_container(message, 'e', "sv") > 0) {
        const char* name = nullptr;
        if (sd_bus_message_read(message, "s", &name) < 0) return false;
        if (std::strcmp(name, "LockedHint") == 0) {
            int value = 0;
            if (sd_bus_message_read(message, "v", "b", &value) < 0) return false;
            hint = value != 0;
            return true;
        }
        if (sd_bus_message_skip(message, "v") < 0 || sd_bus_message_exit_container(message) < 0)
            return false;
    }
    return false;
}

}  // namespace

LockWatch::LockWatch(sd_bus* system, const std::string& logind_session, sd_bus* session,
                     EventLoop& loop, Changed changed)
    : loop_(loop), changed_(std::move(changed)) {
    if (system != nullptr && !logind_session.empty()) WatchLogind(system, logind_session);
    // gnome-shell 43 emits it under its own name; org.gnome.ScreenSaver is a relay that runs
    // only once something calls it.
    const char* const shields[] = {"org.gnome.ScreenSaver", "org.gnome.Shell.ScreenShield"};
    for (int i = 0; session != nullptr && i < 2; ++i) {
        sd_bus_slot* slot = nullptr;
        Check(sd_bus_match_signal(session, &slot, shields[i], "/org/gnome/ScreenSaver",
                                  "org.gnome.ScreenSaver", "ActiveChanged", OnGnome, this),
              "cannot follow GNOME's screen shield");
        slots_[3 + i].reset(slot);
    }
}

void LockWatch::WatchLogind(sd_bus* system, const std::string& path) {
    for (int i = 0; i < 2; ++i) {
        sd_bus_slot* slot = nullptr;
        if (sd_bus_match_signal(system, &slot, kLogind, path.c_str(), kLogindSession,
                                i == 0 ? "Lock" : "Unlock", OnLogind, this) >= 0) {
            slots_[i].reset(slot);
        }
    }
    const std::string hint = std::string("type='signal',sender='") + kLogind + "',path='" + path +
                             "',interface='org.freedesktop.DBus.Properties',member="
                             "'PropertiesChanged',arg0='" +
                             kLogindSession + "'";
    sd_bus_slot* slot = nullptr;
    if (sd_bus_add_match(system, &slot, hint.c_str(), OnHint, this) >= 0) slots_[2].reset(slot);
}

int LockWatch::OnLogind(sd_bus_message* message, void* self, sd_bus_error*) {
    auto* watch = static_cast<LockWatch*>(self);
    const bool locked = std::strcmp(sd_bus_message_get_member(message), "Lock") == 0;
    return watch->loop_.Guard([watch, locked] { watch->changed_(locked, locked); });
}

int LockWatch::OnHint(sd_bus_message* message, void* self, sd_bus_error*) {
    auto* watch = static_cast<LockWatch*>(self);
    bool hint = false;
    if (!ReadLockedHint(message, hint)) return 0;  // another property changed
    return watch->loop_.Guard([watch, hint] { watch->changed_(hint, false); });
}

int LockWatch::OnGnome(sd_bus_message* message, void* self, sd_bus_error*) {
    auto* watch = static_cast<LockWatch*>(self);
    int active = 0;
    if (sd_bus_message_read(message, "b", &active) < 0) return 0;
    return watch->loop_.Guard([watch, active] { watch->changed_(active != 0, false); });
}

}  // namespace tivaro::idle
