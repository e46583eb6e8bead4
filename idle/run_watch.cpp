#include "run_watch.h"

#include <signal.h>

#include <cstdio>
#include <cstring>

#include "choose_source.h"
#include "display_power_watch.h"
#include "event_loop.h"
#include "inhibitor_service.h"
#include "lock_watch.h"
#include "saver_runner.h"
#include "session_lock.h"
#include "this_program.h"
#include "watcher.h"

namespace tivaro::idle {
namespace {

constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP, SIGCHLD};

// sd-event takes signals through a signalfd, so they must not be delivered the usual way.
void BlockSignals() {
    sigset_t set;
    sigemptyset(&set);
    for (int signal : kSignals) sigaddset(&set, signal);
    sigprocmask(SIG_BLOCK, &set, nullptr);
}

// The session bus, or nullptr and the error that kept it away.
BusPtr OpenSessionBus(EventLoop& loop, int& error) {
    sd_bus* bus = nullptr;
    error = sd_bus_open_user(&bus);
    if (error < 0) return nullptr;
    BusPtr owned(bus);
    Check(sd_bus_attach_event(bus, loop.get(), SD_EVENT_PRIORITY_NORMAL),
          "cannot watch the session bus");
    return owned;
}

// The system bus for logind's lock, or nullptr, quietly: many sessions have no logind.
BusPtr OpenSystemBus(EventLoop& loop) {
    sd_bus* bus = nullptr;
    if (sd_bus_open_system(&bus) < 0) return nullptr;
    BusPtr owned(bus);
    if (sd_bus_attach_event(bus, loop.get(), SD_EVENT_PRIORITY_NORMAL) < 0) return nullptr;
    return owned;
}

struct Parts {
    SaverRunner& saver;
    Watcher& watcher;
    IdleSource& source;
};

int OnSignal(sd_event_source* source, const signalfd_siginfo* info, void* data) {
    auto* parts = static_cast<Parts*>(data);
    if (info->ssi_signo == SIGCHLD) {
        // After a saver that ended well, idle is counted afresh from now: a report that came
        // while it was ending, or input the compositor kept to itself while an inhibitor
        // held, would otherwise leave no report to come. After a failed one, the next idle
        // after input, as before, so that a broken saver is not started again and again.
        const bool was = parts->saver.Running();
        const bool well = parts->saver.Reap();
        if (was && !parts->saver.Running()) {
            parts->watcher.SaverEnded(well && parts->source.Rearm());
        }
    } else {
        sd_event_exit(sd_event_source_get_event(source), 0);  // the saver is stopped after
    }
    return 0;
}

}  // namespace

int RunWatch(const Options& options) {
    const SessionLock lock;
    BlockSignals();
    EventLoop loop;
    SaverRunner saver(SaverBesideThisProgram());
    int no_session = 0;
    BusPtr session = OpenSessionBus(loop, no_session);
    BusPtr system = OpenSystemBus(loop);
    const Milliseconds after(options.after_seconds * 1000LL);
    Watcher watcher(loop, saver, after, AlarmsOn(loop));
    auto source = ChooseIdleSource(loop, session.get(), after, watcher);
    watcher.WaitFor(source->Wait(after));  // also after an inhibition or the lock ends
    saver.BeforeEachStart([&source] { source->BeforeSaver(); });
    if (!session) {
        std::fprintf(stderr,
                     "tivaro-idle: no session bus (%s): programs cannot hold the saver off "
                     "through D-Bus, and GNOME's lock is not followed\n",
                     std::strerror(-no_session));
    }
    std::unique_ptr<InhibitorService> inhibitors;
    if (session) {
        inhibitors = std::make_unique<InhibitorService>(
            session.get(), loop, [&watcher](bool held) { watcher.InhibitedChanged(held); });
    }
    const LockWatch lock_watch(system.get(), session.get(), loop,
                               [&watcher](bool locked) { watcher.LockedChanged(locked); });
    const DisplayPowerWatch power_watch(session.get(),
                                        [&watcher](bool off) { watcher.DisplaysOffChanged(off); });
    Parts parts{saver, watcher, *source};
    for (int signal : kSignals) {
        Check(sd_event_add_signal(loop.get(), nullptr, signal, OnSignal, &parts),
              "cannot watch signals");
    }
    std::fprintf(stderr, "tivaro-idle: watching idle through %s; the saver comes after %d s\n",
                 source->Name(), options.after_seconds);
    loop.Run();
    saver.Stop();
    return 0;
}

}  // namespace tivaro::idle
