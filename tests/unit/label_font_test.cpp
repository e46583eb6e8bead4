// Fonts and text drawing under the labels: face mapping, sizes, antialiased drawing with a
// transparent background, clipping, the disabled look, and UTF-8.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "toolkit/surface/surface.h"
#include "toolkit/text/font.h"
#include "toolkit/text/freetype_font.h"
#include "toolkit/text/utf8.h"

namespace tivaro::text {
namespace {

constexpr gfx::Colour kWhite = gfx::RGB(255, 255, 255);

FontDesc Gothic(double size = 9.75) {
    FontDesc d;
    d.name = kUiGothicFace;
    d.size = size;
    d.weight = 400;
    d.charset = kShiftJisCharset;
    return d;
}

struct Box {
    std::int32_t left = 1 << 30, top = 1 << 30, right = -1, bottom = -1;  // right/bottom inclusive
    int count = 0;
};

// Pixels that differ from `back`.
Box Ink(const gfx::Surface& s, gfx::Colour back) {
    Box b;
    for (std::int32_t y = 0; y < s.height(); ++y) {
        for (std::int32_t x = 0; x < s.width(); ++x) {
            if (s.Point(x, y) == back) continue;
            ++b.count;
            b.left = std::min(b.left, x);
            b.right = std::max(b.right, x);
            b.top = std::min(b.top, y);
            b.bottom = std::max(b.bottom, y);
        }
    }
    return b;
}

TEST(FontFaces, PointSizesBecomeWholePixelsAt96Dpi) {
    EXPECT_EQ(PointsToPixels(9.75), 13);
    EXPECT_EQ(PointsToPixels(9.0), 12);
    EXPECT_EQ(PointsToPixels(8.25), 11);
    EXPECT_EQ(PointsToPixels(14.0), 19);    // 18.67
    EXPECT_EQ(PointsToPixels(10.125), 14);  // 13.5 rounds half to even
}

TEST(FontFaces, TheJapaneseGothicMapsToIpaPGothicThenAnyProportionalSans) {
    const auto families = FamiliesFor(kUiGothicFace);
    ASSERT_EQ(families.size(), 2u);
    EXPECT_EQ(families[0], "IPAPGothic");
    EXPECT_EQ(families[1], "sans-serif");
    EXPECT_EQ(FamiliesFor("MS PGothic")[0], "IPAPGothic");
    EXPECT_EQ(FamiliesFor("DejaVu Serif")[0], "DejaVu Serif");  // real faces pass through
    EXPECT_EQ(FamiliesFor("")[0], "sans-serif");
    // fonts-ipafont-gothic is installed on every machine that builds us.
    const ResolvedFace face = ResolveFace(Gothic());
    EXPECT_EQ(face.family, "IPAPGothic");
    EXPECT_NE(face.file.find("ipagp"), std::string::npos) << face.file;
    EXPECT_FALSE(face.embolden);
}

TEST(FontFaces, AnUnknownFaceFallsBackToAnInstalledFace) {
    FontDesc d;
    d.name = "No Such Face 12345";
    const ResolvedFace face = ResolveFace(d);
    EXPECT_FALSE(face.file.empty());
    EXPECT_NE(face.family, "No Such Face 12345");
    const auto font = OpenFont(d);
    EXPECT_GT(font->Measure("Exit").width, 0);
}

TEST(FontFaces, BoldWithoutABoldFileIsEmboldened) {
    FontDesc d = Gothic(14);
    d.weight = 700;
    EXPECT_TRUE(ResolveFace(d).embolden);  // IPAPGothic has one weight
    const auto regular = OpenFont(Gothic(14));
    const auto bold = OpenFont(d);
    EXPECT_GT(bold->Measure("Exit").width, regular->Measure("Exit").width);
}

TEST(FontFaces, EqualDescriptionsShareOneRenderedFont) {
    const auto a = OpenFont(Gothic());
    const auto b = OpenFont(Gothic());
    EXPECT_EQ(a.get(), b.get());
    EXPECT_NE(a.get(), OpenFont(Gothic(9.0)).get());
    EXPECT_EQ(a->PixelSize(), 13);
    EXPECT_EQ(a->Family(), "IPAPGothic");
    EXPECT_EQ(a->Measure("Exit").height, a->Measure("").height);
    EXPECT_GE(a->Measure("Exit").height, 13);
    EXPECT_EQ(a->Measure("").width, 0);
    EXPECT_GT(a->Measure("Exit!").width, a->Measure("Exit").width);
}

TEST(FontDrawing, SmallTextIsUnsmoothedAndStaysInsideTheMeasuredCell) {
    const auto font = OpenFont(Gothic());
    gfx::Surface s(60, 30, kWhite);
    font->Draw(s, 10, 5, "Exit", 0);
    const TextExtent extent = font->Measure("Exit");
    const Box ink = Ink(s, kWhite);
    ASSERT_GT(ink.count, 10);
    EXPECT_GE(ink.left, 10);
    EXPECT_LT(ink.right, 10 + extent.width + 1);
    EXPECT_GE(ink.top, 5);
    EXPECT_LT(ink.bottom, 5 + extent.height);
    int black = 0;
    int other = 0;
    for (std::int32_t y = 0; y < s.height(); ++y) {
        for (std::int32_t x = 0; x < s.width(); ++x) {
            const auto p = s.Point(x, y);
            black += p == 0 ? 1 : 0;
            other += p != 0 && p != kWhite ? 1 : 0;
        }
    }
    EXPECT_EQ(black, ink.count);
    EXPECT_EQ(other, 0);
}

TEST(FontDrawing, BlendsTheColourOverWhatIsThere) {
    const auto font = OpenFont(Gothic(20));
    gfx::Surface s(40, 40, gfx::RGB(0, 0, 200));
    font->Draw(s, 2, 2, "I", gfx::RGB(255, 0, 0));
    bool full = false;
    bool mixed = false;
    for (std::int32_t y = 0; y < s.height(); ++y) {
        for (std::int32_t x = 0; x < s.width(); ++x) {
            const auto p = s.Point(x, y);
            full = full || p == gfx::RGB(255, 0, 0);
            const auto r = p & 0xFF;
            const auto b = (p >> 16) & 0xFF;
            mixed = mixed || (r > 0 && r < 255 && b > 0 && b < 200);
        }
    }
    EXPECT_TRUE(full);
    EXPECT_TRUE(mixed);
}

TEST(FontDrawing, ClipsToTheRectangleAndTheSurface) {
    const auto font = OpenFont(Gothic());
    gfx::Surface s(40, 20, kWhite);
    const ClipRect clip{5, 0, 15, 20};
    font->Draw(s, 0, 2, "WWWW", 0, &clip);
    const Box ink = Ink(s, kWhite);
    ASSERT_GT(ink.count, 0);
    EXPECT_GE(ink.left, 5);
    EXPECT_LE(ink.right, 14);
    gfx::Surface edge(8, 8, kWhite);
    font->Draw(edge, -6, -6, "WW", 0);  // hangs over the top-left corner
    font->Draw(edge, 5, 5, "WW", 0);    // and the bottom-right one
    EXPECT_GT(Ink(edge, kWhite).count, 0);
}

TEST(FontDrawing, DisabledTextIsGreyOverAWhiteCopyOnePixelDownRight) {
    const auto font = OpenFont(Gothic(20));
    gfx::Surface s(40, 40, 0);
    font->DrawDisabled(s, 5, 5, "I");
    gfx::Surface grey_only(40, 40, 0);
    font->Draw(grey_only, 5, 5, "I", gfx::RGB(128, 128, 128));
    int white = 0;
    int grey = 0;
    for (std::int32_t y = 0; y < s.height(); ++y) {
        for (std::int32_t x = 0; x < s.width(); ++x) {
            const auto p = s.Point(x, y);
            if (p == gfx::RGB(128, 128, 128)) ++grey;
            if (p == kWhite) {
                ++white;
                // Pure white shows only where the grey text leaves the pixel alone.
                EXPECT_EQ(grey_only.Point(x, y), 0) << x << "," << y;
            }
        }
    }
    EXPECT_GT(grey, 0);
    EXPECT_GT(white, 0);
    const Box ink = Ink(s, 0);
    const Box grey_ink = Ink(grey_only, 0);
    EXPECT_EQ(ink.right, grey_ink.right + 1);
    EXPECT_EQ(ink.bottom, grey_ink.bottom + 1);
    EXPECT_EQ(ink.left, grey_ink.left);
}

TEST(FontDrawing, UnderlineAndStrikethroughRuleTheWholeAdvance) {
    FontDesc d = Gothic(20);
    const auto plain = OpenFont(d);
    d.underline = true;
    d.strikethrough = true;
    const auto ruled = OpenFont(d);
    gfx::Surface a(80, 40, kWhite);
    gfx::Surface b(80, 40, kWhite);
    plain->Draw(a, 4, 4, "i i", 0);
    ruled->Draw(b, 4, 4, "i i", 0);
    const std::int32_t width = ruled->Measure("i i").width;
    int full_rows = 0;
    for (std::int32_t y = 0; y < 40; ++y) {
        bool all = true;
        for (std::int32_t x = 4; x < 4 + width; ++x) all = all && b.Point(x, y) == 0;
        full_rows += all ? 1 : 0;
        bool plain_all = true;
        for (std::int32_t x = 4; x < 4 + width; ++x) plain_all = plain_all && a.Point(x, y) == 0;
        EXPECT_FALSE(plain_all) << y;
    }
    EXPECT_GE(full_rows, 2);
}

TEST(FontDrawing, JapaneseTextRendersWithTheGothicFace) {
    const auto font = OpenFont(Gothic());
    gfx::Surface s(60, 20, kWhite);
    font->Draw(s, 0, 0, "終了", 0);
    EXPECT_GT(Ink(s, kWhite).count, 20);
    EXPECT_GE(font->Measure("終了").width, 2 * 11);  // two full-width characters
}

TEST(Utf8, DecodesAndReplacesMalformedSequences) {
    const std::string text = "A\xC3\xA9\xE7\xB5\x82\xF0\x9F\x98\x80";  // A é 終 😀
    std::size_t pos = 0;
    EXPECT_EQ(NextCodePoint(text, pos), U'A');
    EXPECT_EQ(NextCodePoint(text, pos), U'\u00E9');
    EXPECT_EQ(NextCodePoint(text, pos), U'\u7D42');
    EXPECT_EQ(NextCodePoint(text, pos), U'\U0001F600');
    EXPECT_EQ(pos, text.size());
    for (const std::string bad :
         {"\x80", "\xC3", "\xC0\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xE7\xB5"}) {
        std::size_t p = 0;
        EXPECT_EQ(NextCodePoint(bad, p), kReplacementCharacter);
        EXPECT_EQ(p, 1u);
        EXPECT_FALSE(IsValidUtf8(bad));
    }
    EXPECT_TRUE(IsValidUtf8(text));
    EXPECT_TRUE(IsValidUtf8("\xEF\xBF\xBD"));  // a real U+FFFD
    std::string out;
    AppendUtf8(out, U'\u7D42');
    AppendUtf8(out, 0xD800);
    EXPECT_EQ(out, "\xE7\xB5\x82\xEF\xBF\xBD");
}

}  // namespace
}  // namespace tivaro::text
