#include "app/window_system.h"

#include <algorithm>

#include "toolkit/runtime/errors.h"

namespace tivaro::app {
namespace {

bool Set(const char* value) {
    return value != nullptr && *value != '\0';
}

[[noreturn]] void Refuse(const std::string& message) {
    throw rt::SetupError(message);
}

}  // namespace

bool AsksToRunBehind(std::span<const std::string> args) {
    return std::find(args.begin(), args.end(), "--background") != args.end();
}

WindowSystem ChooseWindowSystem(Request request, const SessionEnvironment& env,
                                const std::function<bool()>& compositor_answers) {
    std::string_view forced = Set(env.forced) ? env.forced : "";
    if (!forced.empty() && forced != "x11" && forced != "wayland") {
        Refuse("TIVARO_BACKEND must be x11 or wayland, not \"" + std::string(forced) + "\"");
    }
    const bool wayland_named = Set(env.wayland_display) || Set(env.wayland_socket);
    switch (request) {
        case Request::XWindow:
            if (forced == "wayland") Refuse("X window ids need X11, not TIVARO_BACKEND=wayland");
            return WindowSystem::X11;
        case Request::Dialog:
            if (forced == "wayland") {
                Refuse(
                    "the credits dialog needs an X display (Xwayland on a Wayland desktop), "
                    "not TIVARO_BACKEND=wayland");
            }
            if (forced.empty() && !Set(env.display) && wayland_named) {
                Refuse(
                    "the credits dialog needs an X display (Xwayland on a Wayland desktop); "
                    "DISPLAY is not set");
            }
            return WindowSystem::X11;
        case Request::Behind:
            if (forced == "x11") Refuse("--background needs a Wayland compositor, not X11");
            if (!wayland_named) {
                Refuse("--background needs a Wayland compositor; WAYLAND_DISPLAY is not set");
            }
            return WindowSystem::Wayland;
        case Request::Saver:
            break;
    }
    if (forced == "x11") return WindowSystem::X11;
    if (forced == "wayland") return WindowSystem::Wayland;
    if (!wayland_named && !Set(env.display)) {
        Refuse(
            "no display to run on: neither WAYLAND_DISPLAY nor DISPLAY is set; start tivaro "
            "from within a desktop session");
    }
    if (!wayland_named) return WindowSystem::X11;
    if (compositor_answers() || !Set(env.display)) return WindowSystem::Wayland;
    return WindowSystem::X11;
}

}  // namespace tivaro::app
