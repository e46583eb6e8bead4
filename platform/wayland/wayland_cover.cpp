// The saver's cover: a surface on each output, a layer-shell surface on the layer asked for
// where the compositor has layer-shell, else a fullscreen xdg-shell toplevel. Each buffer is
// sized in its output's device pixels. Outputs that come later are covered when the saver,
// told of them (DisplayChanged), asks again.
#include <wayland-client.h>
#include <wayland-egl.h>

#include <algorithm>

#include "fractional-scale-v1-client-protocol.h"
#include "platform/cover_layout.h"
#include "platform/wayland/wayland_backend.h"
#include "toolkit/runtime/errors.h"
#include "viewporter-client-protocol.h"
#include "wlr-layer-shell-unstable-v1-client-protocol.h"
#include "xdg-shell-client-protocol.h"

namespace tivaro::platform::wayland {
namespace {

// How long a new surface may wait for the compositor to give it a size.
constexpr std::chrono::milliseconds kConfigurePatience{2000};
constexpr char kNamespace[] = "tivaro";

using Surface = WaylandBackend::Surface;

Surface& Of(void* data) {
    return *static_cast<Surface*>(data);
}

[[noreturn]] void Refuse(const char* why) {
    throw rt::SetupError(why);
}

const zwlr_layer_surface_v1_listener kLayerListener = [] {
    zwlr_layer_surface_v1_listener l{};
    l.configure = [](void* data, zwlr_layer_surface_v1* layer, std::uint32_t serial,
                     std::uint32_t width, std::uint32_t height) {
        zwlr_layer_surface_v1_ack_configure(layer, serial);
        Of(data).backend->OnConfigure(Of(data), static_cast<std::int32_t>(width),
                                      static_cast<std::int32_t>(height));
    };
    l.closed = [](void* data, zwlr_layer_surface_v1*) {
        Of(data).backend->OnSurfaceClosed(Of(data));
    };
    return l;
}();

// The toplevel's size comes first and is applied when its xdg_surface configure arrives.
// xdg_wm_base is bound at version 2 (wayland_registry.cpp): the later versions' events
// (configure_bounds, wm_capabilities) are never sent.
const xdg_toplevel_listener kToplevelListener = [] {
    xdg_toplevel_listener l{};
    l.configure = [](void* data, xdg_toplevel*, std::int32_t width, std::int32_t height,
                     wl_array*) {
        Of(data).logical = Point{width, height};
    };
    l.close = [](void* data, xdg_toplevel*) { Of(data).backend->OnCloseRequest(); };
    return l;
}();

const xdg_surface_listener kXdgSurfaceListener = [] {
    xdg_surface_listener l{};
    l.configure = [](void* data, xdg_surface* xdg, std::uint32_t serial) {
        xdg_surface_ack_configure(xdg, serial);
        Of(data).backend->OnConfigure(Of(data), Of(data).logical.x, Of(data).logical.y);
    };
    return l;
}();

const wp_fractional_scale_v1_listener kFractionalListener = [] {
    wp_fractional_scale_v1_listener l{};
    l.preferred_scale = [](void* data, wp_fractional_scale_v1*, std::uint32_t scale) {
        Surface& s = Of(data);
        if (s.scale_120 == scale) return;
        s.scale_120 = scale;
        if (s.configured) s.backend->OnConfigure(s, s.logical.x, s.logical.y);
    };
    return l;
}();

}  // namespace

// What the compositor cannot do, or EGL that cannot draw, is a SetupError: no step of the
// saver's load passes over it, and it ends the program in one line with code 1.
CoverAnswer WaylandBackend::Cover(const CoverRequest& request) {
    if (request.host != 0) {
        Refuse("Wayland cannot draw in another program's window (a window id needs X11)");
    }
    if (request.layer == CoverLayer::Background && layer_shell_ == nullptr) {
        Refuse("a cover behind every window needs a Wayland compositor with layer-shell");
    }
    // Surfaces on another layer, or taking input otherwise, are made afresh.
    if (cover_.wanted &&
        (cover_.layer != request.layer || cover_.take_input != request.take_input)) {
        DestroySurfaces();
    }
    cover_ = CoverWish{true,           request.layer, request.take_input, request.caption,
                       request.window, request.view};
    funnel_.SetOwner(request.take_input ? request.view : 0);
    ending_ = false;
    CoverOutputs();
    WaitForConfigure();
    Flush();  // the black buffers: the surfaces show, and take the keyboard, from here on
    ReadyEgl();
    display_changed_ = false;  // what changed until now is in this answer
    CoverAnswer answer = Answer();
    view_at_ = Point{answer.window.left, answer.window.top};
    return answer;
}

void WaylandBackend::Uncover() {
    funnel_.SetOwner(0);
    cover_ = CoverWish{};
    DestroySurfaces();
    ReleaseIdleEgl();
    display_changed_ = false;
    keyboard_was_ours_ = false;
    deactivation_reported_ = false;
    Flush();
}

// One area per surface, in the order of the outputs (the primary's first); the window lies
// around them all. A surface sized beyond its output gets an area for each output inside it;
// one that EGL made no surface for gets none (it comes once a configure makes one).
CoverAnswer WaylandBackend::Answer() const {
    CoverAnswer answer;
    answer.surface_each = true;
    const std::vector<const OutputState*> outputs = OrderedOutputs();
    std::vector<Rect> layout;
    for (const OutputState* o : outputs) layout.push_back(LogicalOf(*o));
    for (std::size_t i = 0; i < outputs.size(); ++i) {
        const Rect& r = layout[i];
        Rect& w = answer.window;
        w = i == 0 ? r
                   : Rect{std::min(w.left, r.left), std::min(w.top, r.top),
                          std::max(w.right, r.right), std::max(w.bottom, r.bottom)};
        for (const auto& s : surfaces_) {
            if (s->output_name != outputs[i]->name || !s->configured || s->closed) continue;
            if (s->device.x <= 0 || s->device.y <= 0) continue;
            if (s->egl_surface == EGL_NO_SURFACE) continue;  // black until EGL draws on it
            if (s->logical.x <= r.right - r.left && s->logical.y <= r.bottom - r.top) {
                answer.areas.push_back({s->id, Rect{0, 0, s->device.x, s->device.y}, s->device});
                continue;
            }
            std::vector<Rect> own_first{r};
            for (std::size_t j = 0; j < layout.size(); ++j) {
                if (j != i) own_first.push_back(layout[j]);
            }
            const MonitorLayout in = OutputsInSurface(r, s->logical, s->device, own_first);
            for (const Rect& box : in.views) answer.areas.push_back({s->id, box, s->device});
            answer.bare = answer.bare || !in.covers_window;
        }
    }
    return answer;
}

// Surfaces for the outputs that have none; those the compositor closed are made afresh
// where their output remains.
void WaylandBackend::CoverOutputs() {
    for (std::size_t i = surfaces_.size(); i-- > 0;) {
        if (surfaces_[i]->closed) DestroySurface(*surfaces_[i]);
    }
    for (const OutputState* o : OrderedOutputs()) {
        const bool covered = std::any_of(surfaces_.begin(), surfaces_.end(),
                                         [&](const auto& s) { return s->output_name == o->name; });
        if (!covered) MakeSurface(*o);
    }
    Flush();
}

void WaylandBackend::MakeSurface(const OutputState& output) {
    auto s = std::make_unique<Surface>();
    s->backend = this;
    s->id = next_surface_id_++;
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
        MakeLayerSurface(*s, output);
    } else {
        MakeToplevel(*s, output);
    }
    if (!cover_.take_input) {
        // Clicks go through to what lies beneath.
        wl_region* none = wl_compositor_create_region(compositor_);
        wl_surface_set_input_region(s->surface, none);
        wl_region_destroy(none);
    }
    wl_surface_commit(s->surface);
    surfaces_.push_back(std::move(s));
}

void WaylandBackend::MakeLayerSurface(Surface& s, const OutputState& output) {
    const bool above = cover_.layer == CoverLayer::Overlay;
    s.layer = zwlr_layer_shell_v1_get_layer_surface(
        layer_shell_, s.surface, output.output,
        above ? ZWLR_LAYER_SHELL_V1_LAYER_OVERLAY : ZWLR_LAYER_SHELL_V1_LAYER_BACKGROUND,
        kNamespace);
    zwlr_layer_surface_v1_add_listener(s.layer, &kLayerListener, &s);
    zwlr_layer_surface_v1_set_anchor(
        s.layer, ZWLR_LAYER_SURFACE_V1_ANCHOR_TOP | ZWLR_LAYER_SURFACE_V1_ANCHOR_BOTTOM |
                     ZWLR_LAYER_SURFACE_V1_ANCHOR_LEFT | ZWLR_LAYER_SURFACE_V1_ANCHOR_RIGHT);
    zwlr_layer_surface_v1_set_size(s.layer, 0, 0);
    zwlr_layer_surface_v1_set_exclusive_zone(s.layer, -1);
    zwlr_layer_surface_v1_set_keyboard_interactivity(
        s.layer, cover_.take_input ? ZWLR_LAYER_SURFACE_V1_KEYBOARD_INTERACTIVITY_EXCLUSIVE
                                   : ZWLR_LAYER_SURFACE_V1_KEYBOARD_INTERACTIVITY_NONE);
}

void WaylandBackend::MakeToplevel(Surface& s, const OutputState& output) {
    s.xdg = xdg_wm_base_get_xdg_surface(wm_base_, s.surface);
    xdg_surface_add_listener(s.xdg, &kXdgSurfaceListener, &s);
    s.toplevel = xdg_surface_get_toplevel(s.xdg);
    xdg_toplevel_add_listener(s.toplevel, &kToplevelListener, &s);
    xdg_toplevel_set_title(s.toplevel, cover_.caption.c_str());
    xdg_toplevel_set_app_id(s.toplevel, kNamespace);
    xdg_toplevel_set_fullscreen(s.toplevel, output.output);
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
    // No size from the compositor: the output's own, in surface coordinates.
    if (const auto output = outputs_.find(s.output_name);
        (width <= 0 || height <= 0) && output != outputs_.end()) {
        const Rect logical = LogicalOf(*output->second);
        width = logical.right - logical.left;
        height = logical.bottom - logical.top;
    }
    s.logical = Point{width, height};
    const Point before = s.device;
    SizeBuffer(s);
    const bool first = !s.configured;
    s.configured = true;
    if (first) ShowBlack(s);
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
    if (s.egl_window != nullptr && s.device.x > 0 && s.device.y > 0) {
        wl_egl_window_resize(s.egl_window, s.device.x, s.device.y, 0, 0);
    } else {
        TryEglSurface(s);  // once EGL is set up (ReadyEgl makes the first ones)
    }
}

void WaylandBackend::OnSurfaceClosed(Surface& s) {
    // The compositor took the surface away (its output went): cover again.
    s.closed = true;
    display_changed_ = true;
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
    DropBlack(s);
    wl_surface_destroy(s.surface);
    surfaces_.erase(std::find_if(surfaces_.begin(), surfaces_.end(),
                                 [&](const auto& p) { return p.get() == &s; }));
}

void WaylandBackend::DestroySurfaces() {
    while (!surfaces_.empty()) DestroySurface(*surfaces_.back());
}

WaylandBackend::Surface* WaylandBackend::SurfaceById(NativeWindow id) const {
    for (const auto& s : surfaces_) {
        if (s->id == id) return s.get();
    }
    return nullptr;
}

WaylandBackend::Surface* WaylandBackend::SurfaceOf(wl_surface* surface) const {
    for (const auto& s : surfaces_) {
        if (s->surface == surface) return s.get();
    }
    return nullptr;
}

}  // namespace tivaro::platform::wayland
