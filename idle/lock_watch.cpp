#include "lock_watch.h"

#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>

namespace tivaro::idle {
namespace {

constexpr const char* kLogin = "org.freedesktop.login1";
constexpr const char* kSession = "org.freedesktop.login1.Session";
constexpr std::uint64_t kLogindTimeout = 2 * 1000 * 1000;  // microseconds

// The object path of logind's session `method` finds from `arg`, or "" when there is none
// (no logind, or this process in no session).
template <class Arg>
std::string FindSession(sd_bus* system, const char* method, const char* signature, Arg arg) {
    sd_bus_message* call = nullptr;
    if (sd_bus_message_new_method_call(system, &call, kLogin, "/org/freedesktop/login1",
                                       "org.freedesktop.login1.Manager", method) < 0) {
        return {};
    }
    const MessagePtr owned_call(call);
    sd_bus_message* reply = nullptr;
    if (sd_bus_message_append(call, signature, arg) < 0 ||
        sd_bus_call(system, call, kLogindTimeout, nullptr, &reply) < 0) {
        return {};
    }
    const MessagePtr owned_reply(reply);
    const char* path = nullptr;
    return sd_bus_message_read(reply, "o", &path) >= 0 ? path : "";
}

}  // namespace

LockWatch::LockWatch(sd_bus* system, sd_bus* session, EventLoop& loop, Changed changed)
    : loop_(loop), changed_(std::move(changed)) {
    if (system != nullptr) WatchLogind(system);
    // gnome-shell 43 emits it under its own name; org.gnome.ScreenSaver is a relay that runs
    // only once something calls it.
    const char* const shields[] = {"org.gnome.ScreenSaver", "org.gnome.Shell.ScreenShield"};
    for (int i = 0; session != nullptr && i < 2; ++i) {
        sd_bus_slot* slot = nullptr;
        Check(sd_bus_match_signal(session, &slot, shields[i], "/org/gnome/ScreenSaver",
                                  "org.gnome.ScreenSaver", "ActiveChanged", OnGnome, this),
              "cannot follow GNOME's screen shield");
        slots_[2 + i].reset(slot);
    }
}

void LockWatch::WatchLogind(sd_bus* system) {
    std::string path = FindSession(system, "GetSessionByPID", "u", static_cast<uint32_t>(getpid()));
    if (const char* id = std::getenv("XDG_SESSION_ID"); path.empty() && id != nullptr && *id)
        path = FindSession(system, "GetSession", "s", id);
    if (path.empty()) return;  // no logind here: nothing to follow
    for (int i = 0; i < 2; ++i) {
        sd_bus_slot* slot = nullptr;
        if (sd_bus_match_signal(system, &slot, kLogin, path.c_str(), kSession,
                                i == 0 ? "Lock" : "Unlock", OnLogind, this) >= 0) {
            slots_[i].reset(slot);
        }
    }
}

int LockWatch::OnLogind(sd_bus_message* message, void* self, sd_bus_error*) {
    auto* watch = static_cast<LockWatch*>(self);
    const bool locked = std::strcmp(sd_bus_message_get_member(message), "Lock") == 0;
    return watch->loop_.Guard([watch, locked] { watch->changed_(locked); });
}

int LockWatch::OnGnome(sd_bus_message* message, void* self, sd_bus_error*) {
    auto* watch = static_cast<LockWatch*>(self);
    int active = 0;
    if (sd_bus_message_read(message, "b", &active) < 0) return 0;
    return watch->loop_.Guard([watch, active] { watch->changed_(active != 0); });
}

}  // namespace tivaro::idle
