// A fountain per monitor: where the window and the views go for the monitors a system
// reports, and what one frame of two fountains asks of GL.
#include <gtest/gtest.h>
#include <algorithm>

#include "engine_test_support.h"
#include "platform/cover_layout.h"
#include "render/fountain_set.h"
#include "render/gl_view.h"

namespace tivaro::saver {
namespace {

using platform::LayoutMonitors;
using platform::MonitorLayout;
using platform::Rect;

struct Case {
    const char* name;
    std::vector<Rect> monitors;
    Rect window;
    std::vector<Rect> views;
    bool covers = true;
};

bool Same(const Rect& a, const Rect& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

TEST(MonitorLayoutTest, TheWindowSpansTheMonitorsWithAViewOnEach) {
    const std::vector<Case> cases = {
        {"one", {{0, 0, 1920, 1080}}, {0, 0, 1920, 1080}, {{0, 0, 1920, 1080}}},
        {"side by side",
         {{0, 0, 1024, 768}, {1024, 0, 2048, 768}},
         {0, 0, 2048, 768},
         {{0, 0, 1024, 768}, {1024, 0, 2048, 768}}},
        {"primary on the right",
         {{0, 0, 1920, 1080}, {-1280, 0, 0, 1024}},
         {-1280, 0, 1920, 1080},
         {{1280, 0, 3200, 1080}, {0, 0, 1280, 1024}},
         false},
        {"stacked",
         {{0, 0, 1024, 768}, {0, -768, 1024, 0}},
         {0, -768, 1024, 768},
         {{0, 768, 1024, 1536}, {0, 0, 1024, 768}}},
        {"three",
         {{0, 0, 800, 600}, {800, 0, 1600, 600}, {1600, 0, 2400, 600}},
         {0, 0, 2400, 600},
         {{0, 0, 800, 600}, {800, 0, 1600, 600}, {1600, 0, 2400, 600}}},
        {"a mirror and a duplicate show no fountain of their own",
         {{0, 0, 1920, 1080}, {0, 0, 1024, 768}, {0, 0, 1920, 1080}},
         {0, 0, 1920, 1080},
         {{0, 0, 1920, 1080}}},
        {"overlapping monitors keep a fountain each",
         {{0, 0, 1000, 800}, {900, 0, 1900, 800}},
         {0, 0, 1900, 800},
         {{0, 0, 1000, 800}, {900, 0, 1900, 800}}},
        {"a monitor of no size is left out",
         {{0, 0, 0, 0}, {0, 0, 1024, 768}, {5000, 0, 5000, 700}},
         {0, 0, 1024, 768},
         {{0, 0, 1024, 768}}},
        {"nothing usable: the screen",
         {{10, 10, 10, 10}},
         {0, 0, 1280, 1024},
         {{0, 0, 1280, 1024}}},
    };
    for (const Case& c : cases) {
        const MonitorLayout layout = LayoutMonitors(c.monitors, {1280, 1024});
        EXPECT_TRUE(Same(layout.window, c.window)) << c.name;
        ASSERT_EQ(layout.views.size(), c.views.size()) << c.name;
        for (std::size_t i = 0; i < c.views.size(); ++i) {
            EXPECT_TRUE(Same(layout.views[i], c.views[i])) << c.name << " view " << i;
        }
        EXPECT_EQ(layout.covers_window, c.covers) << c.name;
    }
}

TEST(MonitorLayoutTest, AbsurdMonitorsNeitherOverflowNorMultiplyWithoutEnd) {
    const std::int32_t big = 2147483647;
    const MonitorLayout vast = LayoutMonitors({{-big, -big, big, big}}, {800, 600});
    ASSERT_EQ(vast.views.size(), 1u);
    EXPECT_GT(vast.window.right - vast.window.left, 0);

    std::vector<Rect> many;
    for (std::int32_t i = 0; i < 40; ++i) many.push_back({i * 100, 0, i * 100 + 100, 100});
    const MonitorLayout layout = LayoutMonitors(many, {800, 600});
    EXPECT_EQ(layout.views.size(), platform::kMaxViews);
    EXPECT_TRUE(Same(layout.window, {0, 0, 4000, 100})) << "every monitor is still covered";
    EXPECT_FALSE(layout.covers_window) << "those without a fountain are cleared black";
}

}  // namespace
}  // namespace tivaro::saver

namespace tivaro::render::testing {
namespace {

using FountainSetTest = EngineTest;

// Two 1024 x 768 monitors, the second one lower than the first: each fountain is drawn in
// its own box (GL counts rows from the bottom) with its own perspective, the part of the
// window no monitor shows is cleared, and the frame is presented once.
TEST_F(FountainSetTest, EachMonitorDrawsItsOwnFountainInItsOwnBoxWithOneSwap) {
    partEngClass first;
    openGLcontrolClass view;
    first.Initialize();
    FountainSet set;
    set.Fit(first, view,
            {{kSurface, {0, 0, 1024, 768}, {2048, 968}},
             {kSurface, {1024, 200, 2048, 968}, {2048, 968}}},
            true, false);
    ASSERT_EQ(set.Count(), 2u);
    gl.calls.clear();
    backend.calls.clear();
    set.RenderAll();

    std::vector<std::string> boxes;
    std::size_t quads = 0;
    for (const GlCall& call : gl.calls) {
        if (call.name == "glViewport" || call.name == "glScissor" || call.name == "glClear" ||
            call.name == "gluPerspective" || call.name == "glDisable" ||
            (call.name == "glEnable" && call.args[0] == GL_SCISSOR_TEST)) {
            boxes.push_back(call.Text());
        }
        quads += call.name == "glBegin" ? 1 : 0;
    }
    const std::string perspective = "gluPerspective 45 1.33333 0.1 200";  // 4:3 each
    const std::vector<std::string> expected = {"glDisable 3089",
                                               "glClear 16640",
                                               perspective,
                                               "glViewport 0 200 1024 768",
                                               "glScissor 0 200 1024 768",
                                               "glEnable 3089",
                                               "glClear 16640",
                                               perspective,
                                               "glViewport 1024 0 1024 768",
                                               "glScissor 1024 0 1024 768",
                                               "glEnable 3089",
                                               "glClear 16640",
                                               "glDisable 3089"};
    EXPECT_EQ(boxes, expected);
    EXPECT_EQ(quads, 600u) << "300 fragments on each monitor";
    EXPECT_EQ(backend.calls, std::vector<std::string>{"SwapBuffers 66"});

    // Their own random numbers: the two fountains are launched differently.
    const auto& a = set.Engine(0).Fragments();
    const auto& b = set.Engine(1).Fragments();
    std::size_t differ = 0;
    for (std::size_t i = 0; i < a.size(); ++i) differ += a[i].velX != b[i].velX ? 1 : 0;
    EXPECT_GT(differ, 250u);

    // The timer drives both: they burst on the same tick, and the program-wide count is
    // the first fountain's alone.
    for (int tick = 0; tick < 201; ++tick) set.Zoom_Rtn();
    EXPECT_EQ(Velkor_B::ZoomTicks, 0);
    EXPECT_EQ(set.Engine(1).TicksSinceBurst(), 0);
    set.Zoom_Rtn();
    EXPECT_EQ(Velkor_B::ZoomTicks, 1);
    EXPECT_EQ(set.Engine(1).TicksSinceBurst(), 1);
}

// Back from two monitors to one: the one fountain has the whole window again, its view set
// up for it and no scissor box left on.
TEST_F(FountainSetTest, BackToOneMonitorRestoresTheWholeViewAndTurnsTheScissorOff) {
    partEngClass first;
    openGLcontrolClass view;
    first.Initialize();
    FountainSet set;
    set.Fit(
        first, view,
        {{kSurface, {0, 0, 1024, 768}, {2048, 768}}, {kSurface, {1024, 0, 2048, 768}, {2048, 768}}},
        false, false);
    set.RenderAll();
    gl.calls.clear();
    set.Fit(first, view, {{kSurface, {0, 0, 1280, 1024}, {1280, 1024}}}, false, false);
    ASSERT_EQ(set.Count(), 1u);
    std::vector<std::string> refit;
    for (const GlCall& call : gl.calls) refit.push_back(call.Text());
    const auto at = [&](const std::string& text) {
        return std::find(refit.begin(), refit.end(), text) - refit.begin();
    };
    ASSERT_LT(at("glDisable 3089"), static_cast<long>(refit.size())) << "scissor off";
    ASSERT_LT(at("glViewport 0 0 1280 1024"), static_cast<long>(refit.size()));
    EXPECT_NE(std::find(refit.begin(), refit.end(), "gluPerspective 45 1.25 0.1 200"), refit.end());
    gl.calls.clear();
    set.RenderAll();
    for (const GlCall& call : gl.calls) {
        EXPECT_NE(call.Text(), "glEnable 3089") << "no scissor box drawing one fountain";
        EXPECT_NE(call.name, "glViewport") << "the engine draws into the view as set up";
    }
}

}  // namespace
}  // namespace tivaro::render::testing
