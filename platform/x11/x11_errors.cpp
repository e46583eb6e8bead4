#include "platform/x11/x11_errors.h"

#include <array>
#include <cstddef>
#include <cstdio>
#include <set>
#include <string>
#include <tuple>

namespace tivaro::platform::x11 {
namespace {

ErrorTrap* g_trap = nullptr;  // the innermost trap, or none

// The request numbers excused last, newest at `g_next_range - 1`. Their errors arrive with
// the next events read, well before this many later excuses have come.
struct ExcusedRange {
    Display* display = nullptr;
    unsigned long first = 0;
    unsigned long end = 0;  // one past the last
};
std::array<ExcusedRange, 16> g_excused;
std::size_t g_next_range = 0;

bool Excused(Display* display, unsigned long serial) {
    for (const ExcusedRange& r : g_excused) {
        if (r.display == display && serial >= r.first && serial < r.end) return true;
    }
    return false;
}

// The name Xlib's error database gives a core request ("X_ChangeProperty"), or its number.
std::string RequestName(Display* display, const XErrorEvent& error) {
    const std::string number = std::to_string(error.request_code);
    char name[128] = {};
    XGetErrorDatabaseText(display, "XRequest", number.c_str(), "", name, sizeof name);
    if (name[0] != '\0') return name;
    return "request " + number + "." + std::to_string(error.minor_code);
}

// Once for each kind of error (its code, and the request that failed).
void Report(Display* display, const XErrorEvent& error) {
    static std::set<std::tuple<int, int, int>> reported;
    if (!reported.emplace(error.error_code, error.request_code, error.minor_code).second) return;
    char text[256] = {};
    XGetErrorText(display, error.error_code, text, sizeof text);
    std::fprintf(stderr, "tivaro: the X server refused %s (resource 0x%lx): %s; going on\n",
                 RequestName(display, error).c_str(), error.resourceid, text);
    std::fflush(stderr);
}

}  // namespace

// An error goes to the innermost trap that its request was made in; any other is reported.
int ErrorTrap::OnError(Display* display, XErrorEvent* error) {
    for (ErrorTrap* trap = g_trap; trap != nullptr; trap = trap->outer_) {
        if (trap->display_ != display || error->serial < trap->first_serial_) continue;
        if (trap->code_ == Success) trap->code_ = error->error_code;
        return 0;
    }
    if (Excused(display, error->serial)) return 0;
    Report(display, *error);
    return 0;
}

void InstallErrorHandler() {
    XSetErrorHandler(&ErrorTrap::OnError);
}

ErrorTrap::ErrorTrap(Display* display)
    : display_(display), first_serial_(NextRequest(display)), outer_(g_trap) {
    g_trap = this;
}

ErrorTrap::~ErrorTrap() {
    Release();
}

int ErrorTrap::Release() {
    if (released_) return code_;
    released_ = true;
    XSync(display_, False);
    // Traps are released in the reverse order of their grabs (they live on the stack).
    g_trap = outer_;
    return code_;
}

// The range opens with the excuse, so that a round trip made inside it drops its errors too,
// and closes at the next request number when the excuse ends.
ErrorExcuse::ErrorExcuse(Display* display) : range_(g_next_range) {
    g_excused[range_] = ExcusedRange{display, NextRequest(display), ~0UL};
    g_next_range = (g_next_range + 1) % g_excused.size();
}

ErrorExcuse::~ErrorExcuse() {
    ExcusedRange& r = g_excused[range_];
    r.end = NextRequest(r.display);
}

}  // namespace tivaro::platform::x11
