// openGLcontrolClass: turns a window into an OpenGL drawing surface: a double-buffered
// RGBA format, a rendering context made current, and the 45-degree perspective view.
// Its two handles live in the start-up module (glDeviceContext, glRenderContext).
#pragma once

#include <cstdint>

namespace tivaro::render {

class openGLcontrolClass {
public:
    // Stores the surface, creates the context, sets the view for width x height pixels.
    void Initialize(std::uint64_t& deviceContext, std::int32_t& width, std::int32_t& height);
    // Projection and viewport for a surface of width x height; height 0 raises the
    // runtime's floating-point error after the projection has been reset.
    void SetupView(std::int32_t width, std::int32_t height);
    // The same for a box of the window, its corner (x, y) counted from the bottom left.
    void SetupArea(std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height);
    // Makes the rendering context current on another surface of the view's (a monitor's
    // own, where the system gives each one), for the drawing and the swap that follow.
    void DrawOn(std::uint64_t surface);
    // Makes no context current and deletes the rendering context (the handle keeps its value).
    void Terminate();

private:
    void CreateRenderContext();
};

}  // namespace tivaro::render
