// A small form with one push button, on the real X11 backend, for the button's
// integration test. It prints "Ready <form window> <button window>" once shown, and
// "Click" each time the button raises Click. A picture box comes first in the tab order,
// as the credits dialog's view does, so the button starts without the focus.
#include <cstdio>
#include <exception>
#include <memory>

#include "controls/command.h"
#include "controls/set_command_controls.h"
#include "platform/backend.h"
#include "toolkit/forms/application.h"
#include "toolkit/forms/form.h"
#include "toolkit/forms/property_bag.h"
#include "toolkit/runtime/end.h"
#include "toolkit/runtime/errors.h"
#include "platform/x11/x11_backend.h"

namespace {

using namespace tivaro;

constexpr char kCmdTestFormData[] = R"(caption = "Exit"
font = font {
    name = "ＭＳ Ｐゴシック"
    size = 9.75
    charset = 128
}
)";

class ButtonForm : public forms::Form {
public:
    ButtonForm() : forms::Form("frmButton", platform::WindowKind::TopLevelDialog, "Button test") {
        auto_redraw = true;
        back_colour = gfx::RGB(236, 233, 216);
        Move(100, 100, 200, 80);
        picView.tab_stop = true;
        picView.back_colour = gfx::RGB(128, 128, 255);
        picView.Move(120, 20, 60, 40);
        Cmd_Test.Move(20, 20, 73, 25);
        Cmd_Test.UserControl_ReadProperties(forms::PropertyBag::FromFormData(kCmdTestFormData));
        Cmd_Test.Click = [] {
            std::puts("Click");
            std::fflush(stdout);
        };
    }

    forms::Widget picView{this, "picView"};
    controls::Command Cmd_Test{this, "Cmd_Test"};

protected:
    void Form_Load() override { Velkor_B::SetCommandControls(*this, rt::kTrue, rt::kTrue); }
};

}  // namespace

int main() {
    std::unique_ptr<platform::x11::X11Backend> backend;
    try {
        backend = std::make_unique<platform::x11::X11Backend>();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "test_button_form: %s\n", e.what());
        return 1;
    }
    platform::SetCurrent(backend.get());
    ButtonForm form;
    rt::EndOnError([&] { form.Show(); });
    std::printf("Ready %llu %llu\n", static_cast<unsigned long long>(form.hWnd()),
                static_cast<unsigned long long>(form.Cmd_Test.hWnd()));
    std::fflush(stdout);
    rt::EndOnError([] { forms::Application::Get().Run(); });
    rt::EndProgram(0);
}
