// Showing a 32-bit pixel image in a window: through a MIT-SHM segment where the server
// offers one (no copy through the socket), with XPutImage otherwise. The shared segment
// is reused for the next image only once the server has finished reading it.
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#include <sys/ipc.h>
#include <sys/shm.h>

#include <algorithm>
#include <cstring>

#include "platform/x11/x11_backend.h"

namespace tivaro::platform::x11 {
namespace {

XShmSegmentInfo& Info(void* info) {
    return *static_cast<XShmSegmentInfo*>(info);
}

}  // namespace

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
    if (shm_ != Shm::Usable || DefaultDepth(display_, screen_) != 24) return false;
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
        XImage* xi =
            XShmCreateImage(display_, DefaultVisual(display_, screen_), 24, ZPixmap, nullptr, info,
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
        const int errors = XErrorCount();
        XShmAttach(display_, info);
        XSync(display_, False);
        // Marked for removal now: it goes when both sides have detached, even on a crash.
        shmctl(info->shmid, IPC_RMID, nullptr);
        shm_image_ = xi;
        shm_info_ = info;
        if (XErrorCount() != errors) {  // a server on another machine cannot attach
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
    XShmPutImage(display_, window, gc_, shm_image_, 0, 0, at.x, at.y,
                 static_cast<unsigned>(image.width), static_cast<unsigned>(image.height), False);
    shm_pending_ = true;
    XFlush(display_);
    return true;
}

void X11Backend::Present(NativeWindow window, const PixelView& image, Point at) {
    if (image.width <= 0 || image.height <= 0) return;
    const auto w = static_cast<Window>(window);
    if (PresentShared(w, image, at)) return;
    XImage* xi = XCreateImage(display_, DefaultVisual(display_, screen_),
                              static_cast<unsigned>(DefaultDepth(display_, screen_)), ZPixmap, 0,
                              reinterpret_cast<char*>(const_cast<std::uint32_t*>(image.pixels)),
                              static_cast<unsigned>(image.width),
                              static_cast<unsigned>(image.height), 32, image.stride * 4);
    if (xi == nullptr) return;
    XPutImage(display_, w, gc_, xi, 0, 0, at.x, at.y, static_cast<unsigned>(image.width),
              static_cast<unsigned>(image.height));
    xi->data = nullptr;  // the pixels belong to the surface
    XDestroyImage(xi);
    XFlush(display_);
}

void X11Backend::ShowBackColour(NativeWindow window) {
    // Background pixel of its own: the server fills the window with it (a GL window, whose
    // background is none, is left as it is).
    XClearArea(display_, static_cast<Window>(window), 0, 0, 0, 0, False);
    XFlush(display_);
}

}  // namespace tivaro::platform::x11
