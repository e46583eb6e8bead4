// Pointer shapes: the system's, the program's pointing hand, and none at all while the saver
// runs.
#include "platform/x11/x11_backend.h"

#include "platform/x11/x11_blank_cursor.h"

#include <X11/cursorfont.h>
#include <xcb/xcb.h>

namespace tivaro::platform::x11 {

// The program's pointing hand (HandPicture) as a two-colour X cursor: ink where the picture
// is dark, shown where it is opaque. Nothing (0) when the program handed none; the system's
// hand stands in then.
Cursor X11Backend::StoredHandCursor() {
    const PointerPicture& hand = HandPicture();
    if (hand.width <= 0 || hand.height <= 0 ||
        hand.pixels.size() != static_cast<std::size_t>(hand.width) * hand.height) {
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
    const Cursor cursor = XCreatePixmapCursor(display_, source, mask, &black, &white,
                                              static_cast<unsigned>(hand.hot_spot.x),
                                              static_cast<unsigned>(hand.hot_spot.y));
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
    // Also called on the way out after the server went away (the restorers): a request on
    // the broken connection would call the lost-server handler again.
    if (xcb_connection_has_error(xcb_) != 0) return;
    if (grab_.pointer) {
        XChangeActivePointerGrab(display_, kGrabbedPointerEvents,
                                 show ? None : CursorFor(Pointer::Hidden), CurrentTime);
    }
    for (auto& [window, info] : windows_) {
        if (info.kind != WindowKind::Child) ApplyCursor(window);
    }
    XFlush(display_);
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

}  // namespace tivaro::platform::x11
