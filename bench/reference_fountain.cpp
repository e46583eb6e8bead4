// The floor the GL stack allows for the saver's scene: a bare Xlib + GLX program that
// draws the same 300 textured, additively blended 0.2 x 0.2 quads with the same GL state,
// projection and motion as the saver, and nothing else (no forms runtime, no timers, no
// pacing, no checked arithmetic). The frame-rate benchmark runs it beside the saver. On
// a server with several Xinerama heads it draws one fountain per head, each in its own
// viewport and scissor box, as the saver does.
//
// Usage: tivaro_reference_fountain <seconds>
// With TIVARO_TIMING=1 it reports on stderr in the saver's format.
#include <GL/gl.h>
#include <GL/glu.h>
#include <GL/glx.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/Xinerama.h>

#include <array>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "assets/assets.h"
#include "platform/image/decode.h"
#include "render/random.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Quad {
    float x = 0, y = 0, z = 0;
    float vx = 0, vy = 0, vz = 0;
    float r = 1, g = 1, b = 1;
    float life = 1, fade = 0.05f;
};

constexpr int kCount = 300;
constexpr float kHalfSide = 0.1f;
constexpr float kStep = 4000.0f;  // velocity units per world unit and frame

// One head's fountain: its box (from the bottom left, as GL counts) and its own motion.
struct Fountain {
    int x = 0, y = 0, width = 0, height = 0;
    tivaro::render::Pcg32 generator;
    std::array<Quad, kCount> quads{};
    float zoom = -2.0f;
    double Rnd() { return static_cast<double>(generator.Next()); }
};

// The heads, or the whole screen; the saver's random stream for each.
std::vector<Fountain> Fountains(Display* display, int width, int height) {
    std::vector<Fountain> fountains;
    int count = 0;
    XineramaScreenInfo* heads =
        XineramaIsActive(display) ? XineramaQueryScreens(display, &count) : nullptr;
    for (int i = 0; i < count || (i == 0 && fountains.empty()); ++i) {
        Fountain f;
        if (count > 1) {
            f.x = heads[i].x_org;
            f.y = height - heads[i].y_org - heads[i].height;
            f.width = heads[i].width;
            f.height = heads[i].height;
        } else {
            f.width = width;
            f.height = height;
        }
        if (i > 0) f.generator = tivaro::render::Pcg32(0, static_cast<std::uint64_t>(2 * i + 1));
        fountains.push_back(f);
        if (count <= 1) break;
    }
    if (heads != nullptr) XFree(heads);
    return fountains;
}

std::vector<unsigned char> EarthTexture(int side) {
    const auto picture = tivaro::image::DecodePicture(tivaro::assets::Find("earth.jpg"));
    std::vector<unsigned char> texels(static_cast<std::size_t>(side) * side * 3);
    std::size_t n = 0;
    for (int x = 0; x < side; ++x) {
        for (int y = 0; y < side; ++y) {
            const auto c = static_cast<std::uint32_t>(
                picture.Point(x * picture.width() / side, y * picture.height() / side));
            texels[n++] = static_cast<unsigned char>(c & 0xFF);
            texels[n++] = static_cast<unsigned char>((c >> 8) & 0xFF);
            texels[n++] = static_cast<unsigned char>((c >> 16) & 0xFF);
        }
    }
    return texels;
}

void DrawAndMove(Fountain& f) {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    for (Quad& q : f.quads) {
        const float z = f.zoom + q.z;
        glColor4f(q.r, q.g, q.b, q.life);
        glBegin(GL_QUADS);
        glTexCoord2f(0, 0);
        glVertex3f(q.x - kHalfSide, q.y - kHalfSide, z);
        glTexCoord2f(1, 0);
        glVertex3f(q.x + kHalfSide, q.y - kHalfSide, z);
        glTexCoord2f(1, 1);
        glVertex3f(q.x + kHalfSide, q.y + kHalfSide, z);
        glTexCoord2f(0, 1);
        glVertex3f(q.x - kHalfSide, q.y + kHalfSide, z);
        glEnd();
        q.x += q.vx / kStep;
        q.y += q.vy / kStep;
        q.z += q.vz / kStep;
        q.vy -= 0.8f;
        q.life -= q.fade;
        if (q.life < 0) {
            q.life = 1;
            q.fade = static_cast<float>(f.Rnd() * 100.0 / 1000.0 + 0.003);
            q.x = q.y = q.z = 0;
            q.vx = static_cast<float>(f.Rnd() * 60 - 32);
            q.vy = static_cast<float>(f.Rnd() * 60 - 32 + 20);
            q.vz = static_cast<float>(f.Rnd() * 60 - 32);
        }
    }
}

void Burst(Fountain& f) {
    for (Quad& q : f.quads) {
        q.x = q.y = q.z = 0;
        q.vx = static_cast<float>((f.Rnd() * 20 - 10) * 10);
        q.vz = static_cast<float>((f.Rnd() * 20 - 10) * 10);
        const double up = f.Rnd();
        q.vy = static_cast<float>(std::sqrt(40000.0 - q.vx * q.vx - q.vz * q.vz) * (2 * up - 1));
        for (int row = 0; row < 3; ++row) f.Rnd();  // the colour rows
    }
    f.zoom = static_cast<float>(-std::floor(f.Rnd() * 151 + 100) / 100);
}

}  // namespace

int main(int argc, char** argv) {
    const double seconds = argc > 1 ? std::atof(argv[1]) : 5.0;
    const char* timing_env = std::getenv("TIVARO_TIMING");
    const bool timing = timing_env != nullptr && std::strcmp(timing_env, "1") == 0;

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
    const auto setup_view = [](const Fountain& f) {
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        gluPerspective(45.0, static_cast<double>(f.width) / f.height, 0.1, 200.0);
        glViewport(f.x, f.y, f.width, f.height);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
    };
    setup_view(fountains.front());
    glClearColor(0, 0, 0, 1);
    glShadeModel(GL_SMOOTH);
    glClearDepth(1.0);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
    glEnable(GL_BLEND);
    glEnable(GL_TEXTURE_2D);

    GLuint texture = 0;
    const auto texels = EarthTexture(256);
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP);
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP);
    glTexImage2D(GL_TEXTURE_2D, 0, 3, 256, 256, 0, GL_RGB, GL_UNSIGNED_BYTE, texels.data());

    // The saver's motion with the saver's generator and seed (TIVARO_SEED): the same quads
    // in the same places, drawn by plain code.
    const char* seed = std::getenv("TIVARO_SEED");
    for (Fountain& f : fountains) {
        f.generator.Seed(seed != nullptr ? static_cast<float>(std::atof(seed)) : 0.0f);
        for (Quad& q : f.quads) {
            q.fade = static_cast<float>(f.Rnd() * 100.0 / 1000.0 + 0.003);
            q.vx = static_cast<float>((f.Rnd() * 50 - 26) * 10);
            q.vy = static_cast<float>((f.Rnd() * 50 - 26) * 10);
            q.vz = static_cast<float>((f.Rnd() * 50 - 26) * 10);
        }
    }
    // The saver bursts every 201st tick of its 10 ms timer, which the system ticks 64
    // times a second.
    const auto burst_period = std::chrono::microseconds(201 * 15625);
    const auto start = Clock::now();
    auto next_burst = start + burst_period;
    Clock::time_point first{};
    Clock::time_point last{};
    long long frames = 0;
    while (true) {
        for (Fountain& f : fountains) {
            if (several) {
                setup_view(f);
                glScissor(f.x, f.y, f.width, f.height);
                glEnable(GL_SCISSOR_TEST);
            }
            DrawAndMove(f);
        }
        if (several) glDisable(GL_SCISSOR_TEST);
        glXSwapBuffers(display, window);
        last = Clock::now();
        if (frames++ == 0) first = last;
        if (last >= next_burst) {
            next_burst += burst_period;
            for (Fountain& f : fountains) Burst(f);
        }
        if (std::chrono::duration<double>(last - start).count() >= seconds) break;
    }
    if (timing) {
        std::fprintf(stderr, "tivaro: first frame at %lld ns\n",
                     static_cast<long long>(std::chrono::duration_cast<std::chrono::nanoseconds>(
                                                first.time_since_epoch())
                                                .count()));
        std::fprintf(stderr, "tivaro: %lld frames in %.6f s\n", frames - 1,
                     std::chrono::duration<double>(last - first).count());
    }
    glXMakeCurrent(display, None, nullptr);
    glXDestroyContext(display, context);
    XDestroyWindow(display, window);
    XFree(visual);
    XCloseDisplay(display);
    return 0;
}
