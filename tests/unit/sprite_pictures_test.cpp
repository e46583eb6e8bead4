// The stored pictures of the credits dialog, decoded as the program decodes them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <set>
#include <span>
#include <string>

#include "assets/assets.h"
#include "toolkit/image/decode.h"

namespace tivaro {
namespace {

gfx::Surface Picture(const std::string& name) {
    return image::DecodePicture(assets::Find(name));
}

std::int64_t Brightest(std::int64_t c) {
    return std::max({c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF});
}
std::int64_t Darkest(std::int64_t c) {
    return std::min({c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF});
}

std::uint32_t Le(std::span<const unsigned char> bytes, std::size_t at, int count) {
    std::uint32_t v = 0;
    for (int i = count - 1; i >= 0; --i) v = (v << 8) | bytes[at + static_cast<std::size_t>(i)];
    return v;
}

struct AtomPicture {
    const char* stem;
    std::int32_t width;
    std::int32_t height;
};
constexpr AtomPicture kAtoms[] = {{"atom0", 25, 25}, {"atom1", 26, 26}, {"atom2", 25, 26},
                                  {"atom3", 25, 25}, {"atom4", 25, 25}, {"atom5", 25, 25}};

TEST(SpritePictures, SphereBitmapsAreTenByNineAndAgreePixelForPixel) {
    const gfx::Surface sprite = Picture("sphere_sprite.bmp");
    const gfx::Surface mask = Picture("sphere_mask.bmp");
    ASSERT_EQ(std::make_pair(sprite.width(), sprite.height()), std::make_pair(10, 9));
    ASSERT_EQ(std::make_pair(mask.width(), mask.height()), std::make_pair(10, 9));
    std::int32_t ball = 0;
    for (std::int32_t y = 0; y < 9; ++y) {
        for (std::int32_t x = 0; x < 10; ++x) {
            const std::int64_t m = mask.Point(x, y);
            ASSERT_TRUE(m == 0 || m == 0xFFFFFF) << x << "," << y;
            // Black in the mask exactly where the sprite shows the ball.
            EXPECT_EQ(m == 0, sprite.Point(x, y) != 0) << x << "," << y;
            ball += m == 0;
        }
    }
    EXPECT_EQ(mask.Point(0, 0), 0xFFFFFF);
    EXPECT_EQ(mask.Point(5, 4), 0);
    EXPECT_GT(ball, 60);  // a filled ellipse, not a ring or a dot
    EXPECT_LT(ball, 80);
    const std::int64_t centre = sprite.Point(4, 4);
    EXPECT_GT(centre & 0xFF, 2 * ((centre >> 8) & 0xFF));  // red
}

TEST(SpritePictures, AtomMasksAreBlackWhereTheBallShowsAndWhiteElsewhere) {
    for (const AtomPicture& atom : kAtoms) {
        SCOPED_TRACE(atom.stem);
        const gfx::Surface sprite = Picture(std::string(atom.stem) + "_sprite.jpg");
        const gfx::Surface mask = Picture(std::string(atom.stem) + "_mask.jpg");
        ASSERT_EQ(std::make_pair(sprite.width(), sprite.height()),
                  std::make_pair(atom.width, atom.height));
        ASSERT_EQ(std::make_pair(mask.width(), mask.height()),
                  std::make_pair(atom.width, atom.height));
        std::int32_t ball = 0;
        for (std::int32_t y = 0; y < atom.height; ++y) {
            for (std::int32_t x = 0; x < atom.width; ++x) {
                const std::int64_t m = mask.Point(x, y);
                const std::int64_t s = sprite.Point(x, y);
                if (Brightest(m) < 128) {
                    ++ball;
                    ASSERT_LE(Brightest(m), 32) << x << "," << y;  // black, give or take noise
                } else {
                    ASSERT_GE(Darkest(m), 224) << x << "," << y;  // white, give or take noise
                    // Outside the ball the sprite is black but for compression noise, so
                    // the XOR hardly changes the view there.
                    ASSERT_LE(Brightest(s), 32) << x << "," << y;
                }
                // Wherever the ball visibly shows, the mask has cleared the view.
                if (Brightest(s) >= 64) {
                    ASSERT_LT(Brightest(m), 128) << x << "," << y;
                }
            }
        }
        // A disc filling the picture: pi / 4 of it.
        const double area = static_cast<double>(atom.width) * atom.height;
        EXPECT_NEAR(ball / area, 0.785, 0.03);
        EXPECT_LT(Brightest(mask.Point(atom.width / 2, atom.height / 2)), 32);
        EXPECT_GT(Brightest(sprite.Point(atom.width / 2, atom.height / 2)), 100);
    }
}

TEST(DialogPictures, IconIsOne32By32ImageOf256Colours) {
    const auto ico = assets::Find("tivaro.ico");
    // Directory, bitmap header, palette, one byte a pixel, one bit a pixel of mask.
    ASSERT_EQ(ico.size(), 6u + 16u + 40u + 256u * 4u + 32u * 32u + 32u * 4u);
    EXPECT_EQ(Le(ico, 0, 2), 0u);
    EXPECT_EQ(Le(ico, 2, 2), 1u);  // icon
    EXPECT_EQ(Le(ico, 4, 2), 1u);  // one image
    EXPECT_EQ(ico[6], 32);
    EXPECT_EQ(ico[7], 32);
    const std::size_t image = Le(ico, 18, 4);
    EXPECT_EQ(Le(ico, 14, 4), ico.size() - image);
    EXPECT_EQ(Le(ico, image, 4), 40u);
    EXPECT_EQ(Le(ico, image + 4, 4), 32u);
    EXPECT_EQ(Le(ico, image + 8, 4), 64u);  // colour rows and mask rows
    EXPECT_EQ(Le(ico, image + 14, 2), 8u);  // bits per pixel
    // Many colours in the burst; transparent corners.
    const std::size_t pixels = image + 40 + 256 * 4;
    const std::size_t mask = pixels + 32 * 32;
    std::set<unsigned char> used;
    for (std::size_t row = 0; row < 32; ++row) {
        for (std::size_t x = 0; x < 32; ++x) {
            const bool transparent = (ico[mask + row * 4 + x / 8] >> (7 - x % 8)) & 1;
            if (!transparent) used.insert(ico[pixels + row * 32 + x]);
        }
    }
    EXPECT_GE(used.size(), 24u);
    EXPECT_TRUE(ico[mask] & 0x80);            // bottom-left
    EXPECT_TRUE(ico[mask + 31 * 4 + 3] & 1);  // top-right
}

TEST(DialogPictures, HandCursorPointsWithItsHotSpotAtTheFingertip) {
    const auto cur = assets::Find("hand.cur");
    EXPECT_EQ(Le(cur, 2, 2), 2u);  // cursor
    EXPECT_EQ(cur[6], 32);
    EXPECT_EQ(cur[7], 32);
    EXPECT_EQ(Le(cur, 10, 2), 12u);  // hot spot column
    EXPECT_EQ(Le(cur, 12, 2), 1u);   // hot spot row
    const std::size_t image = Le(cur, 18, 4);
    EXPECT_EQ(Le(cur, image + 14, 2), 1u);  // monochrome
    const std::size_t colour = image + 40 + 2 * 4;
    const std::size_t mask = colour + 32 * 4;
    const auto opaque = [&](std::size_t x, std::size_t y) {
        return ((cur[mask + (31 - y) * 4 + x / 8] >> (7 - x % 8)) & 1) == 0;
    };
    EXPECT_TRUE(opaque(12, 1));   // the tip of the finger is the hot spot
    EXPECT_FALSE(opaque(12, 0));  // nothing above it
    EXPECT_FALSE(opaque(0, 0));

    // The PNG twin for the X11 pointer: the same size.
    const gfx::Surface png = Picture("hand.png");
    EXPECT_EQ(std::make_pair(png.width(), png.height()), std::make_pair(32, 32));
}

}  // namespace
}  // namespace tivaro
