// The extension lists of GLX, WGL and EGL are searched for whole names.
#include <gtest/gtest.h>

#include "platform/extension_list.h"

namespace tivaro::platform {
namespace {

TEST(ExtensionList, NamesAreMatchedWholeInTheList) {
    const char* list = "GLX_ARB_create_context GLX_EXT_swap_control_tear GLX_EXT_swap_control";
    EXPECT_TRUE(ListsExtension(list, "GLX_EXT_swap_control"));
    EXPECT_TRUE(ListsExtension(list, "GLX_ARB_create_context"));
    EXPECT_FALSE(ListsExtension("GLX_EXT_swap_control_tear", "GLX_EXT_swap_control"));
    EXPECT_FALSE(ListsExtension("XGLX_EXT_swap_control", "GLX_EXT_swap_control"));
    EXPECT_FALSE(ListsExtension(nullptr, "GLX_EXT_swap_control"));
    EXPECT_FALSE(ListsExtension("", "GLX_EXT_swap_control"));
}

}  // namespace
}  // namespace tivaro::platform
