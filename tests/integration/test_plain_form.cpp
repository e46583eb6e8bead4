// A form that shows nothing but its back colour, on the real X11 backend, with every call
// to the backend recorded on its way. It prints "Ready <window>" once shown and its first
// events handled, then takes lines on standard input: "events" handles what is pending
// and answers "Handled"; "end" prints how often the form's window was presented to and
// how many bytes of pixels the form holds, and ends.
#include <chrono>
#include <cstdio>
#include <exception>
#include <iostream>
#include <memory>
#include <string>

#include "platform/testing/recording_backend.h"
#include "toolkit/forms/application.h"
#include "toolkit/forms/form.h"
// Last: Xlib's headers define None, which our headers use as a name.
#include "platform/x11/x11_backend.h"

namespace {

using namespace tivaro;

class PlainForm : public forms::Form {
public:
    PlainForm() : forms::Form("frmPlain", platform::WindowKind::TopLevelPlain, "Plain test") {
        back_colour = gfx::RGB(40, 160, 90);
        Move(40, 30, 200, 120);
    }
};

void HandleEvents() {
    const auto until = forms::Application::Clock::now() + std::chrono::milliseconds(300);
    forms::Application::Get().RunWhile([&] { return forms::Application::Clock::now() < until; });
}

}  // namespace

int main() {
    std::unique_ptr<platform::x11::X11Backend> x11;
    try {
        x11 = std::make_unique<platform::x11::X11Backend>();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "test_plain_form: %s\n", e.what());
        return 1;
    }
    platform::testing::RecordingBackend recorder(x11.get());
    PlainForm form;
    form.Show();
    HandleEvents();
    std::printf("Ready %llu\n", static_cast<unsigned long long>(form.hWnd()));
    std::fflush(stdout);
    std::string line;
    while (std::getline(std::cin, line) && line != "end") {
        if (line != "events") continue;
        HandleEvents();
        std::puts("Handled");
        std::fflush(stdout);
    }
    const std::string window = std::to_string(form.hWnd());
    std::printf("Presented %d times, holding %zu bytes of pixels\n",
                recorder.Count("Present " + window), form.PixelBytes());
    form.Unload();
    return 0;
}
