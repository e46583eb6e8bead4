// Decoding the stored pictures: channel order, orientation, and refusal of broken data.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "assets/assets.h"
#include "toolkit/image/decode.h"
#include "toolkit/runtime/errors.h"

#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb/stb_image_write.h>

namespace tivaro::image {
namespace {

using Bytes = std::vector<unsigned char>;

void PutLE(Bytes& b, std::uint32_t value, int count) {
    for (int i = 0; i < count; ++i) b.push_back(static_cast<unsigned char>(value >> (8 * i)));
}

// A 24-bit bitmap, 3 x 2: rows bottom-up, blue-green-red, each row padded to 4 bytes.
Bytes SmallBitmap() {
    Bytes b = {'B', 'M'};
    const std::uint32_t row = 12;  // 9 bytes of pixels + 3 of padding
    PutLE(b, 54 + 2 * row, 4);
    PutLE(b, 0, 4);
    PutLE(b, 54, 4);
    PutLE(b, 40, 4);
    PutLE(b, 3, 4);
    PutLE(b, 2, 4);
    PutLE(b, 1, 2);
    PutLE(b, 24, 2);
    PutLE(b, 0, 4);
    PutLE(b, 2 * row, 4);
    for (int i = 0; i < 4; ++i) PutLE(b, 0, 4);
    // Bottom row: (0,1) red, (1,1) green, (2,1) blue. Top row: white, grey, black.
    const Bytes pixels = {0,   0,   255, 0,   255, 0,   255, 0, 0, 0, 0, 0,
                          255, 255, 255, 128, 128, 128, 0,   0, 0, 0, 0, 0};
    b.insert(b.end(), pixels.begin(), pixels.end());
    return b;
}

Bytes Png(int width, int height, const unsigned char* rgba) {
    Bytes png;
    stbi_write_png_to_func(
        [](void* context, void* data, int size) {
            auto* out = static_cast<Bytes*>(context);
            const auto* bytes = static_cast<const unsigned char*>(data);
            out->insert(out->end(), bytes, bytes + size);
        },
        &png, width, height, 4, rgba, width * 4);
    return png;
}

std::string Failure(const Bytes& bytes) {
    try {
        DecodePicture(bytes);
    } catch (const rt::RuntimeError& e) {
        return e.what();
    }
    return "";
}

TEST(DecodePicture, BitmapPixelsComeOutTopDownInRuntimeColours) {
    const gfx::Surface s = DecodePicture(SmallBitmap());
    ASSERT_EQ(s.width(), 3);
    ASSERT_EQ(s.height(), 2);
    EXPECT_EQ(s.Point(0, 0), 0xFFFFFF);
    EXPECT_EQ(s.Point(1, 0), 0x808080);
    EXPECT_EQ(s.Point(2, 0), 0x000000);
    EXPECT_EQ(s.Point(0, 1), gfx::RGB(255, 0, 0));
    EXPECT_EQ(s.Point(1, 1), gfx::RGB(0, 255, 0));
    EXPECT_EQ(s.Point(2, 1), gfx::RGB(0, 0, 255));
}

TEST(DecodePicture, PngWithAlphaLosesOnlyTheAlpha) {
    const unsigned char rgba[2 * 1 * 4] = {10, 20, 30, 0, 200, 150, 100, 255};
    Bytes png = Png(2, 1, rgba);
    const gfx::Surface s = DecodePicture(png);
    ASSERT_EQ(s.width(), 2);
    EXPECT_EQ(s.Point(0, 0), gfx::RGB(10, 20, 30));
    EXPECT_EQ(s.Point(1, 0), gfx::RGB(200, 150, 100));
    // Pointers and icons keep it: 0xAARRGGBB.
    const RgbaPicture kept = DecodeRgba(png);
    ASSERT_EQ(kept.pixels.size(), 2u);
    EXPECT_EQ(kept.pixels[0], 0x000A141Eu);
    EXPECT_EQ(kept.pixels[1], 0xFFC89664u);

    png.resize(png.size() / 2);
    EXPECT_NE(Failure(png), "");
}

TEST(DecodePicture, TheEarthPhotoIsALeftLitGlobeOnBlack) {
    const gfx::Surface earth = DecodePicture(assets::Find("earth.jpg"));
    ASSERT_EQ(earth.width(), 320);
    ASSERT_EQ(earth.height(), 320);
    const auto brightness = [&](std::int32_t x, std::int32_t y) {
        const auto c = static_cast<std::uint32_t>(earth.Point(x, y));
        return (c & 0xFF) + ((c >> 8) & 0xFF) + ((c >> 16) & 0xFF);
    };
    for (const auto& [x, y] :
         {std::pair{0, 0}, std::pair{319, 0}, std::pair{0, 319}, std::pair{319, 319}}) {
        EXPECT_LT(brightness(x, y), 24u) << "corner " << x << "," << y;
    }
    std::uint64_t left = 0;
    std::uint64_t right = 0;
    std::uint64_t red = 0;
    std::uint64_t blue = 0;
    for (std::int32_t y = 0; y < 320; ++y) {
        for (std::int32_t x = 0; x < 320; ++x) {
            const auto c = static_cast<std::uint32_t>(earth.Point(x, y));
            (x < 160 ? left : right) += brightness(x, y);
            red += c & 0xFF;
            blue += (c >> 16) & 0xFF;
        }
    }
    EXPECT_GT(left, 2 * right) << "lit from the left";
    EXPECT_GT(blue, red) << "a blue planet";
}

// A picture cut short is refused whatever the decoder would make of it: a JPEG cut just
// before its end-of-image marker, or a PNG just before its IEND chunk, holds every pixel and
// decodes, but is no whole picture.
// The reason DecodeRgba gives for refusing `bytes` cut to `size`, and that it is the error of
// a bad picture; empty when the cut picture decodes.
std::string RefusalWhenCut(const Bytes& bytes, std::size_t size) {
    try {
        DecodeRgba(Bytes(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(size)));
    } catch (const rt::RuntimeError& e) {
        EXPECT_EQ(e.number(), rt::ErrorNumber::InvalidProcedureCall);
        return e.what();
    }
    return "";
}

TEST(DecodePicture, APictureCutShortIsRefusedByItsEnd) {
    const std::span<const unsigned char> earth = assets::Find("earth.jpg");
    const Bytes jpeg(earth.begin(), earth.end());
    std::vector<unsigned char> rgba(64 * 64 * 4);
    for (std::size_t i = 0; i < rgba.size(); ++i) rgba[i] = static_cast<unsigned char>(i * 37);
    const Bytes png = Png(64, 64, rgba.data());
    EXPECT_EQ(RefusalWhenCut(jpeg, jpeg.size()), "");
    EXPECT_EQ(RefusalWhenCut(png, png.size()), "");
    // Cut just before the JPEG's end-of-image marker or the PNG's IEND chunk, a picture
    // holds every pixel, and a decoder may well show it.
    const std::pair<const Bytes*, std::string> cases[] = {
        {&jpeg, "truncated JPEG: no end-of-image marker"},
        {&png, "truncated PNG: no IEND chunk"},
    };
    for (const auto& [picture, reason] : cases) {
        const std::size_t size = picture->size();
        const std::size_t end_length = picture == &png ? 12 : 2;
        for (const std::size_t cut : {size - end_length, size - 1, size / 2}) {
            const std::string message = RefusalWhenCut(*picture, cut);
            EXPECT_NE(message.find(reason), std::string::npos) << cut << ": " << message;
        }
    }
}

TEST(DecodePicture, BrokenDataRaisesARuntimeError) {
    const std::span<const unsigned char> jpeg = assets::Find("earth.jpg");
    const Bytes whole(jpeg.begin(), jpeg.end());
    EXPECT_EQ(Failure(whole), "");

    EXPECT_NE(Failure(Bytes(whole.begin(),
                            whole.begin() + static_cast<std::ptrdiff_t>(whole.size() / 2))),
              "");
    EXPECT_NE(Failure(Bytes(whole.begin(), whole.end() - 2)), "") << "no end-of-image marker";
    EXPECT_NE(Failure(Bytes(whole.begin(), whole.begin() + 20)), "");

    Bytes bitmap = SmallBitmap();
    bitmap.pop_back();
    EXPECT_NE(Failure(bitmap), "") << "a bitmap one byte short";
    bitmap.resize(20);
    EXPECT_NE(Failure(bitmap), "") << "a cut-off bitmap header";

    const std::string text = "this is not a picture at all, only some words";
    EXPECT_NE(Failure(Bytes(text.begin(), text.end())), "");
    EXPECT_NE(Failure(Bytes{}), "");
    Bytes garbage(4096);
    for (std::size_t i = 0; i < garbage.size(); ++i)
        garbage[i] = static_cast<unsigned char>(i * 7919 >> 3);
    garbage[0] = 0xFF;
    garbage[1] = 0xD8;  // a JPEG start, then noise
    const std::string message = Failure(garbage);
    EXPECT_NE(message.find("unreadable picture"), std::string::npos) << message;
}

}  // namespace
}  // namespace tivaro::image
