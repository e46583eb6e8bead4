// The system's own modal loops in the Win32 backend. Moving a window by its caption, its
// system menu or menu mode run a loop inside DispatchMessageW that only comes back when
// they end; the program's loop stands still meanwhile. A window timer, dispatched by those
// loops, calls the program's hook every few milliseconds so that its timers and repaints
// go on.
#include "platform/win32/win32_backend.h"

#include <utility>

namespace tivaro::platform::win32 {

void Win32Backend::SetModalLoopHook(std::function<void()> hook) {
    modal_loop_hook_ = std::move(hook);
}

void Win32Backend::ModalLoopEntered(HWND hwnd) {
    WindowInfo* info = Find(hwnd);
    if (info == nullptr || !modal_loop_hook_) return;
    // A menu opened from a move (or the other way round) shares the one timer.
    if (info->modal_loops++ == 0) SetTimer(hwnd, kModalLoopTimer, kModalLoopTimerMs, nullptr);
}

void Win32Backend::ModalLoopLeft(HWND hwnd) {
    WindowInfo* info = Find(hwnd);
    if (info == nullptr || info->modal_loops == 0) return;
    if (--info->modal_loops == 0) KillTimer(hwnd, kModalLoopTimer);
}

void Win32Backend::ModalLoopTick() {
    // A hook that pumps messages itself could come back here through a nested tick: that
    // tick is dropped, the next one runs.
    if (in_modal_loop_hook_ || !modal_loop_hook_) return;
    struct Running {
        bool& flag;
        explicit Running(bool& f) : flag(f) { flag = true; }
        ~Running() { flag = false; }
        Running(const Running&) = delete;
        Running& operator=(const Running&) = delete;
    } running(in_modal_loop_hook_);
    // A copy: the hook may replace itself.
    const std::function<void()> hook = modal_loop_hook_;
    hook();
}

}  // namespace tivaro::platform::win32
