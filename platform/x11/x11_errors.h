// X errors. Xlib hands every failed request of the process to one handler. Where a request
// may fail for a reason outside the program (another program's window that went, a window of
// ours inside one, GL on such a window), it is made between the grab and the release of an
// ErrorTrap, which keeps the first error of those requests for the caller to read. Any other
// error is the program's own: it is reported on stderr, one line for each kind, and the
// program goes on (the request the server refused is simply not done).
#pragma once

#include <X11/Xlib.h>

#include <cstddef>

namespace tivaro::platform::x11 {

// Installs the process's X error handler (once; before the first connection opens).
void InstallErrorHandler();

class ErrorTrap {
public:
    // Grabs: the errors of the requests made on `display` from now on are this trap's.
    explicit ErrorTrap(Display* display);
    // Releases, if Release was not called.
    ~ErrorTrap();
    ErrorTrap(const ErrorTrap&) = delete;
    ErrorTrap& operator=(const ErrorTrap&) = delete;

    // Waits until the server has answered every request made since the grab, stops
    // trapping and gives the first error's code (Success when none failed). Again: the
    // same code.
    int Release();

private:
    friend void InstallErrorHandler();
    // Xlib's handler.
    static int OnError(Display* display, XErrorEvent* error);

    Display* display_;
    unsigned long first_serial_;  // of the first request trapped
    int code_ = Success;
    ErrorTrap* outer_;  // the trap that was grabbed before, if any
    bool released_ = false;
};

// Excuses the errors of the requests made in its life, without waiting for the server's
// answer: for the requests of every frame (making a context current on a window that may
// have gone, swapping its buffers), where a round trip would cost frame rate. Their errors
// come later, with the next events read, and are dropped by their request numbers.
class ErrorExcuse {
public:
    explicit ErrorExcuse(Display* display);
    ~ErrorExcuse();
    ErrorExcuse(const ErrorExcuse&) = delete;
    ErrorExcuse& operator=(const ErrorExcuse&) = delete;

private:
    std::size_t range_;  // its slot among the excused ranges
};

}  // namespace tivaro::platform::x11
