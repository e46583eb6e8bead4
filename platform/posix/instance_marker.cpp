#include "platform/posix/instance_marker.h"

#include <unistd.h>

#include <array>
#include <atomic>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <system_error>

#include "platform/posix/lock_file.h"
#include "toolkit/runtime/end.h"

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

namespace {

// The files of the marks this process holds, for RemoveHeldFiles, kept in fixed slots so
// that a signal handler may remove them too. A slot's path is written before it is marked
// used (release) and read only after it is seen used (acquire), so a handler that comes in
// between never sees the mark without its path.
struct HeldFile {
    std::array<char, PATH_MAX> path{};
    std::atomic<bool> used{false};
};
static_assert(std::atomic<bool>::is_always_lock_free, "a signal handler reads the flag");
std::array<HeldFile, 8> g_held_files;

void RememberFile(const std::string& path) {
    for (HeldFile& slot : g_held_files) {
        if (slot.used.load(std::memory_order_relaxed) || path.size() >= slot.path.size()) continue;
        std::memcpy(slot.path.data(), path.c_str(), path.size() + 1);
        slot.used.store(true, std::memory_order_release);
        return;
    }
}

void ForgetFile(const std::string& path) {
    for (HeldFile& slot : g_held_files) {
        if (slot.used.load(std::memory_order_acquire) && path == slot.path.data())
            slot.used.store(false, std::memory_order_relaxed);
    }
}

}  // namespace

InstanceMarkers::~InstanceMarkers() {
    while (!held_.empty()) Release(held_.begin()->first);
}

void InstanceMarkers::Hold(std::uint64_t window, std::string_view caption) {
    const std::string path = PathFor(caption);
    if (path.empty() || held_.count(window) != 0) return;
    int fd = -1;
    try {
        fd = TakeLockFile(path);
    } catch (const std::system_error&) {
        return;  // a mark that cannot be made keeps no window from opening
    }
    // Another instance may hold it already (two started at the same moment): the window
    // opens all the same, as a window search would let it.
    if (fd < 0) return;
    held_[window] = Held{fd, path};
    static const bool restorer_added = [] {
        rt::AddRestorer(&InstanceMarkers::RemoveHeldFiles);
        return true;
    }();
    (void)restorer_added;
    RememberFile(path);
}

void InstanceMarkers::Release(std::uint64_t window) {
    const auto it = held_.find(window);
    if (it == held_.end()) return;
    // Removed while still locked, so nobody takes a lock on a file that is going.
    unlink(it->second.path.c_str());
    ForgetFile(it->second.path);
    close(it->second.fd);
    held_.erase(it);
}

void InstanceMarkers::RemoveHeldFiles() noexcept {
    for (HeldFile& slot : g_held_files) {
        if (!slot.used.load(std::memory_order_acquire)) continue;
        unlink(slot.path.data());
        slot.used.store(false, std::memory_order_relaxed);
    }
}

bool InstanceMarkers::HeldElsewhere(std::string_view caption) {
    const std::string path = PathFor(caption);
    if (path.empty()) return false;
    const int fd = OpenIfLockedElsewhere(path);
    if (fd < 0) return false;
    close(fd);
    return true;
}

}  // namespace tivaro::platform::posix
