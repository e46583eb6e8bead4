// The window procedure of the Win32 backend's windows: the system's messages become the
// program's events, and the repaints, erases and modal loops the system asks for are
// answered at once.
#include "platform/win32/win32_backend.h"

#ifndef WM_DPICHANGED
#define WM_DPICHANGED 0x02E0
#endif

namespace tivaro::platform::win32 {

LRESULT CALLBACK Win32Backend::WindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lparam);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<Win32Backend*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (self == nullptr) return DefWindowProcW(hwnd, message, wparam, lparam);
    if (message == WM_NCDESTROY) SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    return self->Handle(hwnd, message, wparam, lparam);
}

LRESULT Win32Backend::Handle(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    std::optional<LRESULT> result = InputMessage(hwnd, message, wparam, lparam);
    if (!result) result = WindowMessage(hwnd, message, wparam, lparam);
    return result ? *result : DefWindowProcW(hwnd, message, wparam, lparam);
}

std::optional<LRESULT> Win32Backend::InputMessage(HWND hwnd, UINT message, WPARAM wparam,
                                                  LPARAM lparam) {
    switch (message) {
        case WM_KEYDOWN:
        case WM_KEYUP:
            Key(hwnd, message, wparam);
            return 0;
        case WM_SYSKEYDOWN:
        case WM_SYSKEYUP:
            Key(hwnd, message, wparam);
            return std::nullopt;  // Alt+F4 still asks the window to close
        case WM_MOUSEMOVE:
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
        case WM_MBUTTONDOWN:
        case WM_LBUTTONUP:
        case WM_RBUTTONUP:
        case WM_MBUTTONUP:
            Mouse(hwnd, message, wparam, lparam);
            return 0;
        case WM_MOUSELEAVE:
            if (WindowInfo* info = Find(hwnd); info != nullptr && info->pointer_inside) {
                info->pointer_inside = false;
                Queue(EventType::Leave, hwnd);
            }
            return 0;
        case WM_SETFOCUS:
        case WM_KILLFOCUS:
            if (Find(hwnd) != nullptr) {
                Queue(message == WM_SETFOCUS ? EventType::GotFocus : EventType::LostFocus, hwnd);
            }
            return std::nullopt;
        case WM_SETCURSOR:
            if (LOWORD(lparam) == HTCLIENT && Find(hwnd) != nullptr) {
                SetCursor(CursorFor(hwnd));
                return TRUE;
            }
            return std::nullopt;
        default:
            return std::nullopt;
    }
}

std::optional<LRESULT> Win32Backend::WindowMessage(HWND hwnd, UINT message, WPARAM wparam,
                                                   LPARAM lparam) {
    switch (message) {
        case WM_CLOSE:
            // The program decides: the form unloads (or not) when the event is handled.
            if (Find(hwnd) != nullptr) Queue(EventType::CloseRequest, hwnd);
            return 0;
        case WM_ERASEBKGND:
            return Erase(hwnd, reinterpret_cast<HDC>(wparam));
        case WM_PAINT:
            return Paint(hwnd);
        case WM_ENTERSIZEMOVE:
        case WM_ENTERMENULOOP:
            ModalLoopEntered(hwnd);
            return std::nullopt;
        case WM_EXITSIZEMOVE:
        case WM_EXITMENULOOP:
            ModalLoopLeft(hwnd);
            return std::nullopt;
        case WM_TIMER:
            if (wparam != kModalLoopTimer) return std::nullopt;
            ModalLoopTick();
            return 0;
        case WM_SIZE:
            Resize(hwnd, wparam, lparam);
            return std::nullopt;
        case WM_DPICHANGED:
            return DpiChanged(hwnd, wparam, lparam);
        case WM_ACTIVATEAPP:
        case WM_DISPLAYCHANGE:
            InputOwnerMessage(hwnd, message, wparam);
            return std::nullopt;
        case WM_DESTROY:
            Destroying(hwnd);
            return std::nullopt;
        default:
            return std::nullopt;
    }
}

LRESULT Win32Backend::Erase(HWND hwnd, HDC dc) {
    const WindowInfo* info = Find(hwnd);
    // GL draws every pixel of its window: erasing would only flash.
    if (info == nullptr || info->gl) return 1;
    RECT client{};
    GetClientRect(hwnd, &client);
    HBRUSH brush = CreateSolidBrush(info->back_colour);  // 0x00BBGGRR is a COLORREF
    FillRect(dc, &client, brush);
    DeleteObject(brush);
    return 1;
}

LRESULT Win32Backend::Paint(HWND hwnd) {
    // The last image presented goes back at once (the program may be held up in a modal
    // loop of the system's); the program still hears of the repaint.
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    PaintShown(hwnd, dc);
    EndPaint(hwnd, &ps);
    if (Find(hwnd) != nullptr) Queue(EventType::Paint, hwnd);
    return 0;
}

void Win32Backend::Resize(HWND hwnd, WPARAM wparam, LPARAM lparam) {
    WindowInfo* info = Find(hwnd);
    if (info == nullptr || wparam == SIZE_MINIMIZED) return;
    const std::int32_t width = LOWORD(lparam);
    const std::int32_t height = HIWORD(lparam);
    if (width == info->width && height == info->height) return;
    info->width = width;
    info->height = height;
    Queue(EventType::Resized, hwnd, width, height);
}

std::optional<LRESULT> Win32Backend::DpiChanged(HWND hwnd, WPARAM wparam, LPARAM lparam) {
    // The window moved to a monitor of another scale (or the scale changed): the form lays
    // itself out again, in the place the system suggests. The saver's window spans
    // monitors of any scale and stays where it is.
    const WindowInfo* info = Find(hwnd);
    if (info == nullptr || info->kind != WindowKind::TopLevelDialog) return std::nullopt;
    Queue(EventType::DpiChanged, hwnd, LOWORD(wparam));
    const auto* suggested = reinterpret_cast<const RECT*>(lparam);
    SetWindowPos(hwnd, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                 suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
    return 0;
}

void Win32Backend::Destroying(HWND hwnd) {
    if (hwnd == input_root_ || ToNative(hwnd) == funnel_.Owner()) {
        funnel_.SetOwner(0);
        input_root_ = nullptr;
    }
    if (hwnd == cover_window_) cover_window_ = nullptr;
    // Only a window that goes away without our asking (with a foreign parent, for example)
    // is reported; DestroyWindow forgets its window first.
    if (Find(hwnd) != nullptr) {
        Forget(hwnd);
        Queue(EventType::Destroyed, hwnd);
    }
}

}  // namespace tivaro::platform::win32
