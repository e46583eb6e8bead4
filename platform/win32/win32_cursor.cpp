// Pointers in the Win32 backend: the system's shapes, and the link's hand made from the
// picture the program hands over.
#include <vector>

#include "platform/win32/win32_backend.h"

namespace tivaro::platform::win32 {

HCURSOR CursorFromPicture(const PointerPicture& picture) {
    const std::int32_t width = picture.width;
    const std::int32_t height = picture.height;
    if (width <= 0 || height <= 0 ||
        picture.pixels.size() != static_cast<std::size_t>(width) * height) {
        return nullptr;
    }
    // Two one-bit planes, rows of whole WORDs, the leftmost pixel in the highest bit: the
    // screen shows through where AND is 1 (and XOR 0), black where both are 0, white where
    // only XOR is 1.
    const std::size_t stride = static_cast<std::size_t>((width + 15) / 16) * 2;
    std::vector<BYTE> and_plane(stride * static_cast<std::size_t>(height), 0);
    std::vector<BYTE> xor_plane(and_plane.size(), 0);
    for (std::int32_t y = 0; y < height; ++y) {
        for (std::int32_t x = 0; x < width; ++x) {
            const std::uint32_t p = picture.pixels[static_cast<std::size_t>(y) * width + x];
            const std::size_t byte = static_cast<std::size_t>(y) * stride + x / 8;
            const auto bit = static_cast<BYTE>(0x80 >> (x % 8));
            const bool shown = (p >> 24) >= 128;
            const bool ink = (p & 0xFFFFFF) < 0x808080;
            if (!shown) and_plane[byte] = static_cast<BYTE>(and_plane[byte] | bit);
            if (shown && !ink) xor_plane[byte] = static_cast<BYTE>(xor_plane[byte] | bit);
        }
    }
    return CreateCursor(GetModuleHandleW(nullptr), picture.hot_spot.x, picture.hot_spot.y, width,
                        height, and_plane.data(), xor_plane.data());
}

HCURSOR Win32Backend::HandCursor() {
    if (!hand_cursor_made_) {
        hand_cursor_made_ = true;
        hand_cursor_.reset(CursorFromPicture(HandPicture()));
    }
    return hand_cursor_ != nullptr ? hand_cursor_.get() : LoadCursorW(nullptr, IDC_HAND);
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
