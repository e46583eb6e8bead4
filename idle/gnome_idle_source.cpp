// Idle from GNOME's idle monitor (org.gnome.Mutter.IdleMonitor on the session bus), which
// mutter serves on Wayland and X11 alike. An idle watch fires each time the idle time reaches
// its interval; a user-active watch fires once, at the next input, and is asked for anew
// after each idle report. Mutter pauses the watches while the session inhibits idle.
// The user-active watch is asked for without waiting for the shell: where it does not come
// (the shell did not answer in time), the idle watch firing again says that the session was
// active in between, since only input starts the idle time anew.
// GNOME blanks the screen itself after its own idle delay: where that comes first, the saver
// comes a little before it. The shell's overview is closed before each saver.
#include <cstdint>
#include <cstdio>
#include <string>

#include "bus_call.h"
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
            if (id != 0) SendCall(bus_, kName, kPath, kName, "RemoveWatch", "u", id);
        }
    }
    const char* Name() const override { return "GNOME's idle monitor"; }
    void BeforeSaver() noexcept override { CloseOverview(bus_); }
    Milliseconds Wait(Milliseconds) const override { return wait_; }

private:
    std::uint32_t AddIdleWatch(std::uint64_t interval) {
        sd_bus_error error = SD_BUS_ERROR_NULL;
        sd_bus_message* reply = nullptr;
        sd_bus_call_method(bus_, kName, kPath, kName, "AddIdleWatch", &error, &reply, "t",
                           interval);
        const MessagePtr owned(reply);
        const std::string why = Why(&error);
        sd_bus_error_free(&error);
        return WatchId(reply, why, "AddIdleWatch");
    }

    // Asked from the loop, so not waited for: the answer comes to OnUserActiveWatch. An ask
    // still open is forgotten.
    void AskUserActiveWatch() {
        asking_ =
            CallAsync(bus_, OnUserActiveWatch, this, kName, kPath, kName, "AddUserActiveWatch", "");
    }

    static int OnUserActiveWatch(sd_bus_message* answer, void* self, sd_bus_error*) {
        auto* source = static_cast<GnomeIdleSource*>(self);
        return source->loop_.Guard([source, answer] {
            source->asking_.reset();
            const sd_bus_error* error = sd_bus_message_get_error(answer);
            if (error != nullptr && sd_bus_error_has_name(error, SD_BUS_ERROR_NO_REPLY)) {
                std::fprintf(stderr,
                             "tivaro-idle: GNOME's idle monitor did not answer in time; the end "
                             "of this idle spell is seen when the next one comes\n");
                return;
            }
            source->active_watch_ = WatchId(answer, Why(error), "AddUserActiveWatch");
        });
    }

    static std::string Why(const sd_bus_error* error) {
        return error != nullptr && error->message != nullptr ? error->message : "no answer";
    }

    // The watch's id in the monitor's answer (nullptr when none came); raises Failure, saying
    // `why`, when the monitor refused.
    static std::uint32_t WatchId(sd_bus_message* answer, const std::string& why,
                                 const char* method) {
        std::uint32_t id = 0;
        if (answer == nullptr || sd_bus_message_read(answer, "u", &id) < 0)
            throw Failure(std::string("GNOME's idle monitor refused ") + method + ": " + why);
        return id;
    }

    static int OnFired(sd_bus_message* message, void* self, sd_bus_error*) {
        auto* source = static_cast<GnomeIdleSource*>(self);
        return source->loop_.Guard([source, message] {
            std::uint32_t id = 0;
            if (sd_bus_message_read(message, "u", &id) < 0 || id == 0) return;
            if (id == source->idle_watch_ && source->active_watch_ == 0) {
                // Idle again with no user-active watch in place: the session's return
                // since the last report went unseen.
                if (source->reported_idle_) source->listener_.SessionActive();
                source->AskUserActiveWatch();
                source->reported_idle_ = true;
                source->listener_.SessionIdle();
            } else if (id == source->active_watch_) {
                source->active_watch_ = 0;  // fires once
                source->reported_idle_ = false;
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
    SlotPtr asking_;              // for a user-active watch, while the answer is awaited
    bool reported_idle_ = false;  // and not active since
};

}  // namespace

std::unique_ptr<IdleSource> WatchGnomeIdle(sd_bus* session, EventLoop& loop, Milliseconds after,
                                           IdleListener& listener) {
    return std::make_unique<GnomeIdleSource>(session, loop, after, listener);
}

}  // namespace tivaro::idle
