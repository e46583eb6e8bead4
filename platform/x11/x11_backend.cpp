#include "platform/x11/x11_backend.h"

#include "platform/posix/end_signals.h"
#include "platform/posix/instance_marker.h"
#include "platform/posix/open_address.h"
#include "platform/scale/display_scale.h"
#include "platform/x11/x11_blank_cursor.h"
#include "platform/x11/x11_lost_server.h"

#include <X11/Xatom.h>
#include <X11/Xlib-xcb.h>
#include <X11/Xutil.h>
#include <X11/cursorfont.h>
#include <X11/keysym.h>
#include <poll.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <string>
#include <thread>

#include "assets/assets.h"
#include "platform/image/decode.h"
#include "platform/runtime/errors.h"

namespace tivaro::platform::x11 {
namespace {

// X errors about windows that no longer exist (a preview pane that went away, a window
// destroyed between a search and a query) are expected; they are counted and dropped.
int g_x_errors = 0;
int IgnoreXError(Display*, XErrorEvent*) {
    ++g_x_errors;
    return 0;
}

}  // namespace

int XErrorCount() {
    return g_x_errors;
}

namespace {

// The server went away: nothing is left to draw on. End cleanly rather than hang.
int LostServer(Display*) {
    EndForLostServer();
}

std::int16_t KeyCodeOf(KeySym sym) {
    switch (sym) {
        case XK_Tab:
        case XK_ISO_Left_Tab:
            return 9;
        case XK_Return:
        case XK_KP_Enter:
            return 13;
        case XK_Escape:
            return 27;
        case XK_space:
            return 32;
        default:
            break;
    }
    if (sym >= XK_a && sym <= XK_z) return static_cast<std::int16_t>(sym - XK_a + 'A');
    if (sym >= XK_A && sym <= XK_Z) return static_cast<std::int16_t>(sym);
    if (sym >= XK_0 && sym <= XK_9) return static_cast<std::int16_t>(sym);
    return static_cast<std::int16_t>(0x100 | (sym & 0xFF));  // any other key
}

std::int16_t ShiftOf(unsigned state) {
    return static_cast<std::int16_t>(((state & ShiftMask) ? 1 : 0) |
                                     ((state & ControlMask) ? 2 : 0) |
                                     ((state & Mod1Mask) ? 4 : 0));
}

std::int16_t ButtonOf(unsigned x_button) {
    switch (x_button) {
        case Button1:
            return 1;
        case Button3:
            return 2;
        case Button2:
            return 4;
        default:
            return 0;  // wheel and extra buttons are not clicks
    }
}

constexpr long kTopLevelEvents = KeyPressMask | KeyReleaseMask | ButtonPressMask |
                                 ButtonReleaseMask | PointerMotionMask | ExposureMask |
                                 StructureNotifyMask | FocusChangeMask;
constexpr long kChildEvents = ButtonPressMask | ButtonReleaseMask | PointerMotionMask |
                              ExposureMask | StructureNotifyMask | EnterWindowMask |
                              LeaveWindowMask;

}  // namespace

X11Backend::X11Backend() {
    posix::InstallEndSignals();
    XSetErrorHandler(&IgnoreXError);
    XSetIOErrorHandler(&LostServer);
    const char* name = std::getenv("DISPLAY");
    if (name == nullptr || *name == '\0') {
        throw rt::RuntimeError(rt::ErrorNumber::InvalidProcedureCall,
                               "no display: DISPLAY is not set");
    }
    display_ = XOpenDisplay(nullptr);
    if (display_ == nullptr) {
        throw rt::RuntimeError(rt::ErrorNumber::InvalidProcedureCall,
                               std::string("cannot open display ") + name);
    }
    xcb_ = XGetXCBConnection(display_);
    screen_ = DefaultScreen(display_);
    root_ = RootWindow(display_, screen_);
    // All in one round trip.
    char* names[] = {
        const_cast<char*>("WM_PROTOCOLS"),    const_cast<char*>("WM_DELETE_WINDOW"),
        const_cast<char*>("_NET_WM_NAME"),    const_cast<char*>("UTF8_STRING"),
        const_cast<char*>("_NET_WM_STATE"),   const_cast<char*>("_NET_WM_STATE_FULLSCREEN"),
        const_cast<char*>("_MOTIF_WM_HINTS"), const_cast<char*>("_NET_WM_ICON")};
    Atom* atoms[] = {&wm_protocols_, &wm_delete_window_,        &net_wm_name_,    &utf8_string_,
                     &net_wm_state_, &net_wm_state_fullscreen_, &motif_wm_hints_, &net_wm_icon_};
    Atom values[std::size(names)] = {};
    XInternAtoms(display_, names, static_cast<int>(std::size(names)), False, values);
    for (std::size_t i = 0; i < std::size(names); ++i) *atoms[i] = values[i];
}

X11Backend::~X11Backend() {
    if (display_ == nullptr) return;
    ReleaseShared();
    for (auto& [id, ctx] : contexts_) glXDestroyContext(display_, ctx);
    if (gl_visual_ != nullptr) XFree(gl_visual_);
    for (auto& [depth, gc] : gcs_) XFreeGC(display_, gc);
    XCloseDisplay(display_);
}

const PixelFormat& X11Backend::FormatFor(Visual* visual, int depth, Colormap colormap) {
    for (const auto& format : formats_) {
        if (format->visual() == visual && format->depth() == depth) return *format;
    }
    formats_.push_back(std::make_unique<PixelFormat>(display_, visual, depth, colormap));
    return *formats_.back();
}

const PixelFormat& X11Backend::FormatOf(Window window) {
    if (auto it = windows_.find(window); it != windows_.end() && it->second.format != nullptr) {
        return *it->second.format;
    }
    XWindowAttributes attrs{};
    if (window == root_ || XGetWindowAttributes(display_, window, &attrs) == 0) {
        return FormatFor(DefaultVisual(display_, screen_), DefaultDepth(display_, screen_),
                         DefaultColormap(display_, screen_));
    }
    return FormatFor(attrs.visual, attrs.depth,
                     attrs.colormap != 0 ? attrs.colormap : DefaultColormap(display_, screen_));
}

GC X11Backend::GcFor(Window window, int depth) {
    auto it = gcs_.find(depth);
    if (it == gcs_.end()) it = gcs_.emplace(depth, XCreateGC(display_, window, 0, nullptr)).first;
    return it->second;
}

NativeWindow X11Backend::MakeWindow(const WindowDesc& desc) {
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
        // The parent's visual: the background in its terms (the colour is 0x00BBGGRR).
        format = &FormatOf(parent);
        const std::uint32_t c = desc.back_colour;
        attrs.background_pixel =
            format->Pixel(((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF));
        mask |= CWBackPixel;
    }
    const int w = std::max(1, desc.bounds.right - desc.bounds.left);
    const int h = std::max(1, desc.bounds.bottom - desc.bounds.top);
    Window window =
        XCreateWindow(display_, parent, desc.bounds.left, desc.bounds.top, static_cast<unsigned>(w),
                      static_cast<unsigned>(h), 0, depth, InputOutput, visual, mask, &attrs);
    windows_[window] = WindowInfo{desc.kind, w, h, desc.gl_capable, false, format};
    if (top) {
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
            size.min_width = size.max_width = w;
            size.min_height = size.max_height = h;
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
    return window;
}

void X11Backend::DestroyWindow(NativeWindow window) {
    const auto it = windows_.find(static_cast<Window>(window));
    if (it == windows_.end()) return;
    // The saver's window going (or the form it lies in): the keyboard and pointer go back.
    if (input_owner_ != 0 &&
        (input_owner_ == it->first || it->second.kind == WindowKind::TopLevelPlain)) {
        ReleaseInput();
    }
    windows_.erase(it);
    markers_.Release(window);
    XDestroyWindow(display_, static_cast<Window>(window));
    XFlush(display_);
}

void X11Backend::ShowWindow(NativeWindow window, bool visible) {
    const Window w = static_cast<Window>(window);
    auto it = windows_.find(w);
    if (it != windows_.end()) it->second.shown = visible;
    if (!visible) {
        XUnmapWindow(display_, w);
        XFlush(display_);
        return;
    }
    if (it != windows_.end() && it->second.kind == WindowKind::TopLevelPlain) {
        SetPlacement(w, it->second, !FitsOneMonitor(it->second));
    }
    XMapRaised(display_, w);
    XFlush(display_);
}

// The saver's window is full screen on one monitor; wider or taller than the primary
// monitor it spans several, and a window manager would fit it back onto one.
bool X11Backend::FitsOneMonitor(const WindowInfo& info) {
    const Point screen = ScreenSize();
    return info.width <= screen.x && info.height <= screen.y;
}

// Over several monitors no window manager places the window (override-redirect); on one
// it is a full-screen window the window manager keeps above the others. Set before the
// window is mapped.
void X11Backend::SetPlacement(Window w, WindowInfo& info, bool unmanaged) {
    info.unmanaged = unmanaged;
    XSetWindowAttributes attrs{};
    attrs.override_redirect = unmanaged ? True : False;
    XChangeWindowAttributes(display_, w, CWOverrideRedirect, &attrs);
    if (unmanaged) {
        XDeleteProperty(display_, w, net_wm_state_);
    } else if (info.width >= ScreenSize().x && info.height >= ScreenSize().y) {
        XChangeProperty(display_, w, net_wm_state_, XA_ATOM, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(&net_wm_state_fullscreen_), 1);
    }
}

// The monitors changed under a shown saver: how it is placed is decided again. A window
// changes between managed and unmanaged only while it is not mapped: it is withdrawn
// (the window manager gives it back to the root window), set anew and mapped again.
// Meanwhile a black window of no window manager's covers the monitors, so that nothing
// behind the saver shows for as much as a moment.
void X11Backend::Replace(Window w, WindowInfo& info, const Rect& bounds) {
    const bool unmanaged = !FitsOneMonitor(info);
    if (unmanaged == info.unmanaged) return;
    XSetWindowAttributes cover_attrs{};
    cover_attrs.override_redirect = True;
    cover_attrs.background_pixel = BlackPixel(display_, screen_);
    const Window cover =
        XCreateWindow(display_, root_, bounds.left, bounds.top, static_cast<unsigned>(info.width),
                      static_cast<unsigned>(info.height), 0, CopyFromParent, InputOutput,
                      CopyFromParent, CWOverrideRedirect | CWBackPixel, &cover_attrs);
    XMapRaised(display_, cover);
    XWithdrawWindow(display_, w, screen_);
    XSync(display_, False);
    // A window manager reparents it back to the root window; wait for that (briefly).
    for (int i = 0; i < 50; ++i) {
        Window root = 0;
        Window parent = 0;
        Window* children = nullptr;
        unsigned count = 0;
        if (XQueryTree(display_, w, &root, &parent, &children, &count) == 0) break;
        if (children != nullptr) XFree(children);
        if (parent == root_) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    SetPlacement(w, info, unmanaged);
    XMoveResizeWindow(display_, w, bounds.left, bounds.top, static_cast<unsigned>(info.width),
                      static_cast<unsigned>(info.height));
    XMapRaised(display_, w);
    // The cover goes once the window shows again (a window manager maps it in its frame).
    for (int i = 0; i < 50; ++i) {
        XWindowAttributes attrs{};
        if (XGetWindowAttributes(display_, w, &attrs) == 0 || attrs.map_state == IsViewable) {
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    XDestroyWindow(display_, cover);
}

void X11Backend::SetBounds(NativeWindow window, const Rect& bounds) {
    const Window w = static_cast<Window>(window);
    const int width = std::max(1, bounds.right - bounds.left);
    const int height = std::max(1, bounds.bottom - bounds.top);
    if (auto it = windows_.find(w); it != windows_.end()) {
        it->second.width = width;
        it->second.height = height;
        if (it->second.kind == WindowKind::TopLevelPlain && it->second.shown) {
            Replace(w, it->second, bounds);
        }
        if (it->second.kind == WindowKind::TopLevelDialog) {
            // The fixed frame follows the size the program sets.
            XSizeHints size{};
            size.flags = PPosition | PSize | PMinSize | PMaxSize;
            size.min_width = size.max_width = width;
            size.min_height = size.max_height = height;
            XSetWMNormalHints(display_, w, &size);
        }
    }
    XMoveResizeWindow(display_, w, bounds.left, bounds.top, static_cast<unsigned>(width),
                      static_cast<unsigned>(height));
    XFlush(display_);
}

void X11Backend::SetCaption(NativeWindow window, std::string_view caption) {
    // UTF-8 in both the EWMH name and the ICCCM one, so every client reads the same text.
    const auto* data = reinterpret_cast<const unsigned char*>(caption.data());
    const int length = static_cast<int>(caption.size());
    XChangeProperty(display_, static_cast<Window>(window), net_wm_name_, utf8_string_, 8,
                    PropModeReplace, data, length);
    XChangeProperty(display_, static_cast<Window>(window), XA_WM_NAME, utf8_string_, 8,
                    PropModeReplace, data, length);
}

void X11Backend::SetParent(NativeWindow window, NativeWindow parent) {
    const Window w = static_cast<Window>(window);
    XReparentWindow(display_, w, parent == 0 ? root_ : static_cast<Window>(parent), 0, 0);
    if (auto it = windows_.find(w); it != windows_.end()) it->second.kind = WindowKind::Child;
    XSync(display_, False);
}

void X11Backend::SetIcon(NativeWindow window, const PixelView& icon) {
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

void X11Backend::WatchWindow(NativeWindow window) {
    const auto w = static_cast<Window>(window);
    XWindowAttributes attrs{};
    const int errors = g_x_errors;
    if (XGetWindowAttributes(display_, w, &attrs) == 0) return;
    // Our own mask on another client's window: theirs is unaffected.
    XSelectInput(display_, w, StructureNotifyMask);
    XSync(display_, False);
    if (g_x_errors != errors) return;  // gone already
    WindowInfo info;
    info.width = attrs.width;
    info.height = attrs.height;
    watched_[w] = info;
}

std::optional<Rect> X11Backend::GetWindowRect(NativeWindow window) {
    if (window == 0) return std::nullopt;
    XWindowAttributes attrs{};
    const int errors = g_x_errors;
    XSync(display_, False);
    if (XGetWindowAttributes(display_, static_cast<Window>(window), &attrs) == 0)
        return std::nullopt;
    XSync(display_, False);
    if (g_x_errors != errors) return std::nullopt;
    int x = 0;
    int y = 0;
    Window child = 0;
    XTranslateCoordinates(display_, static_cast<Window>(window), root_, 0, 0, &x, &y, &child);
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
    if (const NativeWindow found = Search(root_, caption, 0); found != 0) return found;
    // Open under the session's Wayland compositor, where no window search reaches.
    return posix::InstanceMarkers::HeldElsewhere(caption) ? kUnseenWindow : 0;
}

void X11Backend::SetFocus(NativeWindow window) {
    XSetInputFocus(display_, static_cast<Window>(window), RevertToParent, CurrentTime);
    XFlush(display_);
}

// Our pointing hand (black outline, white inside, hot spot at the fingertip, column 12,
// row 1) as a two-colour X cursor: ink where the picture is black, shown where it is
// opaque. Nothing (0) when the picture cannot be read; the system's hand stands in then.
Cursor X11Backend::StoredHandCursor() {
    image::RgbaPicture hand;
    try {
        hand = image::DecodeRgba(assets::Find("hand.png"));
    } catch (const rt::RuntimeError&) {
        return 0;
    }
    const int stride = (hand.width + 7) / 8;  // XBM rows: bytes, least significant bit first
    std::vector<char> ink(static_cast<std::size_t>(stride) * hand.height, 0);
    std::vector<char> shown(ink.size(), 0);
    for (std::int32_t y = 0; y < hand.height; ++y) {
        for (std::int32_t x = 0; x < hand.width; ++x) {
            const std::uint32_t p = hand.pixels[static_cast<std::size_t>(y) * hand.width + x];
            const std::size_t byte = static_cast<std::size_t>(y) * stride + x / 8;
            const auto bit = static_cast<char>(1 << (x % 8));
            if ((p >> 24) >= 128) shown[byte] = static_cast<char>(shown[byte] | bit);
            if ((p >> 24) >= 128 && (p & 0xFFFFFF) < 0x808080)
                ink[byte] = static_cast<char>(ink[byte] | bit);
        }
    }
    const auto w = static_cast<unsigned>(hand.width);
    const auto h = static_cast<unsigned>(hand.height);
    Pixmap source = XCreateBitmapFromData(display_, root_, ink.data(), w, h);
    Pixmap mask = XCreateBitmapFromData(display_, root_, shown.data(), w, h);
    XColor black{};
    XColor white{};
    white.red = white.green = white.blue = 0xFFFF;
    const Cursor cursor =
        XCreatePixmapCursor(display_, source, mask, &black, &white, kHandHotX, kHandHotY);
    XFreePixmap(display_, source);
    XFreePixmap(display_, mask);
    return cursor;
}

Cursor X11Backend::CursorFor(Pointer pointer) {
    if (pointer == Pointer::Hidden) {
        if (blank_cursor_ == 0) blank_cursor_ = MakeBlankCursor(display_, root_);
        return blank_cursor_;
    }
    if (pointer == Pointer::Hand) {
        if (hand_cursor_ == 0) hand_cursor_ = StoredHandCursor();
        if (hand_cursor_ != 0) return hand_cursor_;
    }
    const unsigned shape = pointer == Pointer::Busy   ? XC_watch
                           : pointer == Pointer::Hand ? XC_hand2
                                                      : XC_left_ptr;
    auto it = cursors_.find(static_cast<int>(shape));
    if (it != cursors_.end()) return it->second;
    Cursor c = XCreateFontCursor(display_, shape);
    cursors_[static_cast<int>(shape)] = c;
    return c;
}

void X11Backend::ApplyCursor(Window window) {
    if (cursor_hidden_) {
        XDefineCursor(display_, window, CursorFor(Pointer::Hidden));
    } else {
        XUndefineCursor(display_, window);
    }
}

void X11Backend::SetPointer(NativeWindow window, Pointer pointer) {
    const Window w = static_cast<Window>(window);
    if (pointer == Pointer::Default) {
        ApplyCursor(w);
    } else {
        XDefineCursor(display_, w, CursorFor(pointer));
    }
    XFlush(display_);
}

void X11Backend::ShowCursor(bool show) {
    cursor_hidden_ = !show;
    if (pointer_grabbed_) {
        XChangeActivePointerGrab(display_, ButtonPressMask | ButtonReleaseMask,
                                 show ? None : CursorFor(Pointer::Hidden), CurrentTime);
    }
    for (auto& [window, info] : windows_) {
        if (info.kind != WindowKind::Child) ApplyCursor(window);
    }
    XFlush(display_);
}

void X11Backend::SetScreenSaverRunning(bool running) {
    // X has no such system-wide flag; the X screen-saver daemon keeps its own state.
    (void)running;
}

std::int32_t X11Backend::Dpi(NativeWindow) {
    const char* resources = XResourceManagerString(display_);
    return DpiFromResources(resources != nullptr ? resources : "");
}

Point X11Backend::CursorPos() {
    Window root_ret = 0;
    Window child = 0;
    int rx = 0;
    int ry = 0;
    int wx = 0;
    int wy = 0;
    unsigned mask = 0;
    XQueryPointer(display_, root_, &root_ret, &child, &rx, &ry, &wx, &wy, &mask);
    return {rx, ry};
}

NativeWindow X11Backend::WindowFromPoint(Point screen) {
    // Descend from the root to the deepest mapped window that contains the point.
    Window current = root_;
    int x = screen.x;
    int y = screen.y;
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
        x = cx;
        y = cy;
    }
    (void)x, (void)y;
    return current == root_ ? 0 : current;
}

void X11Backend::Translate(const XEvent& xe, std::vector<Event>& out) {
    // Input the grab brought before the saver's window was named waits for it.
    if (input_claimed_ && input_owner_ == 0 && xe.xany.window == root_ &&
        (xe.type == KeyPress || xe.type == KeyRelease || xe.type == ButtonPress ||
         xe.type == ButtonRelease)) {
        early_input_.push_back(xe);
        return;
    }
    Event e;
    e.window = xe.xany.window;
    if (IsDisplayChange(xe)) {
        e.type = EventType::DisplayChanged;
        e.window = input_owner_;
        out.push_back(e);
        return;
    }
    switch (xe.type) {
        case KeyPress:
        case KeyRelease: {
            KeySym sym = XLookupKeysym(const_cast<XKeyEvent*>(&xe.xkey), 0);
            e.type = xe.type == KeyPress ? EventType::KeyDown : EventType::KeyUp;
            e.key = KeyCodeOf(sym);
            e.shift = ShiftOf(xe.xkey.state);
            RetargetToOwner(xe, e);
            break;
        }
        case ButtonPress:
        case ButtonRelease:
            e.button = ButtonOf(xe.xbutton.button);
            if (e.button == 0) return;
            e.type = xe.type == ButtonPress ? EventType::ButtonDown : EventType::ButtonUp;
            e.x = xe.xbutton.x;
            e.y = xe.xbutton.y;
            e.shift = ShiftOf(xe.xbutton.state);
            RetargetToOwner(xe, e);
            break;
        case MotionNotify:
            e.type = EventType::Motion;
            e.x = xe.xmotion.x;
            e.y = xe.xmotion.y;
            e.button = static_cast<std::int16_t>(((xe.xmotion.state & Button1Mask) ? 1 : 0) |
                                                 ((xe.xmotion.state & Button3Mask) ? 2 : 0) |
                                                 ((xe.xmotion.state & Button2Mask) ? 4 : 0));
            e.shift = ShiftOf(xe.xmotion.state);
            break;
        case EnterNotify:
        case LeaveNotify:
            e.type = xe.type == EnterNotify ? EventType::Enter : EventType::Leave;
            e.x = xe.xcrossing.x;
            e.y = xe.xcrossing.y;
            break;
        case FocusIn:
        case FocusOut:
            e.type = xe.type == FocusIn ? EventType::GotFocus : EventType::LostFocus;
            break;
        case Expose:
            if (xe.xexpose.count != 0) return;  // one repaint for the whole batch
            e.type = EventType::Paint;
            break;
        case ClientMessage:
            if (xe.xclient.message_type != wm_protocols_ ||
                static_cast<Atom>(xe.xclient.data.l[0]) != wm_delete_window_) {
                return;
            }
            e.type = EventType::CloseRequest;
            break;
        case MapNotify: {
            auto it = windows_.find(xe.xmap.window);
            if (it == windows_.end() || it->second.kind == WindowKind::Child) return;
            // Without a window manager nobody gives the new window the keyboard.
            if (!it->second.mapped_once) {
                it->second.mapped_once = true;
                XSetInputFocus(display_, xe.xmap.window, RevertToParent, CurrentTime);
            }
            return;
        }
        case ConfigureNotify: {
            if (xe.xconfigure.event != xe.xconfigure.window) return;
            WindowInfo* info = nullptr;
            if (auto it = windows_.find(xe.xconfigure.window); it != windows_.end()) {
                info = &it->second;
            } else if (auto w = watched_.find(xe.xconfigure.window); w != watched_.end()) {
                info = &w->second;
            }
            if (info == nullptr) return;
            if (info->width == xe.xconfigure.width && info->height == xe.xconfigure.height) {
                return;
            }
            info->width = xe.xconfigure.width;
            info->height = xe.xconfigure.height;
            e.type = EventType::Resized;
            e.window = xe.xconfigure.window;
            e.x = xe.xconfigure.width;
            e.y = xe.xconfigure.height;
            break;
        }
        case DestroyNotify:
            if (xe.xdestroywindow.event != xe.xdestroywindow.window) return;
            if (windows_.erase(xe.xdestroywindow.window) == 0 &&
                watched_.erase(xe.xdestroywindow.window) == 0) {
                return;  // we destroyed it
            }
            e.type = EventType::Destroyed;
            e.window = xe.xdestroywindow.window;
            break;
        default:
            return;
    }
    out.push_back(e);
}

void X11Backend::PollEvents(std::vector<Event>& out) {
    posix::ReportEndSignal(out);
    TryGrab();
    XFlush(display_);
    if (input_owner_ != 0 && !early_input_.empty()) {
        const std::vector<XEvent> early = std::move(early_input_);
        early_input_.clear();
        for (const XEvent& xe : early) Translate(xe, out);
    }
    while (XPending(display_) > 0) {
        XEvent xe;
        XNextEvent(display_, &xe);
        Translate(xe, out);
    }
}

void X11Backend::WaitEvents(std::int32_t timeout_ms) {
    XFlush(display_);
    if (XPending(display_) > 0) return;
    posix::WaitForDisplay(ConnectionNumber(display_), timeout_ms);
}

void X11Backend::OpenAddress(std::string_view address) {
    posix::OpenWithDesktop(address, display_ != nullptr ? ConnectionNumber(display_) : -1);
}

}  // namespace tivaro::platform::x11
