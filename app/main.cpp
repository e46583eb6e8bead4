// The program's entry: picks the window-system backend, hands the command line to Main
// and, where Main returns (the preview), runs the message loop while a form is loaded.
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/host_options.h"
#include "app/velkor_b_main.h"
#include "platform/backend.h"
#include "platform/forms/application.h"
#include "platform/runtime/end.h"
#include "platform/runtime/errors.h"
#include "platform/x11/x11_backend.h"

int main(int argc, char** argv) {
    using namespace tivaro;
    // The command-line string is the program's arguments joined by single spaces.
    const std::vector<std::string> args(argv + 1, argv + argc);
    std::string command_line;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (i > 0) command_line += ' ';
        command_line += args[i];
    }
    // The screen-saver daemon's options come before the Windows mode letter.
    std::optional<app::HostRequest> host;
    try {
        host = app::ParseHostOptions(args, std::getenv("XSCREENSAVER_WINDOW"));
    } catch (const rt::RuntimeError& e) {
        std::fprintf(stderr, "tivaro: %s\n", e.what());
        return 2;
    }
    std::unique_ptr<platform::x11::X11Backend> backend;
    try {
        backend = std::make_unique<platform::x11::X11Backend>();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "tivaro: %s\n", e.what());
        return 1;
    }
    platform::SetCurrent(backend.get());
    if (host) {
        const platform::NativeWindow window =
            host->window != 0 ? host->window : backend->RootWindowId();
        rt::EndOnError([&] { Velkor_B::HostSaver(window); });
    } else {
        rt::EndOnError([&] { Velkor_B::Main(command_line); });
    }
    rt::EndOnError([] { forms::Application::Get().Run(); });
    rt::EndProgram(0);
}
