// WGL in the Win32 backend (Mesa through Wine here): the designed pixel format, a context
// that draws, and contexts that may be deleted twice.
#include <gtest/gtest.h>

#include "platform/win32/win32_backend.h"

#include <GL/gl.h>

namespace tivaro::platform::win32 {
namespace {

TEST(Win32Gl, TheDesignedPixelFormatIsDoubleBufferedRgbaWith24ColourAnd16DepthBits) {
    const PIXELFORMATDESCRIPTOR pfd = DesignedPixelFormat();
    EXPECT_EQ(pfd.nSize, 40);
    EXPECT_EQ(pfd.nVersion, 1);
    EXPECT_EQ(pfd.dwFlags, 0x25u);
    EXPECT_EQ(pfd.iPixelType, PFD_TYPE_RGBA);
    EXPECT_EQ(pfd.cColorBits, 24);
    EXPECT_EQ(pfd.cDepthBits, 16);
    EXPECT_EQ(pfd.cAlphaBits + pfd.cAccumBits + pfd.cStencilBits + pfd.cAuxBuffers, 0);
}

TEST(Win32Gl, ExtensionsAreMatchedWholeInTheList) {
    const char* list = "WGL_ARB_pixel_format WGL_EXT_swap_control_tear WGL_EXT_swap_control";
    EXPECT_TRUE(ListsExtension(list, "WGL_EXT_swap_control"));
    EXPECT_TRUE(ListsExtension(list, "WGL_ARB_pixel_format"));
    EXPECT_FALSE(ListsExtension("WGL_EXT_swap_control_tear", "WGL_EXT_swap_control"));
    EXPECT_FALSE(ListsExtension("XWGL_EXT_swap_control", "WGL_EXT_swap_control"));
    EXPECT_FALSE(ListsExtension(nullptr, "WGL_EXT_swap_control"));
    EXPECT_FALSE(ListsExtension("", "WGL_EXT_swap_control"));
}

TEST(Win32Gl, AContextOnAChildWindowDrawsAndIsDeletedOnce) {
    Win32Backend backend;
    WindowDesc form_desc;
    form_desc.kind = WindowKind::TopLevelPlain;
    form_desc.bounds = {0, 0, 64, 48};
    const NativeWindow form = backend.MakeWindow(form_desc);
    WindowDesc view_desc;
    view_desc.kind = WindowKind::Child;
    view_desc.parent = form;
    view_desc.bounds = {0, 0, 64, 48};
    view_desc.gl_capable = true;
    const NativeWindow view = backend.MakeWindow(view_desc);
    backend.ShowWindow(form, true);
    backend.ShowWindow(view, true);

    const int format = backend.ChoosePixelFormat(view);
    ASSERT_GT(format, 0);
    HDC dc = GetDC(ToHwnd(view));
    PIXELFORMATDESCRIPTOR chosen{};
    DescribePixelFormat(dc, format, sizeof(chosen), &chosen);
    EXPECT_TRUE(chosen.dwFlags & PFD_DOUBLEBUFFER);
    EXPECT_TRUE(chosen.dwFlags & PFD_SUPPORT_OPENGL);
    EXPECT_GE(chosen.cColorBits, 24);
    EXPECT_GE(chosen.cDepthBits, 16);
    backend.SetPixelFormat(view, format);
    EXPECT_EQ(GetPixelFormat(dc), format);

    const GlContext context = backend.CreateContext(view);
    ASSERT_NE(context, 0u);
    backend.MakeCurrent(view, context);
    ASSERT_NE(wglGetCurrentContext(), nullptr);
    glClearColor(1.0f, 0.5f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    GLubyte pixel[4] = {};
    glReadPixels(10, 10, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, pixel);
    EXPECT_EQ(pixel[0], 255);
    EXPECT_NEAR(pixel[1], 128, 1);
    EXPECT_EQ(pixel[2], 0);
    backend.SwapBuffers(view);
    ReleaseDC(ToHwnd(view), dc);

    backend.MakeCurrent(0, 0);
    EXPECT_EQ(wglGetCurrentContext(), nullptr);
    backend.MakeCurrent(view, context);
    backend.DeleteContext(context);
    EXPECT_EQ(wglGetCurrentContext(), nullptr);  // deleting the current one releases it
    backend.DeleteContext(context);              // a second time does nothing
    backend.MakeCurrent(view, context);          // nor does making a deleted one current
    EXPECT_EQ(wglGetCurrentContext(), nullptr);
    backend.SwapBuffers(view);  // without a context: nothing to swap
    EXPECT_EQ(backend.CreateContext(0), 0u);
    EXPECT_EQ(backend.ChoosePixelFormat(0), 0);
}

}  // namespace
}  // namespace tivaro::platform::win32
