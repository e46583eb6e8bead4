// One tick of the credits dialog's animation: clear the 373 x 281 view and draw 241
// spheres and 6 atoms, two blits each, from the stored pictures.
#include <benchmark/benchmark.h>

#include <array>
#include <string>

#include "assets/assets.h"
#include "toolkit/image/decode.h"
#include "settings/sprite_animation.h"

namespace {

using namespace tivaro;

gfx::Surface Picture(const std::string& name) {
    return image::DecodePicture(assets::Find(name));
}

void BM_SpriteFrame(benchmark::State& bench) {
    gfx::Surface view(373, 281, settings::kViewBackColour);
    const gfx::Surface sphereMask = Picture("sphere_mask.bmp");
    const gfx::Surface sphereSprite = Picture("sphere_sprite.bmp");
    std::array<gfx::Surface, settings::kAtomCount> atomMasks;
    std::array<gfx::Surface, settings::kAtomCount> atomSprites;
    settings::SpriteScene scene{view, sphereMask, sphereSprite, {}, {}, nullptr, {}};
    for (std::size_t k = 0; k < settings::kAtomCount; ++k) {
        atomMasks[k] = Picture("atom" + std::to_string(k) + "_mask.jpg");
        atomSprites[k] = Picture("atom" + std::to_string(k) + "_sprite.jpg");
        scene.atomMasks[k] = &atomMasks[k];
        scene.atomSprites[k] = &atomSprites[k];
    }
    settings::SpriteState state;
    settings::SetUpSpriteMetrics(state, scene, 373.0f, 281.0f);

    for (auto _ : bench) {
        settings::DrawFrame(state, scene);
        benchmark::DoNotOptimize(view.pixels());
        benchmark::ClobberMemory();
    }
    bench.counters["blits/frame"] = 494;
}
BENCHMARK(BM_SpriteFrame)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
