#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "toolkit/runtime/errors.h"
#include "toolkit/runtime/numeric.h"
#include "program_end.h"

namespace tivaro::rt {
namespace {

ErrorNumber ErrorOf(auto&& f) {
    try {
        f();
    } catch (const RuntimeError& e) {
        return e.number();
    }
    return ErrorNumber{0};
}

TEST(Numeric, RoundsHalfToEven) {
    EXPECT_EQ(RoundToI16(0.5), 0);
    EXPECT_EQ(RoundToI16(1.5), 2);
    EXPECT_EQ(RoundToI16(2.5), 2);
    EXPECT_EQ(RoundToI16(-0.5), 0);
    EXPECT_EQ(RoundToI16(-1.5), -2);
    EXPECT_EQ(RoundToI16(301.5), 302);
    EXPECT_EQ(RoundToI32(2.4999999), 2);
    EXPECT_EQ(RoundToU8(254.5), 254);
}

TEST(Numeric, SixteenBitEdges) {
    EXPECT_EQ(RoundToI16(32767.0), 32767);
    EXPECT_EQ(RoundToI16(32767.49), 32767);
    EXPECT_EQ(ErrorOf([] { RoundToI16(32767.5); }), ErrorNumber::Overflow);  // ties up to 32768
    EXPECT_EQ(RoundToI16(-32768.5), -32768);                                 // ties to even
    EXPECT_EQ(ErrorOf([] { RoundToI16(-32769.0); }), ErrorNumber::Overflow);
    EXPECT_EQ(ErrorOf([] { RoundToI16(32768.0); }), ErrorNumber::Overflow);
    EXPECT_EQ(AddI16(32766, 1), 32767);
    EXPECT_EQ(ErrorOf([] { AddI16(32767, 1); }), ErrorNumber::Overflow);
    EXPECT_EQ(ErrorOf([] { SubI16(-32768, 1); }), ErrorNumber::Overflow);
    EXPECT_EQ(ErrorOf([] { MulI16(256, 128); }), ErrorNumber::Overflow);
}

TEST(Numeric, ThirtyTwoBitEdges) {
    EXPECT_EQ(RoundToI32(2147483647.0), 2147483647);
    EXPECT_EQ(ErrorOf([] { RoundToI32(2147483648.0); }), ErrorNumber::Overflow);  // 2^31
    EXPECT_EQ(RoundToI32(-2147483648.0), std::numeric_limits<std::int32_t>::min());
    EXPECT_EQ(RoundToI32(-2147483648.5), std::numeric_limits<std::int32_t>::min());
    EXPECT_EQ(ErrorOf([] { AddI32(2147483647, 1); }), ErrorNumber::Overflow);
    EXPECT_EQ(ErrorOf([] { RoundToI32(std::nan("")); }), ErrorNumber::Overflow);
    EXPECT_EQ(ErrorOf([] { RoundToU8(-1.0); }), ErrorNumber::Overflow);
    EXPECT_EQ(ErrorOf([] { RoundToU8(255.5); }), ErrorNumber::Overflow);
}

TEST(Numeric, FloatStorageAndDivision) {
    EXPECT_EQ(StoreF32(0.1), 0.1f);
    EXPECT_EQ(ErrorOf([] { StoreF32(1e39); }), ErrorNumber::Overflow);
    EXPECT_TRUE(std::isinf(StoreF32(std::numeric_limits<double>::infinity())));
    EXPECT_EQ(Divide(1.0, 4.0), 0.25);
    EXPECT_EQ(ErrorOf([] { Divide(1.0, 0.0); }), ErrorNumber::DivisionByZero);
    EXPECT_EQ(ErrorOf([] { Divide(0.0, 0.0); }), ErrorNumber::Overflow);
    EXPECT_EQ(ErrorOf([] { Divide(1e308, 1e-10); }), ErrorNumber::Overflow);
}

TEST(Numeric, ReadsNumbersAsTheRuntimeDoes) {
    EXPECT_EQ(ReadNumber(" 1234"), 1234.0);
    EXPECT_EQ(ReadNumber("1 2\t3 4"), 1234.0);  // blanks and tabs anywhere
    EXPECT_EQ(ReadNumber("12ab34"), 12.0);      // stops at the first stranger
    EXPECT_EQ(ReadNumber(""), 0.0);
    EXPECT_EQ(ReadNumber("abc"), 0.0);
    EXPECT_EQ(ReadNumber("-"), 0.0);
    EXPECT_EQ(ReadNumber("-42"), -42.0);
    EXPECT_EQ(ReadNumber("1.5e2x"), 150.0);
    EXPECT_EQ(ReadNumber("2e"), 2.0);  // an exponent mark without digits is left out
    EXPECT_EQ(ReadNumber("3d1"), 30.0);
    EXPECT_EQ(ReadNumber(".5"), 0.5);
    EXPECT_EQ(ReadNumber("1.2.3"), 1.2);
    EXPECT_EQ(ReadNumber("&H10"), 16.0);
    EXPECT_EQ(ReadNumber("&HFFFF"), -1.0);
    EXPECT_EQ(ReadNumber("&H10000"), 65536.0);
    EXPECT_EQ(ReadNumber("&O17"), 15.0);
    // Only blanks and tabs are skipped: a line break ends the number.
    EXPECT_EQ(ReadNumber(" 1\t2 3"), 123.0);
    EXPECT_EQ(ReadNumber("12\n34"), 12.0);
    EXPECT_EQ(ReadNumber("12\r34"), 12.0);
    EXPECT_EQ(ReadNumber("99999999999999999999"), 1e20);
    EXPECT_EQ(ErrorOf([] { ReadNumber("&H123456789"); }), ErrorNumber::Overflow);
}

TEST(Errors, StepsIgnoringErrorsRunsEveryStep) {
    int ran = 0;
    StepsIgnoringErrors([&] { ++ran; }, [&] { Raise(ErrorNumber::Overflow); }, [&] { ++ran; });
    EXPECT_EQ(ran, 2);
    // Only runtime errors are dropped.
    EXPECT_THROW(StepsIgnoringErrors([] { throw std::logic_error("bug"); }), std::logic_error);
}

// The standard error message gives the desktop back (pointer, saver flag) before it shows
// the message, then ends the program with 1.
bool g_restored = false;
bool g_restored_when_reported = false;
TEST(Errors, TheStandardMessageComesAfterTheDesktopIsGivenBack) {
    g_restored = g_restored_when_reported = false;
    AddRestorer([] { g_restored = true; });
    SetFatalReporter([](const std::string&) { g_restored_when_reported = g_restored; });
    testing::ProgramEndCatcher catcher;
    int code = 0;
    try {
        StandardErrorMessage("bad");
    } catch (const testing::ProgramEnded& e) {
        code = e.exit_code;
    }
    SetFatalReporter(nullptr);
    EXPECT_TRUE(g_restored_when_reported);
    EXPECT_EQ(code, 1);
}

}  // namespace
}  // namespace tivaro::rt
