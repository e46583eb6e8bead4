// Text at the boundary with the Windows API: our strings are UTF-8, the W functions take
// UTF-16.
#pragma once

#include <string>
#include <string_view>

namespace tivaro::platform::win32 {

// UTF-8 to UTF-16; a malformed sequence becomes U+FFFD.
std::wstring Widen(std::string_view utf8);
// UTF-16 to UTF-8; an unpaired surrogate becomes U+FFFD.
std::string Narrow(std::wstring_view utf16);

// What a process's command line holds after the program name: the name is skipped (up to
// its closing quote when it starts with one, else up to the first blank), then the
// blanks after it, as the C runtime does for WinMain.
std::wstring_view ArgumentsOf(std::wstring_view command_line);

}  // namespace tivaro::platform::win32
