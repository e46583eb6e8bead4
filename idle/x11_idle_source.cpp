// Idle on X11 from the MIT-SCREEN-SAVER extension: the server's time since the last input,
// asked when the rest of the wait would have passed, and once a second while idle to see
// the input that ends it. A program that holds the server's saver off (XScreenSaverSuspend,
// as video players do) is not visible in that answer: the server only stops its own saver's
// timer. The X-Resource extension shows it, as a resource of type SaverSuspend held by that
// client; while one is held the idle report waits. When the last is released the server
// counts the time as input, so the wait starts again by itself.
#include <X11/Xlib.h>
#include <X11/extensions/XRes.h>
#include <X11/extensions/scrnsaver.h>
#include <sys/epoll.h>
#include <sys/socket.h>

#include <cstdio>
#include <cstdlib>

#include "failure.h"
#include "idle_source.h"

namespace tivaro::idle {
namespace {

constexpr Milliseconds kWhileIdle{1000};       // to see the input that ends idleness
constexpr Milliseconds kWhileSuspended{5000};  // the release shows as input anyway
constexpr const char* kGone = "the X server went away";

int OnLostServer(Display*) {
    // Xlib ends the program after this; the saver loses the server too.
    std::fprintf(stderr, "tivaro-idle: %s\n", kGone);
    std::_Exit(1);
}

class X11IdleSource final : public IdleSource {
public:
    X11IdleSource(Display* display, EventLoop& loop, Milliseconds after, IdleListener& listener)
        : owned_(display),
          display_(display),
          loop_(loop),
          after_(after),
          listener_(listener),
          alarm_(loop, [this] { Tick(); }) {
        int event_base = 0;
        int error_base = 0;
        if (!XScreenSaverQueryExtension(display_, &event_base, &error_base))
            throw Failure("the X server has no MIT-SCREEN-SAVER extension to tell idle time");
        info_ = XScreenSaverAllocInfo();
        if (info_ == nullptr) throw Failure("out of memory for the X server's idle report");
        has_resources_ = XResQueryExtension(display_, &event_base, &error_base);
        suspend_type_ = XInternAtom(display_, "SaverSuspend", False);
        XSetIOErrorHandler(OnLostServer);
        sd_event_source* source = nullptr;
        Check(sd_event_add_io(loop.get(), &source, ConnectionNumber(display_), EPOLLIN, OnReadable,
                              this),
              "cannot watch the X connection");
        watch_.reset(source);
        alarm_.Set(Milliseconds(0));
    }
    ~X11IdleSource() override {
        watch_.reset();
        if (info_ != nullptr) XFree(info_);
    }
    const char* Name() const override { return "the X server's MIT-SCREEN-SAVER extension"; }

private:
    Milliseconds IdleTime() {
        if (XScreenSaverQueryInfo(display_, DefaultRootWindow(display_), info_) == 0)
            throw Failure("the X server did not tell the idle time (MIT-SCREEN-SAVER QueryInfo)");
        return Milliseconds(info_->idle);
    }

    void Tick() {
        const Milliseconds idle = IdleTime();
        if (idle_ && idle < last_) {
            idle_ = false;
            listener_.SessionActive();
        }
        last_ = idle;
        if (idle_) return alarm_.Set(kWhileIdle);
        if (idle < after_) return alarm_.Set(after_ - idle);
        if (Suspended()) return alarm_.Set(kWhileSuspended);
        idle_ = true;
        alarm_.Set(kWhileIdle);
        listener_.SessionIdle();
    }

    bool Suspended() {
        if (!has_resources_) return false;
        int count = 0;
        XResClient* clients = nullptr;
        if (!XResQueryClients(display_, &count, &clients)) return false;
        bool held = false;
        for (int i = 0; i < count && !held; ++i) {
            int kinds = 0;
            XResType* types = nullptr;
            if (!XResQueryClientResources(display_, clients[i].resource_base, &kinds, &types))
                continue;
            for (int k = 0; k < kinds; ++k) held = held || types[k].resource_type == suspend_type_;
            XFree(types);
        }
        XFree(clients);
        return held;
    }

    static int OnReadable(sd_event_source*, int fd, std::uint32_t, void* self) {
        auto* source = static_cast<X11IdleSource*>(self);
        return source->loop_.Guard([source, fd] {
            // Nothing is asked for but errors; an end of file is the server gone.
            char byte = 0;
            if (recv(fd, &byte, 1, MSG_PEEK | MSG_DONTWAIT) == 0) throw Failure(kGone);
            while (XPending(source->display_) > 0) {
                XEvent event;
                XNextEvent(source->display_, &event);
            }
        });
    }

    struct Close {
        void operator()(Display* display) const { XCloseDisplay(display); }
    };
    std::unique_ptr<Display, Close> owned_;  // closed last, also when the constructor raises
    Display* display_;
    EventLoop& loop_;
    Milliseconds after_;
    IdleListener& listener_;
    Alarm alarm_;
    SourcePtr watch_;
    XScreenSaverInfo* info_ = nullptr;
    bool has_resources_ = false;
    Atom suspend_type_ = 0;
    bool idle_ = false;
    Milliseconds last_{0};
};

}  // namespace

std::unique_ptr<IdleSource> WatchX11Idle(Display* display, EventLoop& loop, Milliseconds after,
                                         IdleListener& listener) {
    return std::make_unique<X11IdleSource>(display, loop, after, listener);
}

}  // namespace tivaro::idle
