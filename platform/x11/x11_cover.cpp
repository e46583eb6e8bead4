// The saver's cover: one window spanning the monitors, or filling a host's window. Where it
// fits the primary monitor it is a full-screen window the window manager keeps above the
// others; over several monitors no window manager would let it be that large, so it is
// placed by us alone (override-redirect).
#include "platform/x11/x11_backend.h"

#include <X11/Xatom.h>

#include <string>
#include <thread>

#include "platform/cover_layout.h"
#include "toolkit/runtime/errors.h"

namespace tivaro::platform::x11 {
namespace {

constexpr int kPlacementWaits = 50;  // of 10 ms each: a window manager answers in less
constexpr auto kPlacementWait = std::chrono::milliseconds(10);

std::int32_t Width(const Rect& r) {
    return r.right - r.left;
}
std::int32_t Height(const Rect& r) {
    return r.bottom - r.top;
}

}  // namespace

// Above every window; behind them (CoverLayer::Background) is a Wayland locker's, refused
// on X11 before it comes here.
CoverAnswer X11Backend::Cover(const CoverRequest& request) {
    if (request.host != 0) {
        cover_ = CoverRecord{};
        return FillHost(*this, request);
    }
    const std::vector<Output> outputs = Outputs();
    const CoverAnswer answer = SpanOutputs(outputs, request.view);
    const Rect& primary = outputs.front().logical;
    const bool spanning =
        Width(answer.window) > Width(primary) || Height(answer.window) > Height(primary);
    const auto window = static_cast<Window>(request.window);
    if (cover_.window != window) cover_ = CoverRecord{};
    cover_.window = window;
    cover_.bounds = answer.window;
    cover_.spanning = spanning;
    // Asked again while shown (the monitors changed): placed anew where the way it is placed
    // must change; a move alone is the caller's SetBounds.
    const auto it = windows_.find(window);
    if (it != windows_.end() && it->second.shown && cover_.mapped_spanning != spanning) {
        Replace(window);
    }
    if (request.take_input) TakeInput(request.view);
    return answer;
}

void X11Backend::Uncover() {
    ReleaseInput();
    cover_ = CoverRecord{};
}

// How the covering window is placed, set before it is mapped.
void X11Backend::Place(Window window) {
    cover_.mapped_spanning = cover_.spanning;
    XSetWindowAttributes attrs{};
    attrs.override_redirect = cover_.spanning ? True : False;
    XChangeWindowAttributes(display_, window, CWOverrideRedirect, &attrs);
    if (cover_.spanning) {
        XDeleteProperty(display_, window, net_wm_state_);
    } else {
        XChangeProperty(display_, window, net_wm_state_, XA_ATOM, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(&net_wm_state_fullscreen_), 1);
    }
}

// A window changes between managed and unmanaged only while it is not mapped: it is
// withdrawn (the window manager gives it back to the root window), placed anew and mapped
// again. Meanwhile a black window of no window manager's covers the monitors, so that
// nothing behind the saver shows for as much as a moment.
void X11Backend::Replace(Window window) {
    const Rect& bounds = cover_.bounds;
    const auto width = static_cast<unsigned>(std::max(1, Width(bounds)));
    const auto height = static_cast<unsigned>(std::max(1, Height(bounds)));
    XSetWindowAttributes black_attrs{};
    black_attrs.override_redirect = True;
    black_attrs.background_pixel = BlackPixel(display_, screen_);
    const Window black =
        XCreateWindow(display_, root_, bounds.left, bounds.top, width, height, 0, CopyFromParent,
                      InputOutput, CopyFromParent, CWOverrideRedirect | CWBackPixel, &black_attrs);
    XMapRaised(display_, black);
    XWithdrawWindow(display_, window, screen_);
    XSync(display_, False);
    WaitForParent(window, root_);
    Place(window);
    XMoveResizeWindow(display_, window, bounds.left, bounds.top, width, height);
    if (auto it = windows_.find(window); it != windows_.end()) {
        it->second.width = static_cast<std::int32_t>(width);
        it->second.height = static_cast<std::int32_t>(height);
    }
    XMapRaised(display_, window);
    // The black window goes once ours shows again (a window manager maps it in its frame).
    WaitUntilViewable(window);
    XDestroyWindow(display_, black);
    XFlush(display_);
}

// A window manager reparents a withdrawn window back to the root window: wait for that
// (briefly).
void X11Backend::WaitForParent(Window window, Window parent) {
    for (int i = 0; i < kPlacementWaits; ++i) {
        Window root = 0;
        Window current = 0;
        Window* children = nullptr;
        unsigned count = 0;
        if (XQueryTree(display_, window, &root, &current, &children, &count) == 0) return;
        if (children != nullptr) XFree(children);
        if (current == parent) return;
        std::this_thread::sleep_for(kPlacementWait);
    }
}

void X11Backend::WaitUntilViewable(Window window) {
    for (int i = 0; i < kPlacementWaits; ++i) {
        XWindowAttributes attrs{};
        if (XGetWindowAttributes(display_, window, &attrs) == 0 || attrs.map_state == IsViewable) {
            return;
        }
        std::this_thread::sleep_for(kPlacementWait);
    }
}

}  // namespace tivaro::platform::x11
