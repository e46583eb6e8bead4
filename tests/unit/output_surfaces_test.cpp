// Where each monitor has a surface of its own (Wayland): which window system a start runs
// on, and the saver drawing a fountain on each surface and presenting each on its own.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "app/velkor_b.h"
#include "app/velkor_b_main.h"
#include "app/window_system.h"
#include "gl_recorder.h"
#include "toolkit/runtime/errors.h"
#include "platform/testing/recording_backend.h"
#include "program_end.h"
#include "saver/velkor_s.h"

namespace tivaro {
namespace {

using app::Request;
using app::SessionEnvironment;
using app::WindowSystem;
using platform::Event;
using platform::EventType;
using platform::testing::RecordingBackend;

std::string Choice(Request request, SessionEnvironment env, bool answers = true) {
    try {
        const WindowSystem system =
            app::ChooseWindowSystem(request, env, [answers] { return answers; });
        return system == WindowSystem::Wayland ? "wayland" : "x11";
    } catch (const rt::SetupError& e) {
        return std::string("refused: ") + e.what();
    }
}

TEST(WindowSystem, TheSaverTakesTheCompositorThatAnswersAndEverythingElseStaysOnX11) {
    const SessionEnvironment both{nullptr, ":0", "wayland-1", nullptr};
    const SessionEnvironment x_only{nullptr, ":0", nullptr, nullptr};
    const SessionEnvironment wayland_only{nullptr, nullptr, "wayland-1", nullptr};
    const SessionEnvironment handed_socket{nullptr, nullptr, nullptr, "5"};
    EXPECT_EQ(Choice(Request::Saver, both), "wayland");
    EXPECT_EQ(Choice(Request::Saver, handed_socket), "wayland");
    EXPECT_EQ(Choice(Request::Saver, x_only), "x11");
    // A compositor that does not answer: X11 where there is a display, else the Wayland
    // attempt, which reports what is missing.
    EXPECT_EQ(Choice(Request::Saver, both, false), "x11");
    EXPECT_EQ(Choice(Request::Saver, wayland_only, false), "wayland");
    // Window ids and the dialog are X11's; the dialog says what it needs without a display.
    EXPECT_EQ(Choice(Request::XWindow, both), "x11");
    EXPECT_EQ(Choice(Request::Dialog, both), "x11");
    EXPECT_NE(Choice(Request::Dialog, wayland_only).find("refused: "), std::string::npos);
    EXPECT_NE(Choice(Request::Dialog, wayland_only).find("DISPLAY"), std::string::npos);
    // Behind a locker is Wayland's.
    EXPECT_EQ(Choice(Request::Behind, handed_socket), "wayland");
    EXPECT_NE(Choice(Request::Behind, x_only).find("refused: "), std::string::npos);
    // With no display at all, both that could have been set are named.
    const std::string none = Choice(Request::Saver, SessionEnvironment{});
    EXPECT_NE(none.find("WAYLAND_DISPLAY"), std::string::npos) << none;
    EXPECT_NE(none.find(" DISPLAY"), std::string::npos) << none;
}

TEST(WindowSystem, TivaroBackendOverridesTheChoiceAndIsChecked) {
    EXPECT_EQ(Choice(Request::Saver, {"x11", ":0", "wayland-1", nullptr}), "x11");
    EXPECT_EQ(Choice(Request::Saver, {"wayland", ":0", nullptr, nullptr}), "wayland");
    EXPECT_NE(Choice(Request::Saver, {"mir", ":0", nullptr, nullptr}).find("TIVARO_BACKEND"),
              std::string::npos);
    EXPECT_NE(Choice(Request::XWindow, {"wayland", ":0", "w", nullptr}).find("refused: "),
              std::string::npos);
    EXPECT_NE(Choice(Request::Behind, {"x11", ":0", "w", nullptr}).find("refused: "),
              std::string::npos);
    EXPECT_TRUE(app::AsksToRunBehind(std::vector<std::string>{"--background"}));
    EXPECT_FALSE(app::AsksToRunBehind(std::vector<std::string>{"/s"}));
}

class OutputSurfacesTest : public ::testing::Test {
protected:
    void TearDown() override { saver::Velkor_S::Instance().Timer1.SetEnabled(false); }

    // Runs `tivaro /s` (or the saver behind a locker); `script` is told the poll number.
    int Run(const std::function<void(RecordingBackend&, int)>& script, bool behind = false) {
        int polls = 0;
        backend.on_poll = [&](RecordingBackend& b) { script(b, ++polls); };
        try {
            if (behind) {
                Velkor_B::SaverBehind();
            } else {
                Velkor_B::Main("/s");
            }
        } catch (const testing::ProgramEnded& e) {
            return e.exit_code;
        }
        return -1;
    }

    RecordingBackend backend;
    render::testing::GlRecorder gl;
    testing::ProgramEndCatcher catcher;
};

// While the monitors are off the system wants no frame of the window: nothing is drawn or
// presented until they are lit again, and a key still ends the saver.
TEST_F(OutputSurfacesTest, NothingIsDrawnWhileTheMonitorsAreOff) {
    int swaps_lit = -1;
    int swaps_dark = -1;
    std::size_t quads_dark = 0;
    const auto quads = [&] {
        return static_cast<std::size_t>(std::count_if(
            gl.calls.begin(), gl.calls.end(), [](const auto& c) { return c.name == "glBegin"; }));
    };
    const int code = Run([&](RecordingBackend& b, int poll) {
        if (poll == 3) {
            swaps_lit = b.Count("SwapBuffers ");
            b.not_ready.push_back(Velkor_B::glDeviceContext);
            quads_dark = quads();
        }
        if (poll == 7) {
            swaps_dark = b.Count("SwapBuffers ");
            EXPECT_EQ(quads(), quads_dark) << "nothing drawn while they are off";
            b.not_ready.clear();
        }
        if (poll == 9) b.Queue(Event{EventType::KeyDown, b.input_owner, 0, 0, 0, 65});
    });
    EXPECT_EQ(code, 0);
    EXPECT_GT(swaps_lit, 0);
    EXPECT_EQ(swaps_dark, swaps_lit) << "no frame presented while they are off";
    EXPECT_GT(backend.Count("SwapBuffers "), swaps_dark) << "frames again once they are lit";
}

// Each output's surface shows a fountain of its own in its own device pixels and is
// presented on its own; one whose frame the system does not want (a hidden output) holds
// none of the others up; an output that comes gets a fountain; a key ends it.
TEST_F(OutputSurfacesTest, EachSurfaceShowsItsOwnFountainAndAHiddenOneHoldsNoneUp) {
    backend.output_surfaces = {{900, {1024, 768}}, {901, {1600, 1200}}};
    int swaps_when_hidden = -1;
    std::size_t fountains_after_change = 0;
    const int code = Run([&](RecordingBackend& b, int poll) {
        if (poll == 3) {
            b.not_ready.push_back(901);
            swaps_when_hidden = b.Count("SwapBuffers 901");
        }
        if (poll == 5) {
            b.output_surfaces.push_back({902, {640, 480}});
            b.Queue(Event{EventType::DisplayChanged, b.input_owner});
        }
        if (poll == 8) {
            fountains_after_change = saver::Velkor_S::Instance().Fountains().Count();
            b.Queue(Event{EventType::KeyDown, b.input_owner, 0, 0, 0, 65});
        }
    });
    EXPECT_EQ(code, 0);
    EXPECT_EQ(swaps_when_hidden, 2);
    EXPECT_EQ(backend.Count("SwapBuffers 901"), 2) << "no frame while it is not wanted";
    EXPECT_EQ(backend.Count("SwapBuffers 900"), 8) << "the others go on, one frame a loop";
    EXPECT_EQ(backend.Count("SwapBuffers 902"), 4) << "the new output from its first loop";
    EXPECT_EQ(backend.Count("SwapBuffers "), 8 + 2 + 4) << "the window itself shows nothing";
    EXPECT_EQ(fountains_after_change, 3u);
    const auto texts = gl.Texts();
    for (const char* view :
         {"glViewport 0 0 1024 768", "glViewport 0 0 1600 1200", "glViewport 0 0 640 480"}) {
        EXPECT_NE(std::find(texts.begin(), texts.end(), view), texts.end()) << view;
    }
    EXPECT_NE(std::find(backend.calls.begin(), backend.calls.end(),
                        "MakeCurrent 901 " + std::to_string(Velkor_B::glRenderContext)),
              backend.calls.end());
    EXPECT_EQ(std::count(texts.begin(), texts.end(), "glEnable 3089"), 0) << "no scissor";
    // The frame after the key is the last: the system hears of it first, and nothing then
    // waits for a next frame before the cover goes.
    const auto& calls = backend.calls;
    const auto ending = std::find(calls.begin(), calls.end(), "EndingAfterThisFrame");
    const auto gone = std::find(calls.begin(), calls.end(), "Uncover");
    ASSERT_NE(ending, calls.end());
    EXPECT_NE(std::find(ending, gone, "SwapBuffers 900"), gone) << "the last frame still comes";
    EXPECT_EQ(std::find(ending, gone, "SleepUntil"), gone) << "no wait after the last frame";
}

// Behind a locker it takes no input: keys and clicks leave it running, a signal ends it.
TEST_F(OutputSurfacesTest, BehindALockerNoInputEndsItAndASignalDoes) {
    backend.output_surfaces = {{900, {1024, 768}}};
    int polls = 0;
    const int code = Run(
        [&](RecordingBackend& b, int poll) {
            polls = poll;
            const platform::NativeWindow display = b.windows.rbegin()->first;
            if (poll == 2) b.Queue(Event{EventType::KeyDown, display, 0, 0, 0, 65});
            if (poll == 3) b.Queue(Event{EventType::ButtonDown, display, 5, 5, 1});
            if (poll == 4) b.Queue(Event{EventType::ButtonUp, display, 5, 5, 1});
            if (poll == 5) b.Queue(Event{EventType::Deactivated, display});
            if (poll == 7) b.Queue(Event{EventType::EndRequest, 0});
        },
        true);
    saver::Velkor_S::Instance().Unload();
    EXPECT_EQ(code, 0);
    EXPECT_EQ(polls, 7);
    EXPECT_EQ(backend.input_owner, 0u) << "it never asks for the input";
    EXPECT_GE(backend.Count("SwapBuffers 900"), 6);
}

}  // namespace
}  // namespace tivaro
