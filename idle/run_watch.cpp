#include "run_watch.h"

#include <signal.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <system_error>

#include "choose_source.h"
#include "display_power_watch.h"
#include "event_loop.h"
#include "file_watch.h"
#include "idle_settings.h"
#include "inhibitor_service.h"
#include "lock_watch.h"
#include "logind_session.h"
#include "resume_lock.h"
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

// The idle wait: --after when given, else the settings' Minutes.
Milliseconds WaitOf(const Options& options, const IdleSettings& settings) {
    return options.after_given ? Milliseconds(options.after_seconds * 1000LL)
                               : Milliseconds(settings.minutes * 60'000LL);
}

// When the saver comes, for the program's lines.
std::string Plan(const Options& options, const IdleSettings& settings) {
    if (!settings.enabled) return "the saver is off (Enabled=false in idle.conf)";
    const auto seconds =
        std::chrono::duration_cast<std::chrono::seconds>(WaitOf(options, settings));
    return "the saver comes after " + std::to_string(seconds.count()) + " s" +
           (options.after_given ? " (--after)" : "");
}

// The settings in `file`; where it cannot be read or is damaged, its one line, and `kept`.
IdleSettings ReadOr(const std::filesystem::path& file, const IdleSettings& kept,
                    const char* keeping) {
    try {
        return ReadIdleSettings(file);
    } catch (const SettingsError& error) {
        std::fprintf(stderr, "tivaro-idle: %s; keeping %s\n", error.what(), keeping);
        return kept;
    }
}

// The settings file's watch; where inotify refuses, one line, and the file is read at start
// only.
std::unique_ptr<FileWatch> FollowSettings(EventLoop& loop, const std::filesystem::path& file,
                                          std::function<void()> changed) {
    try {
        return std::make_unique<FileWatch>(loop, file, std::move(changed));
    } catch (const std::system_error& error) {
        std::fprintf(stderr, "tivaro-idle: changes to idle.conf are not followed: %s\n",
                     error.what());
        return nullptr;
    }
}

struct Parts {
    SaverRunner& saver;
    ResumeLock& resume_lock;
    Watcher& watcher;
    std::unique_ptr<IdleSource>& source;
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
            parts->watcher.SaverEnded(well && parts->source->Rearm());
        }
        parts->resume_lock.Reap(parts->saver.Pid());
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
    // Watched before it is read, so that no change is missed: the watch's events wait until
    // the loop runs, when the parts they change are made.
    const std::filesystem::path file = IdleSettingsPath();
    std::function<void()> reread;
    const auto follow = FollowSettings(loop, file, [&reread] { reread(); });
    IdleSettings settings = ReadOr(file, IdleSettings{}, "the defaults");
    const Milliseconds after = WaitOf(options, settings);
    Watcher watcher(loop, saver, after, AlarmsOn(loop));
    if (!settings.enabled) watcher.EnabledChanged(false);
    auto source = ChooseIdleSource(loop, session.get(), after, watcher);
    watcher.WaitFor(source->Wait(after));  // also after an inhibition or the lock ends
    // A new wait takes a new source, asked for it; the old one goes.
    reread = [&] {
        const IdleSettings now = ReadOr(file, settings, "the previous settings");
        if (now == settings) return;
        const Milliseconds wait = WaitOf(options, now);
        if (wait != WaitOf(options, settings)) {
            source = ChooseIdleSource(loop, session.get(), wait, watcher);
            watcher.SourceReplaced(source->Wait(wait));
        }
        if (now.enabled != settings.enabled) watcher.EnabledChanged(now.enabled);
        settings = now;
        std::fprintf(stderr, "tivaro-idle: idle.conf changed: %s\n", Plan(options, now).c_str());
    };
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
    // A locker the lock command left running keeps the session locked until it ends.
    // This process's logind session, looked up once (none without a system bus).
    const std::string logind_session = LogindSessionPath(system.get());
    ResumeLock resume_lock(loop, system.get(), logind_session, session.get(),
                           [&watcher](bool locked) { watcher.LockedChanged(locked); });
    saver.GateEachStart([&] { return resume_lock.OpenGate(settings); });
    // logind's Lock that this program asked for itself ends the saver only once the lock is
    // there.
    const LockWatch lock_watch(system.get(), logind_session, session.get(), loop,
                               [&](bool locked, bool only_asked) {
                                   if (locked && only_asked && resume_lock.Asking()) return;
                                   if (locked) resume_lock.Locked();
                                   watcher.LockedChanged(locked);
                               });
    const DisplayPowerWatch power_watch(session.get(),
                                        [&watcher](bool off) { watcher.DisplaysOffChanged(off); });
    Parts parts{saver, resume_lock, watcher, source};
    for (int signal : kSignals) {
        Check(sd_event_add_signal(loop.get(), nullptr, signal, OnSignal, &parts),
              "cannot watch signals");
    }
    std::fprintf(stderr, "tivaro-idle: watching idle through %s; %s\n", source->Name(),
                 Plan(options, settings).c_str());
    loop.Run();
    saver.Stop();
    return 0;
}

}  // namespace tivaro::idle
