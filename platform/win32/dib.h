// The one DIB layout the backend uses: 32 bits a pixel, top row first, no compression,
// so 0x00RRGGBB words are its B, G, R, 0 bytes.
#pragma once

#include <windows.h>

#include <cstdint>

namespace tivaro::platform::win32 {

inline BITMAPINFO TopDownDib32(std::int32_t width, std::int32_t height) {
    BITMAPINFO bmi{};
    bmi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bmi.bmiHeader.biWidth = width;
    bmi.bmiHeader.biHeight = -height;  // top row first
    bmi.bmiHeader.biPlanes = 1;
    bmi.bmiHeader.biBitCount = 32;
    bmi.bmiHeader.biCompression = BI_RGB;
    return bmi;
}

}  // namespace tivaro::platform::win32
