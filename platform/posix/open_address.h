// Opening an address with the desktop's default handler (xdg-open), without waiting for it.
#pragma once

#include <string_view>

namespace tivaro::platform::posix {

// `connection_fd` (the window system's connection, or -1) is closed in the opener, which
// must not share it.
void OpenWithDesktop(std::string_view address, int connection_fd);

}  // namespace tivaro::platform::posix
