// The form data text: what the bag writes reads back the same, and malformed data is
// rejected with the line at fault.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>

#include "toolkit/forms/property_bag.h"

namespace tivaro::forms {
namespace {

// The line and reason of the error that parsing raises; line 0 when it parses.
std::pair<int, std::string> Rejection(std::string_view text) {
    try {
        PropertyBag::FromFormData(text);
    } catch (const FormDataError& e) {
        EXPECT_NE(std::string(e.what()).find("line " + std::to_string(e.line())),
                  std::string::npos);
        return {e.line(), e.reason()};
    }
    return {0, ""};
}

TEST(FormDataText, EveryTypeRoundTrips) {
    text::FontDesc font;
    font.name = "ＭＳ Ｐゴシック";
    font.size = 9.75;
    font.weight = 700;
    font.italic = true;
    font.strikethrough = true;
    font.charset = 128;
    PropertyBag bag;
    bag.WriteProperty("Enabled", false, true);
    bag.WriteProperty("Caption", "Say \"hi\"\\\n\ttab\x01 終了", "Command");
    bag.WriteProperty("FirstRun", std::uint8_t{0}, "1");
    bag.WriteProperty("Font", font, text::DefaultUiFont());
    bag.WriteProperty("FontColour", std::int32_t{-2147483647 - 1}, "0");
    bag.WriteProperty("Visible", std::int16_t{-32768}, "1");
    const std::string text = bag.FormDataText();
    EXPECT_EQ(text.substr(0, 17), "enabled = false\nc");
    EXPECT_NE(text.find("firstrun = u8 0\n"), std::string::npos);
    EXPECT_NE(text.find("visible = i16 -32768\n"), std::string::npos);
    EXPECT_NE(text.find("\\u0001"), std::string::npos);
    EXPECT_NE(text.find("    size = 9.75\n"), std::string::npos);
    const PropertyBag back = PropertyBag::FromFormData(text);
    ASSERT_EQ(back.Entries().size(), bag.Entries().size());
    for (std::size_t i = 0; i < bag.Entries().size(); ++i) {
        EXPECT_EQ(back.Entries()[i].first, bag.Entries()[i].first);
        EXPECT_EQ(back.Entries()[i].second, bag.Entries()[i].second) << bag.Entries()[i].first;
    }
    EXPECT_EQ(back.FormDataText(), text);
}

TEST(FormDataText, ReadsCommentsBlankLinesAnyKeyCaseAndShortFontBlocks) {
    const PropertyBag bag = PropertyBag::FromFormData(
        "# Cmd_Can\r\n"
        "\n"
        "  Caption=\"Exit\"  \r\n"
        "FONT = font {\n"
        "  name = \"ＭＳ Ｐゴシック\"\n"
        "  size = 9.75\n"
        "  charset = 128\n"
        "}\n"
        "visible = i16 7\n"
        "quoted = \"\\u7D42\"\n");
    EXPECT_EQ(ToText(bag.ReadProperty("caption", "")), "Exit");
    const text::FontDesc font = ToFont(bag.ReadProperty("Font", ""));
    EXPECT_EQ(font.name, "ＭＳ Ｐゴシック");
    EXPECT_EQ(font.size, 9.75);
    EXPECT_EQ(font.weight, 400);  // fields left out keep their defaults
    EXPECT_EQ(font.charset, 128);
    EXPECT_EQ(std::get<std::int16_t>(bag.ReadProperty("Visible", "1")), 7);
    EXPECT_EQ(ToText(bag.ReadProperty("quoted", "")), "終");
    EXPECT_TRUE(PropertyBag::FromFormData("").Entries().empty());
}

TEST(FormDataText, MalformedLinesAreRejectedByLine) {
    EXPECT_EQ(Rejection("caption \"Exit\"").first, 1);   // no '='
    EXPECT_EQ(Rejection("\n\n9lives = true").first, 3);  // not a name
    EXPECT_EQ(Rejection("caption =").first, 1);          // no value
    EXPECT_EQ(Rejection("caption = \"Exit").first, 1);   // text not closed
    EXPECT_EQ(Rejection("caption = \"Exit\" x").first, 1);
    EXPECT_EQ(Rejection("caption = \"a\\qb\"").first, 1);  // unknown escape
    EXPECT_EQ(Rejection("caption = \"\\u12\"").first, 1);
    EXPECT_EQ(Rejection("caption = \"\\uD800\"").first, 1);
    EXPECT_EQ(Rejection("caption = \"\xC3\x28\"").first, 1);  // not UTF-8
    EXPECT_EQ(Rejection("enabled = yes").first, 1);
    EXPECT_EQ(Rejection("a = true\nb = u16 3").first, 2);  // no such type
    EXPECT_EQ(Rejection("firstrun = u8 256").first, 1);
    EXPECT_EQ(Rejection("firstrun = u8 -1").first, 1);
    EXPECT_EQ(Rejection("visible = i16 32768").first, 1);
    EXPECT_EQ(Rejection("fontcolour = i32 2147483648").first, 1);
    EXPECT_EQ(Rejection("fontcolour = i32 12.5").first, 1);
    EXPECT_EQ(Rejection("fontcolour = i32").first, 1);
    EXPECT_EQ(Rejection("caption = \"a\"\nCAPTION = \"b\"").first, 2);  // given twice
    EXPECT_EQ(Rejection("}").first, 1);
    const auto unknown = Rejection("visible = 1");
    EXPECT_EQ(unknown.first, 1);
    EXPECT_NE(unknown.second.find("visible"), std::string::npos) << unknown.second;
}

TEST(FormDataText, MalformedFontBlocksAreRejectedByLine) {
    EXPECT_EQ(Rejection("font = font {\n  name = \"A\"\n").first, 1);  // never closed
    EXPECT_EQ(Rejection("font = font\n").first, 1);                    // no brace
    EXPECT_EQ(Rejection("font = font {\n  size = 9\n}").first, 1);     // no name
    EXPECT_EQ(Rejection("font = font {\n name = \"A\"\n size = -3\n}").first, 3);
    EXPECT_EQ(Rejection("font = font {\n name = \"A\"\n size = big\n}").first, 3);
    EXPECT_EQ(Rejection("font = font {\n name = \"A\"\n weight = 1200\n}").first, 3);
    EXPECT_EQ(Rejection("font = font {\n name = \"A\"\n charset = 300\n}").first, 3);
    EXPECT_EQ(Rejection("font = font {\n name = \"A\"\n bold = true\n}").first, 3);
    EXPECT_EQ(Rejection("font = font {\n name = \"A\"\n name = \"B\"\n}").first, 3);
    EXPECT_EQ(Rejection("font = font {\n name = A\n}").first, 2);
    EXPECT_EQ(Rejection("font = font {\n name = \"A\"\n italic = 1\n}").first, 3);
    const auto reason = Rejection("x = true\nfont = font {\n name = \"A\"\n").second;
    EXPECT_NE(reason.find("not closed"), std::string::npos) << reason;
}

TEST(FormDataText, WhatCouldNotBeReadBackIsRefusedWhenWritten) {
    auto refused = [](const PropertyValue& value) {
        PropertyBag bag;
        bag.WriteProperty("Kept", "before", "");
        try {
            bag.WriteProperty("Kept", value, "");
        } catch (const rt::RuntimeError& e) {
            EXPECT_NE(std::string(e.what()).find("\"Kept\""), std::string::npos) << e.what();
            // The bag keeps what it had, and its text still reads back.
            EXPECT_EQ(
                ToText(PropertyBag::FromFormData(bag.FormDataText()).ReadProperty("kept", "")),
                "before");
            return true;
        }
        return false;
    };
    text::FontDesc font = text::DefaultUiFont();
    EXPECT_TRUE(refused(std::string("\x82\xA0")));  // a Shift-JIS byte pair, not UTF-8
    for (double size : {0.0, -9.0, 2049.0, std::numeric_limits<double>::quiet_NaN()}) {
        font.size = size;
        EXPECT_TRUE(refused(font)) << size;
    }
    font = text::DefaultUiFont();
    font.weight = 1001;
    EXPECT_TRUE(refused(font));
    font = text::DefaultUiFont();
    font.charset = 256;
    EXPECT_TRUE(refused(font));
    font = text::DefaultUiFont();
    font.name = "\xFF";
    EXPECT_TRUE(refused(font));
    // The limits themselves are stored, and read back.
    font = text::DefaultUiFont();
    font.size = 2048;
    font.weight = 1000;
    font.charset = 255;
    EXPECT_FALSE(refused(font));
    EXPECT_FALSE(refused(std::string("\xEF\xBF\xBD")));  // U+FFFD itself is a character
    // A value equal to its default is never stored, so it is not refused either.
    PropertyBag bag;
    EXPECT_NO_THROW(bag.WriteProperty("Caption", std::string("\x82"), std::string("\x82")));
}

TEST(FormDataText, TheErrorIsARuntimeErrorThatStepsCanSkip) {
    bool later_step_ran = false;
    rt::StepsIgnoringErrors([] { PropertyBag::FromFormData("bad"); },
                            [&] { later_step_ran = true; });
    EXPECT_TRUE(later_step_ran);
}

}  // namespace
}  // namespace tivaro::forms
