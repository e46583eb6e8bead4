// The one-instance rule across the window systems of one desktop session. A Wayland client
// cannot see other clients' windows, so while a top-level window of ours with a caption is
// open, its process holds a lock named after that caption and the session's display in
// $XDG_RUNTIME_DIR; a new start that finds the lock held knows the window is open. Both
// Linux backends hold and test it, so a dialog under X11 (Xwayland) and a saver under
// Wayland in one session see each other, while another session of the same user (a
// remote desktop, a second X server) keeps its own windows.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>

namespace tivaro::platform::posix {

class InstanceMarkers {
public:
    InstanceMarkers() = default;
    InstanceMarkers(const InstanceMarkers&) = delete;
    InstanceMarkers& operator=(const InstanceMarkers&) = delete;
    ~InstanceMarkers();

    // Marks `caption` as open for as long as `window` lives. Without a runtime directory
    // (no desktop session) nothing is marked.
    void Hold(std::uint64_t window, std::string_view caption);
    // The mark goes, and its file with it.
    void Release(std::uint64_t window);
    // Removes the files of every mark this process holds, however the program ends (its
    // restorers call this, and the end-signal handler when ending takes too long: it is safe
    // in a signal handler); the locks go with the process.
    static void RemoveHeldFiles() noexcept;
    // Whether another process holds the mark for `caption`.
    static bool HeldElsewhere(std::string_view caption);

    // The session's display: $WAYLAND_DISPLAY when set (X clients under Xwayland have it
    // too), else $DISPLAY without its screen number, else "".
    static std::string SessionName();
    // The lock's path, or "" when $XDG_RUNTIME_DIR is unset, not absolute or the caption
    // cannot name a file.
    static std::string PathFor(std::string_view caption);

private:
    struct Held {
        int fd = -1;  // locked
        std::string path;
    };
    std::unordered_map<std::uint64_t, Held> held_;  // by window
};

}  // namespace tivaro::platform::posix
