// The saver's hold on the keyboard and the pointer, and the changes of the monitors
// reported to it. The grabs are on the root window, which is always viewable, so they hold
// whether or not the saver's window is made or mapped yet; what they bring goes to the
// owner, and what came before there was one waits for it.
#include "platform/x11/x11_backend.h"

#include <X11/extensions/Xrandr.h>

#include <cstdio>

namespace tivaro::platform::x11 {
namespace {

// For the first second the saver asks for the keyboard and the pointer another client
// holds at every turn of its loop; from then on once a second, for as long as it runs.
constexpr auto kGrabPatience = std::chrono::seconds(1);
constexpr auto kGrabRetry = std::chrono::seconds(1);

}  // namespace

// The keyboard and the pointer are held from now on (asked for again while another client
// holds them).
void X11Backend::HoldInput() {
    if (grab_.wanted) return;
    grab_ = GrabState{};
    grab_.wanted = true;
    grab_.patience_end = std::chrono::steady_clock::now() + kGrabPatience;
    TryGrab();
}

// Keys and clicks anywhere are `owner`'s from now on (those held since the start too), and
// so are the monitors' changes.
void X11Backend::TakeInput(NativeWindow owner) {
    funnel_.SetOwner(owner);
    HoldInput();
    WatchOutputs();
}

// RandR's changes, and the root window's size, which the cover adds to whatever this
// connection already asked to hear of the root window.
void X11Backend::WatchOutputs() {
    if (watching_outputs_) return;
    watching_outputs_ = true;
    int error_base = 0;
    if (XRRQueryExtension(display_, &randr_event_base_, &error_base)) {
        XRRSelectInput(display_, root_, RRScreenChangeNotifyMask);
    } else {
        randr_event_base_ = -1;
    }
    XWindowAttributes attrs{};
    XGetWindowAttributes(display_, root_, &attrs);
    root_events_added_ = StructureNotifyMask & ~attrs.your_event_mask;
    if (root_events_added_ != 0) {
        XSelectInput(display_, root_, attrs.your_event_mask | root_events_added_);
    }
}

// A key or a click that comes while the input is held for an owner not there yet waits.
bool X11Backend::KeepForOwner(const XEvent& xe) {
    if (!grab_.wanted || funnel_.Owner() != 0) return false;
    held_input_.push_back(xe);
    return true;
}

// What waited is the owner's once there is one, before anything newer.
void X11Backend::DeliverHeldInput(std::vector<Event>& out) {
    if (held_input_.empty() || funnel_.Owner() == 0) return;
    std::vector<XEvent> held;
    held.swap(held_input_);
    for (const XEvent& xe : held) Translate(xe, out);
}

void X11Backend::TryGrab() {
    if (!grab_.wanted || (grab_.keyboard && grab_.pointer)) return;
    const auto now = std::chrono::steady_clock::now();
    if (now < grab_.next_try) return;
    if (!grab_.keyboard) {
        grab_.keyboard = XGrabKeyboard(display_, root_, True, GrabModeAsync, GrabModeAsync,
                                       CurrentTime) == GrabSuccess;
    }
    if (!grab_.pointer) {
        const Cursor cursor = cursor_hidden_ ? CursorFor(Pointer::Hidden) : None;
        grab_.pointer = XGrabPointer(display_, root_, True, kGrabbedPointerEvents, GrabModeAsync,
                                     GrabModeAsync, None, cursor, CurrentTime) == GrabSuccess;
    }
    XFlush(display_);
    if ((grab_.keyboard && grab_.pointer) || now < grab_.patience_end) return;
    grab_.next_try = now + kGrabRetry;
    ReportGrabRefused();
}

// Once: the saver runs on without what another program holds.
void X11Backend::ReportGrabRefused() {
    if (grab_.reported) return;
    grab_.reported = true;
    std::fprintf(stderr,
                 "tivaro: another program holds the %s; the saver runs without it and asks again "
                 "every second\n",
                 !grab_.keyboard && !grab_.pointer ? "keyboard and the pointer"
                 : !grab_.keyboard                 ? "keyboard"
                                                   : "pointer");
    std::fflush(stderr);
}

// The monitors changed: RandR says so, or the root window changed size.
bool X11Backend::IsDisplayChange(const XEvent& xe) {
    if (funnel_.Owner() == 0) return false;
    if (randr_event_base_ >= 0 && xe.type == randr_event_base_ + RRScreenChangeNotify) {
        XRRUpdateConfiguration(const_cast<XEvent*>(&xe));
        return true;
    }
    return xe.type == ConfigureNotify && xe.xconfigure.window == root_;
}

// A locker grabs the keyboard and the pointer for itself: the saver lets go of them while it
// is asked for, and keeps the focus, so that keys still come to the saver's window, not to
// another program's.
void X11Backend::LetLockerIn(bool let) {
    if (!let) {
        HoldInput();
        return;
    }
    if (grab_.keyboard) XUngrabKeyboard(display_, CurrentTime);
    if (grab_.pointer) XUngrabPointer(display_, CurrentTime);
    grab_ = GrabState{};
    XFlush(display_);
}

void X11Backend::ReleaseInput() {
    if (grab_.keyboard) XUngrabKeyboard(display_, CurrentTime);
    if (grab_.pointer) XUngrabPointer(display_, CurrentTime);
    grab_ = GrabState{};
    held_input_.clear();
    funnel_.SetOwner(0);
    // Of the root window's events, what the cover added goes; the rest stays as it was.
    if (watching_outputs_ && root_events_added_ != 0) {
        XWindowAttributes attrs{};
        XGetWindowAttributes(display_, root_, &attrs);
        XSelectInput(display_, root_, attrs.your_event_mask & ~root_events_added_);
    }
    watching_outputs_ = false;
    root_events_added_ = 0;
    XFlush(display_);
}

}  // namespace tivaro::platform::x11
