// The monitors of the X screen, and the saver's hold on the keyboard and the pointer.
#include "platform/x11/x11_backend.h"

#include <X11/extensions/Xinerama.h>
#include <X11/extensions/Xrandr.h>

#include <cstdio>

namespace tivaro::platform::x11 {
namespace {

// For the first second the saver asks for the keyboard and the pointer another client
// holds at every turn of its loop; from then on once a second, for as long as it runs.
constexpr auto kGrabPatience = std::chrono::seconds(1);
constexpr auto kGrabRetry = std::chrono::seconds(1);
constexpr unsigned kPointerEvents = ButtonPressMask | ButtonReleaseMask;

}  // namespace

// The primary monitor's size: the one RandR marks primary, else the first.
Point X11Backend::ScreenSize() {
    const std::vector<Rect> monitors = Monitors();
    const Rect& primary = monitors.front();
    return {primary.right - primary.left, primary.bottom - primary.top};
}

// RandR 1.5 monitors where the server has them, the primary first, else Xinerama's heads,
// else the screen.
std::vector<Rect> X11Backend::Monitors() {
    std::vector<Rect> found;
    int event_base = 0;
    int error_base = 0;
    int major = 0;
    int minor = 0;
    if (XRRQueryExtension(display_, &event_base, &error_base) &&
        XRRQueryVersion(display_, &major, &minor) && (major > 1 || (major == 1 && minor >= 5))) {
        int count = 0;
        XRRMonitorInfo* monitors = XRRGetMonitors(display_, root_, True, &count);
        for (int i = 0; i < count; ++i) {
            const XRRMonitorInfo& m = monitors[i];
            const Rect r{m.x, m.y, m.x + m.width, m.y + m.height};
            found.insert(m.primary ? found.begin() : found.end(), r);
        }
        if (monitors != nullptr) XRRFreeMonitors(monitors);
    }
    // An X server with Xinerama but RandR's one monitor for the whole screen tells more
    // through Xinerama.
    if (found.size() <= 1 && XineramaIsActive(display_)) {
        int count = 0;
        XineramaScreenInfo* heads = XineramaQueryScreens(display_, &count);
        if (count > 1) {
            found.clear();
            for (int i = 0; i < count; ++i) {
                const XineramaScreenInfo& h = heads[i];
                found.push_back(Rect{h.x_org, h.y_org, h.x_org + h.width, h.y_org + h.height});
            }
        }
        if (heads != nullptr) XFree(heads);
    }
    if (found.empty()) {
        found.push_back(
            Rect{0, 0, DisplayWidth(display_, screen_), DisplayHeight(display_, screen_)});
    }
    return found;
}

// Keys and clicks anywhere are the saver's from now on. The grabs are on the root
// window, which is always viewable, so they hold before the saver's window even exists;
// what comes before OwnInput names the window is kept for it.
void X11Backend::ClaimInput() {
    if (input_claimed_) return;
    input_claimed_ = true;
    grab_reported_ = false;
    grab_patience_end_ = std::chrono::steady_clock::now() + kGrabPatience;
    next_grab_try_ = {};
    TryGrab();
}

// From here on keys and clicks are reported to `window`.
void X11Backend::OwnInput(NativeWindow window) {
    ClaimInput();
    input_owner_ = static_cast<Window>(window);
    int error_base = 0;
    if (XRRQueryExtension(display_, &randr_event_base_, &error_base)) {
        XRRSelectInput(display_, root_, RRScreenChangeNotifyMask);
    } else {
        randr_event_base_ = -1;
    }
    XSelectInput(display_, root_, StructureNotifyMask);
    TryGrab();
}

void X11Backend::TryGrab() {
    if (!input_claimed_ || (keyboard_grabbed_ && pointer_grabbed_)) return;
    const auto now = std::chrono::steady_clock::now();
    if (now < next_grab_try_) return;
    if (!keyboard_grabbed_) {
        keyboard_grabbed_ = XGrabKeyboard(display_, root_, True, GrabModeAsync, GrabModeAsync,
                                          CurrentTime) == GrabSuccess;
    }
    if (!pointer_grabbed_) {
        const Cursor cursor = cursor_hidden_ ? CursorFor(Pointer::Hidden) : None;
        pointer_grabbed_ = XGrabPointer(display_, root_, True, kPointerEvents, GrabModeAsync,
                                        GrabModeAsync, None, cursor, CurrentTime) == GrabSuccess;
    }
    XFlush(display_);
    if ((keyboard_grabbed_ && pointer_grabbed_) || now < grab_patience_end_) return;
    next_grab_try_ = now + kGrabRetry;
    if (grab_reported_) return;
    grab_reported_ = true;
    std::fprintf(stderr,
                 "tivaro: another program holds the %s; the saver runs without it and asks again "
                 "every second\n",
                 !keyboard_grabbed_ && !pointer_grabbed_ ? "keyboard and the pointer"
                 : !keyboard_grabbed_                    ? "keyboard"
                                                         : "pointer");
    std::fflush(stderr);
}

// A key or a button the grab reported on the root window (the pointer was over no window
// of ours, or ours was not mapped yet) goes to the saver's window.
bool X11Backend::RetargetToOwner(const XEvent& xe, Event& e) {
    if (input_owner_ == 0 || xe.xany.window != root_) return false;
    if (xe.type == KeyPress || xe.type == KeyRelease) {
        e.window = input_owner_;
        return true;
    }
    if (xe.type == ButtonPress || xe.type == ButtonRelease) {
        e.window = input_owner_;
        Window child = 0;
        XTranslateCoordinates(display_, root_, input_owner_, xe.xbutton.x_root, xe.xbutton.y_root,
                              &e.x, &e.y, &child);
        return true;
    }
    return false;
}

// The monitors changed: RandR says so, or the root window changed size.
bool X11Backend::IsDisplayChange(const XEvent& xe) {
    if (input_owner_ == 0) return false;
    if (randr_event_base_ >= 0 && xe.type == randr_event_base_ + RRScreenChangeNotify) {
        XRRUpdateConfiguration(const_cast<XEvent*>(&xe));
        return true;
    }
    return xe.type == ConfigureNotify && xe.xconfigure.window == root_;
}

void X11Backend::ReleaseInput() {
    if (keyboard_grabbed_) XUngrabKeyboard(display_, CurrentTime);
    if (pointer_grabbed_) XUngrabPointer(display_, CurrentTime);
    keyboard_grabbed_ = pointer_grabbed_ = false;
    input_claimed_ = false;
    early_input_.clear();
    input_owner_ = 0;
    XFlush(display_);
}

}  // namespace tivaro::platform::x11
