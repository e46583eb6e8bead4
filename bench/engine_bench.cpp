// The particle engine's work per frame for 300 fragments: draw calls into no-op GL
// functions, advance, respawn; with and without the timer tick (and its bursts).
#include <benchmark/benchmark.h>

#include "app/velkor_b.h"
#include "platform/testing/recording_backend.h"
#include "render/part_eng.h"
#include "tests/unit/gl_recorder.h"

namespace {

using tivaro::render::partEngClass;
using tivaro::render::testing::GlRecorder;
namespace Velkor_B = tivaro::Velkor_B;

struct World {
    World() {
        Velkor_B::FragmentCount = 300;
        Velkor_B::ZoomTicks = 0;
        Velkor_B::glDeviceContext = 1;
        engine.Initialize();
        backend.calls.reserve(4);
    }
    tivaro::platform::testing::RecordingBackend backend;
    GlRecorder gl{GlRecorder::Mode::Discard};
    partEngClass engine;
};

void BM_RenderAll(benchmark::State& state) {
    World world;
    for (auto _ : state) {
        world.engine.RenderAll();
        world.backend.calls.clear();
    }
    benchmark::DoNotOptimize(world.engine.Fragments().data());
    state.counters["fragments"] = Velkor_B::FragmentCount;
}
BENCHMARK(BM_RenderAll);

// The saver's loop: a frame, then a timer tick (a burst on every 201st).
void BM_RenderAllAndTick(benchmark::State& state) {
    World world;
    for (auto _ : state) {
        world.engine.RenderAll();
        world.backend.calls.clear();
        world.engine.Zoom_Rtn();
    }
    benchmark::DoNotOptimize(world.engine.Fragments().data());
}
BENCHMARK(BM_RenderAllAndTick);

// A burst alone: 1,800 random draws and 300 square roots.
void BM_Burst(benchmark::State& state) {
    World world;
    for (auto _ : state) {
        Velkor_B::ZoomTicks = 200;
        world.engine.Zoom_Rtn();
    }
    benchmark::DoNotOptimize(world.engine.Fragments().data());
}
BENCHMARK(BM_Burst);

}  // namespace

BENCHMARK_MAIN();
