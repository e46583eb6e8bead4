// The pointing hand the program hands its window system for the credits dialog's link.
#include <gtest/gtest.h>

#include "app/pointer_pictures.h"
#include "assets/assets.h"
#include "platform/testing/recording_backend.h"

namespace tivaro::app {
namespace {

TEST(PointerPictures, TheHandIsHandedWithTheFingertipAsItsHotSpot) {
    platform::testing::RecordingBackend backend;
    EXPECT_TRUE(backend.HandPicture().pixels.empty());
    HandOverPointerPictures(backend);
    const platform::PointerPicture& hand = backend.HandPicture();
    ASSERT_EQ(hand.width, 32);
    ASSERT_EQ(hand.height, 32);
    ASSERT_EQ(hand.pixels.size(), 32u * 32u);
    // Where the Windows cursor file of the same hand points.
    const auto cur = assets::Find("hand.cur");
    EXPECT_EQ(hand.hot_spot.x, cur[10] | cur[11] << 8);
    EXPECT_EQ(hand.hot_spot.y, cur[12] | cur[13] << 8);
    const auto at = [&](std::int32_t x, std::int32_t y) {
        return hand.pixels[static_cast<std::size_t>(y * hand.width + x)];
    };
    const std::uint32_t tip = at(hand.hot_spot.x, hand.hot_spot.y);
    EXPECT_EQ(tip, 0xFF000000u) << "the fingertip's black outline";
    EXPECT_EQ(at(hand.hot_spot.x, hand.hot_spot.y - 1) >> 24, 0u) << "nothing above it";
}

}  // namespace
}  // namespace tivaro::app
