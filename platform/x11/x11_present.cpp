// Showing a 32-bit pixel image in a window. Where the window's visual stores pixels as
// we do (24-bit TrueColor in 32 bits), through a MIT-SHM segment where the server offers
// one (no copy through the socket), with XPutImage otherwise; the shared segment is reused
// for the next image only once the server has finished reading it. Any other visual (16
// or 8 bits) gets an image converted to its own format.
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#include <sys/ipc.h>
#include <sys/shm.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "platform/x11/x11_backend.h"
#include "platform/x11/x11_errors.h"

namespace tivaro::platform::x11 {
namespace {

XShmSegmentInfo& Info(void* info) {
    return *static_cast<XShmSegmentInfo*>(info);
}

}  // namespace

const PixelFormat& X11Backend::FormatFor(Visual* visual, int depth, Colormap colormap) {
    for (const auto& format : formats_) {
        if (format->visual() == visual && format->depth() == depth) return *format;
    }
    formats_.push_back(std::make_unique<PixelFormat>(display_, visual, depth, colormap));
    return *formats_.back();
}

const PixelFormat& X11Backend::FormatOf(Window window) {
    if (auto it = windows_.find(window); it != windows_.end() && it->second.format != nullptr) {
        return *it->second.format;
    }
    XWindowAttributes attrs{};
    ErrorTrap trap(display_);  // another program's window, that may have gone
    if (window == root_ || XGetWindowAttributes(display_, window, &attrs) == 0 ||
        trap.Release() != Success) {
        return FormatFor(DefaultVisual(display_, screen_), DefaultDepth(display_, screen_),
                         DefaultColormap(display_, screen_));
    }
    return FormatFor(attrs.visual, attrs.depth,
                     attrs.colormap != 0 ? attrs.colormap : DefaultColormap(display_, screen_));
}

// Made on a pixmap of our own, not on the window it is first wanted for: that window may lie
// inside another program's and have gone already, and a GC serves every drawable of its depth.
GC X11Backend::GcFor(int depth) {
    if (auto it = gcs_.find(depth); it != gcs_.end()) return it->second;
    const Pixmap sample = XCreatePixmap(display_, root_, 1, 1, static_cast<unsigned>(depth));
    GC gc = XCreateGC(display_, sample, 0, nullptr);
    XFreePixmap(display_, sample);
    return gcs_.emplace(depth, gc).first->second;
}

void X11Backend::ReleaseShared() {
    if (shm_image_ == nullptr) return;
    if (shm_pending_) XSync(display_, False);
    shm_pending_ = false;
    XShmDetach(display_, &Info(shm_info_));
    XSync(display_, False);
    shmdt(Info(shm_info_).shmaddr);
    shm_image_->data = nullptr;
    XDestroyImage(shm_image_);
    shm_image_ = nullptr;
    delete &Info(shm_info_);
    shm_info_ = nullptr;
}

bool X11Backend::PresentShared(Window window, const PixelView& image, Point at) {
    if (shm_ == Shm::Untried) {
        shm_ = XShmQueryExtension(display_) ? Shm::Usable : Shm::Unusable;
    }
    const PixelFormat& format = FormatOf(window);
    if (shm_ != Shm::Usable || !format.SameAsOurs()) return false;
    // The server may still be reading the last image: let it finish before writing.
    if (shm_pending_) {
        XSync(display_, False);
        shm_pending_ = false;
    }
    if (shm_image_ == nullptr || shm_image_->width < image.width ||
        shm_image_->height < image.height) {
        const int width =
            shm_image_ == nullptr ? image.width : std::max(shm_image_->width, image.width);
        const int height =
            shm_image_ == nullptr ? image.height : std::max(shm_image_->height, image.height);
        ReleaseShared();
        auto* info = new XShmSegmentInfo{};
        XImage* xi = XShmCreateImage(display_, format.visual(), 24, ZPixmap, nullptr, info,
                                     static_cast<unsigned>(width), static_cast<unsigned>(height));
        if (xi == nullptr) {
            delete info;
            shm_ = Shm::Unusable;
            return false;
        }
        info->shmid = shmget(IPC_PRIVATE, static_cast<std::size_t>(xi->bytes_per_line) * xi->height,
                             IPC_CREAT | 0600);
        void* address =
            info->shmid < 0 ? reinterpret_cast<void*>(-1) : shmat(info->shmid, nullptr, 0);
        if (address == reinterpret_cast<void*>(-1)) {
            if (info->shmid >= 0) shmctl(info->shmid, IPC_RMID, nullptr);
            XDestroyImage(xi);
            delete info;
            shm_ = Shm::Unusable;
            return false;
        }
        info->shmaddr = xi->data = static_cast<char*>(address);
        info->readOnly = True;
        ErrorTrap trap(display_);
        XShmAttach(display_, info);
        const int attached = trap.Release();
        // Marked for removal now: it goes when both sides have detached, even on a crash.
        shmctl(info->shmid, IPC_RMID, nullptr);
        shm_image_ = xi;
        shm_info_ = info;
        if (attached != Success) {               // a server on another machine cannot attach
            ErrorTrap never_attached(display_);  // so its detach fails too
            ReleaseShared();
            shm_ = Shm::Unusable;
            return false;
        }
    }
    const auto row_bytes = static_cast<std::size_t>(image.width) * 4;
    for (std::int32_t y = 0; y < image.height; ++y) {
        std::memcpy(shm_image_->data + static_cast<std::ptrdiff_t>(y) * shm_image_->bytes_per_line,
                    image.pixels + static_cast<std::ptrdiff_t>(y) * image.stride, row_bytes);
    }
    XShmPutImage(display_, window, GcFor(24), shm_image_, 0, 0, at.x, at.y,
                 static_cast<unsigned>(image.width), static_cast<unsigned>(image.height), False);
    shm_pending_ = true;
    XFlush(display_);
    return true;
}

void X11Backend::Present(NativeWindow window, const PixelView& image, Point at) {
    if (image.width <= 0 || image.height <= 0) return;
    const auto w = static_cast<Window>(window);
    // The window may be inside another program's (a preview pane), and go with it.
    const ErrorTrap trap(display_);
    if (PresentShared(w, image, at)) return;
    const PixelFormat& format = FormatOf(w);
    const auto width = static_cast<unsigned>(image.width);
    const auto height = static_cast<unsigned>(image.height);
    const auto depth = static_cast<unsigned>(format.depth());
    XImage* xi = nullptr;
    if (format.SameAsOurs()) {
        xi = XCreateImage(display_, format.visual(), depth, ZPixmap, 0,
                          reinterpret_cast<char*>(const_cast<std::uint32_t*>(image.pixels)), width,
                          height, 32, image.stride * 4);
    } else {
        xi = XCreateImage(display_, format.visual(), depth, ZPixmap, 0, nullptr, width, height, 32,
                          0);
        if (xi != nullptr) {
            xi->data = static_cast<char*>(
                std::malloc(static_cast<std::size_t>(xi->bytes_per_line) * height));
            if (xi->data == nullptr) {
                XDestroyImage(xi);
                return;
            }
            format.Fill(*xi, image);
        }
    }
    if (xi == nullptr) return;
    XPutImage(display_, w, GcFor(format.depth()), xi, 0, 0, at.x, at.y, width, height);
    if (format.SameAsOurs()) xi->data = nullptr;  // the pixels belong to the surface
    XDestroyImage(xi);                            // frees a converted copy
    XFlush(display_);
}

void X11Backend::ShowBackColour(NativeWindow window) {
    // Background pixel of its own: the server fills the window with it (a GL window, whose
    // background is none, is left as it is). The window may have gone with its parent.
    const ErrorTrap trap(display_);
    XClearArea(display_, static_cast<Window>(window), 0, 0, 0, 0, False);
    XFlush(display_);
}

}  // namespace tivaro::platform::x11
