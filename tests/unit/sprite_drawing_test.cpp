#include <gtest/gtest.h>

#include <cstdint>

#include "settings/sprite_animation.h"
#include "sprite_test_scene.h"

namespace tivaro::settings {
namespace {

using testing::BallLog;
using testing::TestScene;

constexpr std::int64_t kBack = kViewBackColour;

// The frame a sequence of solid balls must give: the back colour, with each ball's
// rectangle painted over in drawing order.
gfx::Surface Expected(const TestScene& pictures, const std::vector<BallDraw>& balls) {
    gfx::Surface expected(pictures.view.width(), pictures.view.height(), kViewBackColour);
    expected.Clear();
    for (const BallDraw& b : balls) {
        const gfx::Colour colour = b.kind == BallDraw::Kind::Sphere ? testing::kSphereColour
                                                                    : testing::AtomColour(b.index);
        expected.FillRect(b.x, b.y, b.width, b.height, colour);
    }
    return expected;
}

std::int32_t CountDifferences(const gfx::Surface& a, const gfx::Surface& b) {
    std::int32_t differences = 0;
    for (std::int32_t y = 0; y < a.height(); ++y) {
        for (std::int32_t x = 0; x < a.width(); ++x) differences += a.Point(x, y) != b.Point(x, y);
    }
    return differences;
}

TEST(SpriteDrawing, EveryFrameStartsFromTheBackColourAndLaterBallsCoverEarlierOnes) {
    TestScene pictures(/*solid=*/true);
    SpriteState state;
    SetUpSpriteMetrics(state, pictures.Scene(), 373.0f, 281.0f);
    pictures.view.FillRect(0, 0, 373, 281, gfx::RGB(1, 2, 3));  // whatever was there before
    for (std::int32_t frame = 1; frame <= 40; ++frame) {
        BallLog log;
        DrawFrame(state, pictures.Scene(&log));
        if (frame != 1 && frame != 2 && frame != 40) continue;
        EXPECT_EQ(CountDifferences(pictures.view, Expected(pictures, log.balls)), 0)
            << "frame " << frame;
    }
}

TEST(SpriteDrawing, EachFrameClearsThroughTheViewsClsOnceBeforeTheBalls) {
    TestScene pictures(/*solid=*/true);
    SpriteState state;
    SetUpSpriteMetrics(state, pictures.Scene(), 373.0f, 281.0f);
    pictures.view.FillRect(0, 0, 373, 281, gfx::RGB(1, 2, 3));
    BallLog log;
    SpriteScene scene = pictures.Scene(&log);
    std::int32_t clears = 0;
    scene.cls = [&] {
        ++clears;
        pictures.view.Clear();
    };
    DrawFrame(state, scene);
    EXPECT_EQ(clears, 1);
    EXPECT_EQ(CountDifferences(pictures.view, Expected(pictures, log.balls)), 0);
}

TEST(SpriteDrawing, BallsCombineMaskWithAndAndSpriteWithXorUnsmoothed) {
    TestScene pictures;
    SpriteState state;
    SetUpSpriteMetrics(state, pictures.Scene(), 373.0f, 281.0f);
    // Compression noise: a grey mask pixel inside and off-white ones around it, and a
    // sprite surround that is not quite black.
    pictures.atomMasks[1].SetPixel(13, 13, gfx::RGB(130, 7, 250));
    pictures.atomMasks[1].SetPixel(0, 0, gfx::RGB(250, 251, 127));
    pictures.atomSprites[1].SetPixel(0, 0, gfx::RGB(3, 0, 9));
    pictures.view.Clear();
    DrawAtom(state, pictures.Scene(), 1, 40.0f, 30.0f);

    const gfx::Surface& mask = pictures.atomMasks[1];
    const gfx::Surface& sprite = pictures.atomSprites[1];
    for (std::int32_t y = 0; y < 26; ++y) {
        for (std::int32_t x = 0; x < 26; ++x) {
            const std::int64_t expected = (kBack & mask.Point(x, y)) ^ sprite.Point(x, y);
            ASSERT_EQ(pictures.view.Point(40 + x, 30 + y), expected) << x << "," << y;
        }
    }
    EXPECT_EQ(pictures.view.Point(40, 30), gfx::RGB(128 ^ 3, 128, 127 ^ 9));
    EXPECT_EQ(pictures.view.Point(53, 43),
              gfx::RGB(128 & 130, 128 & 7, 255 & 250) ^ testing::AtomColour(1));
    EXPECT_EQ(pictures.view.Point(39, 30), kBack);
    EXPECT_EQ(pictures.view.Point(66, 56), kBack);
}

// A sprite whose every pixel says where it came from, fully opaque.
void MarkedAtom(TestScene& pictures) {
    gfx::Surface& sprite = pictures.atomSprites[0];
    pictures.atomMasks[0] = gfx::Surface(25, 25, gfx::RGB(0, 0, 0));
    for (std::int32_t y = 0; y < 25; ++y) {
        for (std::int32_t x = 0; x < 25; ++x) {
            sprite.SetPixel(x, y,
                            gfx::RGB(static_cast<std::uint32_t>(8 * x + 1),
                                     static_cast<std::uint32_t>(8 * y + 1), 77));
        }
    }
}

TEST(SpriteDrawing, ABallOverAnEdgeIsCutOffNotMoved) {
    TestScene pictures(false, 60, 40);
    MarkedAtom(pictures);
    SpriteState state;
    SetUpSpriteMetrics(state, pictures.Scene(), 60.0f, 40.0f);
    const gfx::Surface& sprite = pictures.atomSprites[0];
    pictures.view.Clear();

    DrawAtom(state, pictures.Scene(), 0, -12.0f, -20.0f);  // top-left corner
    DrawAtom(state, pictures.Scene(), 0, 47.0f, 30.0f);    // bottom-right corner
    for (std::int32_t y = 0; y < 40; ++y) {
        for (std::int32_t x = 0; x < 60; ++x) {
            std::int64_t expected = kBack;
            if (x <= 12 && y <= 4) expected = sprite.Point(x + 12, y + 20);
            if (x >= 47 && y >= 30) expected = sprite.Point(x - 47, y - 30);
            ASSERT_EQ(pictures.view.Point(x, y), expected) << x << "," << y;
        }
    }
}

TEST(SpriteDrawing, BallsWhosePicturesWereUnreadableDrawNothing) {
    TestScene pictures;
    pictures.sphereSprite = gfx::Surface();
    for (auto& sprite : pictures.atomSprites) sprite = gfx::Surface();
    SpriteState state;
    SetUpSpriteMetrics(state, pictures.Scene(), 373.0f, 281.0f);
    DrawFrame(state, pictures.Scene());
    EXPECT_EQ(CountDifferences(pictures.view, gfx::Surface(373, 281, kViewBackColour)), 0);
    EXPECT_EQ(state.spheres[0].angle, 1.0f);  // the spheres still advance
}

}  // namespace
}  // namespace tivaro::settings
