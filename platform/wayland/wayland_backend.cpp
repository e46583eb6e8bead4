#include "platform/wayland/wayland_backend.h"

#include <sys/stat.h>
#include <unistd.h>
#include <wayland-client.h>

#include <array>
#include <cstdlib>
#include <string>

#include "platform/colour_config.h"
#include "platform/posix/end_signals.h"
#include "platform/posix/open_address.h"
#include "platform/wayland/wayland_read.h"
#include "toolkit/runtime/end.h"
#include "toolkit/runtime/errors.h"
#include "toolkit/runtime/options.h"

namespace tivaro::platform::wayland {
namespace {

// How long the compositor may take to answer a request that needs an answer.
constexpr std::chrono::milliseconds kAnswerPatience{2000};
constexpr char kNoEgl[] =
    "EGL cannot be used on this Wayland display (is Mesa's EGL, libegl-mesa0, installed?)";

[[noreturn]] void Fail(const std::string& message) {
    throw rt::SetupError(message);
}

// Where the socket would be, for a message: the runtime folder, or what is wrong with it.
std::string RuntimeFolder() {
    const char* dir = std::getenv("XDG_RUNTIME_DIR");
    if (dir == nullptr || *dir == '\0') {
        return "XDG_RUNTIME_DIR (the session's runtime folder, such as /run/user/" +
               std::to_string(getuid()) + ") is not set";
    }
    struct stat folder {};
    if (stat(dir, &folder) != 0 || !S_ISDIR(folder.st_mode)) {
        return std::string("the runtime folder XDG_RUNTIME_DIR=") + dir + " does not exist";
    }
    return std::string("in ") + dir;
}

std::string SocketName() {
    if (const char* socket = std::getenv("WAYLAND_SOCKET"); socket != nullptr && *socket) {
        return std::string("WAYLAND_SOCKET=") + socket;
    }
    const char* name = std::getenv("WAYLAND_DISPLAY");
    return std::string("WAYLAND_DISPLAY=") + (name != nullptr && *name ? name : "wayland-0");
}

// A relative socket name lies in XDG_RUNTIME_DIR: without it nothing can answer (and
// libwayland would say so in words of its own).
bool SocketReachable() {
    if (const char* socket = std::getenv("WAYLAND_SOCKET"); socket != nullptr && *socket) {
        return true;
    }
    const char* name = std::getenv("WAYLAND_DISPLAY");
    if (name != nullptr && name[0] == '/') return true;
    const char* dir = std::getenv("XDG_RUNTIME_DIR");
    return dir != nullptr && dir[0] == '/';
}

}  // namespace

bool WaylandBackend::CompositorAnswers() {
    // WAYLAND_SOCKET is a descriptor handed to us once: connecting to test it would use it
    // up, so a compositor that hands one over counts as answering.
    if (const char* socket = std::getenv("WAYLAND_SOCKET"); socket != nullptr && *socket) {
        return true;
    }
    if (!SocketReachable()) return false;
    wl_display* display = wl_display_connect(nullptr);
    if (display == nullptr) return false;
    wl_display_disconnect(display);
    return true;
}

WaylandBackend::WaylandBackend(bool want_layer_shell) : want_layer_shell_(want_layer_shell) {
    posix::InstallEndSignals();
    unpaced_ = rt::Environment().unpaced;
    Connect();
    OpenEgl();
}

WaylandBackend::~WaylandBackend() {
    if (display_ == nullptr) return;
    DestroySurfaces();
    ReleaseEgl();
    ReleaseCursor();
    ReleaseGlobals();
    wl_display_disconnect(display_);
}

void WaylandBackend::Connect() {
    if (!SocketReachable()) {
        Fail("no Wayland compositor can answer at " + SocketName() + ": " + RuntimeFolder());
    }
    display_ = wl_display_connect(nullptr);
    if (display_ == nullptr) {
        Fail("no Wayland compositor answers at " + SocketName() + " (" + RuntimeFolder() +
             "): is the compositor running, and does WAYLAND_DISPLAY name it?");
    }
    registry_ = wl_display_get_registry(display_);
    static const wl_registry_listener listener = [] {
        wl_registry_listener l{};
        l.global = [](void* data, wl_registry* registry, std::uint32_t name, const char* interface,
                      std::uint32_t version) {
            static_cast<WaylandBackend*>(data)->OnGlobal(registry, name, interface, version);
        };
        l.global_remove = [](void* data, wl_registry*, std::uint32_t name) {
            static_cast<WaylandBackend*>(data)->OnGlobalRemove(name);
        };
        return l;
    }();
    wl_registry_add_listener(registry_, &listener, this);
    Roundtrip();  // the globals
    Roundtrip();  // what the outputs and the seat say of themselves
    if (compositor_ == nullptr) Fail("the Wayland compositor offers no wl_compositor");
    if (layer_shell_ == nullptr && wm_base_ == nullptr) {
        Fail("the Wayland compositor offers neither layer-shell nor xdg-shell");
    }
}

// Finds EGL for this display, which costs little. Its driver is loaded, which costs much, only
// once the surfaces are shown (InitEgl).
void WaylandBackend::OpenEgl() {
    egl_display_ = eglGetDisplay(reinterpret_cast<EGLNativeDisplayType>(display_));
    if (egl_display_ == EGL_NO_DISPLAY) Fail(kNoEgl);
}

void WaylandBackend::InitEgl() {
    EGLint major = 0;
    EGLint minor = 0;
    if (!eglInitialize(egl_display_, &major, &minor)) Fail(kNoEgl);
    if (!eglBindAPI(EGL_OPENGL_API)) Fail("EGL offers no desktop OpenGL on this display");
    // clang-format off
    const EGLint attribs[] = {
        EGL_SURFACE_TYPE, EGL_WINDOW_BIT,
        EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT,
        EGL_RED_SIZE, 8,
        EGL_GREEN_SIZE, 8,
        EGL_BLUE_SIZE, 8,
        EGL_DEPTH_SIZE, 16,
        EGL_NONE};
    // clang-format on
    EGLint count = 0;
    EGLConfig configs[64];
    if (!eglChooseConfig(egl_display_, attribs, configs, 64, &count) || count == 0) {
        Fail("EGL has no double-buffered configuration with 24 colour bits and 16 depth bits");
    }
    egl_config_ = configs[PickColourConfig(count, [&](int i) {
        std::array<EGLint, 4> b{};
        const EGLint names[4] = {EGL_RED_SIZE, EGL_GREEN_SIZE, EGL_BLUE_SIZE, EGL_ALPHA_SIZE};
        for (int k = 0; k < 4; ++k) eglGetConfigAttrib(egl_display_, configs[i], names[k], &b[k]);
        return b;
    })];
    egl_up_ = true;
}

void WaylandBackend::LostCompositor() {
    GiveUp("lost the connection to the Wayland compositor");
}

// Nothing can be drawn: say why in one line and end, as when the X server goes. The
// restorers that run meanwhile must not wait on the compositor again.
void WaylandBackend::GiveUp(const char* why) {
    lost_ = true;
    rt::EndForLostDisplay(why);
}

// Handles what the compositor sends until `done` holds, giving up with `why` rather than
// hanging when that takes longer than `patience`.
void WaylandBackend::DispatchUntil(const std::function<bool()>& done,
                                   std::chrono::milliseconds patience, const char* why) {
    const auto deadline = std::chrono::steady_clock::now() + patience;
    while (!done()) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) GiveUp(why);
        ReadAndDispatch(left);
    }
}

void WaylandBackend::Flush() {
    try {
        FlushRequests(display_);
    } catch (const ConnectionLost&) {
        LostCompositor();
    }
}

// Reads what the compositor sent, waiting up to `timeout` for it, and handles it.
void WaylandBackend::ReadAndDispatch(std::chrono::nanoseconds timeout) {
    try {
        wayland::ReadAndDispatch(display_, timeout);
    } catch (const ConnectionLost&) {
        LostCompositor();
    }
}

// A round trip that gives up, rather than hangs, when the compositor does not answer.
void WaylandBackend::Roundtrip() {
    bool done = false;
    wl_callback* callback = wl_display_sync(display_);
    static const wl_callback_listener listener = [] {
        wl_callback_listener l{};
        l.done = [](void* data, wl_callback* cb, std::uint32_t) {
            *static_cast<bool*>(data) = true;
            wl_callback_destroy(cb);
        };
        return l;
    }();
    wl_callback_add_listener(callback, &listener, &done);
    DispatchUntil([&] { return done; }, kAnswerPatience, "the Wayland compositor does not answer");
}

void WaylandBackend::PollEvents(std::vector<Event>& out) {
    posix::ReportEndSignal(out);
    ReadAndDispatch(std::chrono::nanoseconds::zero());
    ReportDeactivation(out);
    out.insert(out.end(), queued_.begin(), queued_.end());
    queued_.clear();
    if (display_changed_ && cover_.view != 0) {
        display_changed_ = false;
        Event e;
        e.type = EventType::DisplayChanged;
        e.window = cover_.view;
        out.push_back(e);
    }
}

// The keyboard left our surfaces and did not come back to one of them at once: a locker or
// another program has the keyboard now.
void WaylandBackend::ReportDeactivation(std::vector<Event>& out) {
    constexpr auto kStraightBack = std::chrono::milliseconds(200);
    if (!keyboard_was_ours_ || keyboard_on_ != nullptr || deactivation_reported_ ||
        funnel_.Owner() == 0 ||
        std::chrono::steady_clock::now() - keyboard_left_ <= kStraightBack) {
        return;
    }
    deactivation_reported_ = true;
    Event e;
    e.type = EventType::Deactivated;
    e.window = funnel_.Owner();
    out.push_back(e);
}

// Input or a change of outputs that the program has not been told of yet cuts the wait short,
// as do events that EGL read off the socket (they are handled first) and a termination
// signal, which the program must act on well within its grace time.
void WaylandBackend::WaitEvents(std::int32_t timeout_ms) {
    if (!queued_.empty() || (display_changed_ && cover_.view != 0)) {
        Flush();
        return;
    }
    try {
        WaitAndDispatch(display_, posix::EndSignalFd(), timeout_ms);
    } catch (const ConnectionLost&) {
        LostCompositor();
    }
}

void WaylandBackend::OpenAddress(std::string_view address) {
    posix::OpenWithDesktop(address, wl_display_get_fd(display_));
}

}  // namespace tivaro::platform::wayland
