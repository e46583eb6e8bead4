// Pointers in the Win32 backend: the system's shapes, and the link's hand made from the
// cursor file stored with the program.
#include <cstring>
#include <vector>

#include "assets/assets.h"
#include "toolkit/runtime/errors.h"
#include "platform/win32/win32_backend.h"

namespace tivaro::platform::win32 {
namespace {

// A .cur file: a 6-byte header (reserved 0, type 2, image count), then one 16-byte entry
// per image (width, height, colours, reserved, hot spot x and y as WORDs, size and offset
// of the image as DWORDs), then the images (a BITMAPINFOHEADER and its bits each).
constexpr std::size_t kHeaderBytes = 6;
constexpr std::size_t kEntryBytes = 16;

std::uint32_t Little(std::span<const unsigned char> bytes, std::size_t at, std::size_t count) {
    std::uint32_t value = 0;
    for (std::size_t i = count; i-- > 0;) value = value << 8 | bytes[at + i];
    return value;
}

}  // namespace

HCURSOR CursorFromFile(std::span<const unsigned char> cur) {
    if (cur.size() < kHeaderBytes + kEntryBytes) return nullptr;
    if (Little(cur, 0, 2) != 0 || Little(cur, 2, 2) != 2 || Little(cur, 4, 2) == 0) {
        return nullptr;
    }
    const std::size_t entry = kHeaderBytes;
    const int width = cur[entry] == 0 ? 256 : cur[entry];
    const int height = cur[entry + 1] == 0 ? 256 : cur[entry + 1];
    const std::uint32_t hot_x = Little(cur, entry + 4, 2);
    const std::uint32_t hot_y = Little(cur, entry + 6, 2);
    const std::size_t size = Little(cur, entry + 8, 4);
    const std::size_t offset = Little(cur, entry + 12, 4);
    if (size == 0 || offset > cur.size() || size > cur.size() - offset) return nullptr;
    // What CreateIconFromResourceEx takes for a cursor: the hot spot as two WORDs, then
    // the image as the file holds it.
    std::vector<BYTE> resource(4 + size);
    const WORD hot[2] = {static_cast<WORD>(hot_x), static_cast<WORD>(hot_y)};
    std::memcpy(resource.data(), hot, sizeof(hot));
    std::memcpy(resource.data() + 4, cur.data() + offset, size);
    return reinterpret_cast<HCURSOR>(
        CreateIconFromResourceEx(resource.data(), static_cast<DWORD>(resource.size()), FALSE,
                                 0x00030000, width, height, LR_DEFAULTCOLOR));
}

HCURSOR HandCursor() {
    static const HCURSOR hand = [] {
        HCURSOR made = nullptr;
        rt::StepsIgnoringErrors([&] { made = CursorFromFile(assets::Find("hand.cur")); });
        return made != nullptr ? made : LoadCursorW(nullptr, IDC_HAND);
    }();
    return hand;
}

HCURSOR Win32Backend::CursorFor(HWND hwnd) {
    // A window without a pointer of its own shows its parent's.
    for (HWND w = hwnd; w != nullptr; w = GetParent(w)) {
        const WindowInfo* info = Find(w);
        if (info == nullptr) break;
        switch (info->pointer) {
            case Pointer::Default:
                continue;
            case Pointer::Hidden:
                return nullptr;
            case Pointer::Busy:
                return LoadCursorW(nullptr, IDC_WAIT);
            case Pointer::Hand:
                return HandCursor();
        }
    }
    return LoadCursorW(nullptr, IDC_ARROW);
}

}  // namespace tivaro::platform::win32
