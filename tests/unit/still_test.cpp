// tivaro --still: the preview form drawn into a window system with no screen, as /p shows it
// in a pane, and the command line that asks for it.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/still.h"
#include "assets/assets.h"
#include "toolkit/image/decode.h"

namespace tivaro {
namespace {

using platform::picture::Picture;

std::uint32_t At(const Picture& p, std::int32_t x, std::int32_t y) {
    return p.pixels[static_cast<std::size_t>(y * p.width + x)];
}

std::uint32_t At(const gfx::Surface& s, std::int32_t x, std::int32_t y) {
    return s.pixels()[static_cast<std::size_t>(y * s.device_width() + x)];
}

const gfx::Surface& Asset() {
    static const gfx::Surface asset = image::DecodePicture(assets::Find("preview.png"));
    return asset;
}

TEST(StillTest, APaneOfThePictureSizeShowsThePictureExactly) {
    const Picture still = app::DrawStill(152, 112, 96);
    ASSERT_EQ(still.width, 152);
    ASSERT_EQ(still.height, 112);
    int differing = 0;
    for (std::int32_t y = 0; y < 112; ++y)
        for (std::int32_t x = 0; x < 152; ++x) differing += At(still, x, y) != At(Asset(), x, y);
    EXPECT_EQ(differing, 0);
}

TEST(StillTest, ALargerPaneShowsThePictureInItsCornerOnBlack) {
    const Picture still = app::DrawStill(200, 150, 96);
    int differing = 0;
    for (std::int32_t y = 0; y < 112; ++y)
        for (std::int32_t x = 0; x < 152; ++x) differing += At(still, x, y) != At(Asset(), x, y);
    EXPECT_EQ(differing, 0);
    for (const auto& [x, y] : std::vector<std::pair<int, int>>{{152, 0}, {0, 112}, {199, 149}})
        EXPECT_EQ(At(still, x, y), 0U) << x << "," << y;
}

TEST(StillTest, AtTwiceTheScaleEachPixelOfThePictureIsFourOfTheStill) {
    const Picture still = app::DrawStill(304, 224, 192);
    ASSERT_EQ(still.width, 304);
    int differing = 0;
    for (std::int32_t y = 0; y < 224; ++y)
        for (std::int32_t x = 0; x < 304; ++x)
            differing += At(still, x, y) != At(Asset(), x / 2, y / 2);
    EXPECT_EQ(differing, 0);
}

std::optional<app::StillRequest> Parse(std::vector<std::string> args) {
    return app::ParseStillOptions(args);
}

TEST(StillTest, TheCommandLineGivesSizeScaleAndFile) {
    EXPECT_FALSE(Parse({"/p", "123"}));
    EXPECT_FALSE(Parse({}));
    const auto plain = Parse({"--still", "152x112", "-"});
    ASSERT_TRUE(plain);
    EXPECT_EQ(plain->width, 152);
    EXPECT_EQ(plain->height, 112);
    EXPECT_EQ(plain->dpi, 96);
    EXPECT_EQ(plain->file, "-");
    const auto scaled = Parse({"--still", "456x336@1.5", "out.png"});
    ASSERT_TRUE(scaled);
    EXPECT_EQ(scaled->dpi, 144);
    EXPECT_EQ(scaled->file, "out.png");
    EXPECT_EQ(Parse({"--still", "2048x1@4", "f"})->dpi, 384);
}

TEST(StillTest, BadInputIsRefusedWithOneLine) {
    const std::vector<std::vector<std::string>> bad = {
        {"--still"},
        {"--still", "152x112"},
        {"--still", "152x112", "-", "extra"},
        {"/s", "--still", "152x112", "-"},
        {"--still", "152", "-"},
        {"--still", "x112", "-"},
        {"--still", "152x", "-"},
        {"--still", "0x112", "-"},
        {"--still", "-5x112", "-"},
        {"--still", "2049x112", "-"},
        {"--still", "99999999999x1", "-"},
        {"--still", "152x112@", "-"},
        {"--still", "152x112@0.5", "-"},
        {"--still", "152x112@5", "-"},
        {"--still", "152x112@nan", "-"},
        {"--still", "152x112@1e0", "-"},
        {"--still", "15 2x112", "-"},
        {"--still", "152x112", ""},
    };
    for (const auto& args : bad) {
        try {
            Parse(args);
            ADD_FAILURE() << "accepted: " << ::testing::PrintToString(args);
        } catch (const app::StillUsageError& e) {
            const std::string said = e.what();
            EXPECT_EQ(said.rfind("--still: ", 0), 0U) << said;
            EXPECT_EQ(said.find('\n'), std::string::npos) << said;
        }
    }
}

}  // namespace
}  // namespace tivaro
