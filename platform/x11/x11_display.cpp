// The connection to the X server: opened, its atoms named, its events read.
#include "platform/x11/x11_backend.h"

#include "platform/posix/end_signals.h"
#include "platform/posix/open_address.h"
#include "platform/scale/display_scale.h"
#include "platform/x11/x11_errors.h"
#include "platform/x11/x11_lost_server.h"

#include <X11/Xlib-xcb.h>
#include <X11/extensions/dpms.h>

#include <cstdlib>
#include <iterator>
#include <string>
#include <utility>

#include "toolkit/runtime/end.h"
#include "toolkit/runtime/errors.h"

namespace tivaro::platform::x11 {
namespace {

// The server went away: nothing is left to draw on. End cleanly rather than hang.
int LostServer(Display*) {
    EndForLostServer();
}

X11Backend* g_open = nullptr;  // the backend whose connection the program's end closes

}  // namespace

X11Backend::X11Backend(bool take_input_now) {
    posix::InstallEndSignals();
    InstallErrorHandler();
    XSetIOErrorHandler(&LostServer);
    const char* name = std::getenv("DISPLAY");
    if (name == nullptr || *name == '\0') {
        throw rt::SetupError(
            "no X display: DISPLAY is not set; run tivaro in an X session or "
            "set DISPLAY to one");
    }
    display_ = XOpenDisplay(nullptr);
    if (display_ == nullptr) {
        throw rt::SetupError(std::string("cannot open display ") + name +
                             ": no X server answers there, or it does not let this user in "
                             "(check DISPLAY and XAUTHORITY)");
    }
    xcb_ = XGetXCBConnection(display_);
    screen_ = DefaultScreen(display_);
    root_ = RootWindow(display_, screen_);
    // First of all, before anything that takes time: a key typed from now on is the saver's.
    if (take_input_now) HoldInput();
    InternAtoms();
    [[maybe_unused]] static const bool registered =
        (rt::AddRestorer(&X11Backend::CloseAtEnd), true);  // once, whatever opens after
    g_open = this;
}

X11Backend::~X11Backend() {
    if (g_open == this) g_open = nullptr;
    Close();
}

void X11Backend::Close() {
    if (display_ == nullptr) return;
    ReleaseShared();
    contexts_.ForEach([&](GLXContext context) { glXDestroyContext(display_, context); });
    if (gl_visual_ != nullptr) XFree(gl_visual_);
    for (auto& [depth, gc] : gcs_) XFreeGC(display_, gc);
    if (copy_gc_ != nullptr) XFreeGC(display_, copy_gc_);
    XCloseDisplay(display_);
    display_ = nullptr;
}

// The program ends without unwinding, so the connection would go with the process. Mesa's
// shader cache keeps a thread at the lowest priority, which may then be the last of the
// process to go and do the whole teardown of its memory in the little time a busy machine
// gives such a thread: hundreds of milliseconds after the key. Closing the connection first
// ends that thread while the program still runs at its own priority. A lost connection has
// nothing left to close.
void X11Backend::CloseAtEnd() {
    X11Backend* open = std::exchange(g_open, nullptr);
    if (open == nullptr || xcb_connection_has_error(open->xcb_) != 0) return;
    open->Close();
}

// All in one round trip.
void X11Backend::InternAtoms() {
    char* names[] = {
        const_cast<char*>("WM_PROTOCOLS"),    const_cast<char*>("WM_DELETE_WINDOW"),
        const_cast<char*>("_NET_WM_NAME"),    const_cast<char*>("UTF8_STRING"),
        const_cast<char*>("_NET_WM_STATE"),   const_cast<char*>("_NET_WM_STATE_FULLSCREEN"),
        const_cast<char*>("_MOTIF_WM_HINTS"), const_cast<char*>("_NET_WM_ICON")};
    Atom* atoms[] = {&wm_protocols_, &wm_delete_window_,        &net_wm_name_,    &utf8_string_,
                     &net_wm_state_, &net_wm_state_fullscreen_, &motif_wm_hints_, &net_wm_icon_};
    Atom values[std::size(names)] = {};
    XInternAtoms(display_, names, static_cast<int>(std::size(names)), False, values);
    for (std::size_t i = 0; i < std::size(names); ++i) *atoms[i] = values[i];
}

std::int32_t X11Backend::Dpi(NativeWindow) {
    const char* resources = XResourceManagerString(display_);
    return DpiFromResources(resources != nullptr ? resources : "");
}

void X11Backend::PollEvents(std::vector<Event>& out) {
    posix::ReportEndSignal(out);
    TryGrab();
    DeliverHeldInput(out);
    XFlush(display_);
    while (XPending(display_) > 0) {
        XEvent xe;
        XNextEvent(display_, &xe);
        Translate(xe, out);
    }
}

void X11Backend::WaitEvents(std::int32_t timeout_ms) {
    XFlush(display_);
    if (XPending(display_) > 0) return;
    posix::WaitForDisplay(ConnectionNumber(display_), timeout_ms);
}

void X11Backend::OpenAddress(std::string_view address) {
    posix::OpenWithDesktop(address, display_ != nullptr ? ConnectionNumber(display_) : -1);
}

bool X11Backend::ReadyForFrame(NativeWindow /*surface*/) {
    return power_.Lit(DisplayPower::Clock::now());
}

std::optional<bool> X11Backend::MonitorsLit() {
    int event_base = 0;
    int error_base = 0;
    if (!DPMSQueryExtension(display_, &event_base, &error_base) || !DPMSCapable(display_)) {
        return std::nullopt;
    }
    CARD16 level = DPMSModeOn;
    BOOL enabled = False;
    if (!DPMSInfo(display_, &level, &enabled)) return std::nullopt;
    return !enabled || level == DPMSModeOn;
}

}  // namespace tivaro::platform::x11
