// Runtime errors: raised as exceptions that carry the runtime's error number and text.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace tivaro::rt {

enum class ErrorNumber : std::int32_t {
    InvalidProcedureCall = 5,
    Overflow = 6,
    SubscriptOutOfRange = 9,
    DivisionByZero = 11,
};

class RuntimeError : public std::runtime_error {
public:
    explicit RuntimeError(ErrorNumber number);
    RuntimeError(ErrorNumber number, const std::string& detail);

    ErrorNumber number() const noexcept { return number_; }
    // The runtime's own text for the number, e.g. "Overflow".
    static const char* Description(ErrorNumber number) noexcept;

private:
    ErrorNumber number_;
};

[[noreturn]] void Raise(ErrorNumber number);

// Something the program needs from its surroundings is missing (a display, a compositor, a
// shell or an OpenGL configuration): its text says in plain words what, and what to do.
// It is no runtime error: nothing ignores it, and it is reported as it stands.
class SetupError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The "standard error message": shows the error the way the platform does it (a line on
// stderr on Linux, a message box on Windows) and ends the process with a non-zero code.
using FatalReporter = void (*)(const std::string& message);
void SetFatalReporter(FatalReporter reporter) noexcept;
[[noreturn]] void StandardErrorMessage(const RuntimeError& error);
[[noreturn]] void StandardErrorMessage(const std::string& message);

// Errors ignored statement by statement: each step runs; a step that raises a runtime
// error is abandoned and the next one runs. Anything that is not a runtime error
// (out of memory, a logic fault) still propagates.
template <class Step>
void RunIgnoringErrors(Step&& step) {
    try {
        step();
    } catch (const RuntimeError&) {
    }
}

template <class... Steps>
void StepsIgnoringErrors(Steps&&... steps) {
    (RunIgnoringErrors(static_cast<Steps&&>(steps)), ...);
}

// No trap: a runtime error raised by `step` ends the program with the standard error
// message, whatever handler style the caller has; so does a SetupError, with its own text
// (what the surroundings lack, found only as the program runs: a host window that went, an
// output nothing can be drawn on).
template <class Step>
void EndOnError(Step&& step) {
    try {
        step();
    } catch (const RuntimeError& error) {
        StandardErrorMessage(error);
    } catch (const SetupError& error) {
        StandardErrorMessage(error.what());
    }
}

}  // namespace tivaro::rt
