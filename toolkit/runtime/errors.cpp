#include "toolkit/runtime/errors.h"

#include "toolkit/runtime/end.h"

#include <cstdio>

namespace tivaro::rt {
namespace {

void ReportOnStderr(const std::string& message) {
    std::fprintf(stderr, "tivaro: %s\n", message.c_str());
    std::fflush(stderr);
}

FatalReporter g_reporter = &ReportOnStderr;

std::string Compose(ErrorNumber number, const std::string& detail) {
    std::string text = "Run-time error '" + std::to_string(static_cast<int>(number)) +
                       "': " + RuntimeError::Description(number);
    if (!detail.empty()) text += " (" + detail + ")";
    return text;
}

}  // namespace

RuntimeError::RuntimeError(ErrorNumber number) : RuntimeError(number, std::string()) {}

RuntimeError::RuntimeError(ErrorNumber number, const std::string& detail)
    : std::runtime_error(Compose(number, detail)), number_(number) {}

const char* RuntimeError::Description(ErrorNumber number) noexcept {
    switch (number) {
        case ErrorNumber::InvalidProcedureCall:
            return "Invalid procedure call or argument";
        case ErrorNumber::Overflow:
            return "Overflow";
        case ErrorNumber::SubscriptOutOfRange:
            return "Subscript out of range";
        case ErrorNumber::DivisionByZero:
            return "Division by zero";
    }
    return "Application-defined or object-defined error";
}

void Raise(ErrorNumber number) {
    throw RuntimeError(number);
}

void SetFatalReporter(FatalReporter reporter) noexcept {
    g_reporter = reporter != nullptr ? reporter : &ReportOnStderr;
}

void StandardErrorMessage(const RuntimeError& error) {
    StandardErrorMessage(std::string(error.what()));
}

void StandardErrorMessage(const std::string& message) {
    // The pointer and the screen-saver flag come back before the message is shown, so the
    // user can read it and close it with the mouse.
    RunRestorers();
    g_reporter(message);
    EndProgram(1);
}

}  // namespace tivaro::rt
