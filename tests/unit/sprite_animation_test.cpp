#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "toolkit/runtime/errors.h"
#include "settings/sprite_animation.h"
#include "sprite_test_scene.h"

namespace tivaro::settings {
namespace {

using testing::BallLog;
using testing::TestScene;

rt::ErrorNumber ErrorOf(auto&& f) {
    try {
        f();
    } catch (const rt::RuntimeError& e) {
        return e.number();
    }
    return rt::ErrorNumber{0};
}

const BallDraw& FindBall(const std::vector<BallDraw>& balls, BallDraw::Kind kind,
                         std::int16_t index) {
    const auto it = std::find_if(balls.begin(), balls.end(), [&](const BallDraw& b) {
        return b.kind == kind && b.index == index;
    });
    if (it == balls.end()) throw std::logic_error("ball not drawn");
    return *it;
}

class SpriteAnimation : public ::testing::Test {
protected:
    SpriteAnimation() { SetUpSpriteMetrics(state, pictures.Scene(), 373.0f, 281.0f); }

    // Draws one frame and returns the balls in the order they were drawn.
    std::vector<BallDraw> Frame() {
        BallLog log;
        DrawFrame(state, pictures.Scene(&log));
        return log.balls;
    }

    TestScene pictures;
    SpriteState state;
};

TEST_F(SpriteAnimation, SetUpTakesAnglesAndSizesFromThePictures) {
    for (std::size_t n = 0; n < state.spheres.size(); ++n) {
        EXPECT_EQ(state.spheres[n].angle, static_cast<float>(3 * n)) << n;
        EXPECT_EQ(state.spheres[n].width, 10);
        EXPECT_EQ(state.spheres[n].height, 9);
    }
    for (std::size_t k = 0; k < kAtomCount; ++k) {
        EXPECT_EQ(state.atoms[k].width, testing::kAtomSizes[k][0]) << k;
        EXPECT_EQ(state.atoms[k].height, testing::kAtomSizes[k][1]) << k;
    }
    EXPECT_EQ(state.viewWidth, 373);
    EXPECT_EQ(state.viewHeight, 281);
}

TEST_F(SpriteAnimation, SetUpRoundsTheViewSizeHalfToEven) {
    SetUpSpriteMetrics(state, pictures.Scene(), 372.5f, 281.5f);
    EXPECT_EQ(state.viewWidth, 372);
    EXPECT_EQ(state.viewHeight, 282);
}

TEST(SpriteSetUp, PictureSizesSurviveTheHimetricRoundTrip) {
    for (std::int32_t pixels = 0; pixels <= 32767; ++pixels) {
        ASSERT_EQ(PicturePixels(pixels), pixels);
    }
    EXPECT_EQ(ErrorOf([] { PicturePixels(32768); }), rt::ErrorNumber::Overflow);
}

TEST(SpriteSetUp, AnUnreadablePictureLeavesItsSizesAtZeroAndTheRestGoesOn) {
    TestScene pictures;
    pictures.sphereSprite = gfx::Surface(40000, 7);  // too wide for 16 bits
    pictures.atomSprites[2] = gfx::Surface();        // nothing decoded
    SpriteState state;
    SetUpSpriteMetrics(state, pictures.Scene(), 373.0f, 281.0f);
    EXPECT_EQ(state.spheres[5].width, 0);
    EXPECT_EQ(state.spheres[5].height, 7);
    EXPECT_EQ(state.spheres[5].angle, 15.0f);
    EXPECT_EQ(state.atoms[2].width, 0);
    EXPECT_EQ(state.atoms[3].width, 25);
    EXPECT_EQ(state.viewWidth, 373);
}

TEST_F(SpriteAnimation, FirstFramePlacesTheSpheresOnTheRose) {
    const auto balls = Frame();
    const BallDraw& s0 = FindBall(balls, BallDraw::Kind::Sphere, 0);
    const BallDraw& s1 = FindBall(balls, BallDraw::Kind::Sphere, 1);
    const BallDraw& s240 = FindBall(balls, BallDraw::Kind::Sphere, 240);
    // (373 - 10) / 2 + 120 = 301.5 rounds to the even 302.
    EXPECT_EQ(std::make_pair(s0.x, s0.y), std::make_pair(302, 136));
    EXPECT_EQ(std::make_pair(s1.x, s1.y), std::make_pair(301, 130));
    EXPECT_EQ(std::make_pair(s240.x, s240.y), std::make_pair(302, 136));
    EXPECT_EQ(s240.angle, 720.0f);
    EXPECT_EQ(std::make_pair(s0.width, s0.height), std::make_pair(10, 9));
}

TEST_F(SpriteAnimation, FirstFrameAtomsFormAHexagonAroundTheCentre) {
    const auto balls = Frame();
    const std::array<std::pair<std::int32_t, std::int32_t>, kAtomCount> expected = {
        {{234, 232}, {114, 231}, {54, 128}, {114, 24}, {234, 24}, {294, 128}}};
    for (std::int16_t k = 0; k < kAtomCount; ++k) {
        const BallDraw& atom = FindBall(balls, BallDraw::Kind::Atom, k);
        EXPECT_EQ(std::make_pair(atom.x, atom.y), expected[static_cast<std::size_t>(k)]) << k;
        EXPECT_EQ(atom.width, testing::kAtomSizes[static_cast<std::size_t>(k)][0]);
        EXPECT_EQ(atom.height, testing::kAtomSizes[static_cast<std::size_t>(k)][1]);
    }
}

TEST_F(SpriteAnimation, EachAtomIsDrawnRightAfterItsSphereAndSphereZeroCarriesNone) {
    const auto balls = Frame();
    ASSERT_EQ(balls.size(), 241u + 6u);
    std::size_t at = 0;
    for (std::int16_t n = 0; n <= kLastSphere; ++n) {
        ASSERT_EQ(balls[at].kind, BallDraw::Kind::Sphere);
        ASSERT_EQ(balls[at].index, n);
        ++at;
        if (n != 0 && n % 40 == 0) {
            ASSERT_EQ(balls[at].kind, BallDraw::Kind::Atom) << n;
            EXPECT_EQ(balls[at].index, n / 40 - 1);
            ++at;
        }
    }
    EXPECT_EQ(AtomOnSphere(0), -1);
    EXPECT_EQ(AtomOnSphere(41), -1);
    EXPECT_EQ(state.loopIndex, 241);
}

TEST_F(SpriteAnimation, AnglesStepOneAWrapPast720AndRepeatEvery721Ticks) {
    const auto first = Frame();
    bool drew720 = false;
    for (std::int32_t t = 1; t < 721 + 721; ++t) {
        const auto balls = Frame();
        for (const BallDraw& b : balls) {
            if (b.kind != BallDraw::Kind::Sphere) continue;
            ASSERT_EQ(b.angle, static_cast<float>((3 * b.index + t) % 721)) << t;
            drew720 = drew720 || b.angle == 720.0f;
        }
        if (t == 1) {
            // Sphere 240 wrapped to 0 and is drawn where sphere 0 was in the first frame.
            const BallDraw& s240 = FindBall(balls, BallDraw::Kind::Sphere, 240);
            EXPECT_EQ(s240.angle, 0.0f);
            const BallDraw& s0 = FindBall(first, BallDraw::Kind::Sphere, 0);
            EXPECT_EQ(std::make_pair(s240.x, s240.y), std::make_pair(s0.x, s0.y));
        }
        if (t == 720) {
            // 721 frames drawn: every sphere is back where it started.
            for (std::size_t n = 0; n < state.spheres.size(); ++n) {
                ASSERT_EQ(state.spheres[n].angle, static_cast<float>(3 * n)) << n;
            }
        }
        if (t == 721) {
            ASSERT_EQ(balls.size(), first.size());
            for (std::size_t i = 0; i < balls.size(); ++i) {
                EXPECT_EQ(std::make_pair(balls[i].x, balls[i].y),
                          std::make_pair(first[i].x, first[i].y))
                    << i;
            }
        }
    }
    EXPECT_TRUE(drew720);
}

TEST_F(SpriteAnimation, IndicesOutsideTheArraysRaise) {
    const SpriteScene scene = pictures.Scene();
    EXPECT_EQ(ErrorOf([&] { DrawSphere(state, scene, 241); }),
              rt::ErrorNumber::SubscriptOutOfRange);
    EXPECT_EQ(ErrorOf([&] { DrawSphere(state, scene, -1); }), rt::ErrorNumber::SubscriptOutOfRange);
    EXPECT_EQ(ErrorOf([&] { DrawAtom(state, scene, 6, 0.0f, 0.0f); }),
              rt::ErrorNumber::SubscriptOutOfRange);
}

TEST_F(SpriteAnimation, ACornerBeyondSixteenBitsRaisesOverflow) {
    state.viewWidth = 70000;  // (70000 - 10) / 2 + 120 does not fit
    EXPECT_EQ(ErrorOf([&] { DrawFrame(state, pictures.Scene()); }), rt::ErrorNumber::Overflow);
}

TEST_F(SpriteAnimation, DrawAtomRoundsItsCornerHalfToEven) {
    BallLog log;
    DrawAtom(state, pictures.Scene(&log), 3, 2.5f, -3.5f);
    ASSERT_EQ(log.balls.size(), 1u);
    EXPECT_EQ(std::make_pair(log.balls[0].x, log.balls[0].y), std::make_pair(2, -4));
}

}  // namespace
}  // namespace tivaro::settings
