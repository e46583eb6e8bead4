// Presenting pixel images in the Win32 backend's windows. Each window keeps the last image
// it was given, so that a repaint the system asks for is answered from it at once, even
// while the program itself is held up in one of the system's modal loops. A window given
// no image shows the colour it is erased with (WM_ERASEBKGND).
#include "platform/win32/dib.h"
#include "platform/win32/win32_backend.h"

#include <algorithm>

namespace tivaro::platform::win32 {
namespace {

// Draws packed 0x00RRGGBB pixels (rows top to bottom, no padding) at `at`.
void DrawPixels(HDC dc, const std::uint32_t* pixels, std::int32_t width, std::int32_t height,
                Point at) {
    const BITMAPINFO bmi = TopDownDib32(width, height);
    StretchDIBits(dc, at.x, at.y, width, height, 0, 0, width, height, pixels, &bmi, DIB_RGB_COLORS,
                  SRCCOPY);
}

}  // namespace

void Win32Backend::Present(NativeWindow window, const PixelView& image, Point at) {
    if (image.width <= 0 || image.height <= 0 || image.pixels == nullptr) return;
    WindowInfo* info = Find(ToHwnd(window));
    if (info == nullptr || info->dc == nullptr) return;
    const auto width = static_cast<std::size_t>(image.width);
    info->shown.resize(width * static_cast<std::size_t>(image.height));
    for (std::int32_t y = 0; y < image.height; ++y) {
        const std::uint32_t* row = image.pixels + static_cast<std::size_t>(y) * image.stride;
        std::copy(row, row + width, info->shown.begin() + static_cast<std::ptrdiff_t>(y * width));
    }
    info->shown_width = image.width;
    info->shown_height = image.height;
    info->shown_at = at;
    DrawPixels(info->dc, info->shown.data(), image.width, image.height, at);
    GdiFlush();
}

void Win32Backend::ShowBackColour(NativeWindow window) {
    HWND hwnd = ToHwnd(window);
    WindowInfo* info = Find(hwnd);
    if (info == nullptr) return;
    info->shown.clear();
    info->shown.shrink_to_fit();
    // Erased with the window's colour (WM_ERASEBKGND), with nothing painted over it.
    InvalidateRect(hwnd, nullptr, TRUE);
}

void Win32Backend::PaintShown(HWND hwnd, HDC dc) {
    const WindowInfo* info = Find(hwnd);
    if (info == nullptr || dc == nullptr || info->shown.empty()) return;
    DrawPixels(dc, info->shown.data(), info->shown_width, info->shown_height, info->shown_at);
}

}  // namespace tivaro::platform::win32
