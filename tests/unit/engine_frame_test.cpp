// One frame of the fountain: what is drawn, how fragments move, fade and respawn.
#include <gtest/gtest.h>

#include <cmath>

#include "engine_test_support.h"
#include "scripted_random.h"

namespace tivaro::render::testing {
namespace {

using FrameTest = EngineTest;

// Draws 0..1199 launch the fragments (fade rate, then x, y, z velocity per fragment).
constexpr std::uint64_t kLaunchDraws = 1200;

TEST_F(FrameTest, FirstFrameDrawsEveryFragmentAsASquareAroundTheLaunchPoint) {
    partEngClass engine;
    engine.Initialize();
    const std::vector<Fragment> before = engine.Fragments();
    gl.calls.clear();
    engine.RenderAll();

    const std::vector<Quad> quads = QuadsOf(gl.calls);
    ASSERT_EQ(quads.size(), 300u);
    const Corner expected[4] = {{0, 0, -0.1f, -0.1f, -2.0f},
                                {1, 0, 0.1f, -0.1f, -2.0f},
                                {1, 1, 0.1f, 0.1f, -2.0f},
                                {0, 1, -0.1f, 0.1f, -2.0f}};
    for (std::size_t i = 0; i < quads.size(); ++i) {
        const Quad& q = quads[i];
        EXPECT_EQ(q.colour[0], before[i].red);
        EXPECT_EQ(q.colour[1], before[i].green);
        EXPECT_EQ(q.colour[2], before[i].blue);
        EXPECT_EQ(q.colour[3], 1.0f);
        for (std::size_t k = 0; k < 4; ++k) {
            EXPECT_EQ(q.corners[k].s, expected[k].s) << i << " corner " << k;
            EXPECT_EQ(q.corners[k].t, expected[k].t) << i << " corner " << k;
            EXPECT_EQ(q.corners[k].x, expected[k].x) << i << " corner " << k;
            EXPECT_EQ(q.corners[k].y, expected[k].y) << i << " corner " << k;
            EXPECT_EQ(q.corners[k].z, expected[k].z) << i << " corner " << k;
        }
    }
    EXPECT_EQ(backend.calls, std::vector<std::string>{"SwapBuffers 66"});
}

TEST_F(FrameTest, AStepMovesByVelocityOverFourThousandThenAppliesGravity) {
    // Fragment 0: velX (0.92 * 50 - 26) * 10 = 200, velY and velZ -10, fade rate 0.053.
    ScriptedRandom random([](std::uint64_t n) {
        if (n == 1) return 0.92f;
        return n < 4 ? 0.5f : 0.3f;
    });
    partEngClass engine;
    engine.Initialize();
    const Fragment start = engine.Fragments()[0];
    ASSERT_NEAR(start.velX, 200.0f, 1e-4f);
    engine.RenderAll();
    const Fragment f = engine.Fragments()[0];
    EXPECT_NEAR(f.posX, 0.05f, 1e-7f);
    EXPECT_EQ(f.posY, static_cast<float>(start.velY / 4000.0));
    EXPECT_EQ(f.posZ, -0.0025f);
    EXPECT_EQ(f.velX, start.velX);
    EXPECT_EQ(f.velY, static_cast<float>(static_cast<double>(start.velY) - 0.8f));
    EXPECT_EQ(f.velZ, start.velZ);
    EXPECT_EQ(f.life, static_cast<float>(1.0 - start.fadeRate));

    // The second frame draws it where the first one left it.
    gl.calls.clear();
    engine.RenderAll();
    const Quad q = QuadsOf(gl.calls)[0];
    EXPECT_EQ(q.corners[0].x, static_cast<float>(f.posX - 0.1));
    EXPECT_EQ(q.corners[2].y, static_cast<float>(f.posY + 0.1));
    EXPECT_EQ(q.corners[0].z, static_cast<float>(-2.0 + -0.0025f));
    EXPECT_EQ(q.colour[3], f.life);
    // Positions never take in the zoom: the second step adds the same amount again.
    EXPECT_EQ(engine.Fragments()[0].posZ, -0.005f);
}

TEST_F(FrameTest, ALifeOfExactlyZeroIsDrawnOnceMoreBeforeTheRespawn) {
    // Fragment 0 fades by 0.0625 per frame: 0.595 * 100 / 1000 + 0.003.
    ScriptedRandom random([](std::uint64_t n) { return n == 0 ? 0.595f : 0.0f; });
    partEngClass engine;
    engine.Initialize();
    ASSERT_EQ(engine.Fragments()[0].fadeRate, 0.0625f);
    std::vector<float> alphas;
    for (int frame = 0; frame < 18; ++frame) {
        gl.calls.clear();
        engine.RenderAll();
        alphas.push_back(QuadsOf(gl.calls)[0].colour[3]);
        if (frame == 16) {
            EXPECT_EQ(engine.Fragments()[0].life, 1.0f) << "respawned at the end of frame 17";
        }
    }
    for (std::size_t frame = 0; frame < 17; ++frame)
        EXPECT_EQ(alphas[frame], 1.0f - 0.0625f * static_cast<float>(frame));
    EXPECT_EQ(alphas[16], 0.0f);
    EXPECT_EQ(alphas[17], 1.0f);
    const Quad q = QuadsOf(gl.calls)[0];
    EXPECT_EQ(q.corners[0].x, -0.1f) << "the respawned fragment is drawn at the launch point";
    EXPECT_EQ(q.corners[2].y, 0.1f);
}

TEST_F(FrameTest, RespawnedFragmentsRiseWithinTheirRangesInTheCurrentPaletteRow) {
    // Every fragment launches with the quickest fade (r just below 1), lives 10 frames and
    // respawns at the end of frame 10. Respawn draws: fade rate, x, y, z velocity.
    std::uint64_t respawns = 0;
    ScriptedRandom random([&](std::uint64_t n) {
        if (n < kLaunchDraws) return kJustBelowOne;
        // The first respawning fragment draws 0 for everything, the second just below 1.
        ++respawns;
        return n < kLaunchDraws + 4 ? 0.0f : kJustBelowOne;
    });
    partEngClass engine;
    engine.Initialize();
    for (int tick = 0; tick < 4; ++tick) engine.Zoom_Rtn();
    ASSERT_EQ(engine.PaletteIndex(), 4);
    for (int frame = 0; frame < 10; ++frame) engine.RenderAll();
    EXPECT_EQ(respawns, 1200u) << "all 300 respawn in the same frame";

    const Fragment& low = engine.Fragments()[0];
    EXPECT_EQ(low.life, 1.0f);
    EXPECT_EQ(low.fadeRate, 0.003f);
    EXPECT_EQ(low.posX, 0.0f);
    EXPECT_EQ(low.posY, 0.0f);
    EXPECT_EQ(low.posZ, 0.0f);
    EXPECT_EQ(low.velX, -32.0f);
    EXPECT_EQ(low.velY, -12.0f);
    EXPECT_EQ(low.velZ, -32.0f);
    const Fragment& high = engine.Fragments()[1];
    EXPECT_LT(high.velX, 28.0f);
    EXPECT_GT(high.velX, 27.99f);
    EXPECT_LT(high.velY, 48.0f);
    EXPECT_GT(high.velY, 47.99f);
    EXPECT_LT(high.velZ, 28.0f);
    for (const Fragment& f : engine.Fragments()) {
        EXPECT_EQ(f.red, 0.5f);
        EXPECT_EQ(f.green, 1.0f);
        EXPECT_EQ(f.blue, 0.5f);
        EXPECT_EQ(f.accX, 0.0f);
        EXPECT_EQ(f.accY, -0.8f);
        EXPECT_EQ(f.accZ, 0.0f);
        EXPECT_EQ(f.inUse, -1);
    }
}

TEST_F(FrameTest, DrawnDepthIsZoomPlusTheStoredDepth) {
    partEngClass engine;
    engine.Initialize();
    for (int frame = 0; frame < 3; ++frame) engine.RenderAll();
    const std::vector<Fragment> before = engine.Fragments();
    gl.calls.clear();
    engine.RenderAll();
    const std::vector<Quad> at_two = QuadsOf(gl.calls);
    for (std::size_t i = 0; i < before.size(); ++i) {
        EXPECT_EQ(at_two[i].corners[1].z, static_cast<float>(-2.0 + before[i].posZ)) << i;
    }
}

TEST_F(FrameTest, FaultsEndTheFrameUnpresented) {
    partEngClass engine;
    EXPECT_EQ(ErrorOf([&] { engine.RenderAll(); }), rt::ErrorNumber::SubscriptOutOfRange)
        << "no fragments before Initialize";
    EXPECT_EQ(backend.Count("SwapBuffers"), 0);

    engine.Initialize();
    Velkor_B::FragmentCount = 301;  // one more than the set holds
    gl.calls.clear();
    EXPECT_EQ(ErrorOf([&] { engine.RenderAll(); }), rt::ErrorNumber::SubscriptOutOfRange);
    EXPECT_EQ(gl.Count("glEnd"), 300u) << "the fragments before the fault are drawn";
    EXPECT_EQ(backend.Count("SwapBuffers"), 0);
    EXPECT_NE(engine.Fragments()[299].posX, 0.0f) << "and keep their new state";
}

}  // namespace
}  // namespace tivaro::render::testing
