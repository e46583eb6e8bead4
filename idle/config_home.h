// The user's configuration folder: $XDG_CONFIG_HOME when it is an absolute path, else
// ~/.config. Raises Failure when neither it nor HOME says where that is.
#pragma once

#include <filesystem>

namespace tivaro::idle {

std::filesystem::path ConfigHome();

// The XDG autostart entry that --install writes and --uninstall removes.
std::filesystem::path AutostartEntryPath();

}  // namespace tivaro::idle
