#include "platform/win32/wide_text.h"

#include <windows.h>

namespace tivaro::platform::win32 {

std::wstring Widen(std::string_view utf8) {
    if (utf8.empty()) return {};
    const int size = static_cast<int>(utf8.size());
    const int length = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, nullptr, 0);
    std::wstring out(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, out.data(), length);
    return out;
}

std::string Narrow(std::wstring_view utf16) {
    if (utf16.empty()) return {};
    const int size = static_cast<int>(utf16.size());
    const int length =
        WideCharToMultiByte(CP_UTF8, 0, utf16.data(), size, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, utf16.data(), size, out.data(), length, nullptr, nullptr);
    return out;
}

std::wstring_view ArgumentsOf(std::wstring_view command_line) {
    std::size_t i = 0;
    const std::size_t n = command_line.size();
    if (n > 0 && command_line[0] == L'"') {
        i = command_line.find(L'"', 1);
        i = i == std::wstring_view::npos ? n : i + 1;
    } else {
        while (i < n && command_line[i] > L' ') ++i;
    }
    while (i < n && command_line[i] <= L' ') ++i;
    return command_line.substr(i);
}

}  // namespace tivaro::platform::win32
