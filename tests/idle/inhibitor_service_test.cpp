// org.freedesktop.ScreenSaver's inhibitions as tivaro-idle serves them, on a private
// dbus-daemon of the test's own, with callers that are connections of this process.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "idle/inhibitor_service.h"

extern char** environ;

namespace tivaro::idle {
namespace {

constexpr const char* kName = "org.freedesktop.ScreenSaver";
constexpr const char* kPath = "/org/freedesktop/ScreenSaver";

// A dbus-daemon that only this test uses.
class PrivateBus {
public:
    PrivateBus() {
        folder_ = std::filesystem::temp_directory_path() /
                  ("tivaro-idle-bus-" + std::to_string(getpid()));
        std::filesystem::create_directories(folder_);
        const std::string config = (folder_ / "bus.conf").string();
        std::ofstream(config) << "<busconfig><type>session</type><listen>unix:path="
                              << (folder_ / "socket").string()
                              << "</listen><auth>EXTERNAL</auth><policy context=\"default\">"
                                 "<allow send_destination=\"*\"/><allow receive_sender=\"*\"/>"
                                 "<allow own=\"*\"/></policy>"
                                 "</busconfig>\n";
        int out[2];
        if (pipe(out) != 0) return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], 1);
        posix_spawn_file_actions_addclose(&actions, out[0]);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
        std::string program = "dbus-daemon";
        std::string config_arg = "--config-file=" + config;
        std::string no_fork = "--nofork";
        std::string print = "--print-address=1";
        char* argv[] = {program.data(), config_arg.data(), no_fork.data(), print.data(), nullptr};
        posix_spawnp(&pid_, "dbus-daemon", &actions, nullptr, argv, environ);
        posix_spawn_file_actions_destroy(&actions);
        close(out[1]);
        FILE* from = fdopen(out[0], "r");
        char line[512] = {};
        if (std::fgets(line, sizeof line, from) != nullptr) address_ = line;
        std::fclose(from);
        if (!address_.empty() && address_.back() == '\n') address_.pop_back();
    }
    ~PrivateBus() {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
        }
        std::filesystem::remove_all(folder_);
    }
    const std::string& address() const { return address_; }

private:
    std::filesystem::path folder_;
    pid_t pid_ = 0;
    std::string address_;
};

class InhibitorServiceTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_FALSE(bus_.address().empty()) << "no dbus-daemon"; }

    // A connection to the private bus, served by the test's loop.
    BusPtr Connect() {
        sd_bus* bus = nullptr;
        EXPECT_GE(sd_bus_new(&bus), 0);
        BusPtr owned(bus);
        EXPECT_GE(sd_bus_set_address(bus, bus_.address().c_str()), 0);
        EXPECT_GE(sd_bus_set_bus_client(bus, 1), 0);
        EXPECT_GE(sd_bus_start(bus), 0);
        EXPECT_GE(sd_bus_attach_event(bus, loop_.get(), SD_EVENT_PRIORITY_NORMAL), 0);
        return owned;
    }

    // Sends the call and runs the loop (the service among the rest) until it is answered.
    struct Answer {
        MessagePtr message;
        std::string error;  // its name, when it is an error
    };
    template <class... Args>
    Answer Call(sd_bus* caller, const char* destination, const char* path, const char* interface,
                const char* member, const char* types, Args... args) {
        Answer answer;
        bool came = false;
        auto take = [](sd_bus_message* reply, void* data, sd_bus_error*) {
            auto* got = static_cast<std::pair<Answer*, bool*>*>(data);
            got->first->message.reset(sd_bus_message_ref(reply));
            if (const sd_bus_error* error = sd_bus_message_get_error(reply)) {
                got->first->error = error->name;
            }
            *got->second = true;
            return 0;
        };
        std::pair<Answer*, bool*> into{&answer, &came};
        sd_bus_slot* slot = nullptr;
        EXPECT_GE(sd_bus_call_method_async(caller, &slot, destination, path, interface, member,
                                           take, &into, types, args...),
                  0);
        const SlotPtr owned(slot);
        for (int turn = 0; turn < 1000 && !came; ++turn) sd_event_run(loop_.get(), 1000 * 1000);
        EXPECT_TRUE(came) << member << " is answered";
        return answer;
    }

    std::uint32_t Inhibit(sd_bus* caller, const char* path = kPath) {
        const Answer answer =
            Call(caller, kName, path, kName, "Inhibit", "ss", "a test", "holds the screen awake");
        std::uint32_t cookie = 0;
        EXPECT_GE(sd_bus_message_read(answer.message.get(), "u", &cookie), 0) << answer.error;
        return cookie;
    }

    // "" when released, else the error's name.
    std::string UnInhibit(sd_bus* caller, std::uint32_t cookie) {
        return Call(caller, kName, kPath, kName, "UnInhibit", "u", cookie).error;
    }

    // Once this returns, the service has seen `gone` leave the bus: the bus said so to it
    // before it forwards `witness`'s ping, which the service answers after that news.
    void SeenLeaving(const std::string& gone, sd_bus* witness) {
        int has = 1;
        for (int turn = 0; turn < 100 && has != 0; ++turn) {
            const Answer answer = Call(witness, "org.freedesktop.DBus", "/org/freedesktop/DBus",
                                       "org.freedesktop.DBus", "NameHasOwner", "s", gone.c_str());
            sd_bus_message_read(answer.message.get(), "b", &has);
        }
        ASSERT_EQ(has, 0) << gone << " left the bus";
        const char* service = nullptr;
        sd_bus_get_unique_name(service_.get(), &service);
        EXPECT_EQ(Call(witness, service, "/", "org.freedesktop.DBus.Peer", "Ping", "").error, "");
    }

    PrivateBus bus_;
    EventLoop loop_;
    BusPtr service_ = Connect();
    std::vector<bool> changes_;  // what the service told, in order
    InhibitorService inhibitors_{service_.get(), loop_,
                                 [this](bool held) { changes_.push_back(held); }};
};

// Each Inhibit is one hold with its own cookie: the screen is held until the last goes.
TEST_F(InhibitorServiceTest, TwoCookiesFromOneCallerEachHold) {
    const BusPtr caller = Connect();
    const std::uint32_t first = Inhibit(caller.get());
    const std::uint32_t second = Inhibit(caller.get(), "/ScreenSaver");
    EXPECT_NE(first, second);
    EXPECT_EQ(changes_, std::vector<bool>{true});
    EXPECT_EQ(UnInhibit(caller.get(), first), "");
    EXPECT_EQ(changes_, std::vector<bool>{true}) << "the second cookie still holds";
    EXPECT_EQ(UnInhibit(caller.get(), first), SD_BUS_ERROR_INVALID_ARGS) << "released already";
    EXPECT_EQ(UnInhibit(caller.get(), second), "");
    EXPECT_EQ(changes_, (std::vector<bool>{true, false}));
}

// A caller that leaves the bus lets go of all its cookies, and of no one else's.
TEST_F(InhibitorServiceTest, ACallerLeavingReleasesItsOwnCookies) {
    BusPtr leaving = Connect();
    const BusPtr staying = Connect();
    const char* name = nullptr;
    sd_bus_get_unique_name(leaving.get(), &name);
    const std::string leaving_name = name;
    Inhibit(leaving.get());
    Inhibit(leaving.get());
    const std::uint32_t kept = Inhibit(staying.get());
    leaving.reset();
    SeenLeaving(leaving_name, staying.get());
    EXPECT_EQ(changes_, std::vector<bool>{true}) << "the other caller's cookie still holds";
    EXPECT_EQ(UnInhibit(staying.get(), kept), "");
    EXPECT_EQ(changes_, (std::vector<bool>{true, false}));

    // Alone, the caller's leaving ends the hold.
    leaving = Connect();
    sd_bus_get_unique_name(leaving.get(), &name);
    const std::string second_name = name;
    Inhibit(leaving.get());
    Inhibit(leaving.get());
    leaving.reset();
    SeenLeaving(second_name, staying.get());
    EXPECT_EQ(changes_, (std::vector<bool>{true, false, true, false}));
}

}  // namespace
}  // namespace tivaro::idle
