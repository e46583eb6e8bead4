// Idle from GNOME's idle monitor (org.gnome.Mutter.IdleMonitor on the session bus), which
// mutter serves on Wayland and X11 alike. An idle watch fires each time the idle time reaches
// its interval; a user-active watch fires once, at the next input, and is asked for anew
// after each idle report. Mutter pauses the watches while the session inhibits idle.
// GNOME blanks the screen itself after its own idle delay: where that comes first, the saver
// comes a little before it. The shell's overview is closed before each saver.
#include <cstdint>
#include <string>

#include "failure.h"
#include "gnome_shell.h"
#include "idle_source.h"

namespace tivaro::idle {
namespace {

constexpr const char* kName = "org.gnome.Mutter.IdleMonitor";
constexpr const char* kPath = "/org/gnome/Mutter/IdleMonitor/Core";

class GnomeIdleSource final : public IdleSource {
public:
    GnomeIdleSource(sd_bus* bus, EventLoop& loop, Milliseconds after, IdleListener& listener)
        : bus_(bus), loop_(loop), listener_(listener) {
        sd_bus_slot* slot = nullptr;
        Check(sd_bus_match_signal(bus, &slot, kName, kPath, kName, "WatchFired", OnFired, this),
              "cannot follow GNOME's idle monitor");
        fired_.reset(slot);
        const std::string gone = std::string("type='signal',sender='org.freedesktop.DBus',") +
                                 "member='NameOwnerChanged',arg0='" + kName + "'";
        Check(sd_bus_add_match(bus, &slot, gone.c_str(), OnOwnerChanged, this),
              "cannot follow GNOME's idle monitor");
        owner_.reset(slot);
        wait_ = BeforeGnomeBlanks(after, GnomeIdleDelay());
        idle_watch_ = AddIdleWatch(static_cast<std::uint64_t>(wait_.count()));
    }
    ~GnomeIdleSource() override {
        // The monitor drops our watches itself when we leave the bus; say it when staying.
        for (std::uint32_t id : {idle_watch_, active_watch_}) {
            if (id != 0)
                sd_bus_call_method(bus_, kName, kPath, kName, "RemoveWatch", nullptr, nullptr, "u",
                                   id);
        }
    }
    const char* Name() const override { return "GNOME's idle monitor"; }
    void BeforeSaver() noexcept override { CloseOverview(bus_); }
    Milliseconds Wait(Milliseconds) const override { return wait_; }

private:
    std::uint32_t AddIdleWatch(std::uint64_t interval) {
        sd_bus_error error = SD_BUS_ERROR_NULL;
        sd_bus_message* reply = nullptr;
        const int r = sd_bus_call_method(bus_, kName, kPath, kName, "AddIdleWatch", &error, &reply,
                                         "t", interval);
        return WatchId(r, reply, error, "AddIdleWatch");
    }

    std::uint32_t AddUserActiveWatch() {
        sd_bus_error error = SD_BUS_ERROR_NULL;
        sd_bus_message* reply = nullptr;
        const int r =
            sd_bus_call_method(bus_, kName, kPath, kName, "AddUserActiveWatch", &error, &reply, "");
        return WatchId(r, reply, error, "AddUserActiveWatch");
    }

    // The watch's id from the monitor's answer; raises Failure when it refused.
    static std::uint32_t WatchId(int r, sd_bus_message* reply, sd_bus_error& error,
                                 const char* method) {
        const MessagePtr owned(reply);
        std::uint32_t id = 0;
        if (r < 0 || sd_bus_message_read(reply, "u", &id) < 0) {
            const std::string why = error.message != nullptr ? error.message : "no answer";
            sd_bus_error_free(&error);
            throw Failure(std::string("GNOME's idle monitor refused ") + method + ": " + why);
        }
        return id;
    }

    static int OnFired(sd_bus_message* message, void* self, sd_bus_error*) {
        auto* source = static_cast<GnomeIdleSource*>(self);
        return source->loop_.Guard([source, message] {
            std::uint32_t id = 0;
            if (sd_bus_message_read(message, "u", &id) < 0 || id == 0) return;
            if (id == source->idle_watch_ && source->active_watch_ == 0) {
                source->active_watch_ = source->AddUserActiveWatch();
                source->listener_.SessionIdle();
            } else if (id == source->active_watch_) {
                source->active_watch_ = 0;  // fires once
                source->listener_.SessionActive();
            }
        });
    }

    static int OnOwnerChanged(sd_bus_message* message, void* self, sd_bus_error*) {
        auto* source = static_cast<GnomeIdleSource*>(self);
        return source->loop_.Guard([message] {
            const char* name = nullptr;
            const char* old_owner = nullptr;
            const char* new_owner = nullptr;
            if (sd_bus_message_read(message, "sss", &name, &old_owner, &new_owner) >= 0 &&
                (new_owner == nullptr || *new_owner == '\0')) {
                throw Failure("GNOME's idle monitor left the session bus");
            }
        });
    }

    sd_bus* bus_;
    EventLoop& loop_;
    IdleListener& listener_;
    SlotPtr fired_;
    SlotPtr owner_;
    Milliseconds wait_{0};  // the idle watch's: --after, or less where GNOME blanks first
    std::uint32_t idle_watch_ = 0;
    std::uint32_t active_watch_ = 0;
};

}  // namespace

std::unique_ptr<IdleSource> WatchGnomeIdle(sd_bus* session, EventLoop& loop, Milliseconds after,
                                           IdleListener& listener) {
    return std::make_unique<GnomeIdleSource>(session, loop, after, listener);
}

}  // namespace tivaro::idle
