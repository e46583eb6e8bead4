// Display scale: a DPI (96 is 100 %) and the factor a form's layout pixels are drawn at.
#pragma once

#include <cstdint>
#include <string_view>

namespace tivaro::platform {

inline constexpr std::int32_t kDesignDpi = 96;

// Device pixels per layout pixel at a DPI: 1.25 at 120, 2 at 192.
double ScaleForDpi(std::int32_t dpi);

// The DPI an X resource string (what `xrdb` loads: "name:\tvalue" lines) gives as
// Xft.dpi, rounded half to even; 96 when it gives none, or one outside 24..960.
std::int32_t DpiFromResources(std::string_view resources);

}  // namespace tivaro::platform
