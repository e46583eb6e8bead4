// The engine from creation through Initialize: render state, palette, launch values.
#include <gtest/gtest.h>

#include "engine_test_support.h"
#include "scripted_random.h"

namespace tivaro::render::testing {
namespace {

using SetupTest = EngineTest;

// The palette as the design's table gives it: row, red, green, blue. Every value is exact
// as a 32-bit float.
constexpr double kPaletteTable[12][4] = {
    {0, 1.0, 0.5, 0.5},    //
    {1, 1.0, 0.75, 0.5},   //
    {2, 1.0, 1.0, 0.5},    //
    {3, 0.75, 1.0, 0.5},   //
    {4, 0.5, 1.0, 0.5},    //
    {5, 0.5, 1.0, 0.75},   //
    {6, 0.5, 1.0, 1.0},    //
    {7, 0.5, 0.75, 1.0},   //
    {8, 0.5, 0.5, 1.0},    //
    {9, 0.75, 0.5, 1.0},   //
    {10, 1.0, 0.5, 1.0},   //
    {11, 1.0, 0.5, 0.75},  //
};

// Column 0 red, 1 green, 2 blue.
double Expected(std::size_t row, int column) {
    EXPECT_EQ(kPaletteTable[row][0], static_cast<double>(row));
    return kPaletteTable[row][column + 1];
}

TEST_F(SetupTest, CreationLeavesEverythingEmptyButTheTextureName) {
    const partEngClass engine;
    EXPECT_EQ(engine.TextureName(), -1);
    EXPECT_TRUE(engine.Fragments().empty());
    EXPECT_EQ(engine.Zoom(), 0.0f);
    EXPECT_EQ(engine.SpeedDivisor(), 0.0f);
    EXPECT_EQ(engine.PaletteIndex(), 0);
    EXPECT_EQ(engine.Palette().At(5, 1), 0.0f);
    EXPECT_TRUE(gl.calls.empty());
}

TEST_F(SetupTest, InitializeSetsBlendingAndTexturingStateAndNothingElse) {
    partEngClass engine;
    engine.Initialize();
    const std::vector<std::string> expected = {
        "glClearColor 0 0 0 1", "glShadeModel 7425", "glClearDepth 1", "glBlendFunc 770 1",
        "glHint 3152 4354",     "glEnable 3042",     "glEnable 3553",
    };
    EXPECT_EQ(gl.Texts(), expected);
    EXPECT_TRUE(backend.calls.empty()) << "nothing is presented before the first frame";
    EXPECT_EQ(engine.TextureName(), -1);
}

TEST_F(SetupTest, EveryFragmentStartsAtTheOriginWithFullLife) {
    partEngClass engine;
    engine.Initialize();
    ASSERT_EQ(engine.Fragments().size(), 300u);
    EXPECT_EQ(engine.SpeedDivisor(), 4.0f);
    EXPECT_EQ(engine.Zoom(), -2.0f);
    for (const Fragment& f : engine.Fragments()) {
        EXPECT_EQ(f.inUse, -1);
        EXPECT_EQ(f.life, 1.0f);
        EXPECT_GE(f.fadeRate, 0.003f);
        EXPECT_LT(f.fadeRate, 0.103f);
        EXPECT_EQ(f.posX, 0.0f);
        EXPECT_EQ(f.posY, 0.0f);
        EXPECT_EQ(f.posZ, 0.0f);
        for (float v : {f.velX, f.velY, f.velZ}) {
            EXPECT_GE(v, -260.0f);
            EXPECT_LT(v, 240.0f);
        }
        EXPECT_EQ(f.accX, 0.0f);
        EXPECT_EQ(f.accY, -0.8f);
        EXPECT_EQ(f.accZ, 0.0f);
    }
}

TEST_F(SetupTest, PaletteGoesRoundTheColourWheelAndEachRowColoursTwentyFiveFragments) {
    partEngClass engine;
    engine.Initialize();
    for (int row = 0; row < 12; ++row) {
        for (int column = 0; column < 3; ++column) {
            EXPECT_EQ(engine.Palette().At(row, column), Expected(row, column))
                << row << "," << column;
        }
    }
    const auto& f = engine.Fragments();
    for (std::size_t i = 0; i < f.size(); ++i) {
        const std::size_t row = i / 25;
        EXPECT_EQ(f[i].red, Expected(row, 0)) << i;
        EXPECT_EQ(f[i].green, Expected(row, 1)) << i;
        EXPECT_EQ(f[i].blue, Expected(row, 2)) << i;
    }
    for (std::size_t i = 200; i <= 224; ++i) {
        EXPECT_EQ(f[i].red, 0.5f);
        EXPECT_EQ(f[i].green, 0.5f);
        EXPECT_EQ(f[i].blue, 1.0f);
    }
    // Neighbours across a row boundary differ: 24 is the last of row 0, 25 the first of row 1.
    EXPECT_EQ(f[24].green, 0.5f);
    EXPECT_EQ(f[25].green, 0.75f);
    EXPECT_EQ(f[299].blue, 0.75f);
}

TEST_F(SetupTest, RowsOutsideThePaletteRaiseBeforeAnythingIsStored) {
    partEngClass engine;
    engine.Initialize();
    PaletteTable palette = engine.Palette();
    EXPECT_EQ(ErrorOf([&] { palette.SetColour(12, 0.1f, 0.2f, 0.3f); }),
              rt::ErrorNumber::SubscriptOutOfRange);
    EXPECT_EQ(ErrorOf([&] { palette.SetColour(-1, 0.1f, 0.2f, 0.3f); }),
              rt::ErrorNumber::SubscriptOutOfRange);
    for (int row = 0; row < 12; ++row) {
        for (int column = 0; column < 3; ++column) {
            EXPECT_EQ(palette.At(row, column), Expected(row, column));
        }
    }
    EXPECT_EQ(ErrorOf([&] { palette.At(12, 0); }), rt::ErrorNumber::SubscriptOutOfRange);
    EXPECT_EQ(ErrorOf([&] { palette.At(-1, 2); }), rt::ErrorNumber::SubscriptOutOfRange);
    palette.SetColour(11, 0.1f, 0.2f, 0.3f);
    EXPECT_EQ(palette.At(11, 2), 0.3f);
}

TEST_F(SetupTest, LaunchValuesComeFromFourDrawsPerFragmentInOrder) {
    // Draw n gives a value that identifies n: fragment i takes draws 4i (fade rate),
    // 4i + 1, 4i + 2, 4i + 3 (x, y, z velocity).
    ScriptedRandom random([](std::uint64_t n) { return static_cast<float>(n % 1000) / 1000.0f; });
    partEngClass engine;
    engine.Initialize();
    EXPECT_EQ(random.draws, 1200u);
    ASSERT_EQ(random.seeds.size(), 1u) << "seeded exactly once";
    EXPECT_GE(random.seeds[0], 0.0f);
    EXPECT_LT(random.seeds[0], 86400.0f);
    const auto r = [](std::uint64_t n) {
        return static_cast<double>(static_cast<float>(n % 1000) / 1000.0f);
    };
    for (std::uint64_t i = 0; i < 300; ++i) {
        const Fragment& f = engine.Fragments()[static_cast<std::size_t>(i)];
        EXPECT_EQ(f.fadeRate, static_cast<float>(r(4 * i) * 100 / 1000 + 0.003)) << i;
        EXPECT_EQ(f.velX, static_cast<float>((r(4 * i + 1) * 50 - 26) * 10)) << i;
        EXPECT_EQ(f.velY, static_cast<float>((r(4 * i + 2) * 50 - 26) * 10)) << i;
        EXPECT_EQ(f.velZ, static_cast<float>((r(4 * i + 3) * 50 - 26) * 10)) << i;
    }
}

TEST_F(SetupTest, TheEndsOfTheRandomRangeGiveTheEndsOfTheLaunchRanges) {
    ScriptedRandom random([](std::uint64_t n) { return n < 4 ? 0.0f : kJustBelowOne; });
    partEngClass engine;
    engine.Initialize();
    const Fragment& low = engine.Fragments()[0];
    EXPECT_EQ(low.fadeRate, 0.003f);
    EXPECT_EQ(low.velX, -260.0f);
    EXPECT_EQ(low.velZ, -260.0f);
    const Fragment& high = engine.Fragments()[1];
    EXPECT_LT(high.fadeRate, 0.103f);
    EXPECT_GT(high.fadeRate, 0.1029f);
    EXPECT_LT(high.velY, 240.0f);
    EXPECT_GT(high.velY, 239.99f);
}

TEST_F(SetupTest, FragmentCountIsReadWhenInitializeRuns) {
    Velkor_B::FragmentCount = 24;  // two fragments per palette row
    partEngClass engine;
    engine.Initialize();
    ASSERT_EQ(engine.Fragments().size(), 24u);
    for (std::size_t i = 0; i < 24; ++i)
        EXPECT_EQ(engine.Fragments()[i].red, Expected(i / 2, 0)) << i;

    Velkor_B::FragmentCount = 0;
    engine.Initialize();
    EXPECT_TRUE(engine.Fragments().empty());
    engine.RenderAll();  // clears and presents an empty frame
    EXPECT_EQ(gl.calls.back().Text(), "glClear 16640");
    EXPECT_EQ(backend.calls, std::vector<std::string>{"SwapBuffers 66"});
}

TEST_F(SetupTest, InitializeAgainRelaunchesEveryFragmentFromTheOrigin) {
    partEngClass engine;
    engine.Initialize();
    for (int frame = 0; frame < 50; ++frame) engine.RenderAll();
    Velkor_B::ZoomTicks = 200;
    engine.Zoom_Rtn();
    engine.Initialize();
    EXPECT_EQ(engine.Zoom(), -2.0f);
    for (const Fragment& f : engine.Fragments()) {
        EXPECT_EQ(f.life, 1.0f);
        EXPECT_EQ(f.posX, 0.0f);
        EXPECT_EQ(f.posY, 0.0f);
        EXPECT_EQ(f.posZ, 0.0f);
    }
}

}  // namespace
}  // namespace tivaro::render::testing
