#include <gtest/gtest.h>

#include <cstdint>

#include "settings/background_gradient.h"

namespace tivaro::settings {
namespace {

constexpr gfx::Colour kUntouched = gfx::RGB(12, 34, 56);

// The dialog's client area as designed: 413 x 359 pixels.
class BackgroundGradient : public ::testing::Test {
protected:
    // Paints a 359-pixel-high client area into an image `imageHeight` rows high.
    gfx::Surface Paint(std::int32_t imageHeight, float clientHeight = 359.0f) {
        gfx::Surface image(420, imageHeight, kUntouched);
        PaintBackgroundGradient(image, 413.0f, clientHeight, loopIndex);
        return image;
    }

    std::int16_t loopIndex = -7;
};

TEST_F(BackgroundGradient, RowsRunFromDarkToBrightAndBack) {
    const gfx::Surface image = Paint(359);
    const std::pair<std::int32_t, gfx::Colour> rows[] = {
        {0, gfx::RGB(0, 0, 30)},        {1, gfx::RGB(2, 2, 32)},
        {100, gfx::RGB(169, 169, 199)}, {178, gfx::RGB(220, 220, 250)},
        {179, gfx::RGB(220, 220, 250)}, {180, gfx::RGB(220, 220, 250)},
        {181, gfx::RGB(220, 220, 250)}, {358, gfx::RGB(2, 2, 32)},
    };
    for (const auto& [row, colour] : rows) {
        EXPECT_EQ(image.Point(0, row), colour) << "row " << row;
        EXPECT_EQ(image.Point(412, row), colour) << "row " << row;
        EXPECT_EQ(image.Point(413, row), kUntouched) << "row " << row;  // the line ends at W
    }
    EXPECT_EQ(image.Point(0, 171), gfx::RGB(219, 219, 249));  // the brightest run is 172..187
    EXPECT_EQ(image.Point(0, 188), gfx::RGB(219, 219, 249));
}

TEST_F(BackgroundGradient, DrawsOneRowPastTheClientAreaAndNoMore) {
    const gfx::Surface image = Paint(400);
    EXPECT_EQ(image.Point(0, 358), gfx::RGB(2, 2, 32));
    EXPECT_EQ(image.Point(0, 359), gfx::RGB(0, 0, 30));
    EXPECT_EQ(image.Point(0, 360), kUntouched);
    EXPECT_EQ(loopIndex, 360);  // the dialog's loop index ends one past the last row
}

TEST_F(BackgroundGradient, EveryRowOfTheClientAreaIsOverwritten) {
    const gfx::Surface image = Paint(359);
    for (std::int32_t row = 0; row < 359; ++row) {
        const std::int64_t c = image.Point(200, row);
        ASSERT_NE(c, kUntouched) << row;
        ASSERT_EQ((c >> 16) & 0xFF, (c & 0xFF) + 30) << row;  // blue is 30 above red
    }
}

TEST_F(BackgroundGradient, AnEmptyClientAreaStillPaintsRowZero) {
    // H = 0 makes i / d a 0 / 0 that raises; the value step is skipped, the line is drawn
    // with the value it had.
    const gfx::Surface image = Paint(10, 0.0f);
    EXPECT_EQ(image.Point(0, 0), gfx::RGB(0, 0, 30));
    EXPECT_EQ(image.Point(0, 1), kUntouched);
}

TEST_F(BackgroundGradient, AHeightBeyondSixteenBitsSkipsTheLoop) {
    const gfx::Surface image = Paint(10, 40000.0f);
    EXPECT_EQ(image.Point(0, 0), kUntouched);
    EXPECT_EQ(loopIndex, -7);
}

}  // namespace
}  // namespace tivaro::settings
