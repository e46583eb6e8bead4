// Whether a space-separated extension list (GL, GLX, WGL or EGL) names an extension: a
// whole word, so "GLX_EXT_swap_control" is not found in "GLX_EXT_swap_control_tear".
#pragma once

#include <string_view>

namespace tivaro::platform {

bool ListsExtension(const char* list, std::string_view name);

}  // namespace tivaro::platform
