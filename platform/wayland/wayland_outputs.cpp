// The compositor's globals, its outputs, and the saver's surface on each output: a
// layer-shell surface where the compositor has layer-shell, else a fullscreen xdg-shell
// toplevel. Each buffer is sized in the output's device pixels.
#include <poll.h>
#include <wayland-client.h>
#include <wayland-egl.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "fractional-scale-v1-client-protocol.h"
#include "platform/wayland/wayland_backend.h"
#include "viewporter-client-protocol.h"
#include "wlr-layer-shell-unstable-v1-client-protocol.h"
#include "xdg-output-unstable-v1-client-protocol.h"
#include "xdg-shell-client-protocol.h"

namespace tivaro::platform::wayland {
namespace {

// How long a new surface may wait for the compositor to give it a size.
constexpr std::chrono::milliseconds kConfigurePatience{2000};
constexpr char kNamespace[] = "tivaro";

template <typename T>
T* Bind(wl_registry* registry, std::uint32_t name, const wl_interface* interface,
        std::uint32_t offered, std::uint32_t wanted) {
    return static_cast<T*>(wl_registry_bind(registry, name, interface, std::min(offered, wanted)));
}

void OnXdgOutputLogicalPosition(void* data, zxdg_output_v1*, std::int32_t x, std::int32_t y) {
    auto& o = *static_cast<WaylandBackend::Output*>(data);
    const std::int32_t w = o.logical.right - o.logical.left;
    const std::int32_t h = o.logical.bottom - o.logical.top;
    o.logical = Rect{x, y, x + w, y + h};
    o.logical_known = true;
}

void OnXdgOutputLogicalSize(void* data, zxdg_output_v1*, std::int32_t w, std::int32_t h) {
    auto& o = *static_cast<WaylandBackend::Output*>(data);
    o.logical.right = o.logical.left + w;
    o.logical.bottom = o.logical.top + h;
    o.logical_known = true;
}

const zxdg_output_v1_listener kXdgOutputListener = {
    OnXdgOutputLogicalPosition, OnXdgOutputLogicalSize,
    [](void*, zxdg_output_v1*) {},                // done (wl_output.done follows)
    [](void*, zxdg_output_v1*, const char*) {},   // name
    [](void*, zxdg_output_v1*, const char*) {}};  // description

const wl_output_listener kOutputListener = {
    // geometry: the position in the layout, where xdg-output does not say better
    [](void* data, wl_output*, std::int32_t x, std::int32_t y, std::int32_t, std::int32_t,
       std::int32_t, const char*, const char*, std::int32_t) {
        auto& o = *static_cast<WaylandBackend::Output*>(data);
        if (o.xdg_output != nullptr) return;
        const std::int32_t w = o.logical.right - o.logical.left;
        const std::int32_t h = o.logical.bottom - o.logical.top;
        o.logical = Rect{x, y, x + w, y + h};
    },
    // mode: only the current one counts
    [](void* data, wl_output*, std::uint32_t flags, std::int32_t width, std::int32_t height,
       std::int32_t) {
        if ((flags & WL_OUTPUT_MODE_CURRENT) == 0) return;
        static_cast<WaylandBackend::Output*>(data)->mode = Point{width, height};
    },
    [](void* data, wl_output*) {
        auto& o = *static_cast<WaylandBackend::Output*>(data);
        o.backend->OnOutputDone(o);
    },
    [](void* data, wl_output*, std::int32_t factor) {
        static_cast<WaylandBackend::Output*>(data)->scale = std::max(1, factor);
    },
#ifdef WL_OUTPUT_NAME_SINCE_VERSION
    [](void*, wl_output*, const char*) {},  // name
    [](void*, wl_output*, const char*) {},  // description
#endif
};

const xdg_wm_base_listener kWmBaseListener = {
    [](void*, xdg_wm_base* base, std::uint32_t serial) { xdg_wm_base_pong(base, serial); }};

const zwlr_layer_surface_v1_listener kLayerListener = {
    [](void* data, zwlr_layer_surface_v1* layer, std::uint32_t serial, std::uint32_t width,
       std::uint32_t height) {
        auto& s = *static_cast<WaylandBackend::Surface*>(data);
        zwlr_layer_surface_v1_ack_configure(layer, serial);
        s.backend->OnConfigure(s, static_cast<std::int32_t>(width),
                               static_cast<std::int32_t>(height));
    },
    [](void* data, zwlr_layer_surface_v1*) {
        auto& s = *static_cast<WaylandBackend::Surface*>(data);
        s.backend->OnSurfaceClosed(s);
    }};

// The toplevel's size comes first and is applied when its xdg_surface configure arrives.
const xdg_toplevel_listener kToplevelListener = {
    [](void* data, xdg_toplevel*, std::int32_t width, std::int32_t height, wl_array*) {
        auto& s = *static_cast<WaylandBackend::Surface*>(data);
        s.logical = Point{width, height};
    },
    [](void* data, xdg_toplevel*) {
        static_cast<WaylandBackend::Surface*>(data)->backend->OnCloseRequest();
    },
#ifdef XDG_TOPLEVEL_CONFIGURE_BOUNDS_SINCE_VERSION
    [](void*, xdg_toplevel*, std::int32_t, std::int32_t) {},  // configure_bounds
#endif
#ifdef XDG_TOPLEVEL_WM_CAPABILITIES_SINCE_VERSION
    [](void*, xdg_toplevel*, wl_array*) {},  // wm_capabilities
#endif
};

const xdg_surface_listener kXdgSurfaceListener = {
    [](void* data, xdg_surface* xdg, std::uint32_t serial) {
        auto& s = *static_cast<WaylandBackend::Surface*>(data);
        xdg_surface_ack_configure(xdg, serial);
        s.backend->OnConfigure(s, s.logical.x, s.logical.y);
    }};

const wp_fractional_scale_v1_listener kFractionalListener = {
    [](void* data, wp_fractional_scale_v1*, std::uint32_t scale) {
        auto& s = *static_cast<WaylandBackend::Surface*>(data);
        if (s.scale_120 == scale) return;
        s.scale_120 = scale;
        if (s.configured) s.backend->OnConfigure(s, s.logical.x, s.logical.y);
    }};

}  // namespace

void WaylandBackend::OnGlobal(wl_registry* registry, std::uint32_t name, const char* interface,
                              std::uint32_t version) {
    const std::string_view what(interface);
    if (what == wl_compositor_interface.name) {
        compositor_ = Bind<wl_compositor>(registry, name, &wl_compositor_interface, version, 4);
    } else if (what == wl_seat_interface.name && seat_ == nullptr) {
        seat_ = Bind<wl_seat>(registry, name, &wl_seat_interface, version, 5);
        seat_name_ = name;
        static const wl_seat_listener listener = {
            [](void* data, wl_seat*, std::uint32_t caps) {
                static_cast<WaylandBackend*>(data)->OnSeatCapabilities(caps);
            },
            [](void*, wl_seat*, const char*) {}};
        wl_seat_add_listener(seat_, &listener, this);
    } else if (what == wl_output_interface.name) {
        auto output = std::make_unique<Output>();
        output->backend = this;
        output->name = name;
        output->output = Bind<wl_output>(registry, name, &wl_output_interface, version, 3);
        wl_output_add_listener(output->output, &kOutputListener, output.get());
        if (output_manager_ != nullptr) {
            output->xdg_output =
                zxdg_output_manager_v1_get_xdg_output(output_manager_, output->output);
            zxdg_output_v1_add_listener(output->xdg_output, &kXdgOutputListener, output.get());
        }
        outputs_[name] = std::move(output);
    } else if (what == xdg_wm_base_interface.name) {
        wm_base_ = Bind<xdg_wm_base>(registry, name, &xdg_wm_base_interface, version, 2);
        xdg_wm_base_add_listener(wm_base_, &kWmBaseListener, this);
    } else if (what == zwlr_layer_shell_v1_interface.name && want_layer_shell_) {
        layer_shell_ =
            Bind<zwlr_layer_shell_v1>(registry, name, &zwlr_layer_shell_v1_interface, version, 4);
    } else if (what == zxdg_output_manager_v1_interface.name) {
        output_manager_ = Bind<zxdg_output_manager_v1>(
            registry, name, &zxdg_output_manager_v1_interface, version, 3);
        for (auto& [output_name, output] : outputs_) {
            if (output->xdg_output != nullptr) continue;
            output->xdg_output =
                zxdg_output_manager_v1_get_xdg_output(output_manager_, output->output);
            zxdg_output_v1_add_listener(output->xdg_output, &kXdgOutputListener, output.get());
        }
    } else if (what == wp_viewporter_interface.name) {
        viewporter_ = Bind<wp_viewporter>(registry, name, &wp_viewporter_interface, version, 1);
    } else if (what == wp_fractional_scale_manager_v1_interface.name) {
        fractional_manager_ = Bind<wp_fractional_scale_manager_v1>(
            registry, name, &wp_fractional_scale_manager_v1_interface, version, 1);
    }
}

void WaylandBackend::OnGlobalRemove(std::uint32_t name) {
    const auto it = outputs_.find(name);
    if (it == outputs_.end()) return;
    // Its surface goes at once: nothing is drawn for an output that is gone.
    for (std::size_t i = surfaces_.size(); i-- > 0;) {
        if (surfaces_[i]->output_name == name) DestroySurface(*surfaces_[i]);
    }
    ReleaseOutput(*it->second);
    outputs_.erase(it);
    display_changed_ = true;
}

void WaylandBackend::ReleaseOutput(Output& output) {
    if (output.xdg_output != nullptr) zxdg_output_v1_destroy(output.xdg_output);
    if (wl_output_get_version(output.output) >= WL_OUTPUT_RELEASE_SINCE_VERSION) {
        wl_output_release(output.output);
    } else {
        wl_output_destroy(output.output);
    }
}

// Everything bound from the registry, given back as the connection closes (the backend
// goes with it).
void WaylandBackend::ReleaseGlobals() {
    for (auto& [name, output] : outputs_) ReleaseOutput(*output);
    outputs_.clear();
    if (keyboard_ != nullptr) wl_keyboard_release(keyboard_);
    if (pointer_ != nullptr) wl_pointer_release(pointer_);
    if (seat_ != nullptr) {
        if (wl_seat_get_version(seat_) >= WL_SEAT_RELEASE_SINCE_VERSION) {
            wl_seat_release(seat_);
        } else {
            wl_seat_destroy(seat_);
        }
    }
    if (layer_shell_ != nullptr) {
        if (zwlr_layer_shell_v1_get_version(layer_shell_) >=
            ZWLR_LAYER_SHELL_V1_DESTROY_SINCE_VERSION) {
            zwlr_layer_shell_v1_destroy(layer_shell_);
        } else {
            wl_proxy_destroy(reinterpret_cast<wl_proxy*>(layer_shell_));
        }
    }
    if (wm_base_ != nullptr) xdg_wm_base_destroy(wm_base_);
    if (output_manager_ != nullptr) zxdg_output_manager_v1_destroy(output_manager_);
    if (viewporter_ != nullptr) wp_viewporter_destroy(viewporter_);
    if (fractional_manager_ != nullptr) wp_fractional_scale_manager_v1_destroy(fractional_manager_);
    if (compositor_ != nullptr) wl_compositor_destroy(compositor_);
    if (registry_ != nullptr) wl_registry_destroy(registry_);
}

void WaylandBackend::OnOutputDone(Output& output) {
    // A new output, or a new mode or scale for one we cover: the saver covers them again,
    // with buffers at the output's device resolution now, whether or not the compositor
    // configures the surfaces anew (a new scale may keep their logical size).
    output.done = true;
    display_changed_ = true;
    for (const auto& s : surfaces_) {
        if (s->output_name == output.name && s->configured) SizeBuffer(*s);
    }
}

Point WaylandBackend::ScreenSize() {
    const std::vector<Rect> monitors = Monitors();
    return {monitors.front().right - monitors.front().left,
            monitors.front().bottom - monitors.front().top};
}

// The outputs in the compositor's layout, each in its own device pixels from its corner.
std::vector<Rect> WaylandBackend::Monitors() {
    std::vector<Rect> found;
    for (const auto& [name, o] : outputs_) {
        if (!o->done || o->mode.x <= 0 || o->mode.y <= 0) continue;
        found.push_back(Rect{o->logical.left, o->logical.top, o->logical.left + o->mode.x,
                             o->logical.top + o->mode.y});
    }
    if (found.empty()) found.push_back(Rect{0, 0, 1, 1});
    return found;
}

std::vector<OutputSurface> WaylandBackend::OutputSurfaces(NativeWindow window) {
    if (windows_.count(window) == 0) return {};
    surfaces_wanted_ = true;
    surfaces_window_ = window;
    surfaces_above_ = window == input_owner_;
    CoverOutputs(surfaces_above_);
    WaitForConfigure();
    display_changed_ = false;  // what changed until now is in this answer
    std::vector<OutputSurface> list;
    for (const auto& s : surfaces_) {
        if (s->configured && !s->closed && s->device.x > 0 && s->device.y > 0) {
            list.push_back(OutputSurface{s->id, s->device});
        }
    }
    return list;
}

void WaylandBackend::CoverOutputs(bool above) {
    // Surfaces the compositor closed are made afresh where their output remains.
    for (std::size_t i = surfaces_.size(); i-- > 0;) {
        if (surfaces_[i]->closed) DestroySurface(*surfaces_[i]);
    }
    for (const auto& [name, output] : outputs_) {
        if (!output->done || output->mode.x <= 0 || output->mode.y <= 0) continue;
        const bool covered = std::any_of(surfaces_.begin(), surfaces_.end(),
                                         [&](const auto& s) { return s->output_name == name; });
        if (!covered) MakeSurface(*output, above);
    }
    Flush();
}

WaylandBackend::Surface& WaylandBackend::MakeSurface(const Output& output, bool above) {
    auto s = std::make_unique<Surface>();
    s->backend = this;
    s->id = NewId();
    s->output_name = output.name;
    s->surface = wl_compositor_create_surface(compositor_);
    wl_surface_set_user_data(s->surface, s.get());
    if (fractional_manager_ != nullptr && viewporter_ != nullptr) {
        s->fractional =
            wp_fractional_scale_manager_v1_get_fractional_scale(fractional_manager_, s->surface);
        wp_fractional_scale_v1_add_listener(s->fractional, &kFractionalListener, s.get());
        s->viewport = wp_viewporter_get_viewport(viewporter_, s->surface);
    }
    if (layer_shell_ != nullptr) {
        s->layer = zwlr_layer_shell_v1_get_layer_surface(
            layer_shell_, s->surface, output.output,
            above ? ZWLR_LAYER_SHELL_V1_LAYER_OVERLAY : ZWLR_LAYER_SHELL_V1_LAYER_BACKGROUND,
            kNamespace);
        zwlr_layer_surface_v1_add_listener(s->layer, &kLayerListener, s.get());
        zwlr_layer_surface_v1_set_anchor(
            s->layer, ZWLR_LAYER_SURFACE_V1_ANCHOR_TOP | ZWLR_LAYER_SURFACE_V1_ANCHOR_BOTTOM |
                          ZWLR_LAYER_SURFACE_V1_ANCHOR_LEFT | ZWLR_LAYER_SURFACE_V1_ANCHOR_RIGHT);
        zwlr_layer_surface_v1_set_size(s->layer, 0, 0);
        zwlr_layer_surface_v1_set_exclusive_zone(s->layer, -1);
        zwlr_layer_surface_v1_set_keyboard_interactivity(
            s->layer, above ? ZWLR_LAYER_SURFACE_V1_KEYBOARD_INTERACTIVITY_EXCLUSIVE
                            : ZWLR_LAYER_SURFACE_V1_KEYBOARD_INTERACTIVITY_NONE);
    } else {
        s->xdg = xdg_wm_base_get_xdg_surface(wm_base_, s->surface);
        xdg_surface_add_listener(s->xdg, &kXdgSurfaceListener, s.get());
        s->toplevel = xdg_surface_get_toplevel(s->xdg);
        xdg_toplevel_add_listener(s->toplevel, &kToplevelListener, s.get());
        xdg_toplevel_set_title(s->toplevel, "Tivaro_Main");
        xdg_toplevel_set_app_id(s->toplevel, kNamespace);
        xdg_toplevel_set_fullscreen(s->toplevel, output.output);
    }
    if (!above) {
        // Behind everything: no pointer input either.
        wl_region* none = wl_compositor_create_region(compositor_);
        wl_surface_set_input_region(s->surface, none);
        wl_region_destroy(none);
    }
    wl_surface_commit(s->surface);
    surfaces_.push_back(std::move(s));
    return *surfaces_.back();
}

void WaylandBackend::WaitForConfigure() {
    DispatchUntil(
        [&] {
            return std::none_of(surfaces_.begin(), surfaces_.end(),
                                [](const auto& s) { return !s->configured && !s->closed; });
        },
        kConfigurePatience, "the Wayland compositor gave the saver's surface no size within 2 s");
}

void WaylandBackend::OnConfigure(Surface& s, std::int32_t width, std::int32_t height) {
    const auto output = outputs_.find(s.output_name);
    // No size from the compositor: the output's own, in surface coordinates.
    if ((width <= 0 || height <= 0) && output != outputs_.end()) {
        const Output& o = *output->second;
        const std::int32_t scale = std::max(1, o.scale);
        width = o.logical_known ? o.logical.right - o.logical.left : o.mode.x / scale;
        height = o.logical_known ? o.logical.bottom - o.logical.top : o.mode.y / scale;
    }
    s.logical = Point{width, height};
    const Point before = s.device;
    SizeBuffer(s);
    const bool first = !s.configured;
    s.configured = true;
    if (!first && (before.x != s.device.x || before.y != s.device.y)) display_changed_ = true;
}

// The buffer at the output's device resolution: the fractional scale where the compositor
// gives one (the viewport maps it back to the surface's size), else the output's whole scale.
void WaylandBackend::SizeBuffer(Surface& s) {
    std::int32_t scale = 1;
    if (const auto output = outputs_.find(s.output_name); output != outputs_.end()) {
        scale = std::max(1, output->second->scale);
    }
    if (s.scale_120 > 0 && s.viewport != nullptr) {
        s.device =
            Point{static_cast<std::int32_t>((std::int64_t{s.logical.x} * s.scale_120 + 60) / 120),
                  static_cast<std::int32_t>((std::int64_t{s.logical.y} * s.scale_120 + 60) / 120)};
        wl_surface_set_buffer_scale(s.surface, 1);
        wp_viewport_set_destination(s.viewport, s.logical.x, s.logical.y);
    } else {
        s.device = Point{s.logical.x * scale, s.logical.y * scale};
        wl_surface_set_buffer_scale(s.surface, scale);
    }
    if (s.device.x <= 0 || s.device.y <= 0) return;
    if (s.egl_window == nullptr) {
        s.egl_window = wl_egl_window_create(s.surface, s.device.x, s.device.y);
        s.egl_surface =
            eglCreateWindowSurface(egl_display_, egl_config_,
                                   reinterpret_cast<EGLNativeWindowType>(s.egl_window), nullptr);
    } else {
        wl_egl_window_resize(s.egl_window, s.device.x, s.device.y, 0, 0);
    }
}

void WaylandBackend::OnSurfaceClosed(Surface& s) {
    // The compositor took the surface away (its output went): cover again.
    s.closed = true;
    display_changed_ = true;
}

void WaylandBackend::OnFrameDone(Surface& s) {
    if (s.frame != nullptr) wl_callback_destroy(s.frame);
    s.frame = nullptr;
}

void WaylandBackend::DestroySurface(Surface& s) {
    if (eglGetCurrentSurface(EGL_DRAW) == s.egl_surface && s.egl_surface != EGL_NO_SURFACE) {
        eglMakeCurrent(egl_display_, EGL_NO_SURFACE, EGL_NO_SURFACE, current_context_);
    }
    if (s.egl_surface != EGL_NO_SURFACE) eglDestroySurface(egl_display_, s.egl_surface);
    if (s.egl_window != nullptr) wl_egl_window_destroy(s.egl_window);
    if (s.frame != nullptr) wl_callback_destroy(s.frame);
    if (s.fractional != nullptr) wp_fractional_scale_v1_destroy(s.fractional);
    if (s.viewport != nullptr) wp_viewport_destroy(s.viewport);
    if (s.layer != nullptr) zwlr_layer_surface_v1_destroy(s.layer);
    if (s.toplevel != nullptr) xdg_toplevel_destroy(s.toplevel);
    if (s.xdg != nullptr) xdg_surface_destroy(s.xdg);
    if (keyboard_on_ == s.surface) {
        // Its output went: as after a leave, the keyboard must come straight back to another
        // surface of ours, or another program has it now (PollEvents). The compositor's own
        // leave for this surface arrives without it.
        keyboard_on_ = nullptr;
        keyboard_left_ = std::chrono::steady_clock::now();
    }
    if (pointer_on_ == s.surface) pointer_on_ = nullptr;
    wl_surface_destroy(s.surface);
    surfaces_.erase(std::find_if(surfaces_.begin(), surfaces_.end(),
                                 [&](const auto& p) { return p.get() == &s; }));
}

WaylandBackend::Surface* WaylandBackend::SurfaceById(NativeWindow id) {
    for (const auto& s : surfaces_) {
        if (s->id == id) return s.get();
    }
    return nullptr;
}

WaylandBackend::Surface* WaylandBackend::SurfaceOf(wl_surface* surface) {
    for (const auto& s : surfaces_) {
        if (s->surface == surface) return s.get();
    }
    return nullptr;
}

}  // namespace tivaro::platform::wayland
