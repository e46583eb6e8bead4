// The floor the GL stack allows for the saver's scene: a bare Xlib + GLX program that
// draws the same 300 textured, additively blended 0.2 x 0.2 quads with the same GL state,
// projection and motion as the saver, and nothing else (no forms runtime, no timers, no
// pacing, no checked arithmetic). The frame-rate benchmark runs it beside the saver. On
// a server with several Xinerama heads it draws one fountain per head, each in its own
// viewport and scissor box, as the saver does.
//
// Usage: tivaro_reference_fountain <seconds>
// With TIVARO_TIMING=1 it reports on stderr in the saver's format.
#include <GL/glx.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/Xinerama.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "bench/reference_scene.h"

namespace {

using tivaro::bench::Fountain;

// The heads, or the whole screen; the saver's random stream for each.
std::vector<Fountain> Fountains(Display* display, int width, int height) {
    std::vector<Fountain> fountains;
    int count = 0;
    XineramaScreenInfo* heads =
        XineramaIsActive(display) ? XineramaQueryScreens(display, &count) : nullptr;
    if (count > 1) {
        for (int i = 0; i < count; ++i) {
            fountains.push_back(tivaro::bench::MakeFountain(
                static_cast<std::size_t>(i), heads[i].x_org,
                height - heads[i].y_org - heads[i].height, heads[i].width, heads[i].height));
        }
    } else {
        fountains.push_back(tivaro::bench::MakeFountain(0, 0, 0, width, height));
    }
    if (heads != nullptr) XFree(heads);
    return fountains;
}

}  // namespace

int main(int argc, char** argv) {
    const double seconds = argc > 1 ? std::atof(argv[1]) : 5.0;

    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        std::fprintf(stderr, "reference: cannot open display\n");
        return 1;
    }
    const int screen = DefaultScreen(display);
    const int width = DisplayWidth(display, screen);
    const int height = DisplayHeight(display, screen);
    // The saver's frame-buffer configuration.
    // clang-format off
    const int attributes[] = {
        GLX_X_RENDERABLE, True,
        GLX_DRAWABLE_TYPE, GLX_WINDOW_BIT,
        GLX_RENDER_TYPE, GLX_RGBA_BIT,
        GLX_DOUBLEBUFFER, True,
        GLX_RED_SIZE, 8,
        GLX_GREEN_SIZE, 8,
        GLX_BLUE_SIZE, 8,
        GLX_DEPTH_SIZE, 16,
        None};
    // clang-format on
    int count = 0;
    GLXFBConfig* configs = glXChooseFBConfig(display, screen, attributes, &count);
    XVisualInfo* visual = count > 0 ? glXGetVisualFromFBConfig(display, configs[0]) : nullptr;
    if (visual == nullptr) {
        std::fprintf(stderr, "reference: no double-buffered RGB visual\n");
        return 1;
    }
    XSetWindowAttributes swa{};
    swa.colormap = XCreateColormap(display, RootWindow(display, screen), visual->visual, AllocNone);
    swa.override_redirect = True;
    swa.background_pixel = 0;
    const Window window =
        XCreateWindow(display, RootWindow(display, screen), 0, 0, static_cast<unsigned>(width),
                      static_cast<unsigned>(height), 0, visual->depth, InputOutput, visual->visual,
                      CWColormap | CWOverrideRedirect | CWBackPixel, &swa);
    GLXContext context = glXCreateNewContext(display, configs[0], GLX_RGBA_TYPE, nullptr, True);
    XFree(configs);
    XMapRaised(display, window);
    glXMakeCurrent(display, window, context);

    std::vector<Fountain> fountains = Fountains(display, width, height);
    const bool several = fountains.size() > 1;
    tivaro::bench::SetUpView(fountains.front());
    tivaro::bench::SetUpGl();
    tivaro::bench::SeedFountains(fountains);

    tivaro::bench::FrameCount frames(seconds);
    do {
        for (Fountain& f : fountains) {
            if (several) {
                tivaro::bench::SetUpView(f);
                glScissor(f.x, f.y, f.width, f.height);
                glEnable(GL_SCISSOR_TEST);
            }
            tivaro::bench::DrawAndMove(f);
        }
        if (several) glDisable(GL_SCISSOR_TEST);
        glXSwapBuffers(display, window);
    } while (frames.Next(fountains));
    frames.Report();
    glXMakeCurrent(display, None, nullptr);
    glXDestroyContext(display, context);
    XDestroyWindow(display, window);
    XFree(visual);
    XCloseDisplay(display);
    return 0;
}
