// The host's window goes between the saver's look at it and the cover that puts the saver's
// window in it: that is a failure of the surroundings, which the load's steps (they pass
// over runtime errors) must not swallow, leaving the saver to run outside the host.
#include <gtest/gtest.h>

#include <string>

#include "app/velkor_b.h"
#include "app/velkor_b_main.h"
#include "gl_recorder.h"
#include "platform/testing/recording_backend.h"
#include "program_end.h"
#include "saver/velkor_s.h"
#include "toolkit/runtime/errors.h"

namespace tivaro {
namespace {

constexpr platform::NativeWindow kHost = 0x1a00007;

// The host is there until the saver asks to be put in it.
class HostGoesAtTheCover : public platform::testing::RecordingBackend {
public:
    platform::CoverAnswer Cover(const platform::CoverRequest& request) override {
        foreign_windows.erase(request.host);
        return RecordingBackend::Cover(request);
    }
};

TEST(HostGone, AHostThatGoesBeforeTheSaverIsInItEndsTheLoadWithASetupError) {
    HostGoesAtTheCover backend;
    render::testing::GlRecorder gl;
    testing::ProgramEndCatcher catcher;
    backend.foreign_windows[kHost] = platform::Rect{0, 0, 400, 300};
    int polls = 0;
    // Run on unparented, the saver would draw until something ended it: the host's end,
    // which nothing watches, never comes, so the test ends it.
    backend.on_poll = [&](platform::testing::RecordingBackend& b) {
        if (++polls == 3) b.Queue(platform::Event{platform::EventType::EndRequest, 0});
    };
    std::string error;
    try {
        Velkor_B::HostSaver(kHost);
    } catch (const rt::SetupError& e) {
        error = e.what();
    } catch (const testing::ProgramEnded&) {
    }
    saver::Velkor_S::Instance().HostIn(0);
    saver::Velkor_S::Instance().Timer1.SetEnabled(false);
    saver::Velkor_S::Instance().Unload();
    EXPECT_EQ(error,
              "window " + std::to_string(kHost) + " is not a window; nothing to draw the saver in");
    EXPECT_EQ(polls, 0) << "no frame ran";
    EXPECT_EQ(backend.Count("SetParent"), 0);
    EXPECT_EQ(backend.Count("WatchWindow"), 0);
}

}  // namespace
}  // namespace tivaro
