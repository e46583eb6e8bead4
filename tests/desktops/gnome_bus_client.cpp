// The GNOME tests' hands and eyes on gnome-shell's session bus, driven line by line on stdin;
// each command is answered "ok" (or "ok FILE" for a picture) once gnome-shell has it, or
// "error WHAT". A command may start with a number: then each line of its answer starts with
// it too, so that a caller who gave up waiting can tell a late answer from the next one.
//   gnome_bus_client input     keyboard and pointer through org.gnome.Mutter.RemoteDesktop
//                              ("key KEYSYM", "motion DX DY", "click") and pictures through
//                              org.gnome.Shell.Screenshot ("shot CURSOR FILE": the whole
//                              stage as PNG, with the pointer drawn when CURSOR is 1). The
//                              shell serves pictures only to callers owning a screenshot
//                              tool's name, so this one owns org.gnome.Screenshot first.
//   gnome_bus_client gdm       on the system bus: answers the shell's question for the
//                              display manager's version, which the shell asks before it
//                              offers its screen shield (the lock); runs until the bus or a
//                              signal ends it.
//   gnome_bus_client session   on the session bus: stands in for gnome-session's
//                              org.gnome.SessionManager, whose InhibitedActions mutter's idle
//                              monitor follows ("inhibit FLAGS" sets it; 8 inhibits idle, as
//                              a video player's Inhibit call makes it); runs until stdin ends.
#include <poll.h>
#include <systemd/sd-bus.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <sstream>
#include <string>

namespace {

constexpr const char* kRemote = "org.gnome.Mutter.RemoteDesktop";
constexpr const char* kSession = "org.gnome.Mutter.RemoteDesktop.Session";
constexpr int kLeftButton = 0x110;  // BTN_LEFT

std::string tag;  // the number the command being answered started with, and a space

void Say(const std::string& line) {
    std::printf("%s%s\n", tag.c_str(), line.c_str());
    std::fflush(stdout);
}

// "ok" for r >= 0, else "error WHAT: why".
void Answer(int r, const char* what, const sd_bus_error& error) {
    if (r >= 0) return Say("ok");
    Say(std::string("error ") + what + ": " +
        (error.message != nullptr ? error.message : std::strerror(-r)));
}

class Input {
public:
    explicit Input(sd_bus* bus) : bus_(bus) {}

    // A remote-desktop session of our own, started: the seat gains its devices from it.
    int Begin() {
        sd_bus_message* reply = nullptr;
        int r = sd_bus_call_method(bus_, kRemote, "/org/gnome/Mutter/RemoteDesktop", kRemote,
                                   "CreateSession", &error_, &reply, "");
        const char* path = nullptr;
        if (r >= 0) r = sd_bus_message_read(reply, "o", &path);
        if (r >= 0) session_ = path;
        sd_bus_message_unref(reply);
        return r < 0 ? r : Call("Start", "");
    }

    void Run(const std::string& line) {
        std::istringstream words(line);
        std::string command;
        words >> command;
        tag.clear();
        if (!command.empty() && command.find_first_not_of("0123456789") == std::string::npos) {
            tag = command + " ";
            words >> command;
        }
        sd_bus_error_free(&error_);
        if (command == "key") {
            std::uint32_t keysym = 0;
            words >> std::hex >> keysym;
            int r = Call("NotifyKeyboardKeysym", "ub", keysym, 1);
            if (r >= 0) r = Call("NotifyKeyboardKeysym", "ub", keysym, 0);
            Answer(r, "key", error_);
        } else if (command == "motion") {
            double dx = 0, dy = 0;
            words >> dx >> dy;
            Answer(Call("NotifyPointerMotionRelative", "dd", dx, dy), "motion", error_);
        } else if (command == "click") {
            int r = Call("NotifyPointerButton", "ib", kLeftButton, 1);
            if (r >= 0) r = Call("NotifyPointerButton", "ib", kLeftButton, 0);
            Answer(r, "click", error_);
        } else if (command == "shot") {
            int cursor = 0;
            std::string file;
            words >> cursor >> file;
            Shot(cursor != 0, file);
        } else {
            Say("error unknown command " + command);
        }
    }

    sd_bus_error& error() { return error_; }

private:
    template <class... Args>
    int Call(const char* method, const char* types, Args... args) {
        return sd_bus_call_method(bus_, kRemote, session_.c_str(), kSession, method, &error_,
                                  nullptr, types, args...);
    }

    void Shot(bool cursor, const std::string& file) {
        sd_bus_message* reply = nullptr;
        int r =
            sd_bus_call_method(bus_, "org.gnome.Shell.Screenshot", "/org/gnome/Shell/Screenshot",
                               "org.gnome.Shell.Screenshot", "Screenshot", &error_, &reply, "bbs",
                               cursor ? 1 : 0, 0, file.c_str());
        int done = 0;
        const char* used = nullptr;
        if (r >= 0) r = sd_bus_message_read(reply, "bs", &done, &used);
        if (r >= 0 && done != 0) {
            Say(std::string("ok ") + used);
        } else {
            Answer(r < 0 ? r : -EIO, "shot", error_);
        }
        sd_bus_message_unref(reply);
    }

    sd_bus* bus_;
    std::string session_;
    sd_bus_error error_ = SD_BUS_ERROR_NULL;
};

int GetVersion(sd_bus*, const char*, const char*, const char*, sd_bus_message* reply, void*,
               sd_bus_error*) {
    return sd_bus_message_append(reply, "s", "43.0");
}

const sd_bus_vtable kDisplayManager[] = {
    SD_BUS_VTABLE_START(0),
    SD_BUS_PROPERTY("Version", "s", GetVersion, 0, SD_BUS_VTABLE_PROPERTY_CONST),
    SD_BUS_VTABLE_END,
};

// Serves the display manager's version on the system bus until the bus goes away.
int ServeDisplayManager() {
    sd_bus* bus = nullptr;
    int r = sd_bus_open_system(&bus);
    if (r >= 0)
        r = sd_bus_add_object_vtable(bus, nullptr, "/org/gnome/DisplayManager/Manager",
                                     "org.gnome.DisplayManager.Manager", kDisplayManager, nullptr);
    if (r >= 0) r = sd_bus_request_name(bus, "org.gnome.DisplayManager", 0);
    if (r < 0) {
        std::fprintf(stderr, "gnome_bus_client: gdm: %s\n", std::strerror(-r));
        sd_bus_flush_close_unref(bus);
        return 1;
    }
    Say("ok");
    while ((r = sd_bus_process(bus, nullptr)) >= 0) {
        if (r == 0 && sd_bus_wait(bus, UINT64_MAX) < 0) break;
    }
    sd_bus_flush_close_unref(bus);
    return 0;
}

std::uint32_t inhibited_actions = 0;

int GetInhibitedActions(sd_bus*, const char*, const char*, const char*, sd_bus_message* reply,
                        void*, sd_bus_error*) {
    return sd_bus_message_append(reply, "u", inhibited_actions);
}

const sd_bus_vtable kSessionManager[] = {
    SD_BUS_VTABLE_START(0),
    SD_BUS_PROPERTY("InhibitedActions", "u", GetInhibitedActions, 0,
                    SD_BUS_VTABLE_PROPERTY_EMITS_CHANGE),
    SD_BUS_VTABLE_END,
};

// Serves InhibitedActions on the session bus, changed by "inhibit FLAGS" lines, until stdin
// ends; the bus is served meanwhile (the idle monitor reads the property when the name comes).
int ServeSessionManager() {
    constexpr const char* kPath = "/org/gnome/SessionManager";
    constexpr const char* kInterface = "org.gnome.SessionManager";
    sd_bus* bus = nullptr;
    int r = sd_bus_open_user(&bus);
    if (r >= 0)
        r = sd_bus_add_object_vtable(bus, nullptr, kPath, kInterface, kSessionManager, nullptr);
    if (r >= 0) r = sd_bus_request_name(bus, kInterface, 0);
    const sd_bus_error none = SD_BUS_ERROR_NULL;
    Answer(r, "session", none);
    std::string pending;
    while (r >= 0) {
        while ((r = sd_bus_process(bus, nullptr)) > 0) {
        }
        if (r < 0) break;
        pollfd fds[2] = {{0, POLLIN, 0},
                         {sd_bus_get_fd(bus), static_cast<short>(sd_bus_get_events(bus)), 0}};
        if (poll(fds, 2, -1) < 0) break;
        if (fds[0].revents == 0) continue;
        char chunk[256];
        const ssize_t got = read(0, chunk, sizeof chunk);
        if (got <= 0) break;
        pending.append(chunk, static_cast<std::size_t>(got));
        for (std::size_t end; (end = pending.find('\n')) != std::string::npos;) {
            std::istringstream words(pending.substr(0, end));
            pending.erase(0, end + 1);
            std::string command;
            words >> command;
            if (command == "inhibit" && words >> inhibited_actions) {
                Answer(sd_bus_emit_properties_changed(bus, kPath, kInterface, "InhibitedActions",
                                                      nullptr),
                       "inhibit", none);
            } else {
                Say("error unknown command " + command);
            }
        }
    }
    sd_bus_flush_close_unref(bus);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "gdm") return ServeDisplayManager();
    if (mode == "session") return ServeSessionManager();
    if (mode != "input") {
        std::fprintf(stderr,
                     "usage: gnome_bus_client input | gnome_bus_client gdm | "
                     "gnome_bus_client session\n");
        return 2;
    }
    sd_bus* bus = nullptr;
    int r = sd_bus_open_user(&bus);
    if (r >= 0) r = sd_bus_request_name(bus, "org.gnome.Screenshot", 0);
    Input input(bus);
    if (r >= 0) r = input.Begin();
    Answer(r, "start", input.error());
    if (r < 0) return 1;
    for (std::string line; std::getline(std::cin, line);) input.Run(line);
    sd_bus_flush_close_unref(bus);
    return 0;
}
