#include "platform/x11/x11_lost_server.h"

#include <unistd.h>
#include <xcb/xcb.h>

#include "toolkit/runtime/end.h"

namespace tivaro::platform::x11 {
namespace {

// What is said, and the line rt::EndForLostDisplay makes of it, for the fault path, which
// may only write().
#define TIVARO_LOST_SERVER "lost the connection to the X server"
constexpr char kWhat[] = TIVARO_LOST_SERVER;
constexpr char kLine[] = "tivaro: " TIVARO_LOST_SERVER "\n";
#undef TIVARO_LOST_SERVER

xcb_connection_t* volatile g_guarded = nullptr;

extern "C" void OnFault(int signal_number) {
    xcb_connection_t* connection = g_guarded;
    if (connection != nullptr && xcb_connection_has_error(connection) != 0) {
        [[maybe_unused]] const ssize_t written = write(STDERR_FILENO, kLine, sizeof kLine - 1);
        _exit(1);
    }
    // Not ours: the fault comes again on return, with the default action.
    std::signal(signal_number, SIG_DFL);
}

}  // namespace

void EndForLostServer() {
    rt::EndForLostDisplay(kWhat);
}

void CheckServer(xcb_connection_t* connection) {
    if (connection != nullptr && xcb_connection_has_error(connection) != 0) EndForLostServer();
}

LostServerGuard::LostServerGuard(xcb_connection_t* connection) {
    CheckServer(connection);
    outer_ = g_guarded;
    g_guarded = connection;
    struct sigaction action {};
    action.sa_handler = &OnFault;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_NODEFER;
    sigaction(SIGSEGV, &action, &old_segv_);
    sigaction(SIGBUS, &action, &old_bus_);
}

LostServerGuard::~LostServerGuard() {
    sigaction(SIGSEGV, &old_segv_, nullptr);
    sigaction(SIGBUS, &old_bus_, nullptr);
    CheckServer(g_guarded);
    g_guarded = outer_;
}

}  // namespace tivaro::platform::x11
