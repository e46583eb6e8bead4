// Which window system a start of the program runs on. On Linux a desktop session may offer
// a Wayland compositor, an X server (perhaps Xwayland beside the compositor) or both.
#pragma once

#include <functional>
#include <span>
#include <string>
#include <string_view>

namespace tivaro::app {

enum class WindowSystem { X11, Wayland };

// What the command line asks for, as far as the window system matters.
enum class Request {
    Saver,    // /s, no argument, or any other switch: whatever the session offers
    XWindow,  // the daemon's -root / -window-id, or /p: X windows by their ids
    Dialog,   // /c: the credits dialog, drawn through X (Xwayland on a Wayland desktop)
    Behind,   // --background: the picture behind a Wayland screen locker
};

struct SessionEnvironment {
    const char* forced = nullptr;           // TIVARO_BACKEND: "x11" or "wayland"
    const char* display = nullptr;          // DISPLAY
    const char* wayland_display = nullptr;  // WAYLAND_DISPLAY
    const char* wayland_socket = nullptr;   // WAYLAND_SOCKET
};

// "--background" among the arguments.
bool AsksToRunBehind(std::span<const std::string> args);

// The saver takes Wayland where the environment names a compositor and one answers
// (`compositor_answers` asks), else X11; a compositor that does not answer still gets the
// start when no X display is named, so that its absence is what is reported. A request
// that the chosen or forced system cannot serve raises a SetupError saying what it needs.
WindowSystem ChooseWindowSystem(Request request, const SessionEnvironment& env,
                                const std::function<bool()>& compositor_answers);

}  // namespace tivaro::app
