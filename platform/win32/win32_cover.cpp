// The saver's cover on Windows: one window spanning the monitors, kept above every other
// window and out of the task bar while it takes the input, or a child filling a host's
// window. Windows has no place behind the desktop's windows for a picture.
#include <string>

#include "platform/cover_layout.h"
#include "platform/win32/win32_backend.h"
#include "toolkit/runtime/errors.h"

namespace tivaro::platform::win32 {

CoverAnswer Win32Backend::Cover(const CoverRequest& request) {
    if (request.host != 0) return FillHost(*this, request);
    if (request.layer == CoverLayer::Background) {
        throw rt::RuntimeError(rt::ErrorNumber::InvalidProcedureCall,
                               "Windows has no place behind its windows for the saver");
    }
    cover_window_ = ToHwnd(request.window);
    if (request.take_input) TakeInput(request.view);
    return SpanOutputs(Outputs(), request.view);
}

// The saver's window stays above every other, even the task bar, and out of the task bar
// and the task switcher. From now on keys and clicks, the system's word that another
// program took the foreground, and that the monitors changed, go to `view`.
void Win32Backend::TakeInput(NativeWindow view) {
    HWND hwnd = ToHwnd(view);
    HWND root = GetAncestor(hwnd, GA_ROOT);
    if (root == nullptr) root = hwnd;
    funnel_.SetOwner(view);
    input_root_ = root;
    const auto ex_style = static_cast<DWORD>(GetWindowLongPtrW(root, GWL_EXSTYLE));
    // WS_EX_APPWINDOW would put it back in the task bar.
    SetWindowLongPtrW(root, GWL_EXSTYLE,
                      static_cast<LONG_PTR>((ex_style | WS_EX_TOOLWINDOW) &
                                            ~static_cast<DWORD>(WS_EX_APPWINDOW)));
    SetWindowPos(root, HWND_TOPMOST, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_FRAMECHANGED);
}

void Win32Backend::Uncover() {
    funnel_.SetOwner(0);
    input_root_ = nullptr;
    cover_window_ = nullptr;
}

void Win32Backend::InputOwnerMessage(HWND hwnd, UINT message, WPARAM wparam) {
    HWND owner = ToHwnd(funnel_.Owner());
    if (owner == nullptr || hwnd != input_root_) return;
    if (message == WM_ACTIVATEAPP && wparam == FALSE) {
        Queue(EventType::Deactivated, owner);
    } else if (message == WM_DISPLAYCHANGE) {
        Queue(EventType::DisplayChanged, owner);
    }
}

}  // namespace tivaro::platform::win32
