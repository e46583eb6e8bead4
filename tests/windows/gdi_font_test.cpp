// The GDI fonts under the labels: face choice and fallback, sizes, unsmoothed and smoothed
// drawing with a transparent background, clipping and the rules of underlined text.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>

#include "toolkit/surface/surface.h"
#include "toolkit/text/font.h"
#include "platform/win32/gdi_font.h"
#include "platform/win32/wide_text.h"

namespace tivaro::text {
namespace {

constexpr gfx::Colour kWhite = 0xFFFFFF;
constexpr gfx::Colour kBlack = 0;

FontDesc Gothic(double size = 9.0) {
    FontDesc d = DefaultUiFont();
    d.size = size;
    return d;
}

struct Ink {
    std::int32_t left = 1 << 30, top = 1 << 30, right = -1, bottom = -1;  // inclusive
    int count = 0;
    int partial = 0;  // pixels between the back colour and the full ink colour
};

Ink InkOf(const gfx::Surface& s, gfx::Colour back, gfx::Colour ink) {
    Ink b;
    for (std::int32_t y = 0; y < s.height(); ++y) {
        for (std::int32_t x = 0; x < s.width(); ++x) {
            const auto p = s.Point(x, y);
            if (p == back) continue;
            ++b.count;
            if (p != ink) ++b.partial;
            b.left = std::min(b.left, x);
            b.right = std::max(b.right, x);
            b.top = std::min(b.top, y);
            b.bottom = std::max(b.bottom, y);
        }
    }
    return b;
}

TEST(GdiFontChoice, AMissingFaceFallsBackToAProportionalSansFaceOfItsCharacterSet) {
    EXPECT_FALSE(FaceInstalled(L"No Such Face 12345"));
    EXPECT_FALSE(FaceInstalled(L""));
    const std::wstring japanese = ProportionalSansFace(SHIFTJIS_CHARSET);
    const std::wstring western = ProportionalSansFace(ANSI_CHARSET);
    ASSERT_FALSE(japanese.empty());
    ASSERT_FALSE(western.empty());
    EXPECT_TRUE(FaceInstalled(japanese));
    EXPECT_TRUE(FaceInstalled(western));
    EXPECT_NE(japanese.front(), L'@');  // never the vertical-writing variant

    FontDesc d = Gothic(9.75);
    d.weight = 700;
    d.italic = true;
    const LOGFONTW named = LogFontFor(d, L"\xFF2D\xFF33 \xFF30\x30B4\x30B7\x30C3\x30AF");
    EXPECT_EQ(named.lfHeight, -13);  // the em, 9.75 pt at 96 dpi
    EXPECT_EQ(named.lfWeight, 700);
    EXPECT_TRUE(named.lfItalic);
    EXPECT_EQ(named.lfCharSet, SHIFTJIS_CHARSET);
    EXPECT_EQ(std::wstring(named.lfFaceName), L"\xFF2D\xFF33 \xFF30\x30B4\x30B7\x30C3\x30AF");
    EXPECT_EQ(named.lfQuality, NONANTIALIASED_QUALITY);

    const LOGFONTW unnamed = LogFontFor(Gothic(14), L"");
    EXPECT_EQ(unnamed.lfFaceName[0], L'\0');
    EXPECT_EQ(unnamed.lfPitchAndFamily, VARIABLE_PITCH | FF_SWISS);
    EXPECT_EQ(unnamed.lfCharSet, SHIFTJIS_CHARSET);
    EXPECT_EQ(unnamed.lfHeight, -19);
    EXPECT_EQ(unnamed.lfQuality, ANTIALIASED_QUALITY);  // above 16 px
}

TEST(GdiFontChoice, TheGothicAlwaysGivesAProportionalFace) {
    const auto font = OpenFont(Gothic());
    if (!FaceInstalled(L"\xFF2D\xFF33 \xFF30\x30B4\x30B7\x30C3\x30AF")) {
        EXPECT_EQ(font->Family(), platform::win32::Narrow(ProportionalSansFace(SHIFTJIS_CHARSET)));
    }
    EXPECT_EQ(font->PixelSize(), 12);
    EXPECT_GE(font->Measure("Ag").height, 12);
    // Proportional: an i is narrower than a W.
    EXPECT_LT(font->Measure("iiii").width, font->Measure("WWWW").width);
    EXPECT_EQ(font->Measure("").width, 0);
    EXPECT_EQ(font->Measure("").height, font->Measure("Exit").height);
    EXPECT_EQ(OpenFont(Gothic()).get(), font.get());  // cached
    EXPECT_NE(OpenFont(Gothic(20)).get(), font.get());
}

TEST(GdiFontDrawing, SmallTextIsUnsmoothedAndStaysInsideItsCell) {
    const auto font = OpenFont(Gothic());
    gfx::Surface s(80, 30, kWhite);
    font->Draw(s, 10, 5, "Exit", kBlack);
    const TextExtent extent = font->Measure("Exit");
    const Ink ink = InkOf(s, kWhite, kBlack);
    ASSERT_GT(ink.count, 10);
    EXPECT_EQ(ink.partial, 0);  // one ink level
    EXPECT_GE(ink.left, 10);
    EXPECT_LE(ink.right, 10 + extent.width);
    EXPECT_GE(ink.top, 5);
    EXPECT_LT(ink.bottom, 5 + extent.height);
}

TEST(GdiFontDrawing, LargeTextIsBlendedOverWhatIsThere) {
    const auto font = OpenFont(Gothic(20));
    gfx::Surface s(60, 60, 0xC80000);    // RGB(0, 0, 200)
    font->Draw(s, 4, 4, "O", 0x0000FF);  // red
    const Ink ink = InkOf(s, 0xC80000, 0x0000FF);
    EXPECT_GT(ink.count - ink.partial, 10);  // full red where the ink covers the pixel
    EXPECT_GT(ink.partial, 0);               // red over blue at the edges
}

TEST(GdiFontDrawing, ClipsToTheRectangleAndTheSurfaceEdges) {
    const auto font = OpenFont(Gothic());
    gfx::Surface s(60, 20, kWhite);
    const ClipRect clip{5, 0, 15, 20};
    font->Draw(s, 0, 2, "WWWW", kBlack, &clip);
    const Ink ink = InkOf(s, kWhite, kBlack);
    ASSERT_GT(ink.count, 0);
    EXPECT_GE(ink.left, 5);
    EXPECT_LE(ink.right, 14);
    gfx::Surface edge(8, 8, kWhite);
    font->Draw(edge, -6, -6, "WW", kBlack);  // hangs over the top-left corner
    font->Draw(edge, 5, 5, "WW", kBlack);    // and the bottom-right one
    EXPECT_GT(InkOf(edge, kWhite, kBlack).count, 0);
    gfx::Surface outside(8, 8, kWhite);
    font->Draw(outside, 20, 20, "W", kBlack);
    EXPECT_EQ(InkOf(outside, kWhite, kBlack).count, 0);
}

TEST(GdiFontDrawing, UnderlineRulesTheWholeAdvanceAndPlainTextDoesNot) {
    FontDesc d = Gothic(9.0);
    const auto plain = OpenFont(d);
    d.underline = true;
    const auto ruled = OpenFont(d);
    auto longest_row = [](const gfx::Surface& s) {
        int longest = 0;
        for (std::int32_t y = 0; y < s.height(); ++y) {
            int run = 0;
            for (std::int32_t x = 0; x < s.width(); ++x) run += s.Point(x, y) == kBlack ? 1 : 0;
            longest = std::max(longest, run);
        }
        return longest;
    };
    const std::string text = "Designed by Ordune";
    gfx::Surface a(200, 20, kWhite);
    gfx::Surface b(200, 20, kWhite);
    plain->Draw(a, 2, 2, text, kBlack);
    ruled->Draw(b, 2, 2, text, kBlack);
    const std::int32_t width = ruled->Measure(text).width;
    EXPECT_LT(longest_row(a), width / 2);
    EXPECT_GE(longest_row(b), width - 1);
}

TEST(GdiFontDrawing, JapaneseTextGetsGlyphs) {
    const auto font = OpenFont(Gothic());
    gfx::Surface s(60, 20, kWhite);
    font->Draw(s, 0, 0, "\xE7\xB5\x82\xE4\xBA\x86", kBlack);  // 終了
    EXPECT_GT(InkOf(s, kWhite, kBlack).count, 20);
    EXPECT_GE(font->Measure("\xE7\xB5\x82\xE4\xBA\x86").width, 2 * 9);
}

}  // namespace
}  // namespace tivaro::text
