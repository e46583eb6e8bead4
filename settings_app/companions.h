// The programs the settings window starts: the saver (tivaro) and the idle watch
// (tivaro-idle), taken from this program's own folder, where they are installed and built
// beside it, or else from PATH.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace tivaro::settings_app {

// Where `name` lies; raises std::runtime_error when neither place has it.
std::filesystem::path FindCompanion(const std::string& name);

// Starts `name` with `args`, detached: nothing waits for it, nor reaps it. Raises
// std::runtime_error when it cannot be found or started.
void StartDetached(const std::string& name, const std::vector<std::string>& args);

}  // namespace tivaro::settings_app
