// A long run of the saver's loop: a frame, then a timer tick, a million times over.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <new>

#include "engine_test_support.h"
#include "render/random.h"

namespace {

// Counts the allocations made while `g_counting` is set. Replacing the global allocation
// functions holds for the whole program: this file is a test program of its own.
std::atomic<bool> g_counting{false};
std::atomic<long> g_allocations{0};

void* Allocate(std::size_t size) {
    if (g_counting.load(std::memory_order_relaxed)) g_allocations.fetch_add(1);
    if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
    throw std::bad_alloc();
}

}  // namespace

void* operator new(std::size_t size) {
    return Allocate(size);
}
void* operator new[](std::size_t size) {
    return Allocate(size);
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete[](void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    std::free(p);
}

namespace tivaro::render::testing {
namespace {

class SoakTest : public EngineTest {
protected:
    SoakTest() : EngineTest(GlRecorder::Mode::Discard) {}
};

TEST_F(SoakTest, AMillionFramesStayFiniteBoundedAndAllocateNothing) {
    Pcg32 generator(2024, 7);
    SetRandomSource(&generator);
    partEngClass engine;
    engine.Initialize();
    backend.calls.reserve(4);

    constexpr long kFrames = 1'000'000;
    float widest = 0.0f;
    long bad_frames = 0;
    long bursts = 0;
    g_allocations = 0;
    g_counting = true;
    for (long frame = 0; frame < kFrames; ++frame) {
        engine.RenderAll();
        backend.calls.clear();
        engine.Zoom_Rtn();  // one timer tick per frame: a burst every 201 frames
        bursts += Velkor_B::ZoomTicks == 0 ? 1 : 0;
        bool ok = true;
        for (const Fragment& f : engine.Fragments()) {
            ok = ok && std::isfinite(f.velX) && std::isfinite(f.velY) && std::isfinite(f.velZ);
            // A position that is not a number would slip past `widest` (std::max keeps the
            // number it is compared with), so it is checked here.
            ok = ok && std::isfinite(f.posX) && std::isfinite(f.posY) && std::isfinite(f.posZ);
            ok = ok && f.life >= 0.0f && f.life <= 1.0f;
            widest = std::max({widest, std::abs(f.posX), std::abs(f.posY), std::abs(f.posZ)});
        }
        bad_frames += ok ? 0 : 1;
    }
    g_counting = false;
    SetRandomSource(nullptr);

    EXPECT_EQ(bursts, kFrames / 201);
    EXPECT_EQ(bad_frames, 0);
    EXPECT_LT(widest, 45.0f);
    EXPECT_GT(widest, 5.0f) << "the fragments did fly";
    EXPECT_EQ(g_allocations.load(), 0);
}

std::vector<Fragment>* g_escaped = nullptr;

TEST_F(SoakTest, TheAllocationCounterSeesAllocations) {
    g_allocations = 0;
    g_counting = true;
    g_escaped = new std::vector<Fragment>(3);  // the vector and its storage
    g_counting = false;
    EXPECT_EQ(g_allocations.load(), 2);
    delete g_escaped;
    g_escaped = nullptr;
}

}  // namespace
}  // namespace tivaro::render::testing
