// The seat: keys and pointer buttons on the saver's surfaces go through the input funnel to
// the window that owns the input. Keys are told apart only as far as the program needs (Tab,
// Enter, Escape, Space, letters and digits): no keymap is read.
#include <linux/input-event-codes.h>
#include <unistd.h>
#include <wayland-client.h>

#include <algorithm>

#include "platform/input/input.h"
#include "platform/wayland/wayland_backend.h"

namespace tivaro::platform::wayland {
namespace {

constexpr Translation kKeys[] = {{KEY_TAB, keys::kTab},
                                 {KEY_ENTER, keys::kReturn},
                                 {KEY_KPENTER, keys::kReturn},
                                 {KEY_ESC, keys::kEscape},
                                 {KEY_SPACE, keys::kSpace}};

constexpr Translation kButtons[] = {
    {BTN_LEFT, buttons::kLeft}, {BTN_RIGHT, buttons::kRight}, {BTN_MIDDLE, buttons::kMiddle}};

std::int16_t KeyCodeOf(std::uint32_t key) {
    if (const std::int16_t code = Translate(kKeys, key, 0)) return code;
    static constexpr std::uint32_t kLetters[26] = {
        KEY_A, KEY_B, KEY_C, KEY_D, KEY_E, KEY_F, KEY_G, KEY_H, KEY_I, KEY_J, KEY_K, KEY_L, KEY_M,
        KEY_N, KEY_O, KEY_P, KEY_Q, KEY_R, KEY_S, KEY_T, KEY_U, KEY_V, KEY_W, KEY_X, KEY_Y, KEY_Z};
    for (int i = 0; i < 26; ++i) {
        if (kLetters[i] == key) return static_cast<std::int16_t>('A' + i);
    }
    if (key >= KEY_1 && key <= KEY_9) return static_cast<std::int16_t>('1' + (key - KEY_1));
    if (key == KEY_0) return '0';
    return keys::Other(key);
}

std::int16_t ButtonOf(std::uint32_t button) {
    return Translate(kButtons, button, 0);
}

WaylandBackend& Of(void* data) {
    return *static_cast<WaylandBackend*>(data);
}

const wl_keyboard_listener kKeyboardListener = [] {
    wl_keyboard_listener l{};
    // The keymap is not read, but its descriptor is ours to close.
    l.keymap = [](void*, wl_keyboard*, std::uint32_t, std::int32_t fd, std::uint32_t) {
        close(fd);
    };
    l.enter = [](void* data, wl_keyboard*, std::uint32_t, wl_surface* surface, wl_array*) {
        Of(data).OnKeyboardEnter(surface);
    };
    l.leave = [](void* data, wl_keyboard*, std::uint32_t, wl_surface* surface) {
        Of(data).OnKeyboardLeave(surface);
    };
    l.key = [](void* data, wl_keyboard*, std::uint32_t, std::uint32_t, std::uint32_t key,
               std::uint32_t state) {
        Of(data).OnKey(key, state == WL_KEYBOARD_KEY_STATE_PRESSED);
    };
    l.modifiers = [](void*, wl_keyboard*, std::uint32_t, std::uint32_t, std::uint32_t,
                     std::uint32_t, std::uint32_t) {};
    l.repeat_info = [](void*, wl_keyboard*, std::int32_t, std::int32_t) {};
    return l;
}();

// Every event of the seat's version (5, wayland_registry.cpp) has its member; a later
// version's events are never sent to it.
const wl_pointer_listener kPointerListener = [] {
    wl_pointer_listener l{};
    l.enter = [](void* data, wl_pointer*, std::uint32_t serial, wl_surface* surface, wl_fixed_t x,
                 wl_fixed_t y) {
        Of(data).OnPointerEnter(serial, surface, wl_fixed_to_double(x), wl_fixed_to_double(y));
    };
    l.leave = [](void*, wl_pointer*, std::uint32_t, wl_surface*) {};
    l.motion = [](void* data, wl_pointer*, std::uint32_t, wl_fixed_t x, wl_fixed_t y) {
        Of(data).OnPointerMotion(wl_fixed_to_double(x), wl_fixed_to_double(y));
    };
    l.button = [](void* data, wl_pointer*, std::uint32_t, std::uint32_t, std::uint32_t button,
                  std::uint32_t state) {
        Of(data).OnPointerButton(button, state == WL_POINTER_BUTTON_STATE_PRESSED);
    };
    l.axis = [](void*, wl_pointer*, std::uint32_t, std::uint32_t, wl_fixed_t) {};
    l.frame = [](void*, wl_pointer*) {};
    l.axis_source = [](void*, wl_pointer*, std::uint32_t) {};
    l.axis_stop = [](void*, wl_pointer*, std::uint32_t, std::uint32_t) {};
    l.axis_discrete = [](void*, wl_pointer*, std::uint32_t, std::int32_t) {};
    return l;
}();

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
    const Surface* on = SurfaceOf(keyboard_on_);
    Event e;
    e.type = pressed ? EventType::KeyDown : EventType::KeyUp;
    e.window = on != nullptr ? on->id : 0;
    e.key = KeyCodeOf(key);
    funnel_.Deliver(e, queued_);
}

void WaylandBackend::OnPointerEnter(std::uint32_t serial, wl_surface* surface, double x, double y) {
    pointer_on_ = SurfaceOf(surface) != nullptr ? surface : nullptr;
    if (pointer_on_ == nullptr) return;
    pointer_serial_ = serial;
    ApplyCursor();
    OnPointerMotion(x, y);
}

void WaylandBackend::OnPointerMotion(double x, double y) {
    pointer_at_ = Point{static_cast<std::int32_t>(x), static_cast<std::int32_t>(y)};
    PointerEvent(EventType::Motion, 0);
}

void WaylandBackend::OnPointerButton(std::uint32_t button, bool pressed) {
    const std::int16_t b = ButtonOf(button);
    if (b != 0) PointerEvent(pressed ? EventType::ButtonDown : EventType::ButtonUp, b);
}

// The pointer over one of our surfaces, in the surface's coordinates; where the input is
// taken, in the owner's pixels: the view spans the outputs' layout from view_at_.
void WaylandBackend::PointerEvent(EventType type, std::int16_t button) {
    const Surface* on = SurfaceOf(pointer_on_);
    if (on == nullptr) return;
    Point in_view = pointer_at_;
    if (const auto o = outputs_.find(on->output_name); o != outputs_.end()) {
        const Rect logical = LogicalOf(*o->second);
        in_view = Point{logical.left - view_at_.x + pointer_at_.x,
                        logical.top - view_at_.y + pointer_at_.y};
    }
    Event e;
    e.type = type;
    e.window = on->id;
    e.x = pointer_at_.x;
    e.y = pointer_at_.y;
    e.button = button;
    if (type == EventType::Motion && funnel_.Owner() != 0) {
        e.window = funnel_.Owner();
        e.x = in_view.x;
        e.y = in_view.y;
    }
    funnel_.Deliver(e, queued_, &in_view);
}

bool WaylandBackend::InputWaiting() const {
    return std::any_of(queued_.begin(), queued_.end(), [](const Event& e) {
        return e.type == EventType::KeyDown || e.type == EventType::ButtonDown ||
               e.type == EventType::CloseRequest;
    });
}

void WaylandBackend::OnCloseRequest() {
    if (cover_.window == 0) return;
    Event e;
    e.type = EventType::CloseRequest;
    e.window = cover_.window;
    queued_.push_back(e);
}

}  // namespace tivaro::platform::wayland
