#include <gtest/gtest.h>

#include <cstdint>

#include "toolkit/surface/surface.h"

namespace tivaro::gfx {
namespace {

constexpr Colour kRed = RGB(255, 0, 0);
constexpr Colour kBlue = RGB(0, 0, 255);
constexpr Colour kWhite = RGB(255, 255, 255);

// A surface whose every pixel is distinct: colour RGB(x, y, 7).
Surface Numbered(std::int32_t w, std::int32_t h) {
    Surface s(w, h);
    for (std::int32_t y = 0; y < h; ++y) {
        for (std::int32_t x = 0; x < w; ++x)
            s.SetPixel(x, y, RGB(static_cast<std::uint32_t>(x), static_cast<std::uint32_t>(y), 7));
    }
    return s;
}

TEST(SurfacePixels, StoresRedInTheHighByteAndReadsBackRuntimeColours) {
    Surface s(3, 2, RGB(1, 2, 3));
    EXPECT_EQ(s.pixels()[0], 0x010203u);  // stored as 0x00RRGGBB
    EXPECT_EQ(s.Point(2, 1), RGB(1, 2, 3));
    s.SetPixel(1, 0, kRed);
    EXPECT_EQ(s.pixels()[1], 0xFF0000u);
    EXPECT_EQ(s.Point(1, 0), kRed);
}

TEST(SurfacePixels, OutsideReadsMinusOneAndWritesAreDropped) {
    Surface s(4, 3, kWhite);
    EXPECT_EQ(s.Point(-1, 0), -1);
    EXPECT_EQ(s.Point(4, 0), -1);
    EXPECT_EQ(s.Point(0, 3), -1);
    s.SetPixel(-1, 0, kRed);
    s.SetPixel(4, 2, kRed);
    s.SetPixel(0, 3, kRed);
    for (std::int32_t y = 0; y < 3; ++y) {
        for (std::int32_t x = 0; x < 4; ++x) EXPECT_EQ(s.Point(x, y), kWhite) << x << "," << y;
    }
}

TEST(SurfacePixels, ClearAndResizeUseTheBackColour) {
    Surface s(2, 2, kWhite);
    s.SetPixel(0, 0, kRed);
    s.set_back_colour(kBlue);
    s.Clear();
    EXPECT_EQ(s.Point(0, 0), kBlue);
    s.Resize(5, 1);
    EXPECT_EQ(s.width(), 5);
    EXPECT_EQ(s.Point(4, 0), kBlue);
    s.Resize(-3, 2);
    EXPECT_EQ(s.width(), 0);
    EXPECT_EQ(s.Point(0, 0), -1);
}

TEST(SurfaceLine, LeavesOutTheEndPointInEveryDirection) {
    Surface s(6, 6, 0);
    s.Line(1, 1, 4, 1, kRed);  // rightwards
    EXPECT_EQ(s.Point(1, 1), kRed);
    EXPECT_EQ(s.Point(3, 1), kRed);
    EXPECT_EQ(s.Point(4, 1), 0);
    s.Line(4, 3, 1, 3, kRed);  // leftwards: starts at 4, stops before 1
    EXPECT_EQ(s.Point(4, 3), kRed);
    EXPECT_EQ(s.Point(2, 3), kRed);
    EXPECT_EQ(s.Point(1, 3), 0);
    s.Line(5, 0, 5, 4, kBlue);  // downwards
    EXPECT_EQ(s.Point(5, 0), kBlue);
    EXPECT_EQ(s.Point(5, 3), kBlue);
    EXPECT_EQ(s.Point(5, 4), 0);
    Surface d(4, 4, 0);
    d.Line(0, 0, 3, 3, kWhite);  // diagonal
    EXPECT_EQ(d.Point(0, 0), kWhite);
    EXPECT_EQ(d.Point(2, 2), kWhite);
    EXPECT_EQ(d.Point(3, 3), 0);
    EXPECT_EQ(d.Point(1, 0), 0);
    Surface p(2, 2, 0);
    p.Line(1, 1, 1, 1, kWhite);  // a line to its own start draws nothing
    EXPECT_EQ(p.Point(1, 1), 0);
}

TEST(SurfaceLine, ClipsAtTheEdges) {
    Surface s(4, 3, 0);
    s.Line(-10, 1, 10, 1, kRed);
    for (std::int32_t x = 0; x < 4; ++x) EXPECT_EQ(s.Point(x, 1), kRed);
    EXPECT_EQ(s.Point(0, 0), 0);
    s.Line(2, -5, 2, 20, kBlue);
    EXPECT_EQ(s.Point(2, 0), kBlue);
    EXPECT_EQ(s.Point(2, 2), kBlue);
    s.Line(0, 7, 3, 7, kWhite);  // a row below the image
    EXPECT_EQ(s.Point(0, 2), 0);
}

TEST(SurfaceFillRect, FillsAndClipsOverlappingRectangles) {
    Surface s(5, 4, 0);
    s.FillRect(1, 1, 2, 2, kRed);
    EXPECT_EQ(s.Point(0, 0), 0);
    EXPECT_EQ(s.Point(1, 1), kRed);
    EXPECT_EQ(s.Point(2, 2), kRed);
    EXPECT_EQ(s.Point(3, 2), 0);
    EXPECT_EQ(s.Point(1, 3), 0);
    s.FillRect(-3, -3, 5, 5, kBlue);  // overlaps the top-left corner
    EXPECT_EQ(s.Point(0, 0), kBlue);
    EXPECT_EQ(s.Point(1, 1), kBlue);
    EXPECT_EQ(s.Point(2, 2), kRed);
    s.FillRect(3, 2, 100, 100, kWhite);  // overlaps the bottom-right corner
    EXPECT_EQ(s.Point(4, 3), kWhite);
    EXPECT_EQ(s.Point(3, 2), kWhite);
    EXPECT_EQ(s.Point(2, 3), 0);
}

// These rectangles lie wholly beside the image, or have a negative width: FillRect must
// leave the image (and the memory after it) alone.
TEST(SurfaceFillRect, RectanglesBesideTheImageDrawNothing) {
    Surface s(10, 10, 0);
    s.FillRect(20, 0, 5, 2, kRed);
    s.FillRect(-8, 0, 5, 2, kRed);
    s.FillRect(5, 0, -3, 2, kRed);
    for (std::int32_t y = 0; y < 10; ++y) {
        for (std::int32_t x = 0; x < 10; ++x) EXPECT_EQ(s.Point(x, y), 0);
    }
}

TEST(SurfaceStretchCopy, CopiesUnscaledRectangles) {
    const Surface src = Numbered(8, 6);
    Surface dst(10, 10, 0);
    dst.StretchCopy(src, 2, 1, 3, 2, 5, 6, 3, 2);
    EXPECT_EQ(dst.Point(5, 6), src.Point(2, 1));
    EXPECT_EQ(dst.Point(7, 7), src.Point(4, 2));
    EXPECT_EQ(dst.Point(8, 7), 0);
    EXPECT_EQ(dst.Point(5, 8), 0);
}

TEST(SurfaceStretchCopy, StretchesAndShrinksNearestNeighbour) {
    const Surface src = Numbered(4, 4);
    Surface dst(8, 8, 0);
    dst.StretchCopy(src, 0, 0, 2, 2, 0, 0, 4, 4);  // twice the size
    EXPECT_EQ(dst.Point(0, 0), src.Point(0, 0));
    EXPECT_EQ(dst.Point(1, 1), src.Point(0, 0));
    EXPECT_EQ(dst.Point(2, 1), src.Point(1, 0));
    EXPECT_EQ(dst.Point(3, 3), src.Point(1, 1));
    EXPECT_EQ(dst.Point(4, 0), 0);
    Surface small(2, 2, 0);
    small.StretchCopy(src, 0, 0, 4, 4, 0, 0, 2, 2);  // half the size: every other pixel
    EXPECT_EQ(small.Point(0, 0), src.Point(0, 0));
    EXPECT_EQ(small.Point(1, 0), src.Point(2, 0));
    EXPECT_EQ(small.Point(1, 1), src.Point(2, 2));
}

TEST(SurfaceStretchCopy, ClipsAtBothImagesEdges) {
    const Surface src = Numbered(4, 4);
    Surface dst(4, 4, 0);
    dst.StretchCopy(src, 0, 0, 4, 4, -2, -1, 4, 4);  // hangs over the top-left
    EXPECT_EQ(dst.Point(0, 0), src.Point(2, 1));
    EXPECT_EQ(dst.Point(1, 2), src.Point(3, 3));
    EXPECT_EQ(dst.Point(2, 0), 0);
    Surface dst2(4, 4, 0);
    dst2.StretchCopy(src, 2, 2, 4, 4, 0, 0, 4, 4);  // reads past the source's corner
    EXPECT_EQ(dst2.Point(0, 0), src.Point(2, 2));
    EXPECT_EQ(dst2.Point(1, 1), src.Point(3, 3));
    EXPECT_EQ(dst2.Point(2, 2), 0);
    EXPECT_EQ(dst2.Point(2, 0), 0);
    Surface dst3(4, 4, 0);
    dst3.StretchCopy(src, 0, 0, 4, 4, 3, 3, 0, 4);   // empty destination
    dst3.StretchCopy(src, 0, 0, -4, 4, 0, 0, 4, 4);  // empty source
    EXPECT_EQ(dst3.Point(3, 3), 0);
    EXPECT_EQ(dst3.Point(0, 0), 0);
}

TEST(SurfaceBitBlt, CombinesKnownPixelsByRasterOperation) {
    Surface src(2, 1);
    src.SetPixel(0, 0, RGB(0xF0, 0x0F, 0xFF));
    src.SetPixel(1, 0, RGB(0x00, 0xFF, 0x00));
    Surface copy(2, 1, RGB(0x55, 0x55, 0x55));
    copy.BitBlt(0, 0, 2, 1, src, 0, 0, RasterOp::SrcCopy);
    EXPECT_EQ(copy.Point(0, 0), RGB(0xF0, 0x0F, 0xFF));
    EXPECT_EQ(copy.Point(1, 0), RGB(0x00, 0xFF, 0x00));
    Surface anded(2, 1, RGB(0x3C, 0x3C, 0x0F));
    anded.BitBlt(0, 0, 2, 1, src, 0, 0, RasterOp::SrcAnd);
    EXPECT_EQ(anded.Point(0, 0), RGB(0x30, 0x0C, 0x0F));
    EXPECT_EQ(anded.Point(1, 0), RGB(0x00, 0x3C, 0x00));
    Surface xored(2, 1, RGB(0x3C, 0x3C, 0x0F));
    xored.BitBlt(0, 0, 2, 1, src, 0, 0, RasterOp::SrcInvert);
    EXPECT_EQ(xored.Point(0, 0), RGB(0xCC, 0x33, 0xF0));
    EXPECT_EQ(xored.Point(1, 0), RGB(0x3C, 0xC3, 0x0F));
    // Sprite drawing: mask with SrcAnd, then sprite with SrcInvert, restores the sprite
    // where the mask is black and the background where it is white.
    Surface mask(2, 1, 0);
    mask.SetPixel(1, 0, kWhite);
    Surface sprite(2, 1, 0);
    sprite.SetPixel(0, 0, kRed);
    Surface scene(2, 1, kBlue);
    scene.BitBlt(0, 0, 2, 1, mask, 0, 0, RasterOp::SrcAnd);
    scene.BitBlt(0, 0, 2, 1, sprite, 0, 0, RasterOp::SrcInvert);
    EXPECT_EQ(scene.Point(0, 0), kRed);
    EXPECT_EQ(scene.Point(1, 0), kBlue);
}

TEST(SurfaceBitBlt, ClipsAgainstDestinationAndSource) {
    const Surface src = Numbered(4, 4);
    Surface dst(4, 4, 0);
    dst.BitBlt(-1, 2, 4, 4, src, 0, 0, RasterOp::SrcCopy);
    EXPECT_EQ(dst.Point(0, 2), src.Point(1, 0));
    EXPECT_EQ(dst.Point(2, 3), src.Point(3, 1));
    EXPECT_EQ(dst.Point(3, 2), 0);  // past the source's right edge
    EXPECT_EQ(dst.Point(0, 1), 0);
    Surface dst2(4, 4, 0);
    dst2.BitBlt(0, 0, 4, 4, src, -1, -2, RasterOp::SrcCopy);  // source starts outside
    EXPECT_EQ(dst2.Point(0, 0), 0);
    EXPECT_EQ(dst2.Point(1, 2), src.Point(0, 0));
    EXPECT_EQ(dst2.Point(3, 3), src.Point(2, 1));
}

// A blit whose destination lies wholly right of the image must copy nothing (it used to
// pass a negative length to the copy).
TEST(SurfaceBitBlt, DestinationBesideTheImageCopiesNothing) {
    const Surface src = Numbered(4, 4);
    Surface dst(10, 10, 0);
    dst.BitBlt(12, 0, 4, 4, src, 0, 0, RasterOp::SrcCopy);
    dst.BitBlt(0, 0, 4, 4, src, 6, 0, RasterOp::SrcCopy);
    for (std::int32_t y = 0; y < 10; ++y) {
        for (std::int32_t x = 0; x < 10; ++x) EXPECT_EQ(dst.Point(x, y), 0);
    }
}

GradientVertex Vertex(std::int32_t x, std::int32_t y, std::uint16_t r, std::uint16_t g,
                      std::uint16_t b) {
    return {x, y, r, g, b, 0};
}

TEST(SurfaceGradient, FirstMiddleAndLastRowsOfAVerticalGradient) {
    // The button's gradient on a 73 x 25 face: white at the top, (198, 197, 215) towards
    // the bottom; each channel is top + (bottom - top) * row / 24, truncated.
    Surface s(73, 25, kBlue);
    s.GradientFillV(Vertex(0, 0, 0xFF00, 0xFF00, 0xFF00), Vertex(72, 24, 0xC600, 0xC500, 0xD700));
    EXPECT_EQ(s.Point(0, 0), RGB(255, 255, 255));
    EXPECT_EQ(s.Point(71, 0), RGB(255, 255, 255));
    // Row 12: 255 - 57 * 12 / 24 = 226.5 -> 226; 255 - 58 / 2 = 226; 255 - 40 / 2 = 235.
    EXPECT_EQ(s.Point(30, 12), RGB(226, 226, 235));
    // Row 23, the last one filled: 255 - 57 * 23 / 24 = 200.375 -> 200; 199.4 -> 199;
    // 216.67 -> 216.
    EXPECT_EQ(s.Point(0, 23), RGB(200, 199, 216));
    // The rectangle's right column and bottom row are left out, as GDI does.
    EXPECT_EQ(s.Point(72, 10), kBlue);
    EXPECT_EQ(s.Point(10, 24), kBlue);
}

TEST(SurfaceGradient, VertexOrderDoesNotMatterButTheirRowsDo) {
    Surface a(4, 5, 0);
    Surface b(4, 5, 0);
    const GradientVertex top = Vertex(0, 0, 0, 0, 0);
    const GradientVertex bottom = Vertex(4, 5, 0xFF00, 0, 0);
    a.GradientFillV(top, bottom);
    b.GradientFillV(bottom, top);  // lower-right given first, as the button does
    for (std::int32_t y = 0; y < 5; ++y) EXPECT_EQ(a.Point(2, y), b.Point(2, y));
    EXPECT_EQ(a.Point(0, 0), RGB(0, 0, 0));
    EXPECT_EQ(a.Point(0, 4), RGB(204, 0, 0));  // 255 * 4 / 5
    // The inverted gradient: the colour belongs to the vertex's row, not to its order.
    Surface inv(4, 5, 0);
    inv.GradientFillV(Vertex(4, 5, 0, 0, 0), Vertex(0, 0, 0xFF00, 0, 0));
    EXPECT_EQ(inv.Point(0, 0), RGB(255, 0, 0));
    EXPECT_EQ(inv.Point(0, 4), RGB(51, 0, 0));
}

TEST(SurfaceGradient, ClipsAtTheEdgesWithoutShiftingTheColours) {
    // A gradient from row -10 to row 10 over a 3-row image: the rows that show carry the
    // colours of rows 0 to 2 of the whole gradient.
    Surface s(3, 3, kBlue);
    s.GradientFillV(Vertex(-5, -10, 0, 0, 0), Vertex(2, 10, 0xFF00, 0, 0));
    EXPECT_EQ(s.Point(0, 0), RGB(127, 0, 0));  // 255 * 10 / 20 = 127.5 -> 127
    EXPECT_EQ(s.Point(1, 2), RGB(153, 0, 0));  // 255 * 12 / 20
    EXPECT_EQ(s.Point(2, 1), kBlue);           // right of the rectangle
    Surface flat(3, 3, kBlue);
    flat.GradientFillV(Vertex(0, 1, 0xFF00, 0, 0), Vertex(3, 1, 0, 0, 0));  // no height
    flat.GradientFillV(Vertex(1, 0, 0xFF00, 0, 0), Vertex(1, 3, 0, 0, 0));  // no width
    for (std::int32_t y = 0; y < 3; ++y) {
        for (std::int32_t x = 0; x < 3; ++x) EXPECT_EQ(flat.Point(x, y), kBlue);
    }
}

TEST(SurfaceGradient, AGradientBesideTheImageDrawsNothing) {
    Surface s(10, 10, 0);
    s.GradientFillV(Vertex(20, 0, 0xFF00, 0, 0), Vertex(30, 5, 0, 0, 0));
    for (std::int32_t y = 0; y < 10; ++y) {
        for (std::int32_t x = 0; x < 10; ++x) EXPECT_EQ(s.Point(x, y), 0);
    }
}

}  // namespace
}  // namespace tivaro::gfx
