#include "controls/set_command_controls.h"

#include <vector>

#include "controls/command.h"
#include "toolkit/runtime/errors.h"

namespace tivaro::Velkor_B {
namespace {

void Collect(forms::Widget& widget, std::vector<forms::Widget*>& out) {
    for (forms::Widget* child : widget.Children()) {
        out.push_back(child);
        // A user control's constituents are its own, not the form's controls.
        if (dynamic_cast<controls::Command*>(child) == nullptr) Collect(*child, out);
    }
}

}  // namespace

void SetCommandControls(forms::Widget& container, rt::Bool16 doInitialize, rt::Bool16 enabled) {
    std::vector<forms::Widget*> controls;
    rt::StepsIgnoringErrors([&] { Collect(container, controls); });
    for (forms::Widget* control : controls) {
        auto* button = dynamic_cast<controls::Command*>(control);
        if (button == nullptr) continue;
        rt::StepsIgnoringErrors([&] {
            if (doInitialize == rt::kTrue) {
                button->Initialize();
            } else {
                button->SetEnabled(enabled == rt::kTrue ? rt::kTrue : rt::kFalse);
            }
        });
    }
}

}  // namespace tivaro::Velkor_B
