// The screen-saver daemon's conventions: the options recognised before the mode letter,
// and the saver running inside a window of the daemon's.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/host_options.h"
#include "app/velkor_b.h"
#include "app/velkor_b_main.h"
#include "gl_recorder.h"
#include "toolkit/runtime/errors.h"
#include "platform/testing/recording_backend.h"
#include "program_end.h"
#include "saver/velkor_s.h"

namespace tivaro {
namespace {

using app::ParseHostOptions;
using platform::Event;
using platform::EventType;
using platform::testing::RecordingBackend;

std::optional<app::HostRequest> Parse(std::vector<std::string> args, const char* env = nullptr) {
    return ParseHostOptions(args, env);
}

std::string Refusal(std::vector<std::string> args, const char* env = nullptr) {
    try {
        Parse(std::move(args), env);
    } catch (const rt::RuntimeError& e) {
        return e.what();
    }
    return "";
}

TEST(HostOptions, RootDrawsInTheDaemonsWindowOrTheRootWindow) {
    EXPECT_EQ(Parse({"-root"})->window, 0u);
    EXPECT_EQ(Parse({"--root"}, "")->window, 0u);
    EXPECT_EQ(Parse({"-root"}, "0x1a00007")->window, 0x1a00007u);
    EXPECT_EQ(Parse({"--root"}, "52428807")->window, 52428807u);
    // The daemon appends --root to a command line of its own.
    EXPECT_EQ(Parse({"-fps", "--root"}, "0x2E00001")->window, 0x2E00001u);
}

TEST(HostOptions, WindowIdIsHexadecimalOrDecimalAndWinsOverRoot) {
    EXPECT_EQ(Parse({"-window-id", "0x1a00007"})->window, 0x1a00007u);
    EXPECT_EQ(Parse({"--window-id", "52428807"})->window, 52428807u);
    EXPECT_EQ(Parse({"--root", "-window-id", "0X10"}, "0x99")->window, 16u);
}

TEST(HostOptions, MissingOrMalformedIdsAreRefusedWithAClearMessage) {
    EXPECT_NE(Refusal({"-window-id"}).find("needs a window id"), std::string::npos);
    for (const char* bad : {"", "0", "0x", "0x0", "12ab", "-5", "0x1g", "4294967296", " 12"}) {
        const std::string message = Refusal({"--window-id", bad});
        EXPECT_NE(message.find("is not a window id"), std::string::npos) << '"' << bad << '"';
        EXPECT_NE(message.find("--window-id"), std::string::npos) << bad;
    }
    EXPECT_NE(Refusal({"-root"}, "screen").find("XSCREENSAVER_WINDOW"), std::string::npos);
}

TEST(HostOptions, TheWindowsSwitchesAreLeftToMain) {
    for (std::vector<std::string> args : {std::vector<std::string>{},
                                          {"/s"},
                                          {"/S"},
                                          {"/p", "1234"},
                                          {"/c"},
                                          {"/c:99"},
                                          {"/a"},
                                          {"-s"},
                                          {"root"},
                                          {"/window-id", "12"}}) {
        EXPECT_FALSE(Parse(args).has_value()) << (args.empty() ? "" : args[0]);
    }
}

class HostedSaverTest : public ::testing::Test {
protected:
    static constexpr platform::NativeWindow kHost = 0x1a00007;

    void SetUp() override {
        backend.foreign_windows[kHost] = platform::Rect{0, 0, 400, 300};
        Velkor_B::FragmentCount = 0;
    }
    void TearDown() override {
        // The saver's form outlives the test; its zoom timer must not tick into others.
        saver::Velkor_S::Instance().HostIn(0);
        saver::Velkor_S::Instance().Timer1.SetEnabled(false);
    }

    // Runs the hosted saver; `script` is told the poll number and queues what the host
    // and the user do.
    int Run(std::function<void(RecordingBackend&, int)> script) {
        int polls = 0;
        backend.on_poll = [&](RecordingBackend& b) { script(b, ++polls); };
        try {
            Velkor_B::HostSaver(kHost);
        } catch (const testing::ProgramEnded& e) {
            return e.exit_code;
        }
        return -1;
    }

    platform::NativeWindow SaverWindow() const {
        for (const auto& [id, w] : backend.windows) {
            if (w.desc.caption == "Tivaro_Main") return id;
        }
        return 0;
    }

    RecordingBackend backend;
    render::testing::GlRecorder gl;
    testing::ProgramEndCatcher catcher;
};

TEST_F(HostedSaverTest, FillsTheHostFollowsItsSizeIgnoresInputAndEndsWithIt) {
    const int code = Run([&](RecordingBackend& b, int poll) {
        const platform::NativeWindow saver = SaverWindow();
        if (poll == 2) {
            b.Queue(Event{EventType::KeyDown, saver, 0, 0, 0, 65});
            b.Queue(Event{EventType::ButtonDown, saver, 5, 5, 1});
            b.Queue(Event{EventType::ButtonUp, saver, 5, 5, 1});
        }
        if (poll == 4) {
            b.foreign_windows[kHost] = platform::Rect{0, 0, 640, 480};
            b.Queue(Event{EventType::Resized, kHost, 640, 480});
        }
        if (poll == 6) b.Queue(Event{EventType::Destroyed, kHost});
    });
    EXPECT_EQ(code, 0);
    EXPECT_EQ(Velkor_B::FragmentCount, 300);
    const std::string saver = std::to_string(SaverWindow());
    EXPECT_EQ(backend.Count("SetParent " + saver + " " + std::to_string(kHost)), 1);
    EXPECT_EQ(backend.Count("WatchWindow " + std::to_string(kHost)), 1);
    EXPECT_EQ(backend.Count("SetBounds " + saver + " 0,0,400x300"), 1);
    EXPECT_EQ(backend.Count("SetBounds " + saver + " 0,0,640x480"), 1);
    // The view was set up for the host's size, then again for its new size.
    const auto texts = gl.Texts();
    EXPECT_EQ(std::count(texts.begin(), texts.end(), "glViewport 0 0 400 300"), 1);
    EXPECT_EQ(std::count(texts.begin(), texts.end(), "glViewport 0 0 640 480"), 1);
    // The key and the click did not end it: frames went on until the host went away.
    EXPECT_GE(saver::Velkor_S::Instance().FramesDrawn(), 5);
    // The daemon owns the pointer and the screen: neither is touched.
    EXPECT_EQ(backend.Count("ShowCursor"), 0);
    EXPECT_EQ(backend.Count("SetScreenSaverRunning"), 0);
    EXPECT_EQ(backend.Count("FindWindow"), 0);
    EXPECT_EQ(backend.Count("Cover " + saver + " view=" + std::to_string(SaverWindow() + 1) +
                            " host=" + std::to_string(kHost)),
              1)
        << "one cover, in the host's window, taking no input";
    EXPECT_EQ(backend.input_owner, 0u);
}

TEST_F(HostedSaverTest, AWindowThatIsNotThereEndsWithAMessage) {
    backend.foreign_windows.clear();
    int code = 0;
    try {
        Velkor_B::HostSaver(0x5000001);
    } catch (const testing::ProgramEnded& e) {
        code = e.exit_code;
    }
    EXPECT_NE(code, 0);
}

TEST_F(HostedSaverTest, AFullScreenSaverResizedByAWindowManagerRefitsItsView) {
    platform::NativeWindow saver = 0;
    int polls = 0;
    backend.on_poll = [&](RecordingBackend& b) {
        ++polls;
        saver = SaverWindow();
        if (polls == 2) b.Queue(Event{EventType::Resized, saver, 512, 384});
        if (polls == 4) b.Queue(Event{EventType::KeyDown, saver, 0, 0, 0, 65});
    };
    try {
        Velkor_B::Main("/s");
    } catch (const testing::ProgramEnded&) {
    }
    const auto texts = gl.Texts();
    EXPECT_EQ(std::count(texts.begin(), texts.end(), "glViewport 0 0 1024 768"), 1);
    EXPECT_EQ(std::count(texts.begin(), texts.end(), "glViewport 0 0 512 384"), 1);
    EXPECT_GE(backend.Count("SetBounds " + std::to_string(saver + 1) + " 0,0,512x384"), 1);
}

// Alone, the saver owns the input from its start; a second monitor that comes while it runs
// gets a fountain of its own, and another program coming to the foreground ends it.
TEST_F(HostedSaverTest, AStandaloneSaverRefitsToNewMonitorsAndEndsWhenDeactivated) {
    backend.monitors = {platform::Rect{0, 0, 1024, 768}};
    std::size_t fountains_after_change = 0;
    int polls = 0;
    backend.on_poll = [&](RecordingBackend& b) {
        ++polls;
        if (polls == 2) {
            b.monitors.push_back(platform::Rect{-1280, 0, 0, 1024});
            b.Queue(Event{EventType::DisplayChanged, b.input_owner});
        }
        if (polls == 4) {
            fountains_after_change = saver::Velkor_S::Instance().Fountains().Count();
            b.Queue(Event{EventType::Deactivated, b.input_owner});
        }
    };
    int code = -1;
    try {
        Velkor_B::Main("/s");
    } catch (const testing::ProgramEnded& e) {
        code = e.exit_code;
    }
    const platform::NativeWindow saver = SaverWindow();
    EXPECT_EQ(code, 0);
    EXPECT_EQ(backend.input_owner, saver + 1) << "the view's window takes the input";
    EXPECT_EQ(backend.calls.front().rfind("FindWindow", 0), 0u);
    EXPECT_EQ(fountains_after_change, 2u);
    EXPECT_EQ(backend.Count("SetBounds " + std::to_string(saver) + " -1280,0,2304x1024"), 1);
    EXPECT_EQ(polls, 4) << "the deactivation ended it";
}

TEST_F(HostedSaverTest, ATerminationSignalEndsTheSaverAndGivesTheDesktopBack) {
    int polls = 0;
    backend.on_poll = [&](RecordingBackend& b) {
        if (++polls == 3) b.Queue(Event{EventType::EndRequest, 0});
    };
    int code = -1;
    try {
        Velkor_B::Main("/s");
    } catch (const testing::ProgramEnded& e) {
        code = e.exit_code;
    }
    // Ending left the form as it was, as a process end does; unload it for the next test.
    saver::Velkor_S::Instance().Unload();
    EXPECT_EQ(code, 0);
    EXPECT_EQ(polls, 3);  // at once, not a frame later
    EXPECT_EQ(backend.Count("ShowCursor false"), 1);
    EXPECT_EQ(backend.cursor_hidden, 0);
    EXPECT_FALSE(backend.screen_saver_running);
}

}  // namespace
}  // namespace tivaro
