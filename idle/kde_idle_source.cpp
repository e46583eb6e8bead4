// Idle from KDE's org_kde_kwin_idle, which KWin and sway 1.7 offer. The compositor holds the
// report back while an idle inhibitor is active.
#include <idle-client-protocol.h>

#include "idle_source.h"
#include "wayland_connection.h"

namespace tivaro::idle {
namespace {

class KdeIdleSource final : public IdleSource {
public:
    KdeIdleSource(std::unique_ptr<WaylandConnection> wayland, Milliseconds after,
                  IdleListener& listener)
        : wayland_(std::move(wayland)), listener_(listener), after_(after) {
        idle_ = static_cast<org_kde_kwin_idle*>(wayland_->Bind(&org_kde_kwin_idle_interface, 1));
        Ask();
    }
    bool Rearm() override {
        org_kde_kwin_idle_timeout_release(timeout_);
        Ask();
        return true;
    }
    ~KdeIdleSource() override {
        org_kde_kwin_idle_timeout_release(timeout_);
        org_kde_kwin_idle_destroy(idle_);
    }
    const char* Name() const override { return "org_kde_kwin_idle"; }

private:
    void Ask() {
        timeout_ = org_kde_kwin_idle_get_idle_timeout(idle_, wayland_->Seat(),
                                                      static_cast<uint32_t>(after_.count()));
        static const org_kde_kwin_idle_timeout_listener kListener = {OnIdle, OnResumed};
        org_kde_kwin_idle_timeout_add_listener(timeout_, &kListener, this);
    }
    static void OnIdle(void* self, org_kde_kwin_idle_timeout*) {
        static_cast<KdeIdleSource*>(self)->listener_.SessionIdle();
    }
    static void OnResumed(void* self, org_kde_kwin_idle_timeout*) {
        static_cast<KdeIdleSource*>(self)->listener_.SessionActive();
    }

    std::unique_ptr<WaylandConnection> wayland_;
    IdleListener& listener_;
    Milliseconds after_;
    org_kde_kwin_idle* idle_ = nullptr;
    org_kde_kwin_idle_timeout* timeout_ = nullptr;
};

}  // namespace

std::unique_ptr<IdleSource> WatchKdeIdle(std::unique_ptr<WaylandConnection> wayland,
                                         Milliseconds after, IdleListener& listener) {
    return std::make_unique<KdeIdleSource>(std::move(wayland), after, listener);
}

}  // namespace tivaro::idle
