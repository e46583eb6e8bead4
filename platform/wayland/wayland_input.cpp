// The seat: keys and pointer buttons on the saver's surfaces go to the window that owns the
// input; the pointer is hidden over every one of them. Keys are told apart only as far as
// the program needs (Tab, Enter, Escape, Space, letters and digits): no keymap is read.
#include <linux/input-event-codes.h>
#include <unistd.h>
#include <wayland-client.h>

#include "platform/wayland/wayland_backend.h"

namespace tivaro::platform::wayland {
namespace {

std::int16_t KeyCodeOf(std::uint32_t key) {
    switch (key) {
        case KEY_TAB:
            return 9;
        case KEY_ENTER:
        case KEY_KPENTER:
            return 13;
        case KEY_ESC:
            return 27;
        case KEY_SPACE:
            return 32;
        default:
            break;
    }
    static constexpr std::uint32_t kLetters[26] = {
        KEY_A, KEY_B, KEY_C, KEY_D, KEY_E, KEY_F, KEY_G, KEY_H, KEY_I, KEY_J, KEY_K, KEY_L, KEY_M,
        KEY_N, KEY_O, KEY_P, KEY_Q, KEY_R, KEY_S, KEY_T, KEY_U, KEY_V, KEY_W, KEY_X, KEY_Y, KEY_Z};
    for (int i = 0; i < 26; ++i) {
        if (kLetters[i] == key) return static_cast<std::int16_t>('A' + i);
    }
    if (key >= KEY_1 && key <= KEY_9) return static_cast<std::int16_t>('1' + (key - KEY_1));
    if (key == KEY_0) return '0';
    return static_cast<std::int16_t>(0x100 | (key & 0xFF));  // any other key
}

std::int16_t ButtonOf(std::uint32_t button) {
    switch (button) {
        case BTN_LEFT:
            return 1;
        case BTN_RIGHT:
            return 2;
        case BTN_MIDDLE:
            return 4;
        default:
            return 0;
    }
}

WaylandBackend& Of(void* data) {
    return *static_cast<WaylandBackend*>(data);
}

const wl_keyboard_listener kKeyboardListener = {
    // keymap: not read, but its descriptor is ours to close
    [](void*, wl_keyboard*, std::uint32_t, std::int32_t fd, std::uint32_t) { close(fd); },
    [](void* data, wl_keyboard*, std::uint32_t, wl_surface* surface, wl_array*) {
        Of(data).OnKeyboardEnter(surface);
    },
    [](void* data, wl_keyboard*, std::uint32_t, wl_surface* surface) {
        Of(data).OnKeyboardLeave(surface);
    },
    [](void* data, wl_keyboard*, std::uint32_t, std::uint32_t, std::uint32_t key,
       std::uint32_t state) { Of(data).OnKey(key, state == WL_KEYBOARD_KEY_STATE_PRESSED); },
    [](void*, wl_keyboard*, std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t,
       std::uint32_t) {},                                     // modifiers
    [](void*, wl_keyboard*, std::int32_t, std::int32_t) {}};  // repeat_info

const wl_pointer_listener kPointerListener = {
    [](void* data, wl_pointer*, std::uint32_t serial, wl_surface* surface, wl_fixed_t x,
       wl_fixed_t y) {
        Of(data).OnPointerEnter(serial, surface, wl_fixed_to_double(x), wl_fixed_to_double(y));
    },
    [](void*, wl_pointer*, std::uint32_t, wl_surface*) {},  // leave
    [](void* data, wl_pointer*, std::uint32_t, wl_fixed_t x, wl_fixed_t y) {
        Of(data).OnPointerMotion(wl_fixed_to_double(x), wl_fixed_to_double(y));
    },
    [](void* data, wl_pointer*, std::uint32_t, std::uint32_t, std::uint32_t button,
       std::uint32_t state) {
        Of(data).OnPointerButton(button, state == WL_POINTER_BUTTON_STATE_PRESSED);
    },
    [](void*, wl_pointer*, std::uint32_t, std::uint32_t, wl_fixed_t) {},  // axis
    [](void*, wl_pointer*) {},                                            // frame
    [](void*, wl_pointer*, std::uint32_t) {},                             // axis_source
    [](void*, wl_pointer*, std::uint32_t, std::uint32_t) {},              // axis_stop
    [](void*, wl_pointer*, std::uint32_t, std::int32_t) {},               // axis_discrete
#ifdef WL_POINTER_AXIS_VALUE120_SINCE_VERSION
    [](void*, wl_pointer*, std::uint32_t, std::int32_t) {},  // axis_value120
#endif
};

}  // namespace

void WaylandBackend::OnSeatCapabilities(std::uint32_t capabilities) {
    const bool keyboard = (capabilities & WL_SEAT_CAPABILITY_KEYBOARD) != 0;
    const bool pointer = (capabilities & WL_SEAT_CAPABILITY_POINTER) != 0;
    if (keyboard && keyboard_ == nullptr) {
        keyboard_ = wl_seat_get_keyboard(seat_);
        wl_keyboard_add_listener(keyboard_, &kKeyboardListener, this);
    } else if (!keyboard && keyboard_ != nullptr) {
        wl_keyboard_release(keyboard_);
        keyboard_ = nullptr;
        keyboard_on_ = nullptr;
        keyboard_was_ours_ = false;  // the device went, not the saver's hold on it
    }
    if (pointer && pointer_ == nullptr) {
        pointer_ = wl_seat_get_pointer(seat_);
        wl_pointer_add_listener(pointer_, &kPointerListener, this);
    } else if (!pointer && pointer_ != nullptr) {
        wl_pointer_release(pointer_);
        pointer_ = nullptr;
        pointer_on_ = nullptr;
    }
}

void WaylandBackend::OnKeyboardEnter(wl_surface* surface) {
    if (SurfaceOf(surface) == nullptr) return;
    keyboard_on_ = surface;
    keyboard_was_ours_ = true;
}

void WaylandBackend::OnKeyboardLeave(wl_surface* surface) {
    if (surface == nullptr || surface != keyboard_on_) return;
    // Moving to another of our surfaces comes as a leave and an enter: only a leave that
    // no enter follows soon counts (PollEvents).
    keyboard_on_ = nullptr;
    keyboard_left_ = std::chrono::steady_clock::now();
}

void WaylandBackend::OnKey(std::uint32_t key, bool pressed) {
    // Keys come only to the surface with the keyboard, which is one of ours.
    if (input_owner_ == 0) return;
    QueueEvent(pressed ? EventType::KeyDown : EventType::KeyUp, 0, 0, 0, KeyCodeOf(key));
}

void WaylandBackend::OnPointerEnter(std::uint32_t serial, wl_surface* surface, double x, double y) {
    pointer_on_ = SurfaceOf(surface) != nullptr ? surface : nullptr;
    if (pointer_on_ == nullptr) return;
    // No cursor surface: the pointer is hidden over ours.
    wl_pointer_set_cursor(pointer_, serial, nullptr, 0, 0);
    OnPointerMotion(x, y);
}

void WaylandBackend::OnPointerMotion(double x, double y) {
    pointer_at_ = Point{static_cast<std::int32_t>(x), static_cast<std::int32_t>(y)};
    if (input_owner_ == 0 || pointer_on_ == nullptr) return;
    QueueEvent(EventType::Motion, pointer_at_.x, pointer_at_.y);
}

void WaylandBackend::OnPointerButton(std::uint32_t button, bool pressed) {
    const std::int16_t b = ButtonOf(button);
    if (input_owner_ == 0 || pointer_on_ == nullptr || b == 0) return;
    QueueEvent(pressed ? EventType::ButtonDown : EventType::ButtonUp, pointer_at_.x, pointer_at_.y,
               b);
}

void WaylandBackend::OnCloseRequest() {
    const NativeWindow top = TopLevelOf(surfaces_window_);
    if (top == 0) return;
    Event e;
    e.type = EventType::CloseRequest;
    e.window = top;
    queued_.push_back(e);
}

}  // namespace tivaro::platform::wayland
