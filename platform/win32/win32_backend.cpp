#include "platform/win32/win32_backend.h"

#include <windowsx.h>

#include <algorithm>

#include "platform/runtime/errors.h"
#include "platform/win32/resource_ids.h"
#include "platform/win32/wide_text.h"

#ifndef WM_DPICHANGED
#define WM_DPICHANGED 0x02E0
#endif

namespace tivaro::platform::win32 {
namespace {

constexpr wchar_t kClassName[] = L"TivaroWindow";

DWORD StyleOf(WindowKind kind, bool has_parent) {
    switch (kind) {
        case WindowKind::TopLevelPlain:
            return WS_POPUP | WS_CLIPCHILDREN;
        case WindowKind::TopLevelDialog:
            // A fixed single frame: caption bar and system menu, no sizing border.
            return WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
        case WindowKind::Child:
            break;
    }
    return (has_parent ? WS_CHILD : WS_POPUP) | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
}

std::int16_t CurrentShift() {
    return ShiftState(GetKeyState(VK_SHIFT) < 0, GetKeyState(VK_CONTROL) < 0,
                      GetKeyState(VK_MENU) < 0);
}

std::int16_t ButtonsHeld(WPARAM wparam) {
    return static_cast<std::int16_t>(((wparam & MK_LBUTTON) ? 1 : 0) |
                                     ((wparam & MK_RBUTTON) ? 2 : 0) |
                                     ((wparam & MK_MBUTTON) ? 4 : 0));
}

}  // namespace

std::int16_t ShiftState(bool shift, bool control, bool alt) {
    return static_cast<std::int16_t>((shift ? 1 : 0) | (control ? 2 : 0) | (alt ? 4 : 0));
}

Win32Backend::Win32Backend() : instance_(GetModuleHandleW(nullptr)) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    // Several backends may live one after the other in one process (tests): the class
    // stays registered and every window finds its backend through its user data.
    if (GetClassInfoExW(instance_, kClassName, &wc) != 0) return;
    wc.style = CS_OWNDC;  // one device context for the window's whole life (GL, presenting)
    wc.lpfnWndProc = &Win32Backend::WindowProc;
    wc.hInstance = instance_;
    wc.hIcon = LoadIconW(instance_, MAKEINTRESOURCEW(TIVARO_IDI_APP));
    wc.hCursor = nullptr;        // chosen on WM_SETCURSOR
    wc.hbrBackground = nullptr;  // erased with each window's own colour
    wc.lpszClassName = kClassName;
    if (RegisterClassExW(&wc) == 0) {
        throw rt::RuntimeError(rt::ErrorNumber::InvalidProcedureCall,
                               "cannot register the window class");
    }
}

Win32Backend::~Win32Backend() {
    for (auto& [handle, context] : contexts_) {
        if (wglGetCurrentContext() == context) wglMakeCurrent(nullptr, nullptr);
        wglDeleteContext(context);
    }
    std::vector<HWND> remaining;
    for (auto& [hwnd, info] : windows_) remaining.push_back(hwnd);
    for (HWND hwnd : remaining) {
        if (::IsWindow(hwnd)) SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        Forget(hwnd);
        if (::IsWindow(hwnd)) ::DestroyWindow(hwnd);
    }
}

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

Win32Backend::WindowInfo* Win32Backend::Find(HWND hwnd) {
    auto it = windows_.find(hwnd);
    return it == windows_.end() ? nullptr : &it->second;
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
    queued_.push_back(e);
}

void Win32Backend::Mouse(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    WindowInfo* info = Find(hwnd);
    if (info == nullptr) return;
    const std::int32_t x = GET_X_LPARAM(lparam);
    const std::int32_t y = GET_Y_LPARAM(lparam);
    const std::int16_t shift =
        ShiftState((wparam & MK_SHIFT) != 0, (wparam & MK_CONTROL) != 0, GetKeyState(VK_MENU) < 0);
    std::int16_t button = 0;
    bool down = false;
    switch (message) {
        case WM_MOUSEMOVE:
            if (info->kind == WindowKind::Child && !info->pointer_inside) {
                info->pointer_inside = true;
                TRACKMOUSEEVENT track{sizeof(TRACKMOUSEEVENT), TME_LEAVE, hwnd, 0};
                TrackMouseEvent(&track);
                Queue(EventType::Enter, hwnd, x, y);
            }
            Queue(EventType::Motion, hwnd, x, y, ButtonsHeld(wparam), 0, shift);
            return;
        case WM_LBUTTONDOWN:
            button = 1, down = true;
            break;
        case WM_RBUTTONDOWN:
            button = 2, down = true;
            break;
        case WM_MBUTTONDOWN:
            button = 4, down = true;
            break;
        case WM_LBUTTONUP:
            button = 1;
            break;
        case WM_RBUTTONUP:
            button = 2;
            break;
        case WM_MBUTTONUP:
            button = 4;
            break;
        default:
            return;
    }
    if (down) {
        // The release comes to the same window even outside it, as the press grabbed it.
        SetCapture(hwnd);
        Queue(EventType::ButtonDown, hwnd, x, y, button, 0, shift);
    } else {
        if (ButtonsHeld(wparam) == 0 && GetCapture() == hwnd) ReleaseCapture();
        Queue(EventType::ButtonUp, hwnd, x, y, button, 0, shift);
    }
}

LRESULT Win32Backend::Handle(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN:
        case WM_KEYUP:
        case WM_SYSKEYUP: {
            const bool down = message == WM_KEYDOWN || message == WM_SYSKEYDOWN;
            // Virtual-key codes are the runtime's key codes: 'A'..'Z', '0'..'9', 9 Tab,
            // 13 Return, 27 Escape, 32 Space...
            if (Find(hwnd) != nullptr) {
                Queue(down ? EventType::KeyDown : EventType::KeyUp, hwnd, 0, 0, 0,
                      static_cast<std::int16_t>(wparam & 0xFF), CurrentShift());
            }
            // Alt+F4 still asks the window to close.
            if (message == WM_SYSKEYDOWN || message == WM_SYSKEYUP) break;
            return 0;
        }
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
            break;
        case WM_SETCURSOR:
            if (LOWORD(lparam) == HTCLIENT && Find(hwnd) != nullptr) {
                SetCursor(CursorFor(hwnd));
                return TRUE;
            }
            break;
        case WM_CLOSE:
            // The program decides: the form unloads (or not) when the event is handled.
            if (Find(hwnd) != nullptr) Queue(EventType::CloseRequest, hwnd);
            return 0;
        case WM_ERASEBKGND: {
            const WindowInfo* info = Find(hwnd);
            // GL draws every pixel of its window: erasing would only flash.
            if (info == nullptr || info->gl) return 1;
            RECT client{};
            GetClientRect(hwnd, &client);
            HBRUSH brush = CreateSolidBrush(info->back_colour);  // 0x00BBGGRR is a COLORREF
            FillRect(reinterpret_cast<HDC>(wparam), &client, brush);
            DeleteObject(brush);
            return 1;
        }
        case WM_PAINT: {
            // The last image presented goes back at once (the program may be held up in a
            // modal loop of the system's); the program still hears of the repaint.
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(hwnd, &ps);
            PaintShown(hwnd, dc);
            EndPaint(hwnd, &ps);
            if (Find(hwnd) != nullptr) Queue(EventType::Paint, hwnd);
            return 0;
        }
        case WM_ENTERSIZEMOVE:
        case WM_ENTERMENULOOP:
            ModalLoopEntered(hwnd);
            break;
        case WM_EXITSIZEMOVE:
        case WM_EXITMENULOOP:
            ModalLoopLeft(hwnd);
            break;
        case WM_TIMER:
            if (wparam != kModalLoopTimer) break;
            ModalLoopTick();
            return 0;
        case WM_SIZE: {
            WindowInfo* info = Find(hwnd);
            if (info == nullptr || wparam == SIZE_MINIMIZED) break;
            const std::int32_t width = LOWORD(lparam);
            const std::int32_t height = HIWORD(lparam);
            if (width == info->width && height == info->height) break;
            info->width = width;
            info->height = height;
            Queue(EventType::Resized, hwnd, width, height);
            break;
        }
        case WM_DPICHANGED: {
            // The window moved to a monitor of another scale (or the scale changed): the
            // form lays itself out again, in the place the system suggests. The saver's
            // window spans monitors of any scale and stays where it is.
            const WindowInfo* info = Find(hwnd);
            if (info == nullptr || info->kind != WindowKind::TopLevelDialog) break;
            Queue(EventType::DpiChanged, hwnd, LOWORD(wparam));
            const auto* suggested = reinterpret_cast<const RECT*>(lparam);
            SetWindowPos(hwnd, nullptr, suggested->left, suggested->top,
                         suggested->right - suggested->left, suggested->bottom - suggested->top,
                         SWP_NOZORDER | SWP_NOACTIVATE);
            return 0;
        }
        case WM_ACTIVATEAPP:
        case WM_DISPLAYCHANGE:
            InputOwnerMessage(hwnd, message, wparam);
            break;
        case WM_DESTROY:
            if (hwnd == input_root_ || hwnd == input_window_) input_window_ = input_root_ = nullptr;
            // Only a window that goes away without our asking (with a foreign parent, for
            // example) is reported; DestroyWindow forgets its window first.
            if (Find(hwnd) != nullptr) {
                Forget(hwnd);
                Queue(EventType::Destroyed, hwnd);
            }
            break;
        default:
            break;
    }
    return DefWindowProcW(hwnd, message, wparam, lparam);
}

RECT Win32Backend::OuterRect(HWND hwnd, const Rect& bounds, WindowKind kind) const {
    const LONG width = std::max(0, bounds.right - bounds.left);
    const LONG height = std::max(0, bounds.bottom - bounds.top);
    RECT r{bounds.left, bounds.top, bounds.left + width, bounds.top + height};
    if (kind != WindowKind::TopLevelDialog) return r;
    // A dialog's bounds are its inner size at its outer position: add the frame.
    const DWORD style = hwnd != nullptr ? static_cast<DWORD>(GetWindowLongW(hwnd, GWL_STYLE))
                                        : StyleOf(kind, false);
    const DWORD ex_style =
        hwnd != nullptr ? static_cast<DWORD>(GetWindowLongW(hwnd, GWL_EXSTYLE)) : 0;
    RECT framed = r;
    AdjustWindowRectEx(&framed, style, FALSE, ex_style);
    return RECT{bounds.left, bounds.top, bounds.left + (framed.right - framed.left),
                bounds.top + (framed.bottom - framed.top)};
}

NativeWindow Win32Backend::MakeWindow(const WindowDesc& desc) {
    const bool top = desc.kind != WindowKind::Child;
    HWND parent = top ? nullptr : ToHwnd(desc.parent);
    const DWORD style = StyleOf(desc.kind, parent != nullptr);
    const RECT r = OuterRect(nullptr, desc.bounds, desc.kind);
    const std::wstring caption = Widen(desc.caption);
    HWND hwnd =
        CreateWindowExW(0, kClassName, caption.c_str(), style, r.left, r.top, r.right - r.left,
                        r.bottom - r.top, parent, nullptr, instance_, this);
    if (hwnd == nullptr) {
        throw rt::RuntimeError(
            rt::ErrorNumber::InvalidProcedureCall,
            "cannot create a window (error " + std::to_string(GetLastError()) + ")");
    }
    WindowInfo info;
    info.kind = desc.kind;
    info.width = std::max(0, desc.bounds.right - desc.bounds.left);
    info.height = std::max(0, desc.bounds.bottom - desc.bounds.top);
    info.gl = desc.gl_capable;
    info.back_colour = desc.back_colour;
    info.dc = GetDC(hwnd);
    windows_[hwnd] = info;
    return ToNative(hwnd);
}

void Win32Backend::Forget(HWND hwnd) {
    auto it = windows_.find(hwnd);
    if (it == windows_.end()) return;
    HICON icon = it->second.icon;
    windows_.erase(it);
    if (icon != nullptr) DestroyIcon(icon);
}

void Win32Backend::DestroyWindow(NativeWindow window) {
    HWND hwnd = ToHwnd(window);
    if (Find(hwnd) == nullptr) return;
    Forget(hwnd);
    ::DestroyWindow(hwnd);
}

void Win32Backend::ShowWindow(NativeWindow window, bool visible) {
    HWND hwnd = ToHwnd(window);
    const WindowInfo* info = Find(hwnd);
    if (!visible) {
        ::ShowWindow(hwnd, SW_HIDE);
        return;
    }
    if (info == nullptr || info->kind == WindowKind::Child) {
        ::ShowWindow(hwnd, SW_SHOWNA);
        return;
    }
    if (info->kind == WindowKind::TopLevelPlain) {
        const Point screen = ScreenSize();
        if (info->width >= screen.x && info->height >= screen.y) {
            // The saver covers everything, the task bar included.
            SetWindowPos(hwnd, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        }
    }
    ::ShowWindow(hwnd, SW_SHOW);
    SetForegroundWindow(hwnd);
}

void Win32Backend::SetBounds(NativeWindow window, const Rect& bounds) {
    HWND hwnd = ToHwnd(window);
    WindowInfo* info = Find(hwnd);
    WindowKind kind = WindowKind::Child;
    if (info != nullptr) {
        info->width = std::max(0, bounds.right - bounds.left);
        info->height = std::max(0, bounds.bottom - bounds.top);
        kind = info->kind;
    }
    const RECT r = OuterRect(hwnd, bounds, kind);
    SetWindowPos(hwnd, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

void Win32Backend::SetCaption(NativeWindow window, std::string_view caption) {
    SetWindowTextW(ToHwnd(window), Widen(caption).c_str());
}

void Win32Backend::SetParent(NativeWindow window, NativeWindow parent) {
    HWND hwnd = ToHwnd(window);
    HWND new_parent = ToHwnd(parent);
    // WS_CHILD is added; WS_POPUP has to go, as the two cannot stand together.
    auto style = static_cast<DWORD>(GetWindowLongW(hwnd, GWL_STYLE));
    style = new_parent != nullptr ? (style | WS_CHILD) & ~static_cast<DWORD>(WS_POPUP)
                                  : (style & ~static_cast<DWORD>(WS_CHILD)) | WS_POPUP;
    SetWindowLongW(hwnd, GWL_STYLE, static_cast<LONG>(style));
    ::SetParent(hwnd, new_parent);
    if (WindowInfo* info = Find(hwnd)) {
        if (new_parent != nullptr) info->kind = WindowKind::Child;
        info->foreign_parent =
            new_parent != nullptr && Find(new_parent) == nullptr ? new_parent : nullptr;
    }
}

std::optional<Rect> Win32Backend::GetWindowRect(NativeWindow window) {
    HWND hwnd = ToHwnd(window);
    RECT r{};
    if (hwnd == nullptr || !::IsWindow(hwnd) || !::GetWindowRect(hwnd, &r)) return std::nullopt;
    return Rect{r.left, r.top, r.right, r.bottom};
}

bool Win32Backend::IsWindow(NativeWindow window) {
    return window != 0 && ::IsWindow(ToHwnd(window)) != 0;
}

NativeWindow Win32Backend::FindWindowByCaption(std::string_view caption) {
    return ToNative(FindWindowW(nullptr, Widen(caption).c_str()));
}

void Win32Backend::SetFocus(NativeWindow window) {
    ::SetFocus(ToHwnd(window));
}

void Win32Backend::SetPointer(NativeWindow window, Pointer pointer) {
    HWND hwnd = ToHwnd(window);
    WindowInfo* info = Find(hwnd);
    if (info == nullptr) return;
    info->pointer = pointer;
    // The system asks again only when the pointer moves: change it now if it is over us.
    POINT p{};
    GetCursorPos(&p);
    HWND under = ::WindowFromPoint(p);
    if (under == hwnd || IsChild(hwnd, under)) SetCursor(CursorFor(under));
}

void Win32Backend::WatchWindow(NativeWindow window) {
    HWND hwnd = ToHwnd(window);
    RECT client{};
    if (Find(hwnd) != nullptr || !::IsWindow(hwnd) || !GetClientRect(hwnd, &client)) return;
    watched_[hwnd] = WatchedWindow{client.right - client.left, client.bottom - client.top};
}

void Win32Backend::WatchForeignWindows() {
    // Another program's windows send us nothing: they are looked at on every poll.
    std::vector<HWND> gone;
    for (auto& [hwnd, watched] : watched_) {
        RECT client{};
        if (!::IsWindow(hwnd) || !GetClientRect(hwnd, &client)) {
            gone.push_back(hwnd);
            continue;
        }
        const std::int32_t width = client.right - client.left;
        const std::int32_t height = client.bottom - client.top;
        if (width == watched.width && height == watched.height) continue;
        watched.width = width;
        watched.height = height;
        Queue(EventType::Resized, hwnd, width, height);
    }
    for (HWND hwnd : gone) {
        watched_.erase(hwnd);
        Queue(EventType::Destroyed, hwnd);
    }
    // A window of ours inside another program's window ends with that window. The system
    // destroys it with its parent; should it survive, it is destroyed here.
    std::vector<HWND> orphans;
    for (auto& [hwnd, info] : windows_) {
        if (info.foreign_parent != nullptr && !::IsWindow(info.foreign_parent)) {
            orphans.push_back(hwnd);
        }
    }
    for (HWND hwnd : orphans) {
        Forget(hwnd);
        Queue(EventType::Destroyed, hwnd);
        if (::IsWindow(hwnd)) ::DestroyWindow(hwnd);
    }
}

void Win32Backend::SetIcon(NativeWindow window, const PixelView& icon) {
    HWND hwnd = ToHwnd(window);
    WindowInfo* info = Find(hwnd);
    if (info == nullptr || icon.pixels == nullptr || icon.width <= 0 || icon.height <= 0) return;
    // An opaque 32-bit colour bitmap (rows top to bottom) and an all-zero mask.
    std::vector<std::uint32_t> colour(static_cast<std::size_t>(icon.width) * icon.height);
    for (std::int32_t y = 0; y < icon.height; ++y) {
        for (std::int32_t x = 0; x < icon.width; ++x) {
            colour[static_cast<std::size_t>(y) * icon.width + x] =
                0xFF000000u | icon.pixels[static_cast<std::size_t>(y) * icon.stride + x];
        }
    }
    const std::vector<std::uint8_t> mask(
        static_cast<std::size_t>((icon.width + 15) / 16 * 2) * icon.height, 0);
    ICONINFO ii{};
    ii.fIcon = TRUE;
    ii.hbmColor = CreateBitmap(icon.width, icon.height, 1, 32, colour.data());
    ii.hbmMask = CreateBitmap(icon.width, icon.height, 1, 1, mask.data());
    HICON handle = CreateIconIndirect(&ii);
    DeleteObject(ii.hbmColor);
    DeleteObject(ii.hbmMask);
    if (handle == nullptr) return;
    SendMessageW(hwnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(handle));
    SendMessageW(hwnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(handle));
    if (info->icon != nullptr) DestroyIcon(info->icon);
    info->icon = handle;
}

void Win32Backend::PollEvents(std::vector<Event>& out) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE) != 0) DispatchMessageW(&msg);
    WatchForeignWindows();
    out.insert(out.end(), queued_.begin(), queued_.end());
    queued_.clear();
}

void Win32Backend::WaitEvents(std::int32_t timeout_ms) {
    if (!queued_.empty()) return;
    const DWORD timeout = timeout_ms < 0 ? INFINITE : static_cast<DWORD>(timeout_ms);
    MsgWaitForMultipleObjectsEx(0, nullptr, timeout, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
}

Point Win32Backend::ScreenSize() {
    return {GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
}

namespace {

// The primary monitor's DPI as the system reports it to a program that knows its scale.
std::int32_t SystemDpi() {
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : 96;
}

// GetDpiForWindow (Windows 10, 1607 on); looked up once, since older systems lack it.
using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
GetDpiForWindowFn DpiForWindowFunction() {
    static const auto function = [] {
        HMODULE user32 = GetModuleHandleW(L"user32.dll");
        FARPROC address = user32 != nullptr ? GetProcAddress(user32, "GetDpiForWindow") : nullptr;
        return reinterpret_cast<GetDpiForWindowFn>(reinterpret_cast<void (*)()>(address));
    }();
    return function;
}

}  // namespace

std::int32_t Win32Backend::Dpi(NativeWindow window) {
    if (window != 0) {
        if (GetDpiForWindowFn dpi_for_window = DpiForWindowFunction()) {
            const UINT dpi = dpi_for_window(ToHwnd(window));
            if (dpi > 0) return static_cast<std::int32_t>(dpi);
        }
    }
    return SystemDpi();
}

Point Win32Backend::CursorPos() {
    POINT p{};
    GetCursorPos(&p);
    return {p.x, p.y};
}

NativeWindow Win32Backend::WindowFromPoint(Point screen) {
    return ToNative(::WindowFromPoint(POINT{screen.x, screen.y}));
}

void Win32Backend::ShowCursor(bool show) {
    ::ShowCursor(show ? TRUE : FALSE);
}

void Win32Backend::SetScreenSaverRunning(bool running) {
    // uiParam as the start-up module computes it: the complement of "keys enabled".
    SystemParametersInfoW(SPI_SETSCREENSAVERRUNNING, running ? ~0u : 0u, nullptr, 0);
}

HDC Win32Backend::DcOf(NativeWindow window) {
    const WindowInfo* info = Find(ToHwnd(window));
    return info != nullptr ? info->dc : nullptr;
}

}  // namespace tivaro::platform::win32
