// The program's own windows: made, destroyed, shown, moved, named and given an icon. A
// window of ours may lie inside another program's (a preview pane, a host's window) and go
// with it at any moment: what is asked of our windows is asked inside an error trap.
#include "platform/x11/x11_backend.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>

#include "platform/x11/x11_errors.h"

#include <algorithm>

namespace tivaro::platform::x11 {
namespace {

constexpr long kTopLevelEvents = KeyPressMask | KeyReleaseMask | ButtonPressMask |
                                 ButtonReleaseMask | PointerMotionMask | ExposureMask |
                                 StructureNotifyMask | FocusChangeMask;
constexpr long kChildEvents = ButtonPressMask | ButtonReleaseMask | PointerMotionMask |
                              ExposureMask | StructureNotifyMask | EnterWindowMask |
                              LeaveWindowMask;

// 0x00BBGGRR, as the program gives colours, to 0x00RRGGBB.
std::uint32_t RgbOf(std::uint32_t c) {
    return ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
}

}  // namespace

NativeWindow X11Backend::MakeWindow(const WindowDesc& desc) {
    const ErrorTrap trap(display_);
    const bool top = desc.kind != WindowKind::Child;
    Window parent = top || desc.parent == 0 ? root_ : static_cast<Window>(desc.parent);
    XSetWindowAttributes attrs{};
    unsigned long mask = CWEventMask | CWBorderPixel;
    attrs.event_mask = top ? kTopLevelEvents : kChildEvents;
    attrs.border_pixel = 0;
    Visual* visual = CopyFromParent;
    int depth = CopyFromParent;
    const PixelFormat* format = nullptr;
    if (desc.gl_capable && FrameBufferConfig() != nullptr) {
        visual = gl_visual_->visual;
        depth = gl_visual_->depth;
        attrs.colormap = gl_colormap_;
        attrs.background_pixmap = None;  // GL draws every pixel; avoid a flash
        mask |= CWColormap | CWBackPixmap;
        format = &FormatFor(visual, depth, gl_colormap_);
    } else {
        // The parent's visual: the background in its terms.
        format = &FormatOf(parent);
        attrs.background_pixel = format->Pixel(RgbOf(desc.back_colour));
        mask |= CWBackPixel;
    }
    const int w = std::max(1, desc.bounds.right - desc.bounds.left);
    const int h = std::max(1, desc.bounds.bottom - desc.bounds.top);
    Window window =
        XCreateWindow(display_, parent, desc.bounds.left, desc.bounds.top, static_cast<unsigned>(w),
                      static_cast<unsigned>(h), 0, depth, InputOutput, visual, mask, &attrs);
    windows_[window] = WindowInfo{desc.kind, parent, w, h, desc.gl_capable, false, format};
    if (top) SetTopLevelHints(window, desc, w, h);
    return window;
}

// What a window manager reads of a top-level window: its caption, class and size, that it
// may be closed, and for a plain window that it has no frame.
void X11Backend::SetTopLevelHints(Window window, const WindowDesc& desc, int width, int height) {
    markers_.Hold(window, desc.caption);
    SetCaption(window, desc.caption);
    XSetWMProtocols(display_, window, &wm_delete_window_, 1);
    XClassHint hint{const_cast<char*>("tivaro"), const_cast<char*>("Tivaro")};
    XSetClassHint(display_, window, &hint);
    XSizeHints size{};
    size.flags = PPosition | PSize;
    if (desc.kind == WindowKind::TopLevelDialog) {
        // A fixed frame: the user cannot resize the dialog.
        size.flags |= PMinSize | PMaxSize;
        size.min_width = size.max_width = width;
        size.min_height = size.max_height = height;
    }
    XSetWMNormalHints(display_, window, &size);
    if (desc.kind == WindowKind::TopLevelPlain) {
        // No border and no caption bar.
        const long hints[5] = {2 /* decorations */, 0, 0, 0, 0};
        XChangeProperty(display_, window, motif_wm_hints_, motif_wm_hints_, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(hints), 5);
    }
    ApplyCursor(window);
}

void X11Backend::DestroyWindow(NativeWindow window) {
    const ErrorTrap trap(display_);
    const auto it = windows_.find(static_cast<Window>(window));
    if (it == windows_.end()) return;
    // The saver's window going (or its view): the keyboard and pointer go back.
    if (it->first == cover_.window || window == funnel_.Owner()) Uncover();
    windows_.erase(it);
    DropOffscreen(static_cast<Window>(window));
    markers_.Release(window);
    XDestroyWindow(display_, static_cast<Window>(window));
    XFlush(display_);
}

void X11Backend::ShowWindow(NativeWindow window, bool visible) {
    const ErrorTrap trap(display_);
    const Window w = static_cast<Window>(window);
    auto it = windows_.find(w);
    if (it != windows_.end()) it->second.shown = visible;
    if (!visible) {
        XUnmapWindow(display_, w);
        XFlush(display_);
        return;
    }
    if (w == cover_.window) Place(w);
    XMapRaised(display_, w);
    XFlush(display_);
}

void X11Backend::SetBounds(NativeWindow window, const Rect& bounds) {
    const ErrorTrap trap(display_);
    const Window w = static_cast<Window>(window);
    const int width = std::max(1, bounds.right - bounds.left);
    const int height = std::max(1, bounds.bottom - bounds.top);
    if (auto it = windows_.find(w); it != windows_.end()) {
        it->second.width = width;
        it->second.height = height;
        if (it->second.kind == WindowKind::TopLevelDialog) {
            // The fixed frame follows the size the program sets.
            XSizeHints size{};
            size.flags = PPosition | PSize | PMinSize | PMaxSize;
            size.min_width = size.max_width = width;
            size.min_height = size.max_height = height;
            XSetWMNormalHints(display_, w, &size);
        }
        FitOffscreen(w);
    }
    XMoveResizeWindow(display_, w, bounds.left, bounds.top, static_cast<unsigned>(width),
                      static_cast<unsigned>(height));
    XFlush(display_);
}

void X11Backend::SetCaption(NativeWindow window, std::string_view caption) {
    const ErrorTrap trap(display_);
    // UTF-8 in both the EWMH name and the ICCCM one, so every client reads the same text.
    const auto* data = reinterpret_cast<const unsigned char*>(caption.data());
    const int length = static_cast<int>(caption.size());
    XChangeProperty(display_, static_cast<Window>(window), net_wm_name_, utf8_string_, 8,
                    PropModeReplace, data, length);
    XChangeProperty(display_, static_cast<Window>(window), XA_WM_NAME, utf8_string_, 8,
                    PropModeReplace, data, length);
}

void X11Backend::SetParent(NativeWindow window, NativeWindow parent) {
    const ErrorTrap trap(display_);
    const Window w = static_cast<Window>(window);
    const Window new_parent = parent == 0 ? root_ : static_cast<Window>(parent);
    XReparentWindow(display_, w, new_parent, 0, 0);
    if (auto it = windows_.find(w); it != windows_.end()) {
        it->second.kind = WindowKind::Child;
        it->second.parent = new_parent;
    }
    XSync(display_, False);
}

void X11Backend::SetIcon(NativeWindow window, const PixelView& icon) {
    const ErrorTrap trap(display_);
    // _NET_WM_ICON: width, height, then opaque ARGB pixels, one C long each (as Xlib
    // wants 32-bit properties).
    std::vector<unsigned long> data;
    data.reserve(2 + static_cast<std::size_t>(icon.width) * icon.height);
    data.push_back(static_cast<unsigned long>(icon.width));
    data.push_back(static_cast<unsigned long>(icon.height));
    for (std::int32_t y = 0; y < icon.height; ++y) {
        for (std::int32_t x = 0; x < icon.width; ++x) {
            data.push_back(0xFF000000UL |
                           icon.pixels[static_cast<std::size_t>(y) * icon.stride + x]);
        }
    }
    XChangeProperty(display_, static_cast<Window>(window), net_wm_icon_, XA_CARDINAL, 32,
                    PropModeReplace, reinterpret_cast<const unsigned char*>(data.data()),
                    static_cast<int>(data.size()));
    XFlush(display_);
}

void X11Backend::SetFocus(NativeWindow window) {
    const ErrorTrap trap(display_);
    XSetInputFocus(display_, static_cast<Window>(window), RevertToParent, CurrentTime);
    XFlush(display_);
}

}  // namespace tivaro::platform::x11
