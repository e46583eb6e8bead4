// The preview request: the still picture hosted in the system's preview pane, through
// the recording backend.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "app/velkor_b.h"
#include "app/velkor_b_main.h"
#include "app/velkor_r.h"
#include "toolkit/forms/application.h"
#include "toolkit/runtime/errors.h"
#include "platform/testing/recording_backend.h"
#include "program_end.h"

namespace tivaro {
namespace {

using platform::Event;
using platform::EventType;
using platform::testing::RecordingBackend;

constexpr platform::NativeWindow kPane = 0x3a00011;

class PreviewTest : public ::testing::Test {
protected:
    void SetUp() override { Velkor_B::FragmentCount = 0; }
    void TearDown() override {
        auto& form = app::Velkor_R::Instance();
        if (form.IsLoaded()) form.Unload();
    }

    std::size_t IndexOf(const std::string& prefix) const {
        const auto it = std::find_if(backend.calls.begin(), backend.calls.end(),
                                     [&](const std::string& c) { return c.rfind(prefix, 0) == 0; });
        return static_cast<std::size_t>(it - backend.calls.begin());
    }

    RecordingBackend backend;
    testing::ProgramEndCatcher catcher;
};

TEST_F(PreviewTest, ThePictureFillsThePaneAsAChildInTheDesignedOrder) {
    backend.foreign_windows[kPane] = platform::Rect{100, 50, 252, 162};  // 152 x 112
    Velkor_B::Main("/p " + std::to_string(kPane));
    auto& form = app::Velkor_R::Instance();
    ASSERT_TRUE(form.IsLoaded());
    // 152 x 112 pixels at 15 twips a pixel: 2280 x 1680 twips, and back to 152 x 112.
    EXPECT_EQ(form.WidthTwips(), 2280);
    EXPECT_EQ(form.HeightTwips(), 1680);
    EXPECT_EQ(form.Img_Prev.Width(), 152);
    EXPECT_EQ(form.Img_Prev.Height(), 112);

    const std::string id = std::to_string(form.hWnd());
    const std::size_t rect = IndexOf("GetWindowRect " + std::to_string(kPane));
    const std::size_t made = IndexOf("MakeWindow TopLevelPlain");
    const std::size_t parent = IndexOf("SetParent " + id + " " + std::to_string(kPane));
    const std::size_t placed = IndexOf("SetBounds " + id + " 0,0,152x112");
    const std::size_t shown = IndexOf("ShowWindow " + id);
    EXPECT_LT(rect, made);
    EXPECT_LT(made, parent);
    EXPECT_LT(parent, placed);
    EXPECT_LT(placed, shown);
    EXPECT_LT(shown, backend.calls.size());
    // Nothing of the saver's: no fragments, the pointer and the flag left alone.
    EXPECT_EQ(Velkor_B::FragmentCount, 0);
    EXPECT_EQ(backend.Count("ShowCursor"), 0);
    EXPECT_EQ(backend.Count("SetScreenSaverRunning"), 0);

    // The pane goes away: the form unloads and the program's loop comes to its end.
    backend.Queue(Event{EventType::Destroyed, form.hWnd()});
    forms::Application::Get().Run();
    EXPECT_FALSE(form.IsLoaded());
}

TEST_F(PreviewTest, APaneOver32767TwipsOverflowsBeforeTheFormLoads) {
    backend.foreign_windows[kPane] = platform::Rect{0, 0, 2185, 100};  // 32775 twips wide
    try {
        Velkor_B::Main("/p " + std::to_string(kPane));
        ADD_FAILURE() << "no error";
    } catch (const rt::RuntimeError& e) {
        EXPECT_EQ(e.number(), rt::ErrorNumber::Overflow);
    }
    EXPECT_EQ(backend.Count("MakeWindow"), 0);
    // One pixel narrower fits: 32760 twips.
    backend.foreign_windows[kPane] = platform::Rect{0, 0, 2184, 100};
    Velkor_B::Main("/p " + std::to_string(kPane));
    EXPECT_EQ(app::Velkor_R::Instance().WidthTwips(), 32760);
}

}  // namespace
}  // namespace tivaro
