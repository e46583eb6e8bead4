// Main's command-line grammar and single-instance check, run against the recording
// backend: what each command line shows, and what it asks of the platform.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <string>
#include <utility>
#include <vector>

#include "app/velkor_b.h"
#include "app/velkor_b_main.h"
#include "gl_recorder.h"
#include "toolkit/forms/application.h"
#include "toolkit/runtime/errors.h"
#include "platform/testing/recording_backend.h"
#include "program_end.h"
#include "saver/velkor_s.h"

namespace tivaro {
namespace {

using platform::Event;
using platform::EventType;
using platform::testing::RecordingBackend;

constexpr const char* kSettingsCaption = "Tivaro\xEF\xBC\x9F\xE3\x81\xAE\xE8\xA8\xAD\xE5\xAE\x9A";

struct Outcome {
    bool ended = false;  // Main ended the program (rather than returning)
    int exit_code = -1;
    std::string error;  // a runtime error Main raised
};

class StartupTest : public ::testing::Test {
protected:
    void SetUp() override {
        Velkor_B::FragmentCount = 0;
        // Let the test-wide singleton forms start from no window.
        backend.captions.clear();
    }
    // The saver's form outlives the test; its zoom timer must not tick into others.
    void TearDown() override { saver::Velkor_S::Instance().Timer1.SetEnabled(false); }

    // Runs Main; whatever window it opens is answered with a key press (saver) or a
    // close request (dialog), so every mode comes to its end.
    Outcome RunMain(const std::string& command_line) {
        backend.on_poll = [](RecordingBackend& b) {
            for (const auto& [id, w] : b.windows) {
                if (w.destroyed || w.desc.kind == platform::WindowKind::Child) continue;
                if (w.desc.caption == "Tivaro_Main") b.Queue(Event{EventType::KeyDown, id});
                if (w.desc.caption == kSettingsCaption) b.Queue(Event{EventType::CloseRequest, id});
            }
        };
        Outcome out;
        try {
            Velkor_B::Main(command_line);
        } catch (const testing::ProgramEnded& e) {
            out.ended = true;
            out.exit_code = e.exit_code;
        } catch (const rt::RuntimeError& e) {
            out.error = e.what();
        }
        return out;
    }

    bool Opened(const std::string& caption) const {
        return std::any_of(backend.windows.begin(), backend.windows.end(),
                           [&](const auto& w) { return w.second.desc.caption == caption; });
    }

    RecordingBackend backend;
    render::testing::GlRecorder gl{render::testing::GlRecorder::Mode::Discard};
    testing::ProgramEndCatcher catcher;
};

TEST_F(StartupTest, ModeLetterIsTheSecondCharacterUpperCased) {
    EXPECT_EQ(Velkor_B::ModeLetter("/s"), "S");
    EXPECT_EQ(Velkor_B::ModeLetter("-S"), "S");
    EXPECT_EQ(Velkor_B::ModeLetter("xs"), "S");
    EXPECT_EQ(Velkor_B::ModeLetter("s"), "");
    EXPECT_EQ(Velkor_B::ModeLetter(""), "");
    EXPECT_EQ(Velkor_B::ModeLetter("/c:4711"), "C");
    // Characters, not bytes: a two-byte first character still leaves "s" second.
    EXPECT_EQ(Velkor_B::ModeLetter("\xC3\xA9s"), "S");
    // A byte that is not UTF-8 is one character of its own.
    EXPECT_EQ(Velkor_B::ModeLetter("\xFFp 5"), "P");
    EXPECT_EQ(Velkor_B::CharactersFrom("/p 1234", 4), "1234");
    EXPECT_EQ(Velkor_B::CharactersFrom("/p", 4), "");
}

TEST_F(StartupTest, SaverSwitchesHideTheCursorAndSetTheFlag) {
    for (const char* line : {"/S", "/s", "-s", "xS anything"}) {
        backend.calls.clear();
        backend.windows.clear();
        const Outcome out = RunMain(line);
        EXPECT_TRUE(out.ended) << line;
        EXPECT_EQ(out.exit_code, 0) << line;
        EXPECT_TRUE(Opened("Tivaro_Main")) << line;
        EXPECT_EQ(Velkor_B::FragmentCount, 300) << line;
        // Hidden while it ran, and given back when it ended.
        EXPECT_EQ(backend.Count("ShowCursor false"), 1) << line;
        EXPECT_EQ(backend.Count("SetScreenSaverRunning true"), 1) << line;
        EXPECT_EQ(backend.cursor_hidden, 0) << line;
        EXPECT_FALSE(backend.screen_saver_running) << line;
    }
}

TEST_F(StartupTest, TheSaverClaimsKeysAndClicksBeforeItsWindowShows) {
    for (const char* line : {"/s", ""}) {
        backend.calls.clear();
        backend.windows.clear();
        RunMain(line);
        const auto& calls = backend.calls;
        const auto claim = std::find_if(calls.begin(), calls.end(), [](const std::string& c) {
            return c.rfind("Cover ", 0) == 0 && c.find(" input") != std::string::npos;
        });
        platform::NativeWindow saver = 0;
        for (const auto& [id, w] : backend.windows) {
            if (w.desc.caption == "Tivaro_Main") saver = id;
        }
        const auto shown =
            std::find(calls.begin(), calls.end(), "ShowWindow " + std::to_string(saver));
        ASSERT_NE(claim, calls.end()) << line;
        ASSERT_NE(shown, calls.end()) << line;
        EXPECT_LT(claim, shown) << line;
        EXPECT_EQ(backend.Count("Cover "), 1) << line;
    }
}

// The system's DPI (fixed at sign-in) and the DPI its window shows at differ, either way:
// the saver's window and its view are still exactly the monitor, in device pixels.
TEST_F(StartupTest, TheSaverCoversTheMonitorExactlyWhateverTheSystemsDpi) {
    for (const auto& [system, window] : {std::pair{144, 96}, std::pair{96, 144}}) {
        backend.calls.clear();
        backend.windows.clear();
        backend.monitors = {{0, 0, 1920, 1080}};
        backend.system_dpi = system;
        backend.dpi = window;
        render::testing::GlRecorder recorder;
        RunMain("/s");
        const std::string at = std::to_string(system) + " / " + std::to_string(window);
        const auto saver =
            std::find_if(backend.windows.begin(), backend.windows.end(),
                         [](const auto& w) { return w.second.desc.caption == "Tivaro_Main"; });
        ASSERT_NE(saver, backend.windows.end()) << at;
        const platform::Rect r = saver->second.desc.bounds;
        EXPECT_EQ((std::vector<int>{r.left, r.top, r.right, r.bottom}),
                  (std::vector<int>{0, 0, 1920, 1080}))
            << at;
        std::string viewport;
        for (const auto& call : recorder.calls) {
            if (call.name == "glViewport") viewport = call.Text();
        }
        EXPECT_EQ(viewport, "glViewport 0 0 1920 1080") << at;
    }
    backend.monitors.clear();
    backend.system_dpi = 0;
    backend.dpi = 96;
}

TEST_F(StartupTest, TheSaverFormHoldsNoFrameBehindItsView) {
    // The GL view covers the whole form: the system fills the form, which never makes or
    // presents a picture of its own.
    auto& form = saver::Velkor_S::Instance();
    int polls = 0;
    std::size_t held = 1;
    backend.on_poll = [&](RecordingBackend& b) {
        // By the third poll the paint that showing the form posts has been handled.
        if (++polls < 3) return;
        held = form.PixelBytes() + form.Display.PixelBytes();
        b.Queue(Event{EventType::KeyDown, form.hWnd()});
    };
    EXPECT_THROW(Velkor_B::Main("/s"), testing::ProgramEnded);
    EXPECT_GE(polls, 3);
    EXPECT_EQ(held, 0u);
    EXPECT_EQ(backend.Count("Present "), 0);
    EXPECT_GE(backend.Count("SwapBuffers "), 2);
}

TEST_F(StartupTest, EmptyCommandLineStartsTheSaverWithTheCursorVisible) {
    const Outcome out = RunMain("");
    EXPECT_TRUE(out.ended);
    EXPECT_TRUE(Opened("Tivaro_Main"));
    EXPECT_EQ(backend.Count("ShowCursor"), 0);
    EXPECT_EQ(backend.Count("SetScreenSaverRunning"), 0);
}

TEST_F(StartupTest, OtherSwitchesEndAtOnceShowingNothing) {
    for (const char* line : {"s", "/a", "/x", "/A:12", "\xFF\xFE"}) {
        backend.windows.clear();
        const Outcome out = RunMain(line);
        EXPECT_TRUE(out.ended) << line;
        EXPECT_EQ(out.exit_code, 0) << line;
        EXPECT_TRUE(backend.windows.empty()) << line;
    }
}

TEST_F(StartupTest, SettingsSwitchShowsTheDialogModallyThenEnds) {
    for (const char* line : {"/c", "/C:4711", "-c"}) {
        backend.windows.clear();
        const Outcome out = RunMain(line);
        EXPECT_TRUE(out.ended) << line;
        EXPECT_TRUE(Opened(kSettingsCaption)) << line;
        EXPECT_EQ(Velkor_B::FragmentCount, 300) << line;
        EXPECT_EQ(backend.Count("ShowCursor"), 0) << line;
    }
}

TEST_F(StartupTest, ARunningSaverOrDialogEndsEveryRequest) {
    for (const char* running : {"Tivaro_Main", kSettingsCaption}) {
        RecordingBackend b;
        b.captions[running] = 0x77;
        b.foreign_windows[1234] = {0, 0, 152, 112};
        for (const char* line : {"/s", "/c", "/p 1234", ""}) {
            b.calls.clear();
            testing::ProgramEndCatcher c;
            bool ended = false;
            try {
                Velkor_B::Main(line);
            } catch (const testing::ProgramEnded&) {
                ended = true;
            }
            EXPECT_TRUE(ended) << line;
            // Both searches are made before the test, and nothing else happens.
            ASSERT_EQ(b.calls.size(), 2u) << line;
            EXPECT_EQ(b.calls[0], "FindWindow \"Tivaro_Main\"");
            EXPECT_EQ(b.calls[1], std::string("FindWindow \"") + kSettingsCaption + "\"");
        }
    }
}

TEST_F(StartupTest, ACloseRequestEndsTheSaverGivingBackItsGlContextThenThePointer) {
    platform::NativeWindow saver = 0;
    backend.on_poll = [&saver](RecordingBackend& b) {
        for (const auto& [id, w] : b.windows) {
            if (w.destroyed || w.desc.caption != "Tivaro_Main") continue;
            saver = id;
            b.Queue(Event{EventType::CloseRequest, id});
        }
    };
    Outcome out;
    try {
        Velkor_B::Main("/s");
    } catch (const testing::ProgramEnded& e) {
        out.ended = true;
        out.exit_code = e.exit_code;
    }
    EXPECT_TRUE(out.ended);
    EXPECT_EQ(out.exit_code, 0);
    const auto& calls = backend.calls;
    const auto at = [&](const std::string& call) {
        return std::find(calls.begin(), calls.end(), call) - calls.begin();
    };
    const auto deleted =
        std::find_if(calls.begin(), calls.end(),
                     [](const std::string& c) { return c.rfind("DeleteContext ", 0) == 0; }) -
        calls.begin();
    const auto destroyed = at("DestroyWindow " + std::to_string(saver));
    ASSERT_LT(destroyed, static_cast<std::ptrdiff_t>(calls.size()));
    EXPECT_LT(at("MakeCurrent 0 0"), deleted);
    EXPECT_LT(deleted, destroyed);        // during the request, before the window goes
    EXPECT_EQ(backend.cursor_hidden, 0);  // the pointer is back
}

TEST_F(StartupTest, PreviewOfMissingPaneEndsWithAMessage) {
    // "/p" with nothing after it reads handle 0; garbage reads 0 too.
    for (const char* line : {"/p", "/p garbage", "/p 999"}) {
        const Outcome out = RunMain(line);
        EXPECT_TRUE(out.ended) << line;
        EXPECT_NE(out.exit_code, 0) << line;
        EXPECT_EQ(Velkor_B::FragmentCount, 0) << line;
    }
}

TEST(Routines, PiAndLog2) {
    EXPECT_EQ(Velkor_B::Pi(), 3.1415927f);
    EXPECT_EQ(Velkor_B::Log2(8.0f), 3.0);
    const double l = Velkor_B::Log2(320.0f);
    EXPECT_NE(l, static_cast<double>(static_cast<long>(l)));
    EXPECT_THROW(Velkor_B::Log2(0.0f), rt::RuntimeError);
    EXPECT_THROW(Velkor_B::Log2(-1.0f), rt::RuntimeError);
}

TEST(Routines, SetSystemKeysEnabledSetsTheComplement) {
    RecordingBackend b;
    Velkor_B::SetSystemKeysEnabled(rt::kFalse);
    EXPECT_TRUE(b.screen_saver_running);
    Velkor_B::SetSystemKeysEnabled(rt::kTrue);
    EXPECT_FALSE(b.screen_saver_running);
    Velkor_B::SetSystemKeysEnabled(1);  // only -1 is true
    EXPECT_TRUE(b.screen_saver_running);
}

}  // namespace
}  // namespace tivaro
