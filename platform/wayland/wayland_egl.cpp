// EGL for the Wayland backend: one desktop-OpenGL context for every output surface, made
// current on each in turn. Swaps never wait (interval 0): each surface asks for a frame
// callback instead, so a hidden output holds nothing up (ReadyForFrame); the wait between
// frames handles the callbacks as they come (SleepUntil).
#include <wayland-client.h>
#include <wayland-egl.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "platform/wayland/wayland_backend.h"
#include "toolkit/runtime/errors.h"

namespace tivaro::platform::wayland {
namespace {

// How long a due frame may wait for an output's refresh that is about to come. Frames keep
// the pacer's 60 Hz schedule; only a callback that misses a frame's moment by a hair is
// waited for, where it would otherwise hold its output back a whole period.
constexpr std::chrono::microseconds kRefreshPatience{4000};

const wl_callback_listener kFrameDone = [] {
    wl_callback_listener l{};
    l.done = [](void* data, wl_callback*, std::uint32_t) {
        auto& s = *static_cast<WaylandBackend::Surface*>(data);
        s.backend->OnFrameDone(s);
    };
    return l;
}();

}  // namespace

// Only a cover's surfaces are drawn on: a record is no surface.
int WaylandBackend::ChoosePixelFormat(NativeWindow window) {
    return SurfaceById(window) != nullptr && egl_config_ != nullptr ? 1 : 0;
}

GlContext WaylandBackend::CreateContext(NativeWindow) {
    if (egl_config_ == nullptr) return 0;
    const EGLContext context = eglCreateContext(egl_display_, egl_config_, EGL_NO_CONTEXT, nullptr);
    if (context == EGL_NO_CONTEXT) return 0;
    return contexts_.Add(context);
}

void WaylandBackend::MakeCurrent(NativeWindow window, GlContext context) {
    if (window == 0 && context == 0) {
        if (egl_up_) eglMakeCurrent(egl_display_, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
        current_context_ = EGL_NO_CONTEXT;
        return;
    }
    // A deleted context, a record, or a surface that went with its output: nothing to do.
    const EGLContext* native = contexts_.Find(context);
    Surface* target = SurfaceById(window);
    if (native == nullptr || target == nullptr || target->egl_surface == EGL_NO_SURFACE) return;
    const EGLSurface draw = target->egl_surface;
    if (!eglMakeCurrent(egl_display_, draw, draw, *native)) return;
    current_context_ = *native;
    if (!target->interval_set) {
        eglSwapInterval(egl_display_, 0);
        target->interval_set = true;
    }
}

void WaylandBackend::DeleteContext(GlContext context) {
    const EGLContext* native = contexts_.Remove(context);
    if (native == nullptr) return;
    if (eglGetCurrentContext() == *native) {
        eglMakeCurrent(egl_display_, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
        current_context_ = EGL_NO_CONTEXT;
    }
    eglDestroyContext(egl_display_, *native);
}

// Called once the cover's surfaces are shown. A driver that fails here ends the program as
// one that failed at start would have (Cover reports the SetupError). An output that EGL
// makes no surface for stays black, and the saver draws on the others; with none to draw
// on, the program ends saying why rather than show black outputs.
void WaylandBackend::ReadyEgl() {
    if (!egl_up_) InitEgl();
    std::vector<std::pair<Surface*, std::string>> failed;
    for (const auto& s : surfaces_) {
        try {
            MakeEglSurface(*s);
        } catch (const rt::SetupError& e) {
            failed.emplace_back(s.get(), e.what());
        }
    }
    if (failed.empty()) return;
    const bool any_drawn_on = std::any_of(surfaces_.begin(), surfaces_.end(), [](const auto& s) {
        return s->egl_surface != EGL_NO_SURFACE;
    });
    if (!any_drawn_on) {
        throw rt::SetupError("nothing can be drawn on any output: " + failed[0].second);
    }
    for (auto& [surface, what] : failed) SayNoEglSurface(*surface, what);
}

void WaylandBackend::MakeEglSurface(Surface& s) {
    if (!egl_up_ || s.egl_window != nullptr || s.device.x <= 0 || s.device.y <= 0) return;
    wl_egl_window* window = wl_egl_window_create(s.surface, s.device.x, s.device.y);
    if (window == nullptr) throw rt::SetupError("wayland-egl made no window for EGL");
    const EGLSurface surface = eglCreateWindowSurface(
        egl_display_, egl_config_, reinterpret_cast<EGLNativeWindowType>(window), nullptr);
    if (surface == EGL_NO_SURFACE) {
        const EGLint error = eglGetError();
        wl_egl_window_destroy(window);
        char code[16];
        std::snprintf(code, sizeof code, "0x%04X", static_cast<unsigned>(error));
        throw rt::SetupError(std::string("EGL made no surface to draw on (EGL error ") + code +
                             ")");
    }
    s.egl_window = window;
    s.egl_surface = surface;
    if (s.egl_failed) {
        // Drawn on at last: the saver is told, and puts a fountain on it.
        s.egl_failed = false;
        display_changed_ = true;
    }
}

void WaylandBackend::TryEglSurface(Surface& s) {
    try {
        MakeEglSurface(s);
    } catch (const rt::SetupError& e) {
        SayNoEglSurface(s, e.what());
    }
}

// Once for each surface, however often its configures try again.
void WaylandBackend::SayNoEglSurface(Surface& s, const std::string& what) {
    if (s.egl_failed) return;
    s.egl_failed = true;
    std::string where = "an output";
    if (const auto output = outputs_.find(s.output_name); output != outputs_.end()) {
        const Rect r = LogicalOf(*output->second);
        where = "the output at " + std::to_string(r.left) + "," + std::to_string(r.top) + " (" +
                std::to_string(r.right - r.left) + "x" + std::to_string(r.bottom - r.top) + ")";
    }
    std::fprintf(stderr, "tivaro: %s stays black: %s; it is tried again when the output changes\n",
                 where.c_str(), what.c_str());
    std::fflush(stderr);
}

void WaylandBackend::ReleaseEgl() {
    if (!egl_up_) return;
    eglMakeCurrent(egl_display_, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    current_context_ = EGL_NO_CONTEXT;
    contexts_.ForEach([&](EGLContext context) { eglDestroyContext(egl_display_, context); });
    eglTerminate(egl_display_);
    egl_up_ = false;
    egl_config_ = nullptr;
}

// Mesa's shader cache keeps a thread at the lowest priority. Left to the end, that thread may
// be the last of the process to go, and then does the whole teardown of its memory in the
// little time a busy machine gives such a thread: a second or two after the key. Ended here
// (eglTerminate joins it), it only has to wake and stop. A later cover sets EGL up again.
void WaylandBackend::ReleaseIdleEgl() {
    bool in_use = false;
    contexts_.ForEach([&](EGLContext) { in_use = true; });
    if (!in_use && surfaces_.empty()) ReleaseEgl();
}

// Until the frame is due, what the compositor sends is handled as it comes (input waits in
// the queue for the loop's next event processing). A key or a click cuts the wait short: the
// program may end on it, and should not first sleep out the frame. A due frame whose
// surfaces all still wait for their output's refresh waits a little for the first of them;
// an output that is not shown (whose callbacks never come) costs no more than that.
void WaylandBackend::SleepUntil(std::chrono::steady_clock::time_point when) {
    using Clock = std::chrono::steady_clock;
    const auto dispatch_until = [&](Clock::time_point end, const auto& done) {
        for (auto left = end - Clock::now(); !done() && left > Clock::duration::zero();
             left = end - Clock::now()) {
            ReadAndDispatch(left);
        }
    };
    // What EGL read for us while it swapped is waiting in the queue already.
    ReadAndDispatch(std::chrono::nanoseconds::zero());
    dispatch_until(when, [&] { return InputWaiting(); });
    if (!unpaced_ && !InputWaiting()) {
        dispatch_until(when + kRefreshPatience, [&] { return FrameWanted(); });
    }
}

bool WaylandBackend::Drawable(const Surface& s) {
    return s.configured && !s.closed && s.egl_surface != EGL_NO_SURFACE;
}

bool WaylandBackend::FrameWanted() const {
    bool waiting = false;
    for (const auto& s : surfaces_) {
        if (!Drawable(*s)) continue;
        if (s->frame == nullptr) return true;
        waiting = true;
    }
    return !waiting;
}

void WaylandBackend::OnFrameDone(Surface& s) {
    if (s.frame != nullptr) wl_callback_destroy(s.frame);
    s.frame = nullptr;
}

// A key or a click that came while the frame's other surfaces were drawn is handled before
// this one is: it may end the program, which should not wait for one more surface first.
bool WaylandBackend::ReadyForFrame(NativeWindow surface) {
    ReadAndDispatch(std::chrono::nanoseconds::zero());
    const Surface* s = SurfaceById(surface);
    return !ending_ && !InputWaiting() && s != nullptr && Drawable(*s) &&
           (unpaced_ || s->frame == nullptr);
}

// A frame drawn now would be rasterised and handed to the compositor only for its surface to
// go straight after: on a software rasteriser, tens of milliseconds between the key and the
// end. It is declined instead.
void WaylandBackend::EndingAfterThisFrame() {
    ending_ = true;
}

void WaylandBackend::SwapBuffers(NativeWindow window) {
    Surface* target = SurfaceById(window);
    if (target == nullptr || target->egl_surface == EGL_NO_SURFACE || target->closed) return;
    if (eglGetCurrentSurface(EGL_DRAW) != target->egl_surface) return;
    if (!unpaced_ && target->frame == nullptr) {
        target->frame = wl_surface_frame(target->surface);
        wl_callback_add_listener(target->frame, &kFrameDone, target);
    }
    if (!eglSwapBuffers(egl_display_, target->egl_surface)) {
        if (wl_display_get_error(display_) != 0) LostCompositor();
        // Nothing was committed, so no callback will come: the surface must not wait for one.
        if (target->frame != nullptr) {
            wl_callback_destroy(target->frame);
            target->frame = nullptr;
        }
    }
}

}  // namespace tivaro::platform::wayland
