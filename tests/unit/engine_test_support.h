// What the engine tests share: a recording platform and GL, the program-wide values the
// engine reads, and a reader that turns a recorded frame back into quads.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cstddef>
#include <vector>

#include "app/velkor_b.h"
#include "gl_recorder.h"
#include "toolkit/runtime/errors.h"
#include "platform/testing/recording_backend.h"
#include "render/part_eng.h"

namespace tivaro::render::testing {

inline constexpr platform::NativeWindow kSurface = 0x42;

class EngineTest : public ::testing::Test {
protected:
    explicit EngineTest(GlRecorder::Mode mode = GlRecorder::Mode::Record) : gl(mode) {
        Velkor_B::FragmentCount = 300;
        Velkor_B::ZoomTicks = 0;
        Velkor_B::glDeviceContext = kSurface;
    }
    ~EngineTest() override { Velkor_B::ZoomTicks = 0; }  // the counter is program-wide

    platform::testing::RecordingBackend backend;
    GlRecorder gl;
};

struct Corner {
    float s, t, x, y, z;
};
struct Quad {
    std::array<float, 4> colour;  // red, green, blue, alpha
    std::array<Corner, 4> corners;
};

// The quads of one recorded frame: glClear, then per fragment glColor4f, glBegin(GL_QUADS),
// four glTexCoord2f/glVertex3f pairs, glEnd. Fails the test when the calls differ.
inline std::vector<Quad> QuadsOf(const std::vector<GlCall>& calls) {
    std::vector<Quad> quads;
    EXPECT_FALSE(calls.empty());
    if (calls.empty()) return quads;
    EXPECT_EQ(calls[0].Text(), "glClear 16640");
    EXPECT_EQ((calls.size() - 1) % 11, 0u) << "calls after glClear: " << calls.size() - 1;
    for (std::size_t at = 1; at + 11 <= calls.size(); at += 11) {
        Quad q{};
        EXPECT_EQ(calls[at].name, "glColor4f");
        EXPECT_EQ(calls[at + 1].Text(), "glBegin 7");
        EXPECT_EQ(calls[at + 10].name, "glEnd");
        for (std::size_t c = 0; c < 4; ++c) q.colour[c] = static_cast<float>(calls[at].args[c]);
        for (std::size_t k = 0; k < 4; ++k) {
            const GlCall& tex = calls[at + 2 + 2 * k];
            const GlCall& vertex = calls[at + 3 + 2 * k];
            EXPECT_EQ(tex.name, "glTexCoord2f");
            EXPECT_EQ(vertex.name, "glVertex3f");
            q.corners[k] = {static_cast<float>(tex.args[0]), static_cast<float>(tex.args[1]),
                            static_cast<float>(vertex.args[0]), static_cast<float>(vertex.args[1]),
                            static_cast<float>(vertex.args[2])};
        }
        quads.push_back(q);
    }
    return quads;
}

// The runtime error number an action raised, or 0 when it raised none.
template <class Action>
rt::ErrorNumber ErrorOf(Action&& action) {
    try {
        action();
    } catch (const rt::RuntimeError& e) {
        return e.number();
    }
    return rt::ErrorNumber{0};
}

}  // namespace tivaro::render::testing
