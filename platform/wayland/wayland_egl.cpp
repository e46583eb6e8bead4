// EGL for the Wayland backend: one desktop-OpenGL context for every output surface, made
// current on each in turn. Swaps never wait (interval 0): each surface asks for a frame
// callback instead, so a hidden output holds nothing up (ReadyForFrame).
#include <wayland-client.h>

#include "platform/wayland/wayland_backend.h"

namespace tivaro::platform::wayland {
namespace {

const wl_callback_listener kFrameDone = {[](void* data, wl_callback*, std::uint32_t) {
    auto& s = *static_cast<WaylandBackend::Surface*>(data);
    s.backend->OnFrameDone(s);
}};

}  // namespace

int WaylandBackend::ChoosePixelFormat(NativeWindow window) {
    const auto it = windows_.find(window);
    return it != windows_.end() && it->second.gl && egl_config_ != nullptr ? 1 : 0;
}

void WaylandBackend::SetPixelFormat(NativeWindow, int) {
    // Each output surface is made with the one configuration.
}

GlContext WaylandBackend::CreateContext(NativeWindow) {
    if (egl_config_ == nullptr) return 0;
    const EGLContext context = eglCreateContext(egl_display_, egl_config_, EGL_NO_CONTEXT, nullptr);
    if (context == EGL_NO_CONTEXT) return 0;
    const GlContext handle = next_context_++;
    contexts_[handle] = context;
    return handle;
}

void WaylandBackend::MakeCurrent(NativeWindow window, GlContext context) {
    if (window == 0 && context == 0) {
        eglMakeCurrent(egl_display_, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
        current_context_ = EGL_NO_CONTEXT;
        return;
    }
    const auto it = contexts_.find(context);
    if (it == contexts_.end() || window == 0) return;
    // An output surface itself; for the saver's window, the first of its surfaces, or none
    // yet (Mesa's surfaceless context) until one is configured.
    Surface* target = SurfaceById(window);
    if (target == nullptr && windows_.count(window) != 0) {
        for (const auto& s : surfaces_) {
            if (s->egl_surface != EGL_NO_SURFACE && !s->closed) {
                target = s.get();
                break;
            }
        }
    } else if (target == nullptr) {
        return;  // a surface that is gone
    }
    const EGLSurface draw = target != nullptr ? target->egl_surface : EGL_NO_SURFACE;
    if (!eglMakeCurrent(egl_display_, draw, draw, it->second)) return;
    current_context_ = it->second;
    if (target != nullptr && !target->interval_set) {
        eglSwapInterval(egl_display_, 0);
        target->interval_set = true;
    }
}

void WaylandBackend::DeleteContext(GlContext context) {
    const auto it = contexts_.find(context);
    if (it == contexts_.end()) return;
    if (eglGetCurrentContext() == it->second) {
        eglMakeCurrent(egl_display_, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
        current_context_ = EGL_NO_CONTEXT;
    }
    eglDestroyContext(egl_display_, it->second);
    contexts_.erase(it);
}

bool WaylandBackend::ReadyForFrame(NativeWindow surface) {
    const Surface* s = SurfaceById(surface);
    if (s == nullptr || !s->configured || s->closed || s->egl_surface == EGL_NO_SURFACE) {
        return false;
    }
    return unpaced_ || s->frame == nullptr;
}

void WaylandBackend::SwapBuffers(NativeWindow window) {
    Surface* target = SurfaceById(window);
    if (target == nullptr || target->egl_surface == EGL_NO_SURFACE || target->closed) return;
    if (eglGetCurrentSurface(EGL_DRAW) != target->egl_surface) return;
    if (!unpaced_ && target->frame == nullptr) {
        target->frame = wl_surface_frame(target->surface);
        wl_callback_add_listener(target->frame, &kFrameDone, target);
    }
    if (!eglSwapBuffers(egl_display_, target->egl_surface) && wl_display_get_error(display_) != 0) {
        LostCompositor();
    }
}

}  // namespace tivaro::platform::wayland
