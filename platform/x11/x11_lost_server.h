// The X server going away: one line on stderr and exit code 1, wherever it is noticed.
// The restorers run first (rt::EndForLostDisplay), except after a fault inside the GL
// library, where nothing but the line can be done safely.
#pragma once

#include <csignal>

struct xcb_connection_t;

namespace tivaro::platform::x11 {

[[noreturn]] void EndForLostServer();

// Ends the program as above when the connection has already failed.
void CheckServer(xcb_connection_t* connection);

// For the life of a guard, a fault inside a GLX call made as the server goes away (the GL
// library reads a reply that never came) ends the program as a lost server does. A fault
// while the connection still stands crashes as it would without the guard. Guards nest:
// the inner one's end leaves the outer one's connection guarded.
class LostServerGuard {
public:
    explicit LostServerGuard(xcb_connection_t* connection);
    ~LostServerGuard();
    LostServerGuard(const LostServerGuard&) = delete;
    LostServerGuard& operator=(const LostServerGuard&) = delete;

private:
    xcb_connection_t* outer_ = nullptr;  // the guard this one is nested in, if any
    struct sigaction old_segv_ {};
    struct sigaction old_bus_ {};
};

}  // namespace tivaro::platform::x11
