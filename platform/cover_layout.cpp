#include "platform/cover_layout.h"

#include <string>

#include "toolkit/runtime/errors.h"

#include <algorithm>
#include <cstdint>

namespace tivaro::platform {
namespace {

// Coordinates beyond any real desktop are brought in, so sizes and sums cannot overflow.
constexpr std::int32_t kFar = 1 << 20;

Rect Clamped(const Rect& r) {
    const auto c = [](std::int32_t v) { return std::clamp(v, -kFar, kFar); };
    return Rect{c(r.left), c(r.top), c(r.right), c(r.bottom)};
}

bool Empty(const Rect& r) {
    return r.right <= r.left || r.bottom <= r.top;
}

bool Inside(const Rect& inner, const Rect& outer) {
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
}

// Whether the boxes together cover `area`: every cell of the grid their edges make is
// inside one of them.
bool Covers(const std::vector<Rect>& boxes, const Rect& area) {
    std::vector<std::int32_t> xs{area.left, area.right};
    std::vector<std::int32_t> ys{area.top, area.bottom};
    for (const Rect& b : boxes) {
        xs.insert(xs.end(), {b.left, b.right});
        ys.insert(ys.end(), {b.top, b.bottom});
    }
    for (auto* edges : {&xs, &ys}) {
        std::sort(edges->begin(), edges->end());
        edges->erase(std::unique(edges->begin(), edges->end()), edges->end());
    }
    for (std::size_t i = 0; i + 1 < xs.size(); ++i) {
        for (std::size_t j = 0; j + 1 < ys.size(); ++j) {
            const Rect cell{xs[i], ys[j], xs[i + 1], ys[j + 1]};
            if (!Inside(cell, area)) continue;
            const bool covered = std::any_of(boxes.begin(), boxes.end(),
                                             [&](const Rect& b) { return Inside(cell, b); });
            if (!covered) return false;
        }
    }
    return true;
}

}  // namespace

MonitorLayout LayoutMonitors(const std::vector<Rect>& monitors, Point screen) {
    std::vector<Rect> shown;
    for (const Rect& raw : monitors) {
        const Rect m = Clamped(raw);
        if (Empty(m)) continue;
        shown.push_back(m);
    }
    // A monitor inside another shows part of that one's picture; of equal ones the first
    // stays.
    std::vector<Rect> kept;
    for (std::size_t i = 0; i < shown.size(); ++i) {
        bool mirrored = false;
        for (std::size_t j = 0; j < shown.size() && !mirrored; ++j) {
            if (i == j || !Inside(shown[i], shown[j])) continue;
            mirrored = !Inside(shown[j], shown[i]) || j < i;
        }
        if (!mirrored) kept.push_back(shown[i]);
    }
    if (kept.empty()) {
        kept.push_back(Clamped(Rect{0, 0, std::max(1, screen.x), std::max(1, screen.y)}));
    }

    MonitorLayout layout;
    layout.window = kept.front();
    for (const Rect& m : kept) {
        layout.window.left = std::min(layout.window.left, m.left);
        layout.window.top = std::min(layout.window.top, m.top);
        layout.window.right = std::max(layout.window.right, m.right);
        layout.window.bottom = std::max(layout.window.bottom, m.bottom);
    }
    if (kept.size() > kMaxViews) kept.resize(kMaxViews);
    layout.covers_window = Covers(kept, layout.window);
    for (const Rect& m : kept) {
        layout.views.push_back(Rect{m.left - layout.window.left, m.top - layout.window.top,
                                    m.right - layout.window.left, m.bottom - layout.window.top});
    }
    return layout;
}

MonitorLayout OutputsInSurface(const Rect& own, Point size, Point device,
                               const std::vector<Rect>& outputs) {
    std::int32_t left = own.left;
    std::int32_t top = own.top;
    for (const Rect& o : outputs) {
        left = std::min(left, o.left);
        top = std::min(top, o.top);
    }
    // As near the layout's corner as still reaches the output's far edge.
    const auto place = [](std::int32_t corner, std::int32_t near, std::int32_t far,
                          std::int32_t length) {
        return std::clamp(corner, std::min(near, far - length), near);
    };
    const std::int32_t x = place(left, own.left, own.right, size.x);
    const std::int32_t y = place(top, own.top, own.bottom, size.y);
    const Rect surface = Clamped(Rect{x, y, x + size.x, y + size.y});
    std::vector<Rect> inside;
    for (const Rect& o : outputs) {
        const Rect cut{std::max(o.left, surface.left), std::max(o.top, surface.top),
                       std::min(o.right, surface.right), std::min(o.bottom, surface.bottom)};
        if (!Empty(cut)) inside.push_back(cut);
    }
    const MonitorLayout shown = LayoutMonitors(inside, size);
    MonitorLayout layout;
    layout.window = surface;
    layout.covers_window = shown.covers_window && shown.window.left == surface.left &&
                           shown.window.top == surface.top && shown.window.right == surface.right &&
                           shown.window.bottom == surface.bottom;
    // From the surface's logical units to its buffer's pixels.
    const auto to_device = [](std::int32_t v, std::int32_t logical, std::int32_t pixels) {
        return static_cast<std::int32_t>((std::int64_t{v} * pixels + logical / 2) /
                                         std::max(1, logical));
    };
    for (const Rect& v : shown.views) {
        const std::int32_t dx = shown.window.left - surface.left;
        const std::int32_t dy = shown.window.top - surface.top;
        layout.views.push_back(Rect{
            to_device(v.left + dx, size.x, device.x), to_device(v.top + dy, size.y, device.y),
            to_device(v.right + dx, size.x, device.x), to_device(v.bottom + dy, size.y, device.y)});
    }
    return layout;
}

std::vector<Output> OutputsOfScreenRects(const std::vector<Rect>& rects) {
    std::vector<Output> outputs;
    for (const Rect& r : rects) {
        Output o;
        o.logical = r;
        o.device = Point{r.right - r.left, r.bottom - r.top};
        o.primary = outputs.empty();
        outputs.push_back(o);
    }
    return outputs;
}

CoverAnswer FillHost(WindowSystem& windows, const CoverRequest& request) {
    const std::optional<Rect> area = windows.GetWindowRect(request.host);
    if (!area) {
        // Gone since the caller looked (or never there): a fault of the surroundings, which
        // no step that ignores runtime errors may pass over.
        throw rt::SetupError("window " + std::to_string(request.host) +
                             " is not a window; nothing to draw the saver in");
    }
    windows.SetParent(request.window, request.host);
    windows.WatchWindow(request.host);
    const Point size{area->right - area->left, area->bottom - area->top};
    CoverAnswer answer;
    answer.window = Rect{0, 0, size.x, size.y};
    answer.areas.push_back({request.view, answer.window, size});
    return answer;
}

CoverAnswer SpanOutputs(const std::vector<Output>& outputs, NativeWindow view) {
    std::vector<Rect> monitors;
    for (const Output& o : outputs) monitors.push_back(o.logical);
    const MonitorLayout layout = LayoutMonitors(monitors, Point{1, 1});
    CoverAnswer answer;
    answer.window = layout.window;
    const Point size{layout.window.right - layout.window.left,
                     layout.window.bottom - layout.window.top};
    for (const Rect& box : layout.views) answer.areas.push_back({view, box, size});
    answer.bare = !layout.covers_window;
    return answer;
}

}  // namespace tivaro::platform
