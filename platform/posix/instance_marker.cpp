#include "platform/posix/instance_marker.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace tivaro::platform::posix {

std::string InstanceMarkers::SessionName() {
    std::string name;
    if (const char* wayland = std::getenv("WAYLAND_DISPLAY"); wayland != nullptr && *wayland) {
        name = wayland;
    } else if (const char* x = std::getenv("DISPLAY"); x != nullptr && *x) {
        name = x;
        // ":0.0" and ":0" are one display: its screens share the session.
        const std::size_t colon = name.rfind(':');
        const std::size_t dot = name.rfind('.');
        if (colon != std::string::npos && dot != std::string::npos && dot > colon) {
            name.erase(dot);
        }
    }
    for (char& c : name) {
        if (c == '/') c = '_';
    }
    return name;
}

std::string InstanceMarkers::PathFor(std::string_view caption) {
    const char* dir = std::getenv("XDG_RUNTIME_DIR");
    if (dir == nullptr || dir[0] != '/') return {};
    if (caption.empty() || caption.find('/') != std::string_view::npos ||
        caption.find('\0') != std::string_view::npos || caption == "." || caption == "..") {
        return {};
    }
    const std::string session = SessionName();
    return std::string(dir) + "/" + std::string(caption) + (session.empty() ? "" : "@") + session +
           ".lock";
}

InstanceMarkers::~InstanceMarkers() {
    for (const auto& [window, fd] : held_) close(fd);
}

void InstanceMarkers::Hold(std::uint64_t window, std::string_view caption) {
    const std::string path = PathFor(caption);
    if (path.empty() || held_.count(window) != 0) return;
    const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) return;
    // Another instance may hold it already (two started at the same moment): the window
    // opens all the same, as a window search would let it.
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        close(fd);
        return;
    }
    held_[window] = fd;
}

void InstanceMarkers::Release(std::uint64_t window) {
    const auto it = held_.find(window);
    if (it == held_.end()) return;
    close(it->second);  // the lock goes with the descriptor; the file stays for the next
    held_.erase(it);
}

bool InstanceMarkers::HeldElsewhere(std::string_view caption) {
    const std::string path = PathFor(caption);
    if (path.empty()) return false;
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) return false;  // never made: nobody holds it
    const bool held = flock(fd, LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    close(fd);  // a shared lock taken here goes again at once
    return held;
}

}  // namespace tivaro::platform::posix
