// X events turned into the program's Event records. Keys and clicks go through the funnel,
// which hands them to the saver's view while the saver holds the input.
#include "platform/x11/x11_backend.h"

#include <X11/keysym.h>

#include "platform/x11/x11_errors.h"

namespace tivaro::platform::x11 {
namespace {

constexpr Translation kKeys[] = {{XK_Tab, keys::kTab},       {XK_ISO_Left_Tab, keys::kTab},
                                 {XK_Return, keys::kReturn}, {XK_KP_Enter, keys::kReturn},
                                 {XK_Escape, keys::kEscape}, {XK_space, keys::kSpace}};

// Wheel and extra buttons are not clicks.
constexpr Translation kButtons[] = {
    {Button1, buttons::kLeft}, {Button3, buttons::kRight}, {Button2, buttons::kMiddle}};

std::int16_t KeyOf(KeySym sym) {
    if (const std::int16_t code = Translate(kKeys, static_cast<std::uint32_t>(sym), 0)) return code;
    if (sym >= XK_a && sym <= XK_z) return static_cast<std::int16_t>(sym - XK_a + 'A');
    if (sym >= XK_A && sym <= XK_Z) return static_cast<std::int16_t>(sym);
    if (sym >= XK_0 && sym <= XK_9) return static_cast<std::int16_t>(sym);
    return keys::Other(static_cast<std::uint32_t>(sym));
}

std::int16_t ShiftOf(unsigned state) {
    return static_cast<std::int16_t>(((state & ShiftMask) ? shifts::kShift : 0) |
                                     ((state & ControlMask) ? shifts::kControl : 0) |
                                     ((state & Mod1Mask) ? shifts::kAlt : 0));
}

std::int16_t ButtonOf(unsigned x_button) {
    return Translate(kButtons, x_button, 0);
}

// The buttons held during a motion, added up.
std::int16_t HeldButtons(unsigned state) {
    return static_cast<std::int16_t>(((state & Button1Mask) ? buttons::kLeft : 0) |
                                     ((state & Button3Mask) ? buttons::kRight : 0) |
                                     ((state & Button2Mask) ? buttons::kMiddle : 0));
}

Event MotionOf(const XMotionEvent& xe) {
    Event e;
    e.type = EventType::Motion;
    e.window = xe.window;
    e.x = xe.x;
    e.y = xe.y;
    e.button = HeldButtons(xe.state);
    e.shift = ShiftOf(xe.state);
    return e;
}

Event CrossingOf(const XCrossingEvent& xe) {
    Event e;
    e.type = xe.type == EnterNotify ? EventType::Enter : EventType::Leave;
    e.window = xe.window;
    e.x = xe.x;
    e.y = xe.y;
    return e;
}

Event Plain(EventType type, Window window) {
    Event e;
    e.type = type;
    e.window = window;
    return e;
}

}  // namespace

void X11Backend::Translate(const XEvent& xe, std::vector<Event>& out) {
    if (IsDisplayChange(xe)) {
        out.push_back(Plain(EventType::DisplayChanged, funnel_.Owner()));
        return;
    }
    const Window window = xe.xany.window;
    const bool input = xe.type == KeyPress || xe.type == KeyRelease || xe.type == ButtonPress ||
                       xe.type == ButtonRelease;
    if (input && KeepForOwner(xe)) return;
    switch (xe.type) {
        case KeyPress:
        case KeyRelease:
            DeliverKey(xe.xkey, out);
            break;
        case ButtonPress:
        case ButtonRelease:
            DeliverButton(xe.xbutton, out);
            break;
        case MotionNotify:
            out.push_back(MotionOf(xe.xmotion));
            break;
        case EnterNotify:
        case LeaveNotify:
            out.push_back(CrossingOf(xe.xcrossing));
            break;
        case FocusIn:
        case FocusOut:
            out.push_back(
                Plain(xe.type == FocusIn ? EventType::GotFocus : EventType::LostFocus, window));
            break;
        case Expose:
            // One repaint for the whole batch.
            if (xe.xexpose.count == 0) out.push_back(Plain(EventType::Paint, window));
            break;
        case ClientMessage:
            if (IsCloseRequest(xe.xclient)) out.push_back(Plain(EventType::CloseRequest, window));
            break;
        case MapNotify:
            FocusOnFirstMap(xe.xmap.window);
            break;
        case ConfigureNotify:
            NoteResize(xe.xconfigure, out);
            break;
        case DestroyNotify:
            NoteDestroyed(xe.xdestroywindow, out);
            break;
        default:
            break;
    }
}

void X11Backend::DeliverKey(const XKeyEvent& xe, std::vector<Event>& out) {
    Event e;
    e.type = xe.type == KeyPress ? EventType::KeyDown : EventType::KeyUp;
    e.window = xe.window;
    e.key = KeyOf(XLookupKeysym(const_cast<XKeyEvent*>(&xe), 0));
    e.shift = ShiftOf(xe.state);
    funnel_.Deliver(e, out);
}

void X11Backend::DeliverButton(const XButtonEvent& xe, std::vector<Event>& out) {
    Event e;
    e.button = ButtonOf(xe.button);
    if (e.button == 0) return;
    e.type = xe.type == ButtonPress ? EventType::ButtonDown : EventType::ButtonUp;
    e.window = xe.window;
    e.x = xe.x;
    e.y = xe.y;
    e.shift = ShiftOf(xe.state);
    const Window owner = static_cast<Window>(funnel_.Owner());
    if (owner == 0 || owner == xe.window) {
        funnel_.Deliver(e, out);
        return;
    }
    // Held by the saver, a click anywhere (over no window of ours, the grab reports it on
    // the root window) is the owner's, at the same place on the screen.
    Point at;
    Window child = 0;
    XTranslateCoordinates(display_, root_, owner, xe.x_root, xe.y_root, &at.x, &at.y, &child);
    funnel_.Deliver(e, out, &at);
}

bool X11Backend::IsCloseRequest(const XClientMessageEvent& xe) const {
    return xe.message_type == wm_protocols_ && static_cast<Atom>(xe.data.l[0]) == wm_delete_window_;
}

// Without a window manager nobody gives a new top-level window the keyboard.
void X11Backend::FocusOnFirstMap(Window window) {
    auto it = windows_.find(window);
    if (it == windows_.end() || it->second.kind == WindowKind::Child || it->second.mapped_once) {
        return;
    }
    it->second.mapped_once = true;
    // Refused when the window is no longer viewable (unmapped again, or gone).
    const ErrorTrap trap(display_);
    XSetInputFocus(display_, window, RevertToParent, CurrentTime);
}

// Our windows' and the watched windows' new sizes (not their moves).
void X11Backend::NoteResize(const XConfigureEvent& xe, std::vector<Event>& out) {
    if (xe.event != xe.window) return;
    WindowInfo* info = nullptr;
    if (auto it = windows_.find(xe.window); it != windows_.end()) {
        info = &it->second;
    } else if (auto w = watched_.find(xe.window); w != watched_.end()) {
        info = &w->second;
    }
    if (info == nullptr || (info->width == xe.width && info->height == xe.height)) return;
    info->width = xe.width;
    info->height = xe.height;
    FitOffscreen(xe.window);
    Event e = Plain(EventType::Resized, xe.window);
    e.x = xe.width;
    e.y = xe.height;
    out.push_back(e);
}

// A window gone without our asking: one of ours inside a host's window that went, or a
// watched one.
void X11Backend::NoteDestroyed(const XDestroyWindowEvent& xe, std::vector<Event>& out) {
    if (xe.event != xe.window) return;
    DropOffscreen(xe.window);
    if (windows_.erase(xe.window) == 0 && watched_.erase(xe.window) == 0) return;  // ours did
    out.push_back(Plain(EventType::Destroyed, xe.window));
}

}  // namespace tivaro::platform::x11
