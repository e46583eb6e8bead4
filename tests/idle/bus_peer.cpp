// A program on the session bus for tivaro-idle's tests, driven line by line on stdin:
//   bus_peer inhibit [PATH]  calls org.freedesktop.ScreenSaver.Inhibit (at PATH, the usual
//                            path unless given) and prints "cookie N"; "release" calls
//                            UnInhibit and prints "released"; at the end of input it leaves
//                            the bus holding the cookie.
//   bus_peer shield          owns org.gnome.ScreenSaver and prints "owned"; "lock" and
//                            "unlock" emit ActiveChanged(true / false) and print "sent".
//   bus_peer hung-monitor    stands in for GNOME's idle monitor and shell (owns
//                            org.gnome.Mutter.IdleMonitor and org.gnome.Shell) and prints
//                            "owned"; answers the first AddIdleWatch with watch 1, prints
//                            "watch 1 INTERVAL", and from then on answers nothing, as a shell
//                            that hangs; "fire" emits WatchFired(1) and prints "fired".
#include <systemd/sd-bus.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>

namespace {

int Fail(const char* what, int r) {
    std::fprintf(stderr, "bus_peer: %s: %s\n", what, std::strerror(-r));
    return 1;
}

int Inhibit(sd_bus* bus, const char* path) {
    sd_bus_message* reply = nullptr;
    sd_bus_error error = SD_BUS_ERROR_NULL;
    int r = sd_bus_call_method(bus, "org.freedesktop.ScreenSaver", path,
                               "org.freedesktop.ScreenSaver", "Inhibit", &error, &reply, "ss",
                               "bus_peer", "a test holds the screen awake");
    std::uint32_t cookie = 0;
    if (r < 0 || (r = sd_bus_message_read(reply, "u", &cookie)) < 0) return Fail("Inhibit", r);
    sd_bus_message_unref(reply);
    std::printf("cookie %u\n", cookie);
    std::fflush(stdout);
    for (std::string line; std::getline(std::cin, line);) {
        if (line != "release") continue;
        r = sd_bus_call_method(bus, "org.freedesktop.ScreenSaver", path,
                               "org.freedesktop.ScreenSaver", "UnInhibit", &error, nullptr, "u",
                               cookie);
        if (r < 0) return Fail("UnInhibit", r);
        std::printf("released\n");
        std::fflush(stdout);
    }
    return 0;
}

int Shield(sd_bus* bus) {
    int r = sd_bus_request_name(bus, "org.gnome.ScreenSaver", 0);
    if (r < 0) return Fail("owning org.gnome.ScreenSaver", r);
    std::printf("owned\n");
    std::fflush(stdout);
    for (std::string line; std::getline(std::cin, line);) {
        if (line != "lock" && line != "unlock") continue;
        r = sd_bus_emit_signal(bus, "/org/gnome/ScreenSaver", "org.gnome.ScreenSaver",
                               "ActiveChanged", "b", line == "lock" ? 1 : 0);
        if (r < 0 || (r = sd_bus_flush(bus)) < 0) return Fail("ActiveChanged", r);
        std::printf("sent\n");
        std::fflush(stdout);
    }
    return 0;
}

constexpr const char* kMonitor = "org.gnome.Mutter.IdleMonitor";
constexpr const char* kMonitorPath = "/org/gnome/Mutter/IdleMonitor/Core";

int OnAddIdleWatch(sd_bus_message* call, void* interval, sd_bus_error*) {
    const int r = sd_bus_message_read(call, "t", static_cast<std::uint64_t*>(interval));
    return r < 0 ? r : sd_bus_reply_method_return(call, "u", std::uint32_t{1});
}

int HungMonitor(sd_bus* bus) {
    static const sd_bus_vtable kTable[] = {
        SD_BUS_VTABLE_START(0),
        SD_BUS_METHOD("AddIdleWatch", "t", "u", OnAddIdleWatch, SD_BUS_VTABLE_UNPRIVILEGED),
        SD_BUS_VTABLE_END};
    std::uint64_t interval = 0;
    int r = sd_bus_add_object_vtable(bus, nullptr, kMonitorPath, kMonitor, kTable, &interval);
    if (r < 0) return Fail("serving the idle monitor", r);
    for (const char* name : {kMonitor, "org.gnome.Shell"}) {
        if ((r = sd_bus_request_name(bus, name, 0)) < 0) return Fail(name, r);
    }
    std::printf("owned\n");
    std::fflush(stdout);
    while (interval == 0) {
        if ((r = sd_bus_process(bus, nullptr)) < 0) return Fail("reading the bus", r);
        if (r == 0 && (r = sd_bus_wait(bus, UINT64_MAX)) < 0) return Fail("waiting", r);
    }
    if ((r = sd_bus_flush(bus)) < 0) return Fail("answering AddIdleWatch", r);
    std::printf("watch 1 %llu\n", static_cast<unsigned long long>(interval));
    std::fflush(stdout);
    // The bus is not read from here on: whatever comes is never answered.
    for (std::string line; std::getline(std::cin, line);) {
        if (line != "fire") continue;
        r = sd_bus_emit_signal(bus, kMonitorPath, kMonitor, "WatchFired", "u", std::uint32_t{1});
        if (r < 0 || (r = sd_bus_flush(bus)) < 0) return Fail("WatchFired", r);
        std::printf("fired\n");
        std::fflush(stdout);
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    sd_bus* bus = nullptr;
    if (const int r = sd_bus_open_user(&bus); r < 0) return Fail("no session bus", r);
    const std::string mode = argc > 1 ? argv[1] : "";
    int status = 2;
    if (mode == "inhibit") {
        status = Inhibit(bus, argc > 2 ? argv[2] : "/org/freedesktop/ScreenSaver");
    } else if (mode == "shield") {
        status = Shield(bus);
    } else if (mode == "hung-monitor") {
        status = HungMonitor(bus);
    } else {
        std::fprintf(stderr,
                     "usage: bus_peer inhibit [PATH] | bus_peer shield | "
                     "bus_peer hung-monitor\n");
    }
    sd_bus_flush_close_unref(bus);
    return status;
}
