#include "platform/win32/win32_fatal.h"

#include "platform/win32/win32_backend.h"

#include "platform/win32/wide_text.h"

namespace tivaro::platform::win32 {

bool HasStandardError() {
    HANDLE handle = GetStdHandle(STD_ERROR_HANDLE);
    return handle != nullptr && handle != INVALID_HANDLE_VALUE &&
           GetFileType(handle) != FILE_TYPE_UNKNOWN;
}

void ReportFatalError(const std::string& message) {
    if (HasStandardError()) {
        const std::string line = "tivaro: " + message + "\n";
        DWORD written = 0;
        WriteFile(GetStdHandle(STD_ERROR_HANDLE), line.data(), static_cast<DWORD>(line.size()),
                  &written, nullptr);
        return;
    }
    // In front of everything, the saver's full-screen window included, and active, so
    // that Return closes it.
    MessageBoxW(nullptr, Widen(message).c_str(), L"Tivaro",
                MB_OK | MB_ICONERROR | MB_TASKMODAL | MB_TOPMOST | MB_SETFOREGROUND);
}

}  // namespace tivaro::platform::win32
