// The monitors of the desktop: where each lies on the virtual screen and its scale.
#include <vector>

#include "platform/win32/win32_backend.h"

namespace tivaro::platform::win32 {
namespace {

// Not in every SDK's headers: shcore.dll, Windows 8.1 on; MDT_EFFECTIVE_DPI is 0.
using GetDpiForMonitorFn = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);
constexpr int kEffectiveDpi = 0;

Output OutputOf(const RECT& r, double scale, bool primary) {
    Output o;
    o.logical = Rect{r.left, r.top, r.right, r.bottom};
    o.device = Point{r.right - r.left, r.bottom - r.top};
    o.scale = scale;
    o.primary = primary;
    return o;
}

// rcMonitor, not the rectangle the enumeration gives: that one is clipped to a device
// context's area where there is one.
BOOL CALLBACK AddMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM found) {
    MONITORINFO info{};
    info.cbSize = sizeof(info);
    if (GetMonitorInfoW(monitor, &info)) {
        auto& list = *reinterpret_cast<std::vector<Output>*>(found);
        const bool primary = (info.dwFlags & MONITORINFOF_PRIMARY) != 0;
        const Output o = OutputOf(info.rcMonitor, MonitorDpi(monitor) / 96.0, primary);
        list.insert(primary ? list.begin() : list.end(), o);
    }
    return TRUE;
}

}  // namespace

std::int32_t MonitorDpi(HMONITOR monitor) {
    static const auto dpi_for_monitor =
        SystemFunction<GetDpiForMonitorFn>(L"shcore.dll", "GetDpiForMonitor");
    UINT x = 0;
    UINT y = 0;
    if (dpi_for_monitor == nullptr || dpi_for_monitor(monitor, kEffectiveDpi, &x, &y) != S_OK ||
        x == 0) {
        return 96;
    }
    return static_cast<std::int32_t>(x);
}

// Every monitor, the primary first; else the virtual screen; else the primary monitor's size.
std::vector<Output> Win32Backend::Outputs() {
    std::vector<Output> found;
    EnumDisplayMonitors(nullptr, nullptr, &AddMonitor, reinterpret_cast<LPARAM>(&found));
    if (!found.empty()) return found;
    const int left = GetSystemMetrics(SM_XVIRTUALSCREEN);
    const int top = GetSystemMetrics(SM_YVIRTUALSCREEN);
    const int width = GetSystemMetrics(SM_CXVIRTUALSCREEN);
    const int height = GetSystemMetrics(SM_CYVIRTUALSCREEN);
    if (width > 0 && height > 0) {
        return {OutputOf(RECT{left, top, left + width, top + height}, 1.0, true)};
    }
    const RECT primary{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    return {OutputOf(primary, 1.0, true)};
}

}  // namespace tivaro::platform::win32
