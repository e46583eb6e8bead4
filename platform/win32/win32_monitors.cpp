// The monitors of the desktop, and the saver's hold on input: a topmost tool window over
// them all that gives way when another program comes to the foreground.
#include <vector>

#include "platform/win32/win32_backend.h"

namespace tivaro::platform::win32 {
namespace {

// rcMonitor, not the rectangle the enumeration gives: that one is clipped to a device
// context's area where there is one.
BOOL CALLBACK AddMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM found) {
    MONITORINFO info{};
    info.cbSize = sizeof(info);
    if (GetMonitorInfoW(monitor, &info)) {
        const RECT& r = info.rcMonitor;
        auto& list = *reinterpret_cast<std::vector<Rect>*>(found);
        // The primary monitor first, as on X11.
        const bool primary = (info.dwFlags & MONITORINFOF_PRIMARY) != 0;
        list.insert(primary ? list.begin() : list.end(), Rect{r.left, r.top, r.right, r.bottom});
    }
    return TRUE;
}

}  // namespace

// Every monitor's rectangle on the virtual screen, the primary first; else the virtual screen; else
// the primary monitor.
std::vector<Rect> Win32Backend::Monitors() {
    std::vector<Rect> found;
    EnumDisplayMonitors(nullptr, nullptr, &AddMonitor, reinterpret_cast<LPARAM>(&found));
    if (!found.empty()) return found;
    const int left = GetSystemMetrics(SM_XVIRTUALSCREEN);
    const int top = GetSystemMetrics(SM_YVIRTUALSCREEN);
    const int width = GetSystemMetrics(SM_CXVIRTUALSCREEN);
    const int height = GetSystemMetrics(SM_CYVIRTUALSCREEN);
    if (width > 0 && height > 0) return {Rect{left, top, left + width, top + height}};
    const Point screen = ScreenSize();
    return {Rect{0, 0, screen.x, screen.y}};
}

// The saver's window stays above every other, even the task bar, and out of the task bar
// and the task switcher. From now on the system's word that another program took the
// foreground, or that the monitors changed, is passed to `window`.
void Win32Backend::OwnInput(NativeWindow window) {
    HWND hwnd = ToHwnd(window);
    HWND root = GetAncestor(hwnd, GA_ROOT);
    if (root == nullptr) root = hwnd;
    input_window_ = hwnd;
    input_root_ = root;
    const auto ex_style = static_cast<DWORD>(GetWindowLongPtrW(root, GWL_EXSTYLE));
    // WS_EX_APPWINDOW would put it back in the task bar.
    SetWindowLongPtrW(root, GWL_EXSTYLE,
                      static_cast<LONG_PTR>((ex_style | WS_EX_TOOLWINDOW) &
                                            ~static_cast<DWORD>(WS_EX_APPWINDOW)));
    SetWindowPos(root, HWND_TOPMOST, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_FRAMECHANGED);
}

void Win32Backend::InputOwnerMessage(HWND hwnd, UINT message, WPARAM wparam) {
    if (input_window_ == nullptr || hwnd != input_root_) return;
    if (message == WM_ACTIVATEAPP && wparam == FALSE) {
        Queue(EventType::Deactivated, input_window_);
    } else if (message == WM_DISPLAYCHANGE) {
        Queue(EventType::DisplayChanged, input_window_);
    }
}

void Win32Backend::SleepUntil(std::chrono::steady_clock::time_point when) {
    sleeper_.SleepUntil(when);
}

}  // namespace tivaro::platform::win32
