// The property bag: defaults, typed values and their conversions, case-insensitive keys.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "toolkit/forms/property_bag.h"

namespace tivaro::forms {
namespace {

rt::ErrorNumber ErrorOf(auto&& f) {
    try {
        f();
    } catch (const rt::RuntimeError& e) {
        return e.number();
    }
    return rt::ErrorNumber{0};
}

text::FontDesc Gothic() {
    text::FontDesc f = text::DefaultUiFont();
    f.size = 9.75;
    return f;
}

TEST(PropertyBagDefaults, AValueEqualToTheWritingDefaultIsNotStored) {
    PropertyBag bag;
    bag.WriteProperty("Enabled", true, true);
    bag.WriteProperty("Caption", std::string("Command"), "Command");
    bag.WriteProperty("FirstRun", std::uint8_t{1}, "1");  // the number 1 equals "1"
    bag.WriteProperty("FontColour", std::int32_t{0}, "0");
    bag.WriteProperty("Visible", std::int16_t{1}, "1");
    bag.WriteProperty("Font", Gothic(), Gothic());
    EXPECT_TRUE(bag.Entries().empty());
    bag.WriteProperty("Caption", std::string("command"), "Command");  // texts are exact
    bag.WriteProperty("Visible", std::int16_t{0}, "1");
    bag.WriteProperty("FirstRun", std::uint8_t{1}, " 1.0 ");  // numeric text, blanks allowed
    ASSERT_EQ(bag.Entries().size(), 2u);
    EXPECT_EQ(bag.Entries()[0].first, "caption");  // kept in lower case, in write order
    EXPECT_EQ(bag.Entries()[1].first, "visible");
}

TEST(PropertyBagDefaults, RewritingTheDefaultRemovesAStoredValue) {
    PropertyBag bag;
    bag.WriteProperty("Visible", std::int16_t{0}, "1");
    EXPECT_TRUE(bag.Contains("VISIBLE"));
    bag.WriteProperty("visible", std::int16_t{1}, "1");
    EXPECT_FALSE(bag.Contains("Visible"));
    bag.WriteProperty("Caption", "A", "Command");
    bag.WriteProperty("CAPTION", "B", "Command");  // replaced in place
    ASSERT_EQ(bag.Entries().size(), 1u);
    EXPECT_EQ(std::get<std::string>(bag.Entries()[0].second), "B");
}

TEST(PropertyBagDefaults, AbsentKeysReadAsTheReadingDefaultWhateverTheCase) {
    PropertyBag bag;
    bag.WriteProperty("Caption", "Exit", "Command");
    EXPECT_EQ(ToText(bag.ReadProperty("caption", "Command1")), "Exit");
    EXPECT_EQ(ToText(bag.ReadProperty("CAPTION", "Command1")), "Exit");
    EXPECT_EQ(ToText(bag.ReadProperty("Enabledx", "Command1")), "Command1");
    EXPECT_EQ(ToByte(bag.ReadProperty("FirstRun", "1")), 1);
    EXPECT_EQ(ErrorOf([&] { bag.WriteProperty("Not a name", 1, 0); }),
              rt::ErrorNumber::InvalidProcedureCall);
    EXPECT_EQ(ErrorOf([&] { bag.WriteProperty("", 1, 0); }), rt::ErrorNumber::InvalidProcedureCall);
}

TEST(PropertyBagDefaults, ANumericLookingTextBeyondEveryNumberIsStoredAsText) {
    PropertyBag bag;
    bag.WriteProperty("FontColour", "1e999", std::int32_t{0});
    bag.WriteProperty("Visible", std::int16_t{1}, "-1D400");
    bag.WriteProperty("Enabled", true, "&H100000000");
    ASSERT_EQ(bag.Entries().size(), 3u);
    EXPECT_EQ(std::get<std::string>(bag.Entries()[0].second), "1e999");
    EXPECT_FALSE(ValuesEqual("1e999", "1e999 "));  // texts still compare as texts
    EXPECT_TRUE(ValuesEqual("1e999", "1e999"));
    // Converting it is another matter: it fits no number type.
    EXPECT_EQ(ErrorOf([&] { ToLong(bag.ReadProperty("FontColour", 0)); }),
              rt::ErrorNumber::Overflow);
    const PropertyBag back = PropertyBag::FromFormData(bag.FormDataText());
    EXPECT_EQ(std::get<std::string>(back.ReadProperty("fontcolour", 0)), "1e999");
}

TEST(PropertyBagEquality, NumbersBooleansAndTextsCompareAfterConversion) {
    EXPECT_TRUE(ValuesEqual(std::uint8_t{1}, "1"));
    EXPECT_TRUE(ValuesEqual("1", std::int16_t{1}));
    EXPECT_TRUE(ValuesEqual(std::int32_t{255}, "&HFF"));
    EXPECT_TRUE(ValuesEqual(true, std::int16_t{-1}));
    EXPECT_TRUE(ValuesEqual(true, "True"));
    EXPECT_TRUE(ValuesEqual(false, "0"));
    EXPECT_FALSE(ValuesEqual(true, std::int16_t{1}));  // true is -1
    EXPECT_FALSE(ValuesEqual(std::int32_t{1}, "1x"));
    EXPECT_FALSE(ValuesEqual(std::int32_t{0}, ""));
    EXPECT_FALSE(ValuesEqual("1", "1.0"));  // two texts compare as texts
    text::FontDesc bigger = Gothic();
    bigger.size = 14;
    EXPECT_FALSE(ValuesEqual(Gothic(), bigger));
    EXPECT_FALSE(ValuesEqual(Gothic(), Gothic().name));  // a font is not its name here
}

TEST(PropertyBagConversion, BooleansFromNumbersAndTexts) {
    EXPECT_EQ(ToBoolean(true), rt::kTrue);
    EXPECT_EQ(ToBoolean(std::int16_t{7}), rt::kTrue);
    EXPECT_EQ(ToBoolean(std::uint8_t{0}), rt::kFalse);
    EXPECT_EQ(ToBoolean("false"), rt::kFalse);
    EXPECT_EQ(ToBoolean(" TRUE "), rt::kTrue);
    EXPECT_EQ(ToBoolean("-1"), rt::kTrue);
    EXPECT_EQ(ToBoolean("0"), rt::kFalse);
    EXPECT_EQ(ErrorOf([] { ToBoolean("yes"); }), rt::ErrorNumber::InvalidProcedureCall);
    EXPECT_EQ(ErrorOf([] { ToBoolean(Gothic()); }), rt::ErrorNumber::InvalidProcedureCall);
}

TEST(PropertyBagConversion, IntegersRoundHalfToEvenAndCheckTheirRange) {
    EXPECT_EQ(ToByte("1"), 1);
    EXPECT_EQ(ToByte("2.5"), 2);
    EXPECT_EQ(ToByte(std::int32_t{255}), 255);
    EXPECT_EQ(ErrorOf([] { ToByte(std::int32_t{256}); }), rt::ErrorNumber::Overflow);
    EXPECT_EQ(ErrorOf([] { ToByte(true); }), rt::ErrorNumber::Overflow);  // true is -1
    EXPECT_EQ(ToInteger("7"), 7);
    EXPECT_EQ(ToInteger(false), 0);
    EXPECT_EQ(ToInteger(true), -1);
    EXPECT_EQ(ErrorOf([] { ToInteger("40000"); }), rt::ErrorNumber::Overflow);
    EXPECT_EQ(ToLong("&HFF"), 255);
    EXPECT_EQ(ToLong("1E3"), 1000);
    EXPECT_EQ(ToLong(std::int32_t{-5}), -5);
    EXPECT_EQ(ErrorOf([] { ToLong("12abc"); }), rt::ErrorNumber::InvalidProcedureCall);
    EXPECT_EQ(ErrorOf([] { ToLong(""); }), rt::ErrorNumber::InvalidProcedureCall);
    EXPECT_EQ(ErrorOf([] { ToLong("&H"); }), rt::ErrorNumber::InvalidProcedureCall);
    EXPECT_EQ(ErrorOf([] { ToLong(Gothic()); }), rt::ErrorNumber::InvalidProcedureCall);
}

TEST(PropertyBagConversion, TextsAndFonts) {
    EXPECT_EQ(ToText(true), "True");
    EXPECT_EQ(ToText(false), "False");
    EXPECT_EQ(ToText(std::uint8_t{200}), "200");
    EXPECT_EQ(ToText(std::int16_t{-3}), "-3");
    EXPECT_EQ(ToText(Gothic()), text::kUiGothicFace);  // a font's default property: its name
    EXPECT_EQ(ToFont(Gothic()), Gothic());
    EXPECT_EQ(ErrorOf([] { ToFont("Arial"); }), rt::ErrorNumber::InvalidProcedureCall);
}

}  // namespace
}  // namespace tivaro::forms
