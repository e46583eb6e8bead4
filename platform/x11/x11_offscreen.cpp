// GL in a window of ours that lies inside another program's window (a host's window). Such a
// window goes with that one at any moment, between any two of our requests, and a GL library
// may not bear a drawable that vanishes under it: Mesa's software path asks the server for
// the drawable's size in every frame and, when the answer is an error, goes on with a size it
// never got and spoils its own memory. So GL draws there in a pixmap of ours, which nobody
// else can destroy, and each finished frame is copied to the window by the server: a window
// that went only costs the copy an error, excused without waiting for it. Without a
// configuration for such pixmaps, GL draws in the window itself.
//
// Our own top-level windows are drawn on directly (x11_gl.cpp): nothing but ourselves
// destroys them.

#include <array>
#include <vector>

#include "platform/colour_config.h"
#include "platform/x11/x11_backend.h"
#include "platform/x11/x11_lost_server.h"

namespace tivaro::platform::x11 {

// Ours, with a parent (or its parent, and so on up) that is neither ours nor the root window.
bool X11Backend::InForeignWindow(Window window) const {
    for (auto it = windows_.find(window); it != windows_.end();
         it = windows_.find(it->second.parent)) {
        const Window parent = it->second.parent;
        if (parent == root_) return false;
        if (!windows_.contains(parent)) return true;
    }
    return false;
}

// Single-buffered (a pixmap has no back buffer), with the colour and depth sizes of the
// windows' configuration, and a visual that stores a colour as the windows' visual does: the
// frame's pixels are copied to the window as they are.
GLXFBConfig X11Backend::PixmapConfig() {
    if (pixmap_config_chosen_) return pixmap_config_;
    pixmap_config_chosen_ = true;
    if (FrameBufferConfig() == nullptr) return nullptr;
    const LostServerGuard guard(xcb_);
    const std::vector<GLXFBConfig> configs = Configs(GLX_PIXMAP_BIT, false);
    std::vector<GLXFBConfig> alike;
    for (GLXFBConfig config : configs) {
        XVisualInfo* v = glXGetVisualFromFBConfig(display_, config);
        if (v == nullptr) continue;
        if (v->depth == gl_visual_->depth && v->c_class == gl_visual_->c_class &&
            v->red_mask == gl_visual_->red_mask && v->green_mask == gl_visual_->green_mask &&
            v->blue_mask == gl_visual_->blue_mask) {
            alike.push_back(config);
        }
        XFree(v);
    }
    if (alike.empty()) return nullptr;
    pixmap_config_ =
        alike[static_cast<std::size_t>(PickColourConfig(static_cast<int>(alike.size()), [&](int i) {
            std::array<int, 4> b{};
            const int names[4] = {GLX_RED_SIZE, GLX_GREEN_SIZE, GLX_BLUE_SIZE, GLX_ALPHA_SIZE};
            for (int k = 0; k < 4; ++k) {
                glXGetFBConfigAttrib(display_, alike[static_cast<std::size_t>(i)], names[k], &b[k]);
            }
            return b;
        }))];
    CheckServer(xcb_);
    return pixmap_config_;
}

// A pixmap of the screen's (made on the root window: the window itself may have gone) and
// its GLX drawable.
X11Backend::Offscreen X11Backend::MakeOffscreen(std::int32_t width, std::int32_t height) {
    const LostServerGuard guard(xcb_);
    Offscreen o;
    o.width = width;
    o.height = height;
    o.pixmap =
        XCreatePixmap(display_, root_, static_cast<unsigned>(width), static_cast<unsigned>(height),
                      static_cast<unsigned>(gl_visual_->depth));
    CheckServer(xcb_);
    o.drawable = glXCreatePixmap(display_, pixmap_config_, o.pixmap, nullptr);
    if (copy_gc_ == nullptr) {
        XGCValues values{};
        values.graphics_exposures = False;
        copy_gc_ = XCreateGC(display_, o.pixmap, GCGraphicsExposures, &values);
    }
    return o;
}

void X11Backend::FreeOffscreen(const Offscreen& offscreen) {
    if (glXGetCurrentDrawable() == offscreen.drawable) glXMakeCurrent(display_, None, nullptr);
    glXDestroyPixmap(display_, offscreen.drawable);
    XFreePixmap(display_, offscreen.pixmap);
}

// The window's pixmap, made at its size the first time, made current with `context`.
void X11Backend::DrawOffscreen(Window window, GLXContext context) {
    const auto it = windows_.find(window);
    if (it == windows_.end()) return;  // gone with its host: nothing to draw for
    auto [at, made] = offscreens_.try_emplace(window);
    if (made) at->second = MakeOffscreen(it->second.width, it->second.height);
    const LostServerGuard guard(xcb_);
    if (!glXMakeCurrent(display_, at->second.drawable, context)) CheckAnswer();
}

// The frame drawn in the window's pixmap, copied to the window. False when the window is not
// drawn on through a pixmap now.
bool X11Backend::ShowOffscreen(Window window) {
    const auto it = offscreens_.find(window);
    if (it == offscreens_.end() || glXGetCurrentDrawable() != it->second.drawable) return false;
    const Offscreen& o = it->second;
    // The GL library's drawing reaches the pixmap before the copy reads it.
    glXWaitGL();
    XCopyArea(display_, o.pixmap, window, copy_gc_, 0, 0, static_cast<unsigned>(o.width),
              static_cast<unsigned>(o.height), 0, 0);
    XFlush(display_);
    return true;
}

// The window's size changed: a pixmap of the new size, current in the old one's place, so
// that the next frame is drawn at that size.
void X11Backend::FitOffscreen(Window window) {
    const auto it = offscreens_.find(window);
    const auto info = windows_.find(window);
    if (it == offscreens_.end() || info == windows_.end()) return;
    const Offscreen old = it->second;
    if (old.width == info->second.width && old.height == info->second.height) return;
    it->second = MakeOffscreen(info->second.width, info->second.height);
    if (glXGetCurrentDrawable() == old.drawable) {
        const LostServerGuard guard(xcb_);
        if (!glXMakeCurrent(display_, it->second.drawable, glXGetCurrentContext())) CheckAnswer();
    }
    FreeOffscreen(old);
}

// The window went (or goes): its pixmap with it. GL then draws on nothing until made current
// elsewhere.
void X11Backend::DropOffscreen(Window window) {
    const auto it = offscreens_.find(window);
    if (it == offscreens_.end()) return;
    FreeOffscreen(it->second);
    offscreens_.erase(it);
}

}  // namespace tivaro::platform::x11
