// The scene the bare references draw (bench/reference_fountain.cpp on X11,
// bench/reference_wayland.cpp on Wayland): the saver's 300 textured, additively blended
// 0.2 x 0.2 quads with the saver's GL state, projection, motion, random streams and seed,
// drawn by plain code, and the frame count they report in the saver's TIVARO_TIMING format.
// Each program brings only its window system.
#pragma once

#include <GL/gl.h>
#include <GL/glu.h>

#include <array>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "assets/assets.h"
#include "toolkit/image/decode.h"
#include "render/random.h"

namespace tivaro::bench {

struct Quad {
    float x = 0, y = 0, z = 0;
    float vx = 0, vy = 0, vz = 0;
    float r = 1, g = 1, b = 1;
    float life = 1, fade = 0.05f;
};

inline constexpr int kQuadCount = 300;
inline constexpr float kHalfSide = 0.1f;
inline constexpr float kStep = 4000.0f;  // velocity units per world unit and frame

// One monitor's fountain: its box (from the bottom left, as GL counts) and its own motion.
struct Fountain {
    int x = 0, y = 0, width = 0, height = 0;
    render::Pcg32 generator;
    std::array<Quad, kQuadCount> quads{};
    float zoom = -2.0f;
    double Rnd() { return static_cast<double>(generator.Next()); }
};

// The fountain for the index-th monitor, with the saver's random stream for it.
inline Fountain MakeFountain(std::size_t index, int x, int y, int width, int height) {
    Fountain f;
    f.x = x;
    f.y = y;
    f.width = width;
    f.height = height;
    if (index > 0) f.generator = render::Pcg32(0, static_cast<std::uint64_t>(2 * index + 1));
    return f;
}

// The saver's motion from the saver's seed (TIVARO_SEED): the same quads in the same places.
inline void SeedFountains(std::vector<Fountain>& fountains) {
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
}

inline std::vector<unsigned char> EarthTexture(int side) {
    const auto picture = image::DecodePicture(assets::Find("earth.jpg"));
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

// The saver's projection and viewport for one fountain's box.
inline void SetUpView(const Fountain& f) {
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(45.0, static_cast<double>(f.width) / f.height, 0.1, 200.0);
    glViewport(f.x, f.y, f.width, f.height);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

// The saver's GL state and its Earth texture, in the current context.
inline void SetUpGl() {
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
}

inline void DrawAndMove(Fountain& f) {
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

inline void Burst(Fountain& f) {
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

// The frames of a run of a given length: the saver's bursts on the saver's schedule, and
// the report the saver gives with TIVARO_TIMING=1.
class FrameCount {
public:
    using Clock = std::chrono::steady_clock;

    explicit FrameCount(double seconds) : seconds_(seconds) {}

    // After each frame has been presented on every monitor; false once the run is over.
    bool Next(std::vector<Fountain>& fountains) {
        last_ = Clock::now();
        if (frames_++ == 0) first_ = last_;
        if (last_ >= next_burst_) {
            next_burst_ += kBurstPeriod;
            for (Fountain& f : fountains) Burst(f);
        }
        return std::chrono::duration<double>(last_ - start_).count() < seconds_;
    }

    void Report() const {
        const char* timing = std::getenv("TIVARO_TIMING");
        if (timing == nullptr || std::strcmp(timing, "1") != 0 || frames_ == 0) return;
        std::fprintf(stderr, "tivaro: first frame at %lld ns\n",
                     static_cast<long long>(std::chrono::duration_cast<std::chrono::nanoseconds>(
                                                first_.time_since_epoch())
                                                .count()));
        std::fprintf(stderr, "tivaro: %lld frames in %.6f s\n", frames_ - 1,
                     std::chrono::duration<double>(last_ - first_).count());
    }

private:
    // The saver bursts every 201st tick of its 10 ms timer, which the system ticks 64
    // times a second.
    static constexpr auto kBurstPeriod = std::chrono::microseconds(201 * 15625);

    double seconds_;
    Clock::time_point start_ = Clock::now();
    Clock::time_point next_burst_ = start_ + kBurstPeriod;
    Clock::time_point first_{};
    Clock::time_point last_{};
    long long frames_ = 0;
};

}  // namespace tivaro::bench
