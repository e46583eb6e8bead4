#include "platform/win32/win32_backend.h"

#include <algorithm>

#include "platform/win32/wide_text.h"

namespace tivaro::platform::win32 {

Win32Backend::Win32Backend() : instance_(GetModuleHandleW(nullptr)) {
    RegisterWindowClass(instance_);
}

Win32Backend::~Win32Backend() {
    contexts_.ForEach([](HGLRC context) {
        if (wglGetCurrentContext() == context) wglMakeCurrent(nullptr, nullptr);
        wglDeleteContext(context);
    });
    std::vector<HWND> remaining;
    for (auto& [hwnd, info] : windows_) remaining.push_back(hwnd);
    for (HWND hwnd : remaining) {
        if (::IsWindow(hwnd)) SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        Forget(hwnd);
        if (::IsWindow(hwnd)) ::DestroyWindow(hwnd);
    }
}

Win32Backend::WindowInfo* Win32Backend::Find(HWND hwnd) {
    auto it = windows_.find(hwnd);
    return it == windows_.end() ? nullptr : &it->second;
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
    if (hwnd == cover_window_) {
        // The saver covers everything, the task bar included.
        SetWindowPos(hwnd, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
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

namespace {

// The primary monitor's DPI as the system reports it to a program that knows its scale.
std::int32_t SystemDpi() {
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : 96;
}

}  // namespace

std::int32_t Win32Backend::Dpi(NativeWindow window) {
    // Windows 10, 1607 on.
    using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
    static const auto dpi_for_window =
        SystemFunction<GetDpiForWindowFn>(L"user32.dll", "GetDpiForWindow");
    if (window != 0 && dpi_for_window != nullptr) {
        const UINT dpi = dpi_for_window(ToHwnd(window));
        if (dpi > 0) return static_cast<std::int32_t>(dpi);
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

void Win32Backend::SleepUntil(std::chrono::steady_clock::time_point when) {
    sleeper_.SleepUntil(when);
}

HDC Win32Backend::DcOf(NativeWindow window) {
    const WindowInfo* info = Find(ToHwnd(window));
    return info != nullptr ? info->dc : nullptr;
}

}  // namespace tivaro::platform::win32