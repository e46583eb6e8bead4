// Idle from ext-idle-notify-v1, the common Wayland protocol (KWin, wlroots compositors after
// sway 1.7...). The compositor holds the report back while an idle inhibitor is active.
#include <ext-idle-notify-v1-client-protocol.h>

#include "idle_source.h"
#include "wayland_connection.h"

namespace tivaro::idle {
namespace {

class ExtIdleSource final : public IdleSource {
public:
    ExtIdleSource(std::unique_ptr<WaylandConnection> wayland, Milliseconds after,
                  IdleListener& listener)
        : wayland_(std::move(wayland)), listener_(listener), after_(after) {
        notifier_ =
            static_cast<ext_idle_notifier_v1*>(wayland_->Bind(&ext_idle_notifier_v1_interface, 1));
        Ask();
    }
    bool Rearm() override {
        ext_idle_notification_v1_destroy(notification_);
        Ask();
        return true;
    }
    ~ExtIdleSource() override {
        ext_idle_notification_v1_destroy(notification_);
        ext_idle_notifier_v1_destroy(notifier_);
    }
    const char* Name() const override { return "ext-idle-notify-v1"; }

private:
    void Ask() {
        notification_ = ext_idle_notifier_v1_get_idle_notification(
            notifier_, static_cast<uint32_t>(after_.count()), wayland_->Seat());
        static const ext_idle_notification_v1_listener kListener = {OnIdled, OnResumed};
        ext_idle_notification_v1_add_listener(notification_, &kListener, this);
    }
    static void OnIdled(void* self, ext_idle_notification_v1*) {
        static_cast<ExtIdleSource*>(self)->listener_.SessionIdle();
    }
    static void OnResumed(void* self, ext_idle_notification_v1*) {
        static_cast<ExtIdleSource*>(self)->listener_.SessionActive();
    }

    std::unique_ptr<WaylandConnection> wayland_;
    IdleListener& listener_;
    Milliseconds after_;
    ext_idle_notifier_v1* notifier_ = nullptr;
    ext_idle_notification_v1* notification_ = nullptr;
};

}  // namespace

std::unique_ptr<IdleSource> WatchExtIdle(std::unique_ptr<WaylandConnection> wayland,
                                         Milliseconds after, IdleListener& listener) {
    return std::make_unique<ExtIdleSource>(std::move(wayland), after, listener);
}

}  // namespace tivaro::idle
