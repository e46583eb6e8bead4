// WGL in the Win32 backend (Mesa through Wine here): the designed pixel format, a context
// that draws, contexts that may be deleted twice, the swap interval and the lookup of
// functions.
#include <gtest/gtest.h>

#include "platform/win32/win32_backend.h"

#include <GL/gl.h>

#include <cstdint>

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

TEST(Win32Gl, WhatDriversReturnForAMissingFunctionIsNoFunction) {
    for (const std::intptr_t value : {0, 1, 2, 3, -1}) {
        EXPECT_EQ(UsableProcAddress(reinterpret_cast<PROC>(value)), nullptr) << value;
    }
    const PROC real = GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "GetTickCount");
    ASSERT_NE(real, nullptr);
    EXPECT_EQ(UsableProcAddress(real), real);
}

NativeWindow GlChild(Win32Backend& backend, NativeWindow parent, Rect bounds) {
    WindowDesc desc;
    desc.kind = WindowKind::Child;
    desc.parent = parent;
    desc.bounds = bounds;
    desc.gl_capable = true;
    const NativeWindow view = backend.MakeWindow(desc);
    backend.ShowWindow(view, true);
    return view;
}

TEST(Win32Gl, TheSwapIntervalIsAskedForThroughAContextThatReallyIsCurrent) {
    Win32Backend backend;
    WindowDesc form_desc;
    form_desc.kind = WindowKind::TopLevelPlain;
    form_desc.bounds = {0, 0, 64, 48};
    const NativeWindow form = backend.MakeWindow(form_desc);
    backend.ShowWindow(form, true);
    const NativeWindow view = GlChild(backend, form, {0, 0, 32, 48});
    const NativeWindow bare = GlChild(backend, form, {32, 0, 64, 48});  // no pixel format
    const int format = backend.ChoosePixelFormat(view);
    ASSERT_GT(format, 0);
    backend.SetPixelFormat(view, format);
    const GlContext context = backend.CreateContext(view);
    ASSERT_NE(context, 0u);

    backend.MakeCurrent(bare, context);  // the system refuses: nothing is current
    ASSERT_EQ(wglGetCurrentContext(), nullptr);
    EXPECT_FALSE(backend.SwapIntervalAsked());
    backend.MakeCurrent(view, context);
    ASSERT_NE(wglGetCurrentContext(), nullptr);
    EXPECT_TRUE(backend.SwapIntervalAsked());
    // A name no driver knows comes back as no function.
    EXPECT_EQ(UsableProcAddress(wglGetProcAddress("wglTivaroNoSuchFunction")), nullptr);
    backend.DeleteContext(context);
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
