// Where a window that spans the monitors goes (X11, Windows) and where each monitor's
// fountain lies in it, from the monitors the system reports. Whatever the system says (monitors
// that overlap, mirror one another, have no size or lie far outside the desktop), the window covers
// every monitor and every monitor shows one fountain.
#pragma once

#include <cstddef>
#include <vector>

#include "platform/backend.h"

namespace tivaro::platform {

struct MonitorLayout {
    Rect window;                // screen pixels: the smallest box around the monitors
    std::vector<Rect> views;    // one per monitor shown, in the window's pixels
    bool covers_window = true;  // the views leave no part of the window bare
};

// At most this many fountains; further monitors are covered but show none.
inline constexpr std::size_t kMaxViews = 16;

// Monitors of no size are dropped, as is any monitor that lies inside another (a mirror);
// with none left, the screen (0, 0, screen) is the one monitor.
MonitorLayout LayoutMonitors(const std::vector<Rect>& monitors, Point screen);

// A surface that the compositor sized larger than its own output `own` (some kiosk compositors
// give a fullscreen window the whole layout): it is taken to lie as near the layout's top left
// as still covers `own`, and each of `outputs` inside it gets a box in the surface's `device`
// pixels, in the order given. The window is where the surface lies, in logical units.
MonitorLayout OutputsInSurface(const Rect& own, Point size, Point device,
                               const std::vector<Rect>& outputs);

// Monitors given as rectangles of the screen's pixels (the primary first), as outputs.
std::vector<Output> OutputsOfScreenRects(const std::vector<Rect>& rects);

// The view fills another program's window (`request.host`), as a child of it: the saver's
// window is made its child and the host is watched for its size and its end. Raises a
// SetupError where the host is not a window (it may have closed since the caller looked).
CoverAnswer FillHost(WindowSystem& windows, const CoverRequest& request);

// The answer of a system whose one window spans the outputs: the window around them, and a
// box of `view` (which fills it) per output, the primary's first.
CoverAnswer SpanOutputs(const std::vector<Output>& outputs, NativeWindow view);

}  // namespace tivaro::platform
