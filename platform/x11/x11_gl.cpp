// GLX for the X11 backend: one frame-buffer configuration (double-buffered RGBA, at
// least 24 colour bits and 16 depth bits), contexts by handle, buffer swaps.
//
// The GL library talks to the server through our connection and may read a reply that
// never came when the server goes away meanwhile: every set-up call checks the connection
// first and runs under a LostServerGuard, and a failed answer is checked with a round
// trip, so that a lost server ends the program as it does anywhere else.
//
// A window drawn on may go at any moment with a host's window it lies in: the calls that
// name it are made inside an error trap, and the next events say it went. GL itself draws
// there in a pixmap of ours (x11_offscreen.cpp); a context made for such a window draws so
// wherever it is made current.

#include <algorithm>
#include <vector>

#include "platform/colour_config.h"
#include "platform/extension_list.h"
#include "platform/x11/x11_backend.h"
#include "platform/x11/x11_errors.h"
#include "platform/x11/x11_lost_server.h"
#include "toolkit/runtime/errors.h"

namespace tivaro::platform::x11 {

// The configurations of 8-bit colour channels and a depth buffer for `drawable_bit`'s
// drawables, as the server lists them; none said as the server's answer.
std::vector<GLXFBConfig> X11Backend::Configs(int drawable_bit, bool double_buffered) {
    // clang-format off
    const int attribs[] = {
        GLX_X_RENDERABLE, True,
        GLX_DRAWABLE_TYPE, drawable_bit,
        GLX_RENDER_TYPE, GLX_RGBA_BIT,
        GLX_DOUBLEBUFFER, double_buffered ? True : False,
        GLX_RED_SIZE, 8,
        GLX_GREEN_SIZE, 8,
        GLX_BLUE_SIZE, 8,
        GLX_DEPTH_SIZE, 16,
        None};
    // clang-format on
    int count = 0;
    CheckServer(xcb_);
    GLXFBConfig* listed = glXChooseFBConfig(display_, screen_, attribs, &count);
    std::vector<GLXFBConfig> configs;
    if (listed != nullptr) {
        configs.assign(listed, listed + std::max(count, 0));
        XFree(listed);
    }
    if (configs.empty()) CheckAnswer();
    return configs;
}

GLXFBConfig X11Backend::FrameBufferConfig() {
    if (fb_config_chosen_) return fb_config_;
    fb_config_chosen_ = true;
    const LostServerGuard guard(xcb_);
    int error_base = 0;
    int event_base = 0;
    if (!glXQueryExtension(display_, &error_base, &event_base)) {
        CheckAnswer();
        return nullptr;
    }
    const std::vector<GLXFBConfig> configs = Configs(GLX_WINDOW_BIT, true);
    if (configs.empty()) return nullptr;
    const int chosen = PickColourConfig(static_cast<int>(configs.size()), [&](int i) {
        std::array<int, 4> b{};
        const int names[4] = {GLX_RED_SIZE, GLX_GREEN_SIZE, GLX_BLUE_SIZE, GLX_ALPHA_SIZE};
        for (int k = 0; k < 4; ++k) {
            glXGetFBConfigAttrib(display_, configs[static_cast<std::size_t>(i)], names[k], &b[k]);
        }
        return b;
    });
    fb_config_ = configs[static_cast<std::size_t>(chosen)];
    CheckServer(xcb_);
    gl_visual_ = glXGetVisualFromFBConfig(display_, fb_config_);
    if (gl_visual_ == nullptr) {
        fb_config_ = nullptr;
        CheckAnswer();
        return nullptr;
    }
    CheckServer(xcb_);
    gl_colormap_ = XCreateColormap(display_, root_, gl_visual_->visual, AllocNone);
    return fb_config_;
}

int X11Backend::ChoosePixelFormat(NativeWindow window) {
    auto it = windows_.find(static_cast<Window>(window));
    if (it == windows_.end() || !it->second.gl) return 0;
    // The saver has nothing to show without GL: it says so rather than stay black.
    if (FrameBufferConfig() == nullptr) {
        rt::StandardErrorMessage(
            "the X server has no OpenGL configuration for this screen (double-buffered RGBA, "
            "8 bits a channel, a 16-bit depth buffer)");
    }
    return 1;
}

GlContext X11Backend::CreateContext(NativeWindow window) {
    if (FrameBufferConfig() == nullptr) return 0;
    const bool offscreen =
        InForeignWindow(static_cast<Window>(window)) && PixmapConfig() != nullptr;
    const LostServerGuard guard(xcb_);
    GLXContext context = glXCreateNewContext(display_, offscreen ? pixmap_config_ : fb_config_,
                                             GLX_RGBA_TYPE, nullptr, True);
    if (context == nullptr) {
        CheckAnswer();
        return 0;
    }
    if (offscreen) offscreen_contexts_.insert(context);
    return contexts_.Add(context);
}

void X11Backend::MakeCurrent(NativeWindow window, GlContext context) {
    if (window == 0 && context == 0) {
        glXMakeCurrent(display_, None, nullptr);
        return;
    }
    const GLXContext* native = contexts_.Find(context);
    if (native == nullptr || window == 0) return;  // a deleted or unknown context
    if (offscreen_contexts_.contains(*native)) {
        DrawOffscreen(static_cast<Window>(window), *native);
        return;
    }
    const LostServerGuard guard(xcb_);
    const ErrorExcuse excuse(display_);
    if (!glXMakeCurrent(display_, static_cast<GLXDrawable>(window), *native)) CheckAnswer();
    if (!swap_interval_done_) SetSwapInterval(static_cast<GLXDrawable>(window));
}

void X11Backend::DeleteContext(GlContext context) {
    const GLXContext* native = contexts_.Remove(context);
    if (native == nullptr) return;  // handle 0, or deleted before
    if (glXGetCurrentContext() == *native) glXMakeCurrent(display_, None, nullptr);
    offscreen_contexts_.erase(*native);
    glXDestroyContext(display_, *native);
}

void X11Backend::SwapBuffers(NativeWindow window) {
    if (glXGetCurrentContext() == nullptr || window == 0) return;
    const ErrorExcuse excuse(display_);
    if (ShowOffscreen(static_cast<Window>(window))) return;
    glXSwapBuffers(display_, static_cast<GLXDrawable>(window));
}

// A GLX call failed: if the server has gone, the round trip says so (and ends the program).
void X11Backend::CheckAnswer() {
    CheckServer(xcb_);
    XSync(display_, False);
    CheckServer(xcb_);
}

bool X11Backend::HasGlxExtension(const char* name) {
    CheckServer(xcb_);
    const char* list = glXQueryExtensionsString(display_, screen_);
    if (list == nullptr) {
        CheckAnswer();
        return false;
    }
    return ListsExtension(list, name);
}

void X11Backend::SetSwapInterval(GLXDrawable drawable) {
    swap_interval_done_ = true;
    // Only call what the server lists: some servers export the entry points and fail
    // (or crash) when they are called without the extension.
    using SwapIntervalExt = void (*)(Display*, GLXDrawable, int);
    using SwapIntervalMesa = int (*)(unsigned);
    const LostServerGuard guard(xcb_);
    if (HasGlxExtension("GLX_EXT_swap_control")) {
        auto fn = reinterpret_cast<SwapIntervalExt>(
            glXGetProcAddressARB(reinterpret_cast<const GLubyte*>("glXSwapIntervalEXT")));
        if (fn != nullptr) fn(display_, drawable, 1);
    } else if (HasGlxExtension("GLX_MESA_swap_control")) {
        auto fn = reinterpret_cast<SwapIntervalMesa>(
            glXGetProcAddressARB(reinterpret_cast<const GLubyte*>("glXSwapIntervalMESA")));
        if (fn != nullptr) fn(1);
    }
}

}  // namespace tivaro::platform::x11
