// The floor the Wayland stack allows for the saver's scene: a bare libwayland-client +
// wayland-egl + EGL program that covers each output with a layer-shell overlay surface
// (anchored to every edge, exclusive zone -1) at the output's device resolution and draws
// on each, with one desktop-GL context, the fountain the saver draws there: the same
// quads from the same seed (bench/reference_scene.h), and nothing else. It never waits:
// no frame callbacks, swap interval 0. The Wayland frame-rate benchmark runs it beside
// the saver (bench/run_wayland.sh).
//
// Usage: tivaro_reference_wayland <seconds>
// With TIVARO_TIMING=1 it reports on stderr in the saver's format.
#include <EGL/egl.h>
#include <poll.h>
#include <wayland-client.h>
#include <wayland-egl.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <vector>

#include "bench/reference_scene.h"
#include "platform/colour_config.h"
#include "wlr-layer-shell-unstable-v1-client-protocol.h"

namespace {

using tivaro::bench::Fountain;

struct Output {
    wl_output* output = nullptr;
    std::int32_t scale = 1;
    std::int32_t mode_width = 0, mode_height = 0;
};

struct Surface {
    const Output* output = nullptr;
    wl_surface* surface = nullptr;
    zwlr_layer_surface_v1* layer = nullptr;
    std::int32_t width = 0, height = 0;  // in the surface's own coordinates
    bool configured = false;
    bool closed = false;
    wl_egl_window* window = nullptr;
    EGLSurface egl = EGL_NO_SURFACE;
};

struct Globals {
    wl_compositor* compositor = nullptr;
    zwlr_layer_shell_v1* layer_shell = nullptr;
    std::map<std::uint32_t, std::unique_ptr<Output>> outputs;  // by registry name, as the saver
};

const wl_output_listener kOutputListener = [] {
    wl_output_listener l{};
    l.geometry = [](void*, wl_output*, std::int32_t, std::int32_t, std::int32_t, std::int32_t,
                    std::int32_t, const char*, const char*, std::int32_t) {};
    l.mode = [](void* data, wl_output*, std::uint32_t flags, std::int32_t width,
                std::int32_t height, std::int32_t) {
        if ((flags & WL_OUTPUT_MODE_CURRENT) == 0) return;
        auto& o = *static_cast<Output*>(data);
        o.mode_width = width;
        o.mode_height = height;
    };
    l.done = [](void*, wl_output*) {};
    l.scale = [](void* data, wl_output*, std::int32_t factor) {
        static_cast<Output*>(data)->scale = std::max(1, factor);
    };
    return l;
}();

const wl_registry_listener kRegistryListener = [] {
    wl_registry_listener l{};
    l.global = [](void* data, wl_registry* registry, std::uint32_t name, const char* interface,
                  std::uint32_t version) {
        auto& g = *static_cast<Globals*>(data);
        const std::string_view what(interface);
        if (what == wl_compositor_interface.name) {
            g.compositor = static_cast<wl_compositor*>(
                wl_registry_bind(registry, name, &wl_compositor_interface, std::min(version, 4u)));
        } else if (what == zwlr_layer_shell_v1_interface.name) {
            g.layer_shell = static_cast<zwlr_layer_shell_v1*>(wl_registry_bind(
                registry, name, &zwlr_layer_shell_v1_interface, std::min(version, 4u)));
        } else if (what == wl_output_interface.name) {
            auto o = std::make_unique<Output>();
            o->output = static_cast<wl_output*>(
                wl_registry_bind(registry, name, &wl_output_interface, std::min(version, 3u)));
            wl_output_add_listener(o->output, &kOutputListener, o.get());
            g.outputs[name] = std::move(o);
        }
    };
    l.global_remove = [](void*, wl_registry*, std::uint32_t) {};
    return l;
}();

const zwlr_layer_surface_v1_listener kLayerListener = [] {
    zwlr_layer_surface_v1_listener l{};
    l.configure = [](void* data, zwlr_layer_surface_v1* layer, std::uint32_t serial,
                     std::uint32_t width, std::uint32_t height) {
        auto& s = *static_cast<Surface*>(data);
        zwlr_layer_surface_v1_ack_configure(layer, serial);
        s.width = static_cast<std::int32_t>(width);
        s.height = static_cast<std::int32_t>(height);
        s.configured = true;
    };
    l.closed = [](void* data, zwlr_layer_surface_v1*) {
        static_cast<Surface*>(data)->closed = true;
    };
    return l;
}();

int Fail(const char* message) {
    std::fprintf(stderr, "reference: %s\n", message);
    return 1;
}

// Handles what the compositor sent, without waiting for more.
bool ReadPending(wl_display* display) {
    while (wl_display_prepare_read(display) != 0) {
        if (wl_display_dispatch_pending(display) < 0) return false;
    }
    wl_display_flush(display);
    pollfd fd{wl_display_get_fd(display), POLLIN, 0};
    if (::poll(&fd, 1, 0) > 0) {
        if (wl_display_read_events(display) < 0) return false;
    } else {
        wl_display_cancel_read(display);
    }
    return wl_display_dispatch_pending(display) >= 0;
}

}  // namespace

int main(int argc, char** argv) {
    const double seconds = argc > 1 ? std::atof(argv[1]) : 5.0;

    wl_display* display = wl_display_connect(nullptr);
    if (display == nullptr) return Fail("no Wayland compositor answers");
    Globals globals;
    wl_registry* registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &kRegistryListener, &globals);
    wl_display_roundtrip(display);  // the globals
    wl_display_roundtrip(display);  // the outputs' modes and scales
    if (globals.compositor == nullptr || globals.layer_shell == nullptr) {
        return Fail("the compositor offers no wl_compositor or no layer-shell");
    }
    if (globals.outputs.empty()) return Fail("the compositor has no output");

    // The saver's configuration: 24 colour bits, 16 depth bits, opaque.
    const EGLDisplay egl = eglGetDisplay(reinterpret_cast<EGLNativeDisplayType>(display));
    if (egl == EGL_NO_DISPLAY || !eglInitialize(egl, nullptr, nullptr)) {
        return Fail("EGL cannot be used on this display");
    }
    if (!eglBindAPI(EGL_OPENGL_API)) return Fail("EGL offers no desktop OpenGL");
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
    EGLConfig configs[64];
    EGLint count = 0;
    if (!eglChooseConfig(egl, attribs, configs, 64, &count) || count == 0) {
        return Fail("EGL has no matching configuration");
    }
    // The configuration the saver takes: 8 bits a colour channel, opaque.
    const EGLConfig config = configs[tivaro::platform::PickColourConfig(count, [&](int i) {
        std::array<EGLint, 4> b{};
        const EGLint names[4] = {EGL_RED_SIZE, EGL_GREEN_SIZE, EGL_BLUE_SIZE, EGL_ALPHA_SIZE};
        for (int k = 0; k < 4; ++k) eglGetConfigAttrib(egl, configs[i], names[k], &b[k]);
        return b;
    })];
    const EGLContext context = eglCreateContext(egl, config, EGL_NO_CONTEXT, nullptr);
    if (context == EGL_NO_CONTEXT) return Fail("EGL gives no desktop-GL context");

    // An overlay surface on each output.
    std::vector<std::unique_ptr<Surface>> surfaces;
    for (const auto& [name, output] : globals.outputs) {
        auto s = std::make_unique<Surface>();
        s->output = output.get();
        s->surface = wl_compositor_create_surface(globals.compositor);
        s->layer = zwlr_layer_shell_v1_get_layer_surface(
            globals.layer_shell, s->surface, output->output, ZWLR_LAYER_SHELL_V1_LAYER_OVERLAY,
            "tivaro-reference");
        zwlr_layer_surface_v1_add_listener(s->layer, &kLayerListener, s.get());
        zwlr_layer_surface_v1_set_anchor(
            s->layer, ZWLR_LAYER_SURFACE_V1_ANCHOR_TOP | ZWLR_LAYER_SURFACE_V1_ANCHOR_BOTTOM |
                          ZWLR_LAYER_SURFACE_V1_ANCHOR_LEFT | ZWLR_LAYER_SURFACE_V1_ANCHOR_RIGHT);
        zwlr_layer_surface_v1_set_size(s->layer, 0, 0);
        zwlr_layer_surface_v1_set_exclusive_zone(s->layer, -1);
        zwlr_layer_surface_v1_set_keyboard_interactivity(
            s->layer, ZWLR_LAYER_SURFACE_V1_KEYBOARD_INTERACTIVITY_EXCLUSIVE);
        wl_surface_commit(s->surface);
        surfaces.push_back(std::move(s));
    }
    for (int tries = 0; tries < 100; ++tries) {
        if (std::all_of(surfaces.begin(), surfaces.end(),
                        [](const auto& s) { return s->configured || s->closed; })) {
            break;
        }
        if (wl_display_roundtrip(display) < 0) return Fail("lost the compositor");
    }

    // Buffers in device pixels, a fountain filling each.
    std::vector<Fountain> fountains;
    std::vector<Surface*> shown;
    for (const auto& s : surfaces) {
        if (!s->configured || s->closed) continue;
        const std::int32_t scale = s->output->scale;
        std::int32_t width = s->width * scale;
        std::int32_t height = s->height * scale;
        if (width <= 0 || height <= 0) {
            width = s->output->mode_width;
            height = s->output->mode_height;
        }
        wl_surface_set_buffer_scale(s->surface, scale);
        s->window = wl_egl_window_create(s->surface, width, height);
        s->egl = eglCreateWindowSurface(egl, config,
                                        reinterpret_cast<EGLNativeWindowType>(s->window), nullptr);
        if (s->egl == EGL_NO_SURFACE) return Fail("EGL gives no window surface");
        if (!eglMakeCurrent(egl, s->egl, s->egl, context)) return Fail("cannot draw on a surface");
        eglSwapInterval(egl, 0);
        if (fountains.empty()) tivaro::bench::SetUpGl();
        fountains.push_back(tivaro::bench::MakeFountain(fountains.size(), 0, 0, width, height));
        shown.push_back(s.get());
    }
    if (shown.empty()) return Fail("the compositor configured no surface");
    tivaro::bench::SeedFountains(fountains);

    tivaro::bench::FrameCount frames(seconds);
    do {
        for (std::size_t i = 0; i < shown.size(); ++i) {
            eglMakeCurrent(egl, shown[i]->egl, shown[i]->egl, context);
            tivaro::bench::SetUpView(fountains[i]);
            tivaro::bench::DrawAndMove(fountains[i]);
            if (!eglSwapBuffers(egl, shown[i]->egl)) return Fail("lost the compositor");
        }
        if (!ReadPending(display)) return Fail("lost the compositor");
    } while (frames.Next(fountains));
    frames.Report();

    eglMakeCurrent(egl, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    for (const auto& s : surfaces) {
        if (s->egl != EGL_NO_SURFACE) eglDestroySurface(egl, s->egl);
        if (s->window != nullptr) wl_egl_window_destroy(s->window);
        zwlr_layer_surface_v1_destroy(s->layer);
        wl_surface_destroy(s->surface);
    }
    eglDestroyContext(egl, context);
    eglTerminate(egl);
    wl_display_disconnect(display);
    return 0;
}
