// Text at the Windows API boundary: UTF-8 <-> UTF-16 and the command line after the
// program name.
#include <gtest/gtest.h>

#include "platform/win32/wide_text.h"

namespace tivaro::platform::win32 {
namespace {

TEST(WideText, RoundTripsJapaneseAndAstralText) {
    const std::string caption = "Tivaro\xEF\xBC\x9F\xE3\x81\xAE\xE8\xA8\xAD\xE5\xAE\x9A";
    const std::wstring wide = Widen(caption);
    EXPECT_EQ(wide, L"Tivaro\xFF1F\x306E\x8A2D\x5B9A");
    EXPECT_EQ(Narrow(wide), caption);
    const std::string emoji = "\xF0\x9F\x98\x80";  // U+1F600: a surrogate pair
    EXPECT_EQ(Widen(emoji), std::wstring(L"\xD83D\xDE00"));
    EXPECT_EQ(Narrow(Widen(emoji)), emoji);
    EXPECT_EQ(Widen(""), L"");
    EXPECT_EQ(Narrow(L""), "");
}

TEST(WideText, MalformedInputBecomesReplacementCharacters) {
    EXPECT_EQ(Widen("a\xC3"), std::wstring(L"a\xFFFD"));
    EXPECT_EQ(Widen("\xED\xA0\x80x").back(), L'x');  // a UTF-8 surrogate is not text
    EXPECT_EQ(Narrow(std::wstring(L"\xD800z")), "\xEF\xBF\xBDz");
}

TEST(CommandLine, TheProgramNameAndTheBlanksAfterItAreSkipped) {
    EXPECT_EQ(ArgumentsOf(L"Tivaro.scr /s"), L"/s");
    EXPECT_EQ(ArgumentsOf(L"\"C:\\Program Files\\Tivaro.scr\"   /p 1234"), L"/p 1234");
    EXPECT_EQ(ArgumentsOf(L"\"C:\\dir\\Tivaro.scr\"/c:42"), L"/c:42");
    EXPECT_EQ(ArgumentsOf(L"Tivaro.scr \t/S  "), L"/S  ");  // blanks at the end are kept
    EXPECT_EQ(ArgumentsOf(L"Tivaro.scr"), L"");
    EXPECT_EQ(ArgumentsOf(L"\"unclosed /s"), L"");
    EXPECT_EQ(ArgumentsOf(L""), L"");
}

}  // namespace
}  // namespace tivaro::platform::win32
