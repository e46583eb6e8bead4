#include "logind_session.h"

#include <unistd.h>

#include <cstdint>
#include <cstdlib>

namespace tivaro::idle {
namespace {

constexpr std::uint64_t kLogindTimeout = 2 * 1000 * 1000;  // microseconds

// The object path of the session `method` finds from `arg`, or "".
template <class Arg>
std::string FindSession(sd_bus* system, const char* method, const char* signature, Arg arg) {
    sd_bus_message* call = nullptr;
    if (sd_bus_message_new_method_call(system, &call, kLogind, "/org/freedesktop/login1",
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

std::string LogindSessionPath(sd_bus* system) {
    if (system == nullptr) return {};
    std::string path =
        FindSession(system, "GetSessionByPID", "u", static_cast<std::uint32_t>(getpid()));
    if (const char* id = std::getenv("XDG_SESSION_ID"); path.empty() && id != nullptr && *id)
        path = FindSession(system, "GetSession", "s", id);
    return path;
}

}  // namespace tivaro::idle
