// The picture box LoadTexture reads: sizes, scales and point sampling.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "toolkit/forms/picture_holder.h"
#include "toolkit/runtime/errors.h"

namespace tivaro::forms {
namespace {

gfx::Surface Numbered(std::int32_t width, std::int32_t height) {
    gfx::Surface s(width, height);
    for (std::int32_t y = 0; y < height; ++y) {
        for (std::int32_t x = 0; x < width; ++x) {
            s.SetPixel(x, y,
                       gfx::RGB(static_cast<std::uint32_t>(x), static_cast<std::uint32_t>(y), 7));
        }
    }
    return s;
}

std::int32_t At(std::int32_t x, std::int32_t y) {
    return static_cast<std::int32_t>(
        gfx::RGB(static_cast<std::uint32_t>(x), static_cast<std::uint32_t>(y), 7));
}

TEST(PictureHolder, PixelScaleReportsThePictureSizeAndReadsPixels) {
    PictureHolder holder(Numbered(16, 8));
    EXPECT_EQ(holder.GetScaleMode(), ScaleMode::Pixels);
    EXPECT_EQ(holder.ScaleWidth(), 16.0f);
    EXPECT_EQ(holder.ScaleHeight(), 8.0f);
    EXPECT_EQ(holder.Point(0, 0), At(0, 0));
    EXPECT_EQ(holder.Point(15, 7), At(15, 7));
    EXPECT_EQ(holder.Point(3.9f, 2.5f), At(3, 2)) << "points inside a pixel read that pixel";
    EXPECT_EQ(holder.Point(1, 0) & 0xFF, 1) << "red in the low byte";
    EXPECT_EQ((holder.Point(0, 5) >> 8) & 0xFF, 5);
    EXPECT_EQ(holder.Point(0, 0) >> 16, 7);
}

TEST(PictureHolder, PointsOutsideTheInnerAreaReadMinusOne) {
    PictureHolder holder(Numbered(16, 8));
    EXPECT_EQ(holder.Point(16, 0), -1);
    EXPECT_EQ(holder.Point(0, 8), -1);
    EXPECT_EQ(holder.Point(-0.5f, 0), -1);
    EXPECT_EQ(holder.Point(0, std::numeric_limits<float>::quiet_NaN()), -1);
    EXPECT_EQ(PictureHolder().Point(0, 0), -1);
}

TEST(PictureHolder, UserScaleStretchesTheInnerAreaToTheGivenUnits) {
    PictureHolder holder(Numbered(16, 8));
    holder.SetScaleHeight(4);
    holder.SetScaleWidth(8);
    EXPECT_EQ(holder.GetScaleMode(), ScaleMode::User);
    EXPECT_EQ(holder.ScaleWidth(), 8.0f);
    EXPECT_EQ(holder.ScaleHeight(), 4.0f);
    EXPECT_EQ(holder.Point(1, 1), At(2, 2));
    EXPECT_EQ(holder.Point(7.99f, 3.99f), At(15, 7));
    EXPECT_EQ(holder.Point(8, 0), -1);

    // Enlarging: 32 units across 16 pixels read each pixel twice.
    holder.SetScaleWidth(32);
    EXPECT_EQ(holder.Point(30, 0), At(15, 0));
    EXPECT_EQ(holder.Point(31, 0), At(15, 0));

    holder.SetScaleMode(ScaleMode::Pixels);
    EXPECT_EQ(holder.ScaleWidth(), 16.0f);
    EXPECT_EQ(holder.Point(1, 1), At(1, 1));
}

TEST(PictureHolder, ScalesMustBePositiveAndAreKeptWhenRefused) {
    PictureHolder holder(Numbered(16, 8));
    holder.SetScaleWidth(4);
    for (const float bad : {0.0f, -2.0f, std::numeric_limits<float>::infinity(),
                            std::numeric_limits<float>::quiet_NaN()}) {
        try {
            holder.SetScaleWidth(bad);
            ADD_FAILURE() << "accepted " << bad;
        } catch (const rt::RuntimeError& e) {
            EXPECT_EQ(e.number(), rt::ErrorNumber::InvalidProcedureCall);
        }
        EXPECT_THROW(holder.SetScaleHeight(bad), rt::RuntimeError);
    }
    EXPECT_EQ(holder.ScaleWidth(), 4.0f);
    EXPECT_EQ(holder.ScaleHeight(), 8.0f);
}

TEST(PictureHolder, ANewPictureBringsBackThePixelScale) {
    PictureHolder holder(Numbered(16, 8));
    holder.SetScaleWidth(2);
    holder.SetPicture(Numbered(5, 3));
    EXPECT_EQ(holder.GetScaleMode(), ScaleMode::Pixels);
    EXPECT_EQ(holder.ScaleWidth(), 5.0f);
    EXPECT_EQ(holder.ScaleHeight(), 3.0f);
}

}  // namespace
}  // namespace tivaro::forms
