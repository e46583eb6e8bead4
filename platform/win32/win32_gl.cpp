// WGL for the Win32 backend: the designed pixel format on the window's own device
// context, contexts by handle, buffer swaps, and a swap interval of 1 where the driver
// offers WGL_EXT_swap_control.
#include "platform/win32/win32_backend.h"

#include "platform/extension_list.h"

#include <GL/gl.h>

#include <cstdint>

namespace tivaro::platform::win32 {
namespace {

template <class Fn>
Fn GlFunction(const char* name) {
    // Through void (*)(): a function pointer may be converted to any other one.
    return reinterpret_cast<Fn>(
        reinterpret_cast<void (*)()>(UsableProcAddress(wglGetProcAddress(name))));
}

}  // namespace

PROC UsableProcAddress(PROC address) {
    const auto value = reinterpret_cast<std::intptr_t>(address);
    return value == 0 || value == 1 || value == 2 || value == 3 || value == -1 ? nullptr : address;
}

PIXELFORMATDESCRIPTOR DesignedPixelFormat() {
    PIXELFORMATDESCRIPTOR pfd{};
    pfd.nSize = sizeof(PIXELFORMATDESCRIPTOR);
    pfd.nVersion = 1;
    pfd.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
    pfd.iPixelType = PFD_TYPE_RGBA;
    pfd.cColorBits = 24;
    pfd.cDepthBits = 16;
    pfd.iLayerType = PFD_MAIN_PLANE;
    return pfd;
}

int Win32Backend::ChoosePixelFormat(NativeWindow window) {
    HDC dc = DcOf(window);
    if (dc == nullptr) return 0;
    const PIXELFORMATDESCRIPTOR pfd = DesignedPixelFormat();
    return ::ChoosePixelFormat(dc, &pfd);
}

void Win32Backend::SetPixelFormat(NativeWindow window, int format) {
    HDC dc = DcOf(window);
    if (dc == nullptr) return;
    const PIXELFORMATDESCRIPTOR pfd = DesignedPixelFormat();
    ::SetPixelFormat(dc, format, &pfd);
}

GlContext Win32Backend::CreateContext(NativeWindow window) {
    HDC dc = DcOf(window);
    if (dc == nullptr) return 0;
    HGLRC context = wglCreateContext(dc);
    if (context == nullptr) return 0;
    return contexts_.Add(context);
}

void Win32Backend::MakeCurrent(NativeWindow window, GlContext context) {
    if (window == 0 && context == 0) {
        wglMakeCurrent(nullptr, nullptr);
        return;
    }
    const HGLRC* native = contexts_.Find(context);
    HDC dc = DcOf(window);
    if (native == nullptr || dc == nullptr) return;  // a deleted or unknown context
    const bool made = wglMakeCurrent(dc, *native) != FALSE;
    // The interval is asked for once, through a context that really is current.
    if (made && !swap_interval_done_ && wglGetCurrentContext() == *native) SetSwapInterval();
}

void Win32Backend::DeleteContext(GlContext context) {
    const HGLRC* native = contexts_.Remove(context);
    if (native == nullptr) return;  // handle 0, or deleted before
    if (wglGetCurrentContext() == *native) wglMakeCurrent(nullptr, nullptr);
    wglDeleteContext(*native);
}

void Win32Backend::SwapBuffers(NativeWindow window) {
    HDC dc = DcOf(window);
    if (wglGetCurrentContext() == nullptr || dc == nullptr) return;
    ::SwapBuffers(dc);
}

void Win32Backend::SetSwapInterval() {
    swap_interval_done_ = true;
    // Only call what the driver lists: older drivers list the WGL extension among the GL
    // ones, newer ones through wglGetExtensionsStringARB/EXT.
    using ExtensionsArb = const char*(WINAPI*)(HDC);
    using ExtensionsExt = const char*(WINAPI*)();
    using SwapInterval = BOOL(WINAPI*)(int);
    constexpr std::string_view kSwapControl = "WGL_EXT_swap_control";
    bool listed =
        ListsExtension(reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS)), kSwapControl);
    if (auto arb = GlFunction<ExtensionsArb>("wglGetExtensionsStringARB"); !listed && arb) {
        listed = ListsExtension(arb(wglGetCurrentDC()), kSwapControl);
    }
    if (auto ext = GlFunction<ExtensionsExt>("wglGetExtensionsStringEXT"); !listed && ext) {
        listed = ListsExtension(ext(), kSwapControl);
    }
    if (!listed) return;
    if (auto swap_interval = GlFunction<SwapInterval>("wglSwapIntervalEXT")) swap_interval(1);
}

}  // namespace tivaro::platform::win32
