#include "saver/end_gate.h"

// Windows locks the session itself when a screen saver ends ("On resume, display logon
// screen"): there is no gate to ask.
namespace tivaro::saver {

EndGate EndGate::FromEnvironment() {
    return EndGate();
}

EndGate::EndGate(EndGate&&) noexcept = default;
EndGate& EndGate::operator=(EndGate&&) noexcept = default;
EndGate::~EndGate() = default;

bool EndGate::Ask() {
    return false;
}

EndGate::Answer EndGate::Take() {
    return Answer::None;
}

}  // namespace tivaro::saver
