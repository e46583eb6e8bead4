// Idle from the compositor, in either of the two Wayland protocols that report it: the
// common ext-idle-notify-v1 (KWin, wlroots compositors after sway 1.7...) and KDE's
// org_kde_kwin_idle (KWin, sway 1.7). Both ask for one report per wait from a seat and
// answer with an idle event and a resumed event; the compositor holds the report back while
// an idle inhibitor is active. A Protocol names one protocol's objects and requests.
#include <ext-idle-notify-v1-client-protocol.h>
#include <idle-client-protocol.h>

#include "idle_source.h"
#include "wayland_connection.h"

namespace tivaro::idle {
namespace {

template <class Protocol>
class WaylandIdleSource final : public IdleSource {
public:
    WaylandIdleSource(std::unique_ptr<WaylandConnection> wayland, Milliseconds after,
                      IdleListener& listener)
        : wayland_(std::move(wayland)), listener_(listener), after_(after) {
        manager_ = static_cast<typename Protocol::Manager*>(
            wayland_->Bind(&Protocol::kManagerInterface, 1));
        Ask();
    }
    bool Rearm() override {
        Protocol::Release(report_);
        Ask();
        return true;
    }
    ~WaylandIdleSource() override {
        Protocol::Release(report_);
        Protocol::Destroy(manager_);
    }
    const char* Name() const override { return Protocol::kName; }

private:
    using Report = typename Protocol::Report;

    void Ask() {
        report_ = Protocol::Ask(manager_, wayland_->Seat(), static_cast<uint32_t>(after_.count()));
        static const typename Protocol::Listener kListener = {OnIdle, OnResumed};
        Protocol::Listen(report_, &kListener, this);
    }
    static void OnIdle(void* self, Report*) {
        static_cast<WaylandIdleSource*>(self)->listener_.SessionIdle();
    }
    static void OnResumed(void* self, Report*) {
        static_cast<WaylandIdleSource*>(self)->listener_.SessionActive();
    }

    std::unique_ptr<WaylandConnection> wayland_;
    IdleListener& listener_;
    Milliseconds after_;
    typename Protocol::Manager* manager_ = nullptr;
    Report* report_ = nullptr;
};

struct ExtIdleNotify {
    using Manager = ext_idle_notifier_v1;
    using Report = ext_idle_notification_v1;
    using Listener = ext_idle_notification_v1_listener;
    static constexpr const wl_interface& kManagerInterface = ext_idle_notifier_v1_interface;
    static constexpr const char* kName = "ext-idle-notify-v1";
    static Report* Ask(Manager* manager, wl_seat* seat, uint32_t milliseconds) {
        return ext_idle_notifier_v1_get_idle_notification(manager, milliseconds, seat);
    }
    static void Listen(Report* report, const Listener* listener, void* data) {
        ext_idle_notification_v1_add_listener(report, listener, data);
    }
    static void Release(Report* report) { ext_idle_notification_v1_destroy(report); }
    static void Destroy(Manager* manager) { ext_idle_notifier_v1_destroy(manager); }
};

struct KdeIdle {
    using Manager = org_kde_kwin_idle;
    using Report = org_kde_kwin_idle_timeout;
    using Listener = org_kde_kwin_idle_timeout_listener;
    static constexpr const wl_interface& kManagerInterface = org_kde_kwin_idle_interface;
    static constexpr const char* kName = "org_kde_kwin_idle";
    static Report* Ask(Manager* manager, wl_seat* seat, uint32_t milliseconds) {
        return org_kde_kwin_idle_get_idle_timeout(manager, seat, milliseconds);
    }
    static void Listen(Report* report, const Listener* listener, void* data) {
        org_kde_kwin_idle_timeout_add_listener(report, listener, data);
    }
    static void Release(Report* report) { org_kde_kwin_idle_timeout_release(report); }
    static void Destroy(Manager* manager) { org_kde_kwin_idle_destroy(manager); }
};

}  // namespace

std::unique_ptr<IdleSource> WatchExtIdle(std::unique_ptr<WaylandConnection> wayland,
                                         Milliseconds after, IdleListener& listener) {
    return std::make_unique<WaylandIdleSource<ExtIdleNotify>>(std::move(wayland), after, listener);
}

std::unique_ptr<IdleSource> WatchKdeIdle(std::unique_ptr<WaylandConnection> wayland,
                                         Milliseconds after, IdleListener& listener) {
    return std::make_unique<WaylandIdleSource<KdeIdle>>(std::move(wayland), after, listener);
}

}  // namespace tivaro::idle
