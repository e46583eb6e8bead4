// A stand-in for logind on a private system bus, for the KWin and idle tests: under KDE the
// session lock arrives as logind's Lock signal for the session. It owns
// org.freedesktop.login1, answers the Manager's GetSessionByPID and GetSession with one
// session of its own, prints "owned", then on each line of stdin, "lock" or "unlock", emits
// that session's Lock or Unlock, or, "locked" or "unlocked", sets the session's LockedHint
// (a locker saying its lock is there) with its PropertiesChanged, and prints "sent". The
// session's Lock method, as logind's, emits Lock; it prints "lock asked". It ends with its
// input.
#include <sys/epoll.h>
#include <systemd/sd-bus.h>
#include <systemd/sd-event.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

constexpr const char* kSessionPath = "/org/freedesktop/login1/session/tivaro_test";

int Fail(const char* what, int r) {
    std::fprintf(stderr, "kwin_logind: %s: %s\n", what, std::strerror(-r));
    return 1;
}

int AnswerSession(sd_bus_message* call, void*, sd_bus_error*) {
    return sd_bus_reply_method_return(call, "o", kSessionPath);
}

const sd_bus_vtable kManager[] = {
    SD_BUS_VTABLE_START(0),
    SD_BUS_METHOD("GetSessionByPID", "u", "o", AnswerSession, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_METHOD("GetSession", "s", "o", AnswerSession, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_VTABLE_END};

int locked_hint = 0;

// Asked to lock, logind tells the session's locker with the Lock signal.
int AskLock(sd_bus_message* call, void*, sd_bus_error*) {
    sd_bus* bus = sd_bus_message_get_bus(call);
    const int r =
        sd_bus_emit_signal(bus, kSessionPath, "org.freedesktop.login1.Session", "Lock", "");
    if (r < 0) return r;
    std::printf("lock asked\n");
    std::fflush(stdout);
    return sd_bus_reply_method_return(call, "");
}

const sd_bus_vtable kSession[] = {
    SD_BUS_VTABLE_START(0), SD_BUS_METHOD("Lock", "", "", AskLock, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_PROPERTY("LockedHint", "b", nullptr, 0, SD_BUS_VTABLE_PROPERTY_EMITS_CHANGE),
    SD_BUS_VTABLE_END};

struct Input {
    sd_bus* bus;
    std::string pending;
};

int Emit(Input* input, const std::string& line) {
    if (line == "locked" || line == "unlocked") {
        locked_hint = line == "locked";
        return sd_bus_emit_properties_changed(
            input->bus, kSessionPath, "org.freedesktop.login1.Session", "LockedHint", nullptr);
    }
    return sd_bus_emit_signal(input->bus, kSessionPath, "org.freedesktop.login1.Session",
                              line == "lock" ? "Lock" : "Unlock", "");
}

int OnInput(sd_event_source* source, int fd, std::uint32_t, void* data) {
    auto* input = static_cast<Input*>(data);
    char chunk[256];
    const ssize_t got = read(fd, chunk, sizeof chunk);
    if (got <= 0) return sd_event_exit(sd_event_source_get_event(source), 0);
    input->pending.append(chunk, static_cast<std::size_t>(got));
    for (std::size_t end; (end = input->pending.find('\n')) != std::string::npos;) {
        const std::string line = input->pending.substr(0, end);
        input->pending.erase(0, end + 1);
        if (line != "lock" && line != "unlock" && line != "locked" && line != "unlocked") continue;
        const int r = Emit(input, line);
        if (r < 0 || sd_bus_flush(input->bus) < 0) return Fail("emitting the signal", r);
        std::printf("sent\n");
        std::fflush(stdout);
    }
    return 0;
}

}  // namespace

int main() {
    sd_bus* bus = nullptr;
    sd_event* loop = nullptr;
    int r = sd_bus_open_system(&bus);
    if (r < 0) return Fail("no system bus", r);
    if ((r = sd_bus_add_object_vtable(bus, nullptr, "/org/freedesktop/login1",
                                      "org.freedesktop.login1.Manager", kManager, nullptr)) < 0 ||
        (r = sd_bus_add_object_vtable(bus, nullptr, kSessionPath, "org.freedesktop.login1.Session",
                                      kSession, &locked_hint)) < 0 ||
        (r = sd_bus_request_name(bus, "org.freedesktop.login1", 0)) < 0) {
        return Fail("serving org.freedesktop.login1", r);
    }
    Input input{bus, {}};
    if ((r = sd_event_default(&loop)) < 0 ||
        (r = sd_bus_attach_event(bus, loop, SD_EVENT_PRIORITY_NORMAL)) < 0 ||
        (r = sd_event_add_io(loop, nullptr, STDIN_FILENO, EPOLLIN, OnInput, &input)) < 0) {
        return Fail("event loop", r);
    }
    std::printf("owned\n");
    std::fflush(stdout);
    r = sd_event_loop(loop);
    sd_bus_detach_event(bus);
    sd_bus_flush_close_unref(bus);
    sd_event_unref(loop);
    return r < 0 ? Fail("event loop", r) : 0;
}
