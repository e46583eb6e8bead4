#include "config_home.h"

#include <cstdlib>

#include "failure.h"

namespace tivaro::idle {

std::filesystem::path ConfigHome() {
    const char* config = std::getenv("XDG_CONFIG_HOME");
    if (config != nullptr && config[0] == '/') return config;
    const char* home = std::getenv("HOME");
    if (home == nullptr || home[0] != '/')
        throw Failure("cannot tell your home folder: HOME is not set");
    return std::filesystem::path(home) / ".config";
}

std::filesystem::path AutostartEntryPath() {
    return ConfigHome() / "autostart/tivaro-idle.desktop";
}

}  // namespace tivaro::idle
