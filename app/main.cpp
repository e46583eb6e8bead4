// The program's entry: picks the window-system backend, hands the command line to Main
// and, where Main returns (the preview), runs the message loop while a form is loaded.
#include <cstdio>
#include <exception>
#include <memory>
#include <string>

#include "app/velkor_b_main.h"
#include "platform/backend.h"
#include "platform/forms/application.h"
#include "platform/runtime/end.h"
#include "platform/runtime/errors.h"
#include "platform/x11/x11_backend.h"

int main(int argc, char** argv) {
    using namespace tivaro;
    // The command-line string is the program's arguments joined by single spaces.
    std::string command_line;
    for (int i = 1; i < argc; ++i) {
        if (i > 1) command_line += ' ';
        command_line += argv[i];
    }
    std::unique_ptr<platform::x11::X11Backend> backend;
    try {
        backend = std::make_unique<platform::x11::X11Backend>();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "tivaro: %s\n", e.what());
        return 1;
    }
    platform::SetCurrent(backend.get());
    rt::EndOnError([&] { Velkor_B::Main(command_line); });
    rt::EndOnError([] { forms::Application::Get().Run(); });
    rt::EndProgram(0);
}
