// Image sources for the sprite animation tests: balls of the designed sizes drawn in flat
// colours, so that every pixel of a frame can be predicted.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "toolkit/surface/surface.h"
#include "settings/sprite_animation.h"

namespace tivaro::settings::testing {

inline constexpr std::array<std::array<std::int32_t, 2>, kAtomCount> kAtomSizes = {
    {{25, 25}, {26, 26}, {25, 26}, {25, 25}, {25, 25}, {25, 25}}};
inline constexpr gfx::Colour kSphereColour = gfx::RGB(200, 20, 20);
inline constexpr gfx::Colour AtomColour(std::int16_t k) {
    return gfx::RGB(10 + 40 * static_cast<std::uint32_t>(k), 200, 60);
}

// A ball as the pictures have it: the mask black inside the ellipse through the pixel
// centres and white outside; the sprite `colour` inside and black outside. `solid` fills
// the whole rectangle instead.
inline void MakeBall(gfx::Surface& mask, gfx::Surface& sprite, std::int32_t w, std::int32_t h,
                     gfx::Colour colour, bool solid) {
    mask = gfx::Surface(w, h, gfx::RGB(255, 255, 255));
    sprite = gfx::Surface(w, h, gfx::RGB(0, 0, 0));
    for (std::int32_t y = 0; y < h; ++y) {
        for (std::int32_t x = 0; x < w; ++x) {
            const double u = (x + 0.5 - w / 2.0) / (w / 2.0);
            const double v = (y + 0.5 - h / 2.0) / (h / 2.0);
            if (!solid && u * u + v * v > 1.0) continue;
            mask.SetPixel(x, y, gfx::RGB(0, 0, 0));
            sprite.SetPixel(x, y, colour);
        }
    }
}

struct TestScene {
    explicit TestScene(bool solid = false, std::int32_t viewWidth = 373,
                       std::int32_t viewHeight = 281)
        : view(viewWidth, viewHeight, kViewBackColour) {
        MakeBall(sphereMask, sphereSprite, 10, 9, kSphereColour, solid);
        for (std::int16_t k = 0; k < kAtomCount; ++k) {
            const auto i = static_cast<std::size_t>(k);
            MakeBall(atomMasks[i], atomSprites[i], kAtomSizes[i][0], kAtomSizes[i][1],
                     AtomColour(k), solid);
        }
    }

    SpriteScene Scene(BallObserver* observer = nullptr) {
        SpriteScene scene{view, sphereMask, sphereSprite, {}, {}, observer, {}};
        for (std::size_t k = 0; k < kAtomCount; ++k) {
            scene.atomMasks[k] = &atomMasks[k];
            scene.atomSprites[k] = &atomSprites[k];
        }
        return scene;
    }

    gfx::Surface view;
    gfx::Surface sphereMask;
    gfx::Surface sphereSprite;
    std::array<gfx::Surface, kAtomCount> atomMasks;
    std::array<gfx::Surface, kAtomCount> atomSprites;
};

// Keeps every ball of the frames drawn while it listens.
class BallLog : public BallObserver {
public:
    void BallDrawn(const BallDraw& ball) override { balls.push_back(ball); }
    std::vector<BallDraw> balls;
};

}  // namespace tivaro::settings::testing
