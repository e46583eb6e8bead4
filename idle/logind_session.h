// This process's session in logind, on the system bus.
#pragma once

#include <string>

#include "event_loop.h"

namespace tivaro::idle {

inline constexpr const char* kLogind = "org.freedesktop.login1";
inline constexpr const char* kLogindSession = "org.freedesktop.login1.Session";

// The session's object path: the one this process runs in, else XDG_SESSION_ID's; "" when
// there is none (no logind, or no session), found quietly.
std::string LogindSessionPath(sd_bus* system);

}  // namespace tivaro::idle
