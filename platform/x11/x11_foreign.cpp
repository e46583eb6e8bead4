// Windows that may be another program's: measured, watched, found by caption or by a
// point on the screen. Any of them may go at any moment: what is asked of them is asked
// inside an error trap, and a window that went is one that is not there.
#include "platform/x11/x11_backend.h"

#include <X11/Xatom.h>

#include "platform/x11/x11_errors.h"

namespace tivaro::platform::x11 {

void X11Backend::WatchWindow(NativeWindow window) {
    const auto w = static_cast<Window>(window);
    XWindowAttributes attrs{};
    ErrorTrap trap(display_);
    if (XGetWindowAttributes(display_, w, &attrs) == 0) return;
    // Our own mask on another client's window: theirs is unaffected.
    XSelectInput(display_, w, StructureNotifyMask);
    if (trap.Release() != Success) return;  // gone already
    WindowInfo info;
    info.width = attrs.width;
    info.height = attrs.height;
    watched_[w] = info;
}

std::optional<Rect> X11Backend::GetWindowRect(NativeWindow window) {
    if (window == 0) return std::nullopt;
    XWindowAttributes attrs{};
    int x = 0;
    int y = 0;
    Window child = 0;
    ErrorTrap trap(display_);
    if (XGetWindowAttributes(display_, static_cast<Window>(window), &attrs) == 0 ||
        XTranslateCoordinates(display_, static_cast<Window>(window), root_, 0, 0, &x, &y, &child) ==
            0 ||
        trap.Release() != Success) {
        return std::nullopt;
    }
    return Rect{x, y, x + attrs.width, y + attrs.height};
}

bool X11Backend::IsWindow(NativeWindow window) {
    return GetWindowRect(window).has_value();
}

std::string X11Backend::CaptionOf(Window window) {
    std::string caption;
    for (Atom property : {net_wm_name_, static_cast<Atom>(XA_WM_NAME)}) {
        Atom type = 0;
        int format = 0;
        unsigned long count = 0;
        unsigned long after = 0;
        unsigned char* data = nullptr;
        if (XGetWindowProperty(display_, window, property, 0, 1024, False, AnyPropertyType, &type,
                               &format, &count, &after, &data) == Success &&
            data != nullptr) {
            if (format == 8) caption.assign(reinterpret_cast<char*>(data), count);
            XFree(data);
        }
        if (!caption.empty()) break;
    }
    return caption;
}

NativeWindow X11Backend::Search(Window window, std::string_view caption, int depth) {
    Window root_ret = 0;
    Window parent_ret = 0;
    Window* children = nullptr;
    unsigned count = 0;
    if (XQueryTree(display_, window, &root_ret, &parent_ret, &children, &count) == 0) return 0;
    NativeWindow found = 0;
    for (unsigned i = 0; i < count && found == 0; ++i) {
        if (CaptionOf(children[i]) == caption) found = children[i];
    }
    // Window managers put a frame around each top-level window: look one level down too.
    for (unsigned i = 0; i < count && found == 0 && depth < 2; ++i) {
        found = Search(children[i], caption, depth + 1);
    }
    if (children != nullptr) XFree(children);
    return found;
}

NativeWindow X11Backend::FindWindowByCaption(std::string_view caption) {
    // A window that goes during the search is one fewer to look at.
    ErrorTrap trap(display_);
    const NativeWindow found = Search(root_, caption, 0);
    trap.Release();
    if (found != 0) return found;
    // Open under the session's Wayland compositor, where no window search reaches.
    return posix::InstanceMarkers::HeldElsewhere(caption) ? kUnseenWindow : 0;
}

NativeWindow X11Backend::WindowFromPoint(Point screen) {
    // Descend from the root to the deepest mapped window that contains the point; one that
    // goes meanwhile ends the descent.
    ErrorTrap trap(display_);
    Window current = root_;
    for (int depth = 0; depth < 32; ++depth) {
        Window child = 0;
        int cx = 0;
        int cy = 0;
        if (!XTranslateCoordinates(display_, root_, current, screen.x, screen.y, &cx, &cy,
                                   &child) ||
            child == None) {
            break;
        }
        current = child;
    }
    return current == root_ ? 0 : current;
}

}  // namespace tivaro::platform::x11
