// --install and --uninstall: the XDG autostart entry that starts tivaro-idle with each of the
// user's sessions (~/.config/autostart/tivaro-idle.desktop, $XDG_CONFIG_HOME honoured), and the
// tivaro-idle of the running session. Each returns the one line that says what it did.
#pragma once

#include <string>

#include "command_line.h"

namespace tivaro::idle {

std::string Install(const Options& options);
std::string Uninstall();

}  // namespace tivaro::idle
