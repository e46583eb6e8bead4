// The saver's end held until the session is locked. Started by tivaro-idle with
// "On resume, display logon screen" on, the saver finds a socket in TIVARO_END_GATE: on the
// key or click that would end it, it asks there ("end") and keeps the screen and the
// keyboard until the answer: "go" once the session is locked (or within the grace period),
// "stay" when no lock came. A gate that closes lets the saver go. Without the variable
// (every other start) there is no gate and the saver ends at once.
#pragma once

namespace tivaro::saver {

class EndGate {
public:
    enum class Answer { None, Go, Stay };

    // The gate named in TIVARO_END_GATE, or none; raises a runtime error (invalid
    // argument) when the variable names no open descriptor.
    static EndGate FromEnvironment();

    EndGate() = default;
    EndGate(EndGate&& other) noexcept;
    EndGate& operator=(EndGate&& other) noexcept;
    EndGate(const EndGate&) = delete;
    EndGate& operator=(const EndGate&) = delete;
    ~EndGate();

    // The saver would end now: true when it must wait for the answer instead (asked once
    // until an answer comes); false when there is no gate.
    bool Ask();
    // Whether an asked question is still unanswered.
    bool Waiting() const { return waiting_; }
    // The answer, if one has come; does not wait.
    Answer Take();

private:
    explicit EndGate(int fd) : fd_(fd) {}

    int fd_ = -1;
    bool waiting_ = false;
};

}  // namespace tivaro::saver
