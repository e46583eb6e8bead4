// Opening an address with the system's default handler: the shell's "open" verb, which
// returns without waiting for the browser. COM is set up for the shell on the program's
// thread at start-up (wWinMain).
#include "platform/win32/win32_backend.h"

#include <shellapi.h>

#include "platform/win32/wide_text.h"

namespace tivaro::platform::win32 {

void Win32Backend::OpenAddress(std::string_view address) {
    const std::wstring wide = Widen(address);
    ShellExecuteW(nullptr, L"open", wide.c_str(), L"", L"", SW_SHOWNORMAL);
}

}  // namespace tivaro::platform::win32
