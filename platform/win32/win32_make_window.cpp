// Making the Win32 backend's windows: one window class for them all, the style of each
// kind of window, and a dialog's frame around its inner size.
#include "platform/win32/win32_backend.h"

#include <algorithm>
#include <string>

#include "toolkit/runtime/errors.h"
#include "platform/win32/resource_ids.h"
#include "platform/win32/wide_text.h"

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

}  // namespace

void Win32Backend::RegisterWindowClass(HINSTANCE instance) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    // Several backends may live one after the other in one process (tests): the class
    // stays registered and every window finds its backend through its user data.
    if (GetClassInfoExW(instance, kClassName, &wc) != 0) return;
    wc.style = CS_OWNDC;  // one device context for the window's whole life (GL, presenting)
    wc.lpfnWndProc = &Win32Backend::WindowProc;
    wc.hInstance = instance;
    wc.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(TIVARO_IDI_APP));
    wc.hCursor = nullptr;        // chosen on WM_SETCURSOR
    wc.hbrBackground = nullptr;  // erased with each window's own colour
    wc.lpszClassName = kClassName;
    if (RegisterClassExW(&wc) == 0) {
        throw rt::RuntimeError(rt::ErrorNumber::InvalidProcedureCall,
                               "cannot register the window class");
    }
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

}  // namespace tivaro::platform::win32
