// LoadTexture: the texture side, the column-by-column texel buffer and the GL upload.
#include <gtest/gtest.h>

#include <cmath>

#include "engine_test_support.h"
#include "toolkit/forms/picture_holder.h"

namespace tivaro::render::testing {
namespace {

using TextureTest = EngineTest;

// Every pixel tells where it is: red x mod 256, green y mod 256, blue the high bits of both.
gfx::Surface CoordinatePicture(std::int32_t width, std::int32_t height) {
    gfx::Surface picture(width, height);
    for (std::int32_t y = 0; y < height; ++y) {
        for (std::int32_t x = 0; x < width; ++x) {
            const auto ux = static_cast<std::uint32_t>(x);
            const auto uy = static_cast<std::uint32_t>(y);
            picture.SetPixel(x, y, gfx::RGB(ux & 0xFF, uy & 0xFF, (ux >> 8) | ((uy >> 8) << 4)));
        }
    }
    return picture;
}

const GlCall* Upload(const GlRecorder& gl) {
    for (const GlCall& c : gl.calls) {
        if (c.name == "glTexImage2D") return &c;
    }
    return nullptr;
}

struct SizeCase {
    std::int32_t width;
    std::int32_t height;
    std::int32_t side;
    bool resampled;
};

class TextureSideTest : public EngineTest, public ::testing::WithParamInterface<SizeCase> {};

TEST_P(TextureSideTest, PictureIsPointSampledColumnByColumnIntoASquare) {
    const SizeCase c = GetParam();
    forms::PictureHolder picture(CoordinatePicture(c.width, c.height));
    partEngClass engine;
    engine.LoadTexture(picture);

    const GlCall* upload = Upload(gl);
    ASSERT_NE(upload, nullptr);
    EXPECT_EQ(upload->args[3], c.side);
    EXPECT_EQ(upload->args[4], c.side);
    const auto side = static_cast<std::size_t>(c.side);
    ASSERT_EQ(upload->pixels.size(), 3 * side * side);

    // Texel n = X * S + Y holds the pixel under (X, Y) of the S x S scale.
    const gfx::Surface& source = picture.Picture();
    std::size_t wrong = 0;
    for (std::size_t x = 0; x < side; ++x) {
        for (std::size_t y = 0; y < side; ++y) {
            const auto px = static_cast<std::int32_t>(x * static_cast<std::size_t>(c.width) / side);
            const auto py =
                static_cast<std::int32_t>(y * static_cast<std::size_t>(c.height) / side);
            const auto expected = static_cast<std::uint32_t>(source.Point(px, py));
            const std::size_t n = 3 * (x * side + y);
            wrong += upload->pixels[n] != (expected & 0xFF) ? 1 : 0;
            wrong += upload->pixels[n + 1] != ((expected >> 8) & 0xFF) ? 1 : 0;
            wrong += upload->pixels[n + 2] != ((expected >> 16) & 0xFF) ? 1 : 0;
        }
    }
    EXPECT_EQ(wrong, 0u);
    EXPECT_EQ(picture.GetScaleMode(),
              c.resampled ? forms::ScaleMode::User : forms::ScaleMode::Pixels);
    EXPECT_EQ(picture.ScaleWidth(),
              c.resampled ? static_cast<float>(c.side) : static_cast<float>(c.width));
    EXPECT_TRUE(engine.TexelBytes().empty());
    EXPECT_EQ(engine.TexelBytes().capacity(), 0u) << "the scratch buffer is released";
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, TextureSideTest,
    ::testing::Values(SizeCase{320, 320, 256, true}, SizeCase{256, 256, 256, false},
                      SizeCase{512, 512, 512, false}, SizeCase{256, 128, 128, true},
                      SizeCase{300, 200, 128, true}, SizeCase{10, 10, 16, true},
                      SizeCase{2000, 2000, 256, true}, SizeCase{16, 15, 16, true},
                      SizeCase{255, 257, 256, true}));

TEST_F(TextureTest, FirstTexelIsTheTopLeftAndTheNextOneIsBelowIt) {
    gfx::Surface photo(320, 320);
    photo.SetPixel(0, 0, gfx::RGB(10, 20, 30));
    photo.SetPixel(0, 1, gfx::RGB(40, 50, 60));  // one row down: sample (0, 1) at 1.25 px
    photo.SetPixel(1, 0, gfx::RGB(70, 80, 90));  // one column right
    forms::PictureHolder picture(photo);
    partEngClass engine;
    engine.LoadTexture(picture);
    const GlCall* upload = Upload(gl);
    ASSERT_NE(upload, nullptr);
    const std::vector<unsigned char> first(upload->pixels.begin(), upload->pixels.begin() + 6);
    EXPECT_EQ(first, (std::vector<unsigned char>{10, 20, 30, 40, 50, 60}));
    EXPECT_EQ(upload->pixels[3 * 256], 70) << "texel 256 starts the second column";
}

TEST_F(TextureTest, TextureIsMadeWithTheseCallsInThisOrder) {
    forms::PictureHolder picture(CoordinatePicture(320, 320));
    partEngClass engine;
    EXPECT_EQ(engine.TextureName(), -1);
    gl.next_texture = 7;
    engine.LoadTexture(picture);
    const std::vector<std::string> expected = {
        "glGenTextures 1",
        "glBindTexture 3553 7",
        "glPixelStorei 3317 1",
        "glTexEnvf 8960 8704 8448",
        "glTexParameterf 3553 10240 9729",
        "glTexParameterf 3553 10241 9729",
        "glTexParameterf 3553 10242 10496",
        "glTexParameterf 3553 10243 10496",
        "glTexImage2D 3553 0 3 256 256 0 6407 5121",
    };
    EXPECT_EQ(gl.Texts(), expected);
    EXPECT_EQ(engine.TextureName(), 7);
}

TEST_F(TextureTest, AFailedReadMakesNoTexture) {
    forms::PictureHolder empty;
    partEngClass engine;
    EXPECT_EQ(ErrorOf([&] { engine.LoadTexture(empty); }), rt::ErrorNumber::InvalidProcedureCall);
    EXPECT_TRUE(gl.calls.empty());
    EXPECT_EQ(engine.TextureName(), -1);
    EXPECT_EQ(engine.TexelBytes().capacity(), 0u);
}

}  // namespace
}  // namespace tivaro::render::testing
