// The program's entry: picks the window-system backend (X11 or Wayland) and loads its
// module, hands the command line to Main and, where Main returns (the preview), runs the
// message loop while a form is loaded.
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/host_options.h"
#include "app/pointer_pictures.h"
#include "app/still.h"
#include "app/velkor_b_main.h"
#include "app/window_system.h"
#include "platform/backend.h"
#include "platform/loader/modules.h"
#include "platform/posix/end_signals.h"
#include "toolkit/forms/application.h"
#include "toolkit/runtime/end.h"
#include "toolkit/runtime/errors.h"
#include "toolkit/runtime/options.h"

namespace {

using namespace tivaro;

app::Request RequestOf(bool behind, bool hosted, std::string_view command_line) {
    if (behind) return app::Request::Behind;
    if (hosted) return app::Request::XWindow;
    const std::string letter = Velkor_B::ModeLetter(command_line);
    if (letter == "P") return app::Request::XWindow;
    if (letter == "C") return app::Request::Dialog;
    return app::Request::Saver;
}

// The saver that covers the screen takes the keyboard: then it is held from the start,
// before anything that takes time (GL, the pictures), so that no key typed meanwhile
// reaches the program that had it. The preview, the dialog, a host's window and the picture
// behind a locker take none.
bool TakesInput(bool behind, bool hosted, std::string_view command_line) {
    if (behind || hosted) return false;
    return command_line.empty() || Velkor_B::ModeLetter(command_line) == "S";
}

// TIVARO_WAYLAND_SHELL=xdg takes a fullscreen xdg-shell toplevel per output even where the
// compositor has layer-shell (the way GNOME and Weston are covered).
bool WantsLayerShell() {
    const std::string& shell = rt::Environment().wayland_shell;
    if (shell.empty() || shell == "layer") return true;
    if (shell == "xdg") return false;
    throw rt::SetupError("TIVARO_WAYLAND_SHELL must be layer or xdg, not \"" + shell + "\"");
}

constexpr char kUsage[] =
    "Usage: tivaro [/s | /c | /p WINDOW | -root | -window-id WINDOW | --background]\n"
    "  /s, or nothing      the saver over every monitor (/s also hides the pointer);\n"
    "                      a key or a click ends it, moving the mouse does not\n"
    "  /c                  the credits dialog (X11, or Xwayland on a Wayland desktop)\n"
    "  /p WINDOW           a still picture inside the X window WINDOW (a preview pane)\n"
    "  -root, --root       the saver in the X screen-saver daemon's window, or the root\n"
    "  -window-id WINDOW   the saver inside the X window WINDOW (0x... or decimal)\n"
    "  --background        on Wayland, the picture behind a screen locker, on every output\n"
    "  --still WIDTHxHEIGHT[@SCALE] FILE\n"
    "                      writes the still /p shows in a pane of that size (at a display\n"
    "                      scale of 1 to 4) as PNG to FILE (- for standard output); no\n"
    "                      display needed\n"
    "Any other switch ends at once. tivaro-idle starts the saver when the session is idle.\n"
    "Environment: TIVARO_BACKEND=x11|wayland picks the window system; on Wayland\n"
    "TIVARO_WAYLAND_SHELL=xdg takes fullscreen windows instead of layer-shell surfaces.\n";

}  // namespace

int main(int argc, char** argv) {
    using namespace tivaro;
    // First of all: a signal from the very start ends the program as any other does.
    platform::posix::InstallEndSignals();
    // The command-line string is the program's arguments joined by single spaces.
    const std::vector<std::string> args(argv + 1, argv + argc);
    std::string command_line;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (i > 0) command_line += ' ';
        command_line += args[i];
    }
    if (args.size() == 1 && args[0] == "--help") {
        std::fputs(kUsage, stdout);
        return 0;
    }
    // The preview's still as a file needs no window system.
    if (const auto code = app::RunStillCommand(args)) return *code;
    // The screen-saver daemon's options come before the Windows mode letter.
    std::optional<app::HostRequest> host;
    try {
        host = app::ParseHostOptions(args, std::getenv("XSCREENSAVER_WINDOW"));
    } catch (const rt::RuntimeError& e) {
        std::fprintf(stderr, "tivaro: %s\n", e.what());
        return 2;
    }
    const bool behind = app::AsksToRunBehind(args);
    std::unique_ptr<platform::Backend> backend;
    platform::NativeWindow root = 0;
    try {
        const app::SessionEnvironment env{rt::Environment().backend.c_str(), std::getenv("DISPLAY"),
                                          std::getenv("WAYLAND_DISPLAY"),
                                          std::getenv("WAYLAND_SOCKET")};
        const app::WindowSystem system =
            app::ChooseWindowSystem(RequestOf(behind, host.has_value(), command_line), env,
                                    &platform::loader::WaylandCompositorAnswers);
        // Only the chosen system's module is loaded, with its libraries.
        if (system == app::WindowSystem::Wayland) {
            auto wayland = platform::loader::OpenBackend(platform::loader::Module::Wayland,
                                                         {.want_layer_shell = WantsLayerShell()});
            // Behind a locker the picture lies on the background layer; a fullscreen window
            // would lie over the lock instead and take its input.
            if (behind && !wayland.has_layer_shell) {
                throw rt::SetupError(
                    "--background needs a Wayland compositor with layer-shell (wlroots "
                    "desktops, KDE Plasma); this one has none");
            }
            backend = std::move(wayland.backend);
        } else {
            auto x11 = platform::loader::OpenBackend(
                platform::loader::Module::X11,
                {.take_input_now = TakesInput(behind, host.has_value(), command_line)});
            root = x11.root;
            backend = std::move(x11.backend);
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "tivaro: %s\n", e.what());
        return 1;
    }
    platform::SetCurrent(backend.get());
    app::HandOverPointerPictures(backend->Windows());
    if (behind) {
        rt::EndOnError([] { Velkor_B::SaverBehind(); });
    } else if (host) {
        const platform::NativeWindow window = host->window != 0 ? host->window : root;
        rt::EndOnError([&] { Velkor_B::HostSaver(window); });
    } else {
        rt::EndOnError([&] { Velkor_B::Main(command_line); });
    }
    rt::EndOnError([] { forms::Application::Get().Run(); });
    rt::EndProgram(0);
}
