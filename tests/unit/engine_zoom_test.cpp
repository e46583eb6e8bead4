// The timer routine: the palette step on every tick and the burst on every 201st.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "engine_test_support.h"
#include "scripted_random.h"

namespace tivaro::render::testing {
namespace {

using ZoomTest = EngineTest;

constexpr std::uint64_t kLaunchDraws = 1200;
constexpr std::uint64_t kBurstDraws = 6 * 300;  // per fragment: x, z, q, red, green, blue rows

bool SameFragments(const std::vector<Fragment>& a, const std::vector<Fragment>& b) {
    return a.size() == b.size() &&
           std::memcmp(a.data(), b.data(), a.size() * sizeof(Fragment)) == 0;
}

bool IsPaletteLevel(float channel) {
    return channel == 0.5f || channel == 0.75f || channel == 1.0f;
}

TEST_F(ZoomTest, TicksUpToTwoHundredOnlyStepThePalette) {
    ScriptedRandom random([](std::uint64_t) { return 0.25f; });
    partEngClass engine;
    engine.Initialize();
    engine.RenderAll();
    const std::vector<Fragment> before = engine.Fragments();
    const std::uint64_t draws = random.draws;
    for (int tick = 1; tick <= 200; ++tick) {
        engine.Zoom_Rtn();
        EXPECT_EQ(Velkor_B::ZoomTicks, tick);
        EXPECT_EQ(engine.PaletteIndex(), tick % 12);
    }
    EXPECT_TRUE(SameFragments(engine.Fragments(), before));
    EXPECT_EQ(engine.Zoom(), -2.0f);
    EXPECT_EQ(random.draws, draws);

    engine.Zoom_Rtn();  // tick 201
    EXPECT_EQ(Velkor_B::ZoomTicks, 0);
    EXPECT_EQ(engine.PaletteIndex(), 201 % 12) << "stepped after the burst too";
    EXPECT_EQ(random.draws, draws + kBurstDraws + 1);
    EXPECT_FALSE(SameFragments(engine.Fragments(), before));
    engine.Zoom_Rtn();
    EXPECT_EQ(Velkor_B::ZoomTicks, 1) << "the count starts again";
}

TEST_F(ZoomTest, ABurstThrowsEveryFragmentFromTheOriginAndKeepsItsLife) {
    partEngClass engine;
    engine.Initialize();
    for (int frame = 0; frame < 40; ++frame) engine.RenderAll();
    const std::vector<Fragment> before = engine.Fragments();
    Velkor_B::ZoomTicks = 200;
    engine.Zoom_Rtn();

    for (std::size_t i = 0; i < before.size(); ++i) {
        const Fragment& f = engine.Fragments()[i];
        EXPECT_EQ(f.posX, 0.0f);
        EXPECT_EQ(f.posY, 0.0f);
        EXPECT_EQ(f.posZ, 0.0f);
        EXPECT_GE(f.velX, -100.0f);
        EXPECT_LT(f.velX, 100.0f);
        EXPECT_GE(f.velZ, -100.0f);
        EXPECT_LT(f.velZ, 100.0f);
        const double speed2 =
            double(f.velX) * f.velX + double(f.velY) * f.velY + double(f.velZ) * f.velZ;
        EXPECT_LE(speed2, 40000.0 * (1 + 1e-6)) << i;
        EXPECT_EQ(f.life, before[i].life) << i;
        EXPECT_EQ(f.fadeRate, before[i].fadeRate) << i;
        EXPECT_EQ(f.accY, -0.8f);
        EXPECT_EQ(f.inUse, -1);
        EXPECT_TRUE(IsPaletteLevel(f.red) && IsPaletteLevel(f.green) && IsPaletteLevel(f.blue));
    }
    EXPECT_LE(engine.Zoom(), -1.0f);
    EXPECT_GE(engine.Zoom(), -2.5f);
}

TEST_F(ZoomTest, BurstDrawsSixValuesPerFragmentInOrderThenOneForTheCamera) {
    // Fragment i: draw 6i velX, 6i + 1 velZ, 6i + 2 q, then rows for red, green, blue.
    const auto value = [](std::uint64_t n) -> float {
        if (n < kLaunchDraws) return 0.5f;
        const std::uint64_t k = n - kLaunchDraws;
        switch (k % 6) {
            case 0:
                return 0.0f;  // velX -100
            case 1:
                return 0.75f;  // velZ 50
            case 2:
                return 0.875f;  // velY sqrt(40000 - 10000 - 2500) * 0.75
            default:
                return 0.5f;  // colour rows
        }
    };
    ScriptedRandom random(value);
    partEngClass engine;
    engine.Initialize();
    Velkor_B::ZoomTicks = 200;
    engine.Zoom_Rtn();
    for (const Fragment& f : engine.Fragments()) {
        EXPECT_EQ(f.velX, -100.0f);
        EXPECT_EQ(f.velZ, 50.0f);
        EXPECT_EQ(f.velY, static_cast<float>(std::sqrt(40000.0 - 10000.0 - 2500.0) * 0.75));
    }
    EXPECT_EQ(random.draws, kLaunchDraws + kBurstDraws + 1);
}

TEST_F(ZoomTest, BurstColoursMixThreeIndependentRows) {
    const auto value = [](std::uint64_t n) -> float {
        if (n < kLaunchDraws) return 0.5f;
        switch ((n - kLaunchDraws) % 6) {
            case 3:
                return 8.0f / 12.0f;  // red from row 8: 0.5
            case 4:
                return 1.0f / 12.0f;  // green from row 1: 0.75
            case 5:
                return kJustBelowOne;  // blue from row 11: 0.75
            default:
                return 0.5f;
        }
    };
    ScriptedRandom random(value);
    partEngClass engine;
    engine.Initialize();
    Velkor_B::ZoomTicks = 200;
    engine.Zoom_Rtn();
    for (const Fragment& f : engine.Fragments()) {
        EXPECT_EQ(f.red, 0.5f);
        EXPECT_EQ(f.green, 0.75f);
        EXPECT_EQ(f.blue, 0.75f);
    }
}

TEST_F(ZoomTest, BurstWithBothHorizontalDrawsZeroGoesStraightUpOrDown) {
    for (const float q : {0.0f, 0.25f, kJustBelowOne}) {
        const auto value = [q](std::uint64_t n) -> float {
            if (n < kLaunchDraws) return 0.5f;
            const std::uint64_t k = (n - kLaunchDraws) % 6;
            return k == 2 ? q : k < 2 ? 0.0f : 0.5f;
        };
        ScriptedRandom random(value);
        partEngClass engine;
        engine.Initialize();
        Velkor_B::ZoomTicks = 200;
        engine.Zoom_Rtn();
        const Fragment& f = engine.Fragments()[7];
        EXPECT_EQ(f.velX, -100.0f);
        EXPECT_EQ(f.velZ, -100.0f);
        EXPECT_EQ(f.velY, static_cast<float>(std::sqrt(20000.0) * (2.0 * q - 1.0))) << q;
    }
}

TEST_F(ZoomTest, CameraDistanceRunsFromOneToTwoAndAHalf) {
    const std::uint64_t zoom_draw = kLaunchDraws + kBurstDraws;
    struct Case {
        float r;
        float zoom;
    };
    for (const Case c : {Case{0.0f, -1.0f}, Case{kJustBelowOne, -2.5f}, Case{0.5f, -1.75f},
                         Case{0.0066f, -1.0f}, Case{0.0067f, -1.01f}}) {
        const float r = c.r;
        const float zoom = c.zoom;
        ScriptedRandom random([=](std::uint64_t n) { return n == zoom_draw ? r : 0.5f; });
        partEngClass engine;
        engine.Initialize();
        Velkor_B::ZoomTicks = 200;
        engine.Zoom_Rtn();
        EXPECT_EQ(engine.Zoom(), zoom) << r;

        // The next frame draws every fragment, all at the origin, at the new depth.
        gl.calls.clear();
        engine.RenderAll();
        for (const Quad& quad : QuadsOf(gl.calls)) ASSERT_EQ(quad.corners[3].z, zoom);
        EXPECT_EQ(engine.Fragments()[0].posZ,
                  static_cast<float>(engine.Fragments()[0].velZ / 4000.0))
            << "stored depth leaves the zoom out";
    }
}

TEST_F(ZoomTest, PaletteIndexWrapsAfterElevenBurstOrNot) {
    partEngClass engine;
    engine.Initialize();
    for (int tick = 0; tick < 11; ++tick) engine.Zoom_Rtn();
    EXPECT_EQ(engine.PaletteIndex(), 11);
    engine.Zoom_Rtn();
    EXPECT_EQ(engine.PaletteIndex(), 0);

    for (int tick = 0; tick < 11; ++tick) engine.Zoom_Rtn();
    Velkor_B::ZoomTicks = 200;
    engine.Zoom_Rtn();  // bursts and wraps
    EXPECT_EQ(Velkor_B::ZoomTicks, 0);
    EXPECT_EQ(engine.PaletteIndex(), 0);
}

TEST_F(ZoomTest, AnOverflowingTickCounterRaises) {
    partEngClass engine;
    engine.Initialize();
    Velkor_B::ZoomTicks = 32767;
    EXPECT_EQ(ErrorOf([&] { engine.Zoom_Rtn(); }), rt::ErrorNumber::Overflow);
    EXPECT_EQ(engine.PaletteIndex(), 0);
}

}  // namespace
}  // namespace tivaro::render::testing
