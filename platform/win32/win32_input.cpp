// Keys and the mouse in the Win32 backend: the system's virtual keys, buttons and shift
// states in the portable vocabulary, and every key and click through one funnel, which
// hands them to the cover's owner while the saver takes the input.
#include "platform/win32/win32_backend.h"

#include <windowsx.h>

#include <utility>

namespace tivaro::platform::win32 {
namespace {

std::int16_t CurrentShift() {
    return ShiftState(GetKeyState(VK_SHIFT) < 0, GetKeyState(VK_CONTROL) < 0,
                      GetKeyState(VK_MENU) < 0);
}

std::int16_t ButtonsHeld(WPARAM wparam) {
    return static_cast<std::int16_t>(((wparam & MK_LBUTTON) ? buttons::kLeft : 0) |
                                     ((wparam & MK_RBUTTON) ? buttons::kRight : 0) |
                                     ((wparam & MK_MBUTTON) ? buttons::kMiddle : 0));
}

// The button of a press or a release, and whether it is a press; button 0: neither.
std::pair<std::int16_t, bool> ButtonOf(UINT message) {
    switch (message) {
        case WM_LBUTTONDOWN:
            return {buttons::kLeft, true};
        case WM_RBUTTONDOWN:
            return {buttons::kRight, true};
        case WM_MBUTTONDOWN:
            return {buttons::kMiddle, true};
        case WM_LBUTTONUP:
            return {buttons::kLeft, false};
        case WM_RBUTTONUP:
            return {buttons::kRight, false};
        case WM_MBUTTONUP:
            return {buttons::kMiddle, false};
        default:
            return {0, false};
    }
}

}  // namespace

std::int16_t ShiftState(bool shift, bool control, bool alt) {
    return static_cast<std::int16_t>((shift ? shifts::kShift : 0) |
                                     (control ? shifts::kControl : 0) | (alt ? shifts::kAlt : 0));
}

std::int16_t KeyCode(WPARAM virtual_key) {
    // Letters and digits are their own virtual keys.
    if ((virtual_key >= 'A' && virtual_key <= 'Z') || (virtual_key >= '0' && virtual_key <= '9')) {
        return static_cast<std::int16_t>(virtual_key);
    }
    switch (virtual_key) {
        case VK_TAB:
            return keys::kTab;
        case VK_RETURN:  // the keypad's Enter too
            return keys::kReturn;
        case VK_ESCAPE:
            return keys::kEscape;
        case VK_SPACE:
            return keys::kSpace;
        default:
            return keys::Other(static_cast<std::uint32_t>(virtual_key));
    }
}

void Win32Backend::Queue(EventType type, HWND hwnd, std::int32_t x, std::int32_t y,
                         std::int16_t button, std::int16_t key, std::int16_t shift) {
    Event e;
    e.type = type;
    e.window = ToNative(hwnd);
    e.x = x;
    e.y = y;
    e.button = button;
    e.key = key;
    e.shift = shift;
    // A click that goes to the owner is placed in the owner's pixels.
    POINT at{x, y};
    HWND owner = ToHwnd(funnel_.Owner());
    const bool clicked = type == EventType::ButtonDown || type == EventType::ButtonUp;
    const bool mapped = clicked && owner != nullptr && owner != hwnd &&
                        ClientToScreen(hwnd, &at) != FALSE && ScreenToClient(owner, &at) != FALSE;
    const Point owner_at{at.x, at.y};
    funnel_.Deliver(e, queued_, mapped ? &owner_at : nullptr);
}

void Win32Backend::Key(HWND hwnd, UINT message, WPARAM wparam) {
    if (Find(hwnd) == nullptr) return;
    const bool down = message == WM_KEYDOWN || message == WM_SYSKEYDOWN;
    Queue(down ? EventType::KeyDown : EventType::KeyUp, hwnd, 0, 0, 0, KeyCode(wparam),
          CurrentShift());
}

void Win32Backend::Mouse(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    WindowInfo* info = Find(hwnd);
    if (info == nullptr) return;
    const std::int32_t x = GET_X_LPARAM(lparam);
    const std::int32_t y = GET_Y_LPARAM(lparam);
    const std::int16_t shift =
        ShiftState((wparam & MK_SHIFT) != 0, (wparam & MK_CONTROL) != 0, GetKeyState(VK_MENU) < 0);
    if (message == WM_MOUSEMOVE) {
        if (info->kind == WindowKind::Child && !info->pointer_inside) {
            info->pointer_inside = true;
            TRACKMOUSEEVENT track{sizeof(TRACKMOUSEEVENT), TME_LEAVE, hwnd, 0};
            TrackMouseEvent(&track);
            Queue(EventType::Enter, hwnd, x, y);
        }
        Queue(EventType::Motion, hwnd, x, y, ButtonsHeld(wparam), 0, shift);
        return;
    }
    const auto [button, down] = ButtonOf(message);
    if (button == 0) return;
    if (down) {
        // The release comes to the same window even outside it, as the press grabbed it.
        SetCapture(hwnd);
        Queue(EventType::ButtonDown, hwnd, x, y, button, 0, shift);
    } else {
        if (ButtonsHeld(wparam) == 0 && GetCapture() == hwnd) ReleaseCapture();
        Queue(EventType::ButtonUp, hwnd, x, y, button, 0, shift);
    }
}

}  // namespace tivaro::platform::win32
