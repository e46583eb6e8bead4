// A small Windows program the Wine tests use to look at Tivaro.scr from inside Windows:
//   wine_probe pane SECONDS        makes a 152 x 112 window standing for the system's preview
//                                  pane, prints its handle, waits up to SECONDS for a child
//                                  window of another process captioned "Preview Window",
//                                  prints what it found, then destroys the pane.
//   wine_probe client NAME         prints the screen position and inner size of the top-level
//                                  window captioned NAME ("settings" for the dialog's caption).
//   wine_probe detached EXE ARGS   starts EXE with no standard handles, as the system starts a
//                                  screen saver, waits for it and prints its exit code.
//   wine_probe loop NAME KIND      starts one of the system's modal loops in the window
//                                  captioned NAME, as its system menu does: "menu" opens the
//                                  system menu, "move" moves the window from the keyboard,
//                                  "end" presses Escape; prints the loop its thread is in
//                                  once it is ("menu", "move" or "none"). "state" only
//                                  prints it.
//   wine_probe invalidate NAME     asks the window captioned NAME to repaint all of itself.
//   wine_probe monitors            prints "monitors N virtual LEFT TOP WIDTH HEIGHT" as the
//                                  system reports them.
//   wine_probe exstyle NAME        prints the extended style of the top-level window
//                                  captioned NAME: "exstyle 0xHEX toolwindow=0|1 topmost=0|1
//                                  bounds LEFT TOP RIGHT BOTTOM".
//   wine_probe foreground SECONDS  shows a window of its own, brings it to the foreground,
//                                  prints "foreground 1" when it holds the foreground (0
//                                  when not), keeps it there SECONDS and ends.
//   wine_probe displaychange NAME W H
//                                  sizes the top-level window captioned NAME to W x H at
//                                  (0, 0), as a change of monitors might leave it, then
//                                  posts it the system's word that the monitors changed;
//                                  prints "posted to LEFT TOP RIGHT BOTTOM" (the window's
//                                  bounds before that word).
//   wine_probe dpi NAME            prints the DPI of the top-level window captioned NAME
//                                  (GetDpiForWindow, 0 where the system lacks it) and the
//                                  screen's LOGPIXELSX as this program, which knows its
//                                  scale, sees it: "window 192 screen 192".
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <string>

namespace {

struct Found {
    HWND child = nullptr;
};

BOOL CALLBACK NoteChild(HWND hwnd, LPARAM found) {
    wchar_t caption[64] = {};
    GetWindowTextW(hwnd, caption, 64);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (std::wcscmp(caption, L"Preview Window") == 0 && pid != GetCurrentProcessId()) {
        reinterpret_cast<Found*>(found)->child = hwnd;
        return FALSE;
    }
    return TRUE;
}

int Pane(int seconds) {
    HWND pane = CreateWindowExW(0, L"STATIC", L"Tivaro test pane", WS_POPUP | WS_VISIBLE, 100, 100,
                                152, 112, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (pane == nullptr) return 2;
    std::printf("pane %lu\n", static_cast<unsigned long>(reinterpret_cast<std::uintptr_t>(pane)));
    std::fflush(stdout);
    Found found;
    for (int i = 0; i < seconds * 20 && found.child == nullptr; ++i) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
        EnumChildWindows(pane, &NoteChild, reinterpret_cast<LPARAM>(&found));
        Sleep(50);
    }
    if (found.child != nullptr) {
        RECT r{};
        GetClientRect(found.child, &r);
        const auto style = static_cast<DWORD>(GetWindowLongW(found.child, GWL_STYLE));
        std::printf("child %ldx%ld child-style=%d popup-style=%d visible=%d parent-ok=%d\n",
                    r.right, r.bottom, (style & WS_CHILD) ? 1 : 0, (style & WS_POPUP) ? 1 : 0,
                    IsWindowVisible(found.child) ? 1 : 0, GetParent(found.child) == pane ? 1 : 0);
    } else {
        std::printf("no child\n");
    }
    std::fflush(stdout);
    DestroyWindow(pane);
    return found.child != nullptr ? 0 : 1;
}

HWND TopLevel(const wchar_t* name) {
    const wchar_t* caption =
        std::wcscmp(name, L"settings") == 0 ? L"Tivaro\xFF1F\x306E\x8A2D\x5B9A" : name;
    return FindWindowW(nullptr, caption);
}

int Client(const wchar_t* name) {
    HWND hwnd = TopLevel(name);
    if (hwnd == nullptr) {
        std::printf("none\n");
        return 1;
    }
    POINT origin{0, 0};
    ClientToScreen(hwnd, &origin);
    RECT r{};
    GetClientRect(hwnd, &r);
    std::printf("%ld %ld %ld %ld\n", origin.x, origin.y, r.right, r.bottom);
    return 0;
}

// The close request a title bar's close box sends: WM_CLOSE, posted.
int Close(const wchar_t* name) {
    HWND hwnd = TopLevel(name);
    if (hwnd == nullptr || !PostMessageW(hwnd, WM_CLOSE, 0, 0)) {
        std::printf("none\n");
        return 1;
    }
    std::printf("posted\n");
    return 0;
}

// The modal loop the window's thread is in, as the system keeps track of it.
const char* LoopOf(HWND hwnd) {
    GUITHREADINFO info{};
    info.cbSize = sizeof(info);
    if (!GetGUIThreadInfo(GetWindowThreadProcessId(hwnd, nullptr), &info)) return "none";
    if (info.flags & GUI_INMENUMODE) return "menu";
    if (info.flags & GUI_INMOVESIZE) return "move";
    return "none";
}

int Loop(const wchar_t* name, const wchar_t* kind) {
    HWND hwnd = TopLevel(name);
    if (hwnd == nullptr) {
        std::printf("none\n");
        return 1;
    }
    if (std::wcscmp(kind, L"state") == 0) {
        std::printf("%s\n", LoopOf(hwnd));
        return 0;
    }
    const bool ending = std::wcscmp(kind, L"end") == 0;
    const char* expected = std::wcscmp(kind, L"menu") == 0   ? "menu"
                           : std::wcscmp(kind, L"move") == 0 ? "move"
                                                             : "none";
    if (std::strcmp(expected, "menu") == 0) PostMessageW(hwnd, WM_SYSCOMMAND, SC_KEYMENU, L' ');
    if (std::strcmp(expected, "move") == 0) PostMessageW(hwnd, WM_SYSCOMMAND, SC_MOVE, 0);
    auto reached = [&] { return std::strcmp(LoopOf(hwnd), expected) == 0; };
    // The other program takes a message when it next looks at its queue. Ending the system
    // menu takes two Escapes: one closes the menu, one leaves menu mode.
    for (int round = 0; round < 3 && !reached(); ++round) {
        if (ending) PostMessageW(hwnd, WM_KEYDOWN, VK_ESCAPE, 0);
        for (int i = 0; i < 40 && !reached(); ++i) Sleep(50);
    }
    std::printf("%s\n", LoopOf(hwnd));
    return 0;
}

int Invalidate(const wchar_t* name) {
    HWND hwnd = TopLevel(name);
    if (hwnd == nullptr) {
        std::printf("none\n");
        return 1;
    }
    RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
    std::printf("invalidated\n");
    return 0;
}

int Monitors() {
    std::printf("monitors %d virtual %d %d %d %d\n", GetSystemMetrics(SM_CMONITORS),
                GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_YVIRTUALSCREEN),
                GetSystemMetrics(SM_CXVIRTUALSCREEN), GetSystemMetrics(SM_CYVIRTUALSCREEN));
    return 0;
}

int ExStyle(const wchar_t* name) {
    HWND hwnd = TopLevel(name);
    if (hwnd == nullptr) {
        std::printf("none\n");
        return 1;
    }
    const auto ex = static_cast<unsigned long>(GetWindowLongPtrW(hwnd, GWL_EXSTYLE));
    RECT r{};
    GetWindowRect(hwnd, &r);
    std::printf("exstyle 0x%lx toolwindow=%d topmost=%d bounds %ld %ld %ld %ld\n", ex,
                (ex & WS_EX_TOOLWINDOW) ? 1 : 0, (ex & WS_EX_TOPMOST) ? 1 : 0, r.left, r.top,
                r.right, r.bottom);
    return 0;
}

void Pump(DWORD ms) {
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < ms) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
        Sleep(20);
    }
}

int Foreground(int seconds) {
    HWND own = CreateWindowExW(0, L"STATIC", L"Tivaro test foreground", WS_POPUP | WS_VISIBLE, 200,
                               200, 200, 100, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (own == nullptr) return 2;
    const BOOL set = SetForegroundWindow(own);
    const bool at_once = GetForegroundWindow() == own;
    Pump(500);
    std::printf("foreground %d set=%d at-once=%d\n", GetForegroundWindow() == own ? 1 : 0,
                set ? 1 : 0, at_once ? 1 : 0);
    std::fflush(stdout);
    Pump(static_cast<DWORD>(seconds) * 1000);
    DestroyWindow(own);
    return 0;
}

int DisplayChange(const wchar_t* name, int width, int height) {
    HWND hwnd = TopLevel(name);
    if (hwnd == nullptr) {
        std::printf("none\n");
        return 1;
    }
    SetWindowPos(hwnd, nullptr, 0, 0, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
    Sleep(500);
    RECT r{};
    GetWindowRect(hwnd, &r);
    PostMessageW(hwnd, WM_DISPLAYCHANGE, 32,
                 MAKELPARAM(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)));
    std::printf("posted to %ld %ld %ld %ld\n", r.left, r.top, r.right, r.bottom);
    return 0;
}

int Dpi(const wchar_t* name) {
    HWND hwnd = TopLevel(name);
    if (hwnd == nullptr) {
        std::printf("none\n");
        return 1;
    }
    using DpiForWindow = UINT(WINAPI*)(HWND);
    HMODULE user32 = GetModuleHandleW(L"user32.dll");
    FARPROC address = user32 != nullptr ? GetProcAddress(user32, "GetDpiForWindow") : nullptr;
    const auto dpi_for_window =
        reinterpret_cast<DpiForWindow>(reinterpret_cast<void (*)()>(address));
    HDC screen = GetDC(nullptr);
    const int logpixels = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
    std::printf("window %u screen %d\n", dpi_for_window != nullptr ? dpi_for_window(hwnd) : 0u,
                logpixels);
    return 0;
}

int Detached(int argc, wchar_t** argv) {
    std::wstring command;
    // The program's path quoted, the arguments as they are: "C:\x\Tivaro.scr" /p 1234.
    command = L'"' + std::wstring(argv[2]) + L'"';
    for (int i = 3; i < argc; ++i) command += L' ' + std::wstring(argv[i]);
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, DETACHED_PROCESS, nullptr,
                        nullptr, &si, &pi)) {
        std::printf("cannot start\n");
        return 2;
    }
    WaitForSingleObject(pi.hProcess, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(pi.hProcess, &code);
    std::printf("exit %lu\n", code);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return 0;
}

// Sizes and places in device pixels: a program that does not know its scale is told them
// converted to 96 DPI.
void KnowTheScale() {
    using SetContext = BOOL(WINAPI*)(HANDLE);
    HMODULE user32 = GetModuleHandleW(L"user32.dll");
    FARPROC address =
        user32 != nullptr ? GetProcAddress(user32, "SetProcessDpiAwarenessContext") : nullptr;
    const auto set_context = reinterpret_cast<SetContext>(reinterpret_cast<void (*)()>(address));
    // DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2
    if (set_context == nullptr || !set_context(reinterpret_cast<HANDLE>(-4))) SetProcessDPIAware();
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    KnowTheScale();
    if (argc >= 3 && std::wcscmp(argv[1], L"pane") == 0)
        return Pane(static_cast<int>(std::wcstol(argv[2], nullptr, 10)));
    if (argc >= 3 && std::wcscmp(argv[1], L"client") == 0) return Client(argv[2]);
    if (argc >= 3 && std::wcscmp(argv[1], L"detached") == 0) return Detached(argc, argv);
    if (argc >= 4 && std::wcscmp(argv[1], L"loop") == 0) return Loop(argv[2], argv[3]);
    if (argc >= 3 && std::wcscmp(argv[1], L"invalidate") == 0) return Invalidate(argv[2]);
    if (argc >= 3 && std::wcscmp(argv[1], L"close") == 0) return Close(argv[2]);
    if (argc >= 2 && std::wcscmp(argv[1], L"monitors") == 0) return Monitors();
    if (argc >= 3 && std::wcscmp(argv[1], L"dpi") == 0) return Dpi(argv[2]);
    if (argc >= 3 && std::wcscmp(argv[1], L"exstyle") == 0) return ExStyle(argv[2]);
    if (argc >= 3 && std::wcscmp(argv[1], L"foreground") == 0)
        return Foreground(static_cast<int>(std::wcstol(argv[2], nullptr, 10)));
    if (argc >= 5 && std::wcscmp(argv[1], L"displaychange") == 0)
        return DisplayChange(argv[2], static_cast<int>(std::wcstol(argv[3], nullptr, 10)),
                             static_cast<int>(std::wcstol(argv[4], nullptr, 10)));
    std::fprintf(stderr,
                 "usage: wine_probe pane SECONDS | client NAME | detached EXE ARGS | "
                 "loop NAME menu|move|end|state | invalidate NAME | close NAME | monitors | "
                 "exstyle NAME | foreground SECONDS | displaychange NAME W H | dpi NAME\n");
    return 2;
}
