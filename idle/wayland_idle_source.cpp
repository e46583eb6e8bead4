// Idle from the compositor, in either of the two Wayland protocols that report it: the
// common ext-idle-notify-v1 (KWin, wlroots compositors after sway 1.7...) and KDE's
// org_kde_kwin_idle (KWin, sway 1.7). Both ask for one report per wait from a seat and
// answer with an idle event and a resumed event; the compositor holds the report back while
// an idle inhibitor is active.
#include <ext-idle-notify-v1-client-protocol.h>
#include <idle-client-protocol.h>

#include <cstdint>

#include "idle_source.h"
#include "wayland_connection.h"

namespace tivaro::idle {
namespace {

// A report's two events, handed to the IdleListener the report was asked for.
template <class Report>
void Idled(void* listener, Report*) {
    static_cast<IdleListener*>(listener)->SessionIdle();
}
template <class Report>
void Resumed(void* listener, Report*) {
    static_cast<IdleListener*>(listener)->SessionActive();
}

// One protocol's names and requests: its global (Manager), the report it makes for a wait.
template <class Manager, class Report, class Listener>
struct Protocol {
    const char* name;
    const wl_interface* manager_interface;
    Report* (*ask)(Manager*, wl_seat*, std::uint32_t milliseconds);
    int (*listen)(Report*, const Listener*, void* data);
    void (*release)(Report*);
    void (*destroy)(Manager*);
    const Listener* events;  // Idled and Resumed, under this protocol's names for them
};

template <class Manager, class Report, class Listener>
class WaylandIdleSource final : public IdleSource {
public:
    WaylandIdleSource(const Protocol<Manager, Report, Listener>& protocol,
                      std::unique_ptr<WaylandConnection> wayland, Milliseconds after,
                      IdleListener& listener)
        : protocol_(protocol), wayland_(std::move(wayland)), listener_(listener), after_(after) {
        manager_ = static_cast<Manager*>(wayland_->Bind(protocol_.manager_interface, 1));
        Ask();
    }
    bool Rearm() override {
        protocol_.release(report_);
        Ask();
        return true;
    }
    ~WaylandIdleSource() override {
        protocol_.release(report_);
        protocol_.destroy(manager_);
    }
    const char* Name() const override { return protocol_.name; }

private:
    void Ask() {
        report_ = protocol_.ask(manager_, wayland_->Seat(), static_cast<uint32_t>(after_.count()));
        protocol_.listen(report_, protocol_.events, &listener_);
    }

    const Protocol<Manager, Report, Listener>& protocol_;
    std::unique_ptr<WaylandConnection> wayland_;
    IdleListener& listener_;
    Milliseconds after_;
    Manager* manager_ = nullptr;
    Report* report_ = nullptr;
};

// The listeners start empty and are filled by name, so that an event a newer protocol adds
// needs no mention here (the managers are bound at version 1, which sends none).
const ext_idle_notification_v1_listener kExtEvents = [] {
    ext_idle_notification_v1_listener l{};
    l.idled = Idled<ext_idle_notification_v1>;
    l.resumed = Resumed<ext_idle_notification_v1>;
    return l;
}();

const org_kde_kwin_idle_timeout_listener kKdeEvents = [] {
    org_kde_kwin_idle_timeout_listener l{};
    l.idle = Idled<org_kde_kwin_idle_timeout>;
    l.resumed = Resumed<org_kde_kwin_idle_timeout>;
    return l;
}();

const Protocol<ext_idle_notifier_v1, ext_idle_notification_v1, ext_idle_notification_v1_listener>
    kExtIdleNotify = {"ext-idle-notify-v1",
                      &ext_idle_notifier_v1_interface,
                      [](ext_idle_notifier_v1* notifier, wl_seat* seat, std::uint32_t wait) {
                          return ext_idle_notifier_v1_get_idle_notification(notifier, wait, seat);
                      },
                      ext_idle_notification_v1_add_listener,
                      ext_idle_notification_v1_destroy,
                      ext_idle_notifier_v1_destroy,
                      &kExtEvents};

const Protocol<org_kde_kwin_idle, org_kde_kwin_idle_timeout, org_kde_kwin_idle_timeout_listener>
    kKdeIdle = {"org_kde_kwin_idle",
                &org_kde_kwin_idle_interface,
                org_kde_kwin_idle_get_idle_timeout,
                org_kde_kwin_idle_timeout_add_listener,
                org_kde_kwin_idle_timeout_release,
                org_kde_kwin_idle_destroy,
                &kKdeEvents};

template <class Manager, class Report, class Listener>
std::unique_ptr<IdleSource> Watch(const Protocol<Manager, Report, Listener>& protocol,
                                  std::unique_ptr<WaylandConnection> wayland, Milliseconds after,
                                  IdleListener& listener) {
    return std::make_unique<WaylandIdleSource<Manager, Report, Listener>>(
        protocol, std::move(wayland), after, listener);
}

}  // namespace

std::unique_ptr<IdleSource> WatchExtIdle(std::unique_ptr<WaylandConnection> wayland,
                                         Milliseconds after, IdleListener& listener) {
    return Watch(kExtIdleNotify, std::move(wayland), after, listener);
}

std::unique_ptr<IdleSource> WatchKdeIdle(std::unique_ptr<WaylandConnection> wayland,
                                         Milliseconds after, IdleListener& listener) {
    return Watch(kKdeIdle, std::move(wayland), after, listener);
}

}  // namespace tivaro::idle
