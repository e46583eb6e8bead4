// The monitors of the X screen. X11 has one coordinate space for them all, in device
// pixels: each output's logical rectangle is its place in screen pixels, at scale 1.
#include "platform/x11/x11_backend.h"

#include "platform/cover_layout.h"

#include <X11/extensions/Xinerama.h>
#include <X11/extensions/Xrandr.h>

namespace tivaro::platform::x11 {
namespace {

// RandR 1.5's monitors, the primary first; nothing where the server has no RandR 1.5.
std::vector<Rect> RandrMonitors(Display* display, Window root) {
    std::vector<Rect> found;
    int event_base = 0;
    int error_base = 0;
    int major = 0;
    int minor = 0;
    if (!XRRQueryExtension(display, &event_base, &error_base) ||
        !XRRQueryVersion(display, &major, &minor) || major < 1 || (major == 1 && minor < 5)) {
        return found;
    }
    int count = 0;
    XRRMonitorInfo* monitors = XRRGetMonitors(display, root, True, &count);
    for (int i = 0; i < count; ++i) {
        const XRRMonitorInfo& m = monitors[i];
        const Rect r{m.x, m.y, m.x + m.width, m.y + m.height};
        found.insert(m.primary ? found.begin() : found.end(), r);
    }
    if (monitors != nullptr) XRRFreeMonitors(monitors);
    return found;
}

// Xinerama's heads, where there are more than one.
std::vector<Rect> XineramaHeads(Display* display) {
    std::vector<Rect> found;
    if (!XineramaIsActive(display)) return found;
    int count = 0;
    XineramaScreenInfo* heads = XineramaQueryScreens(display, &count);
    for (int i = 0; i < count && count > 1; ++i) {
        const XineramaScreenInfo& h = heads[i];
        found.push_back(Rect{h.x_org, h.y_org, h.x_org + h.width, h.y_org + h.height});
    }
    if (heads != nullptr) XFree(heads);
    return found;
}

}  // namespace

std::vector<Output> X11Backend::Outputs() {
    std::vector<Rect> monitors = RandrMonitors(display_, root_);
    // An X server with Xinerama but RandR's one monitor for the whole screen tells more
    // through Xinerama.
    if (monitors.size() <= 1) {
        if (std::vector<Rect> heads = XineramaHeads(display_); !heads.empty()) {
            monitors = std::move(heads);
        }
    }
    if (monitors.empty()) {
        monitors.push_back(
            Rect{0, 0, DisplayWidth(display_, screen_), DisplayHeight(display_, screen_)});
    }
    return OutputsOfScreenRects(monitors);
}

}  // namespace tivaro::platform::x11
