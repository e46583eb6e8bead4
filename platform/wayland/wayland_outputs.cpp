// The outputs in the compositor's layout: their logical place and size (xdg-output's, else
// wl_output's position with the mode divided by the scale), their device size (the current
// mode) and their scale. Wayland names no primary output; the one at the layout's origin
// stands for it.
#include "platform/wayland/wayland_outputs.h"

#include <algorithm>

#include "platform/wayland/wayland_backend.h"

namespace tivaro::platform::wayland {
namespace {

using OutputState = WaylandBackend::OutputState;

OutputState& Of(void* data) {
    return *static_cast<OutputState*>(data);
}

// A quarter turn (90 or 270 degrees, flipped or not) swaps the mode's sides in the layout.
bool Turned(const OutputState& o) {
    return (o.transform & 1) != 0;
}

}  // namespace

const zxdg_output_v1_listener kXdgOutputListener = [] {
    zxdg_output_v1_listener l{};
    l.logical_position = [](void* data, zxdg_output_v1*, std::int32_t x, std::int32_t y) {
        Rect& r = Of(data).xdg_logical;
        r = Rect{x, y, x + (r.right - r.left), y + (r.bottom - r.top)};
        Of(data).xdg_logical_known = true;
    };
    l.logical_size = [](void* data, zxdg_output_v1*, std::int32_t w, std::int32_t h) {
        Rect& r = Of(data).xdg_logical;
        r.right = r.left + w;
        r.bottom = r.top + h;
        Of(data).xdg_logical_known = true;
    };
    l.done = [](void*, zxdg_output_v1*) {};  // wl_output.done follows
    l.name = [](void*, zxdg_output_v1*, const char*) {};
    l.description = [](void*, zxdg_output_v1*, const char*) {};
    return l;
}();

// Bound at version 3 (wayland_registry.cpp): its name and description are never sent.
const wl_output_listener kOutputListener = [] {
    wl_output_listener l{};
    l.geometry = [](void* data, wl_output*, std::int32_t x, std::int32_t y, std::int32_t,
                    std::int32_t, std::int32_t, const char*, const char*, std::int32_t transform) {
        Of(data).position = Point{x, y};
        Of(data).transform = transform;
    };
    // Only the current mode counts.
    l.mode = [](void* data, wl_output*, std::uint32_t flags, std::int32_t width,
                std::int32_t height, std::int32_t) {
        if ((flags & WL_OUTPUT_MODE_CURRENT) != 0) Of(data).mode = Point{width, height};
    };
    l.done = [](void* data, wl_output*) { Of(data).backend->OnOutputDone(Of(data)); };
    l.scale = [](void* data, wl_output*, std::int32_t factor) {
        Of(data).scale = std::max(1, factor);
    };
    return l;
}();

void WaylandBackend::OnOutputDone(OutputState& output) {
    // A new output, or a new mode or scale for one we cover: the saver covers them again,
    // with buffers at the output's device resolution now, whether or not the compositor
    // configures the surfaces anew (a new scale may keep their logical size).
    output.done = true;
    display_changed_ = true;
    for (const auto& s : surfaces_) {
        if (s->output_name == output.name && s->configured) SizeBuffer(*s);
    }
}

Rect WaylandBackend::LogicalOf(const OutputState& o) {
    if (o.xdg_logical_known) return o.xdg_logical;
    const std::int32_t scale = std::max(1, o.scale);
    const Point size = Turned(o) ? Point{o.mode.y, o.mode.x} : o.mode;
    return Rect{o.position.x, o.position.y, o.position.x + size.x / scale,
                o.position.y + size.y / scale};
}

// The compositor's fractional scale for a surface of ours on it; else device pixels per
// logical pixel as xdg-output's logical size says (a compositor that scales by 1.5 without
// the fractional protocol still reports its whole-number scale as 2); else that scale.
double WaylandBackend::ScaleOf(const OutputState& o) const {
    for (const auto& s : surfaces_) {
        if (s->output_name == o.name && s->scale_120 > 0) return s->scale_120 / 120.0;
    }
    const Rect logical = LogicalOf(o);
    if (o.xdg_logical_known && logical.right > logical.left) {
        const std::int32_t across = Turned(o) ? o.mode.y : o.mode.x;
        return static_cast<double>(across) / (logical.right - logical.left);
    }
    return std::max(1, o.scale);
}

std::vector<const WaylandBackend::OutputState*> WaylandBackend::OrderedOutputs() const {
    std::vector<const OutputState*> found;
    for (const auto& [name, o] : outputs_) {
        if (o->done && o->mode.x > 0 && o->mode.y > 0) found.push_back(o.get());
    }
    const auto at_origin = std::find_if(found.begin(), found.end(), [](const OutputState* o) {
        const Rect r = LogicalOf(*o);
        return r.left <= 0 && 0 < r.right && r.top <= 0 && 0 < r.bottom;
    });
    if (at_origin != found.end()) std::rotate(found.begin(), at_origin, at_origin + 1);
    return found;
}

std::vector<platform::Output> WaylandBackend::Outputs() {
    std::vector<platform::Output> list;
    for (const OutputState* o : OrderedOutputs()) {
        platform::Output out;
        out.logical = LogicalOf(*o);
        out.device = o->mode;
        out.scale = ScaleOf(*o);
        out.primary = list.empty();
        list.push_back(out);
    }
    return list;
}

}  // namespace tivaro::platform::wayland
