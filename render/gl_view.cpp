#include "render/gl_view.h"

#include "app/velkor_b.h"
#include "platform/backend.h"
#include "toolkit/runtime/numeric.h"
#include "render/gl_api.h"

namespace tivaro::render {

void openGLcontrolClass::Initialize(std::uint64_t& deviceContext, std::int32_t& width,
                                    std::int32_t& height) {
    Velkor_B::glDeviceContext = deviceContext;
    CreateRenderContext();
    SetupView(width, height);
}

void openGLcontrolClass::CreateRenderContext() {
    auto& platform = platform::Current();
    // A double-buffered RGBA format with 24 colour bits and 16 depth bits, the closest the
    // system has. No format: no context, and no error.
    const int format = platform.ChoosePixelFormat(Velkor_B::glDeviceContext);
    if (format == 0) return;
    platform.SetPixelFormat(Velkor_B::glDeviceContext, format);
    Velkor_B::glRenderContext = platform.CreateContext(Velkor_B::glDeviceContext);
    platform.MakeCurrent(Velkor_B::glDeviceContext, Velkor_B::glRenderContext);
}

void openGLcontrolClass::SetupView(std::int32_t width, std::int32_t height) {
    SetupArea(0, 0, width, height);
}

void openGLcontrolClass::SetupArea(std::int32_t x, std::int32_t y, std::int32_t width,
                                   std::int32_t height) {
    GlApi& gl = Gl();
    gl.MatrixMode(GL_PROJECTION);
    gl.LoadIdentity();
    const double aspect = rt::Divide(static_cast<double>(width), static_cast<double>(height));
    gl.Perspective(45.0, aspect, 0.1, 200.0);
    gl.Viewport(x, y, width, height);
    gl.MatrixMode(GL_MODELVIEW);
    gl.LoadIdentity();
}

void openGLcontrolClass::DrawOn(std::uint64_t surface) {
    platform::Current().MakeCurrent(surface, Velkor_B::glRenderContext);
}

void openGLcontrolClass::Terminate() {
    auto& platform = platform::Current();
    platform.MakeCurrent(0, 0);
    platform.DeleteContext(Velkor_B::glRenderContext);
}

}  // namespace tivaro::render
