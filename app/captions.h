// The captions of the program's two top-level windows: how a second start finds the first.
#pragma once

#include <string_view>

namespace tivaro::app {

inline constexpr std::string_view kSaverCaption = "Tivaro_Main";
// "Tivaro？の設定" (the settings of Tivaro), in UTF-8.
inline constexpr std::string_view kSettingsCaption =
    "Tivaro\xEF\xBC\x9F\xE3\x81\xAE\xE8\xA8\xAD\xE5\xAE\x9A";

}  // namespace tivaro::app
