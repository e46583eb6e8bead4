// The credits dialog's sprite animation: 241 red spheres travel one behind the other along
// the rose r = 120 cos(3θ/2) centred in the view, and six atoms ride on every fortieth
// sphere. Each tick redraws the whole view from scratch (mask blit, then sprite blit, per
// ball) and advances every sphere one degree; after 721 ticks the picture repeats.
//
// The state lives in the dialog (it derives from or holds a SpriteState); the functions
// here get the view's image and the image sources passed in, so they know no window.
#pragma once

#include <array>
#include <cstdint>
#include <functional>

#include "toolkit/surface/surface.h"

namespace tivaro::settings {

inline constexpr std::int16_t kLastSphere = 240;  // spheres 0..240
inline constexpr std::int16_t kAtomCount = 6;     // atoms 0..5
inline constexpr gfx::Colour kViewBackColour = gfx::RGB(128, 128, 255);

struct Sphere {
    float angle = 0.0f;  // degrees along the curve, a whole number from 0 to 720
    std::int16_t width = 0;
    std::int16_t height = 0;
};

struct AtomSize {
    std::int16_t width = 0;
    std::int16_t height = 0;
};

// The animation's members of the dialog; all zero until the set-up runs.
struct SpriteState {
    std::array<Sphere, kLastSphere + 1> spheres{};
    std::array<AtomSize, kAtomCount> atoms{};
    std::int32_t viewWidth = 0;
    std::int32_t viewHeight = 0;
    // The dialog's one loop index: its load, gradient and tick loops all count with it.
    std::int16_t loopIndex = 0;
};

// What a ball was drawn as, for whoever watches the drawing (tests, tools).
struct BallDraw {
    enum class Kind : std::uint8_t { Sphere, Atom } kind = Kind::Sphere;
    std::int16_t index = 0;  // sphere index or atom index
    float angle = 0.0f;      // the sphere's angle when drawn (0 for atoms)
    std::int32_t x = 0;      // top-left corner in the view
    std::int32_t y = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
};

class BallObserver {
public:
    virtual void BallDrawn(const BallDraw& ball) = 0;

protected:
    ~BallObserver() = default;
};

// The view image and the image sources of one dialog. The view's back colour is what a
// frame is cleared to (kViewBackColour in the dialog). Every atom pointer must be set.
struct SpriteScene {
    gfx::Surface& view;
    const gfx::Surface& sphereMask;
    const gfx::Surface& sphereSprite;
    std::array<const gfx::Surface*, kAtomCount> atomMasks;
    std::array<const gfx::Surface*, kAtomCount> atomSprites;
    BallObserver* observer = nullptr;  // told of every ball as it is drawn
    // The view box's Cls: clears `view` and has the box repaint once the tick is over.
    // Without it a frame just clears `view`.
    std::function<void()> cls;
};

// A stored picture's length in pixels as the runtime reports it: the picture keeps its
// size in HIMETRIC, which is converted back to pixels and rounded to 16 bits.
std::int16_t PicturePixels(std::int32_t pixels);

// Load-time set-up, errors ignored statement by statement: sphere n starts at 3n degrees,
// every sphere gets the sphere picture's size, every atom its picture's size, and the view
// size is the view's inner size in pixels, rounded. Counts with state.loopIndex.
void SetUpSpriteMetrics(SpriteState& state, const SpriteScene& scene, float innerWidth,
                        float innerHeight);

// One tick: clears the view, draws spheres 0..240 (each with its atom) and steps each
// sphere's angle by one, wrapping past 720 to 0. Allocates nothing.
void DrawFrame(SpriteState& state, const SpriteScene& scene);

// Draws sphere `index` at its curve point and, on every fortieth sphere but 0, its atom.
void DrawSphere(const SpriteState& state, const SpriteScene& scene, std::int16_t index);

// Draws atom `atom` with its top-left corner at (x, y), rounded to whole pixels.
void DrawAtom(const SpriteState& state, const SpriteScene& scene, std::int16_t atom, float x,
              float y);

// The atom that rides on a sphere, or -1 for none.
std::int16_t AtomOnSphere(std::int16_t sphere);

}  // namespace tivaro::settings
