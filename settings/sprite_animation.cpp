#include "settings/sprite_animation.h"

#include <cmath>

#include "app/velkor_b.h"
#include "toolkit/runtime/errors.h"
#include "toolkit/runtime/numeric.h"

namespace tivaro::settings {
namespace {

constexpr double kHimetricPerInch = 2540.0;
constexpr double kPixelsPerInch = 1440.0 / 15.0;  // 15 twips per pixel
constexpr double kRadius = 120.0;                 // the rose's petal length in pixels
constexpr float kLastAngle = 720.0f;              // the rose closes after 720 degrees

template <class Array>
auto& Element(Array& array, std::int16_t index) {
    if (index < 0 || static_cast<std::size_t>(index) >= array.size()) {
        rt::Raise(rt::ErrorNumber::SubscriptOutOfRange);
    }
    return array[static_cast<std::size_t>(index)];
}

// Half the room the sprite leaves in the view, as a floating-point halving of the
// 32-bit difference, plus the offset of the curve point; rounded to 16 bits.
std::int16_t Corner(std::int32_t viewLength, std::int16_t spriteLength, float offset) {
    const double half = static_cast<double>(rt::SubI32(viewLength, spriteLength)) / 2.0;
    return rt::RoundToI16(half + static_cast<double>(offset));
}

// Mask with AND, then sprite with XOR: the mask clears the ball's shape to black and the
// sprite's colours appear there; both are clipped at the view's edges.
void DrawBall(gfx::Surface& view, std::int32_t x, std::int32_t y, std::int32_t width,
              std::int32_t height, const gfx::Surface& mask, const gfx::Surface& sprite) {
    view.BitBlt(x, y, width, height, mask, 0, 0, gfx::RasterOp::SrcAnd);
    view.BitBlt(x, y, width, height, sprite, 0, 0, gfx::RasterOp::SrcInvert);
}

}  // namespace

std::int16_t PicturePixels(std::int32_t pixels) {
    // The picture keeps its size in whole HIMETRIC units (hundredths of a millimetre);
    // converting back gives a single-precision pixel length.
    const std::int32_t himetric = rt::RoundToI32(pixels * kHimetricPerInch / kPixelsPerInch);
    const float back = rt::StoreF32(himetric * kPixelsPerInch / kHimetricPerInch);
    return rt::RoundToI16(back);
}

std::int16_t AtomOnSphere(std::int16_t sphere) {
    switch (sphere) {
        case 40:
            return 0;
        case 80:
            return 1;
        case 120:
            return 2;
        case 160:
            return 3;
        case 200:
            return 4;
        case 240:
            return 5;
        default:
            return -1;
    }
}

void SetUpSpriteMetrics(SpriteState& state, const SpriteScene& scene, float innerWidth,
                        float innerHeight) {
    for (state.loopIndex = 0; state.loopIndex <= kLastSphere;
         state.loopIndex = rt::AddI16(state.loopIndex, 1)) {
        Sphere& sphere = Element(state.spheres, state.loopIndex);
        rt::StepsIgnoringErrors(
            [&] { sphere.angle = static_cast<float>(rt::MulI16(3, state.loopIndex)); },
            [&] { sphere.width = PicturePixels(scene.sphereSprite.width()); },
            [&] { sphere.height = PicturePixels(scene.sphereSprite.height()); });
    }
    for (state.loopIndex = 0; state.loopIndex < kAtomCount;
         state.loopIndex = rt::AddI16(state.loopIndex, 1)) {
        AtomSize& atom = Element(state.atoms, state.loopIndex);
        const gfx::Surface& picture = *Element(scene.atomSprites, state.loopIndex);
        rt::StepsIgnoringErrors([&] { atom.width = PicturePixels(picture.width()); },
                                [&] { atom.height = PicturePixels(picture.height()); });
    }
    rt::StepsIgnoringErrors([&] { state.viewWidth = rt::RoundToI32(innerWidth); },
                            [&] { state.viewHeight = rt::RoundToI32(innerHeight); });
}

void DrawFrame(SpriteState& state, const SpriteScene& scene) {
    if (scene.cls) {
        scene.cls();
    } else {
        scene.view.Clear();
    }
    for (state.loopIndex = 0; state.loopIndex <= kLastSphere;
         state.loopIndex = rt::AddI16(state.loopIndex, 1)) {
        DrawSphere(state, scene, state.loopIndex);
        Sphere& sphere = Element(state.spheres, state.loopIndex);
        sphere.angle = rt::StoreF32(static_cast<double>(sphere.angle) + 1.0);
        if (sphere.angle > kLastAngle) sphere.angle = 0.0f;
    }
}

void DrawSphere(const SpriteState& state, const SpriteScene& scene, std::int16_t index) {
    const Sphere& sphere = Element(state.spheres, index);
    // Pi and the angle are floats, so their product is exact in double; for the angles
    // 0..720 the quotient rounds to the same float as in extended precision.
    const float theta = rt::StoreF32(static_cast<double>(Velkor_B::Pi()) *
                                     static_cast<double>(sphere.angle) / 180.0);
    const double r = std::cos(3.0 / 2.0 * static_cast<double>(theta)) * kRadius;
    const float dx = rt::StoreF32(r * std::cos(static_cast<double>(theta)));
    const float dy = rt::StoreF32(r * -std::sin(static_cast<double>(theta)));

    const std::int16_t x = Corner(state.viewWidth, sphere.width, dx);
    const std::int16_t y = Corner(state.viewHeight, sphere.height, dy);
    DrawBall(scene.view, x, y, sphere.width, sphere.height, scene.sphereMask, scene.sphereSprite);
    if (scene.observer != nullptr) {
        scene.observer->BallDrawn(
            {BallDraw::Kind::Sphere, index, sphere.angle, x, y, sphere.width, sphere.height});
    }

    const std::int16_t atom = AtomOnSphere(index);
    if (atom < 0) return;
    const AtomSize& size = Element(state.atoms, atom);
    const std::int16_t ax = Corner(state.viewWidth, size.width, dx);
    const std::int16_t ay = Corner(state.viewHeight, size.height, dy);
    DrawAtom(state, scene, atom, static_cast<float>(ax), static_cast<float>(ay));
}

void DrawAtom(const SpriteState& state, const SpriteScene& scene, std::int16_t atom, float x,
              float y) {
    const AtomSize& size = Element(state.atoms, atom);
    const std::int32_t left = rt::RoundToI32(x);
    const std::int32_t top = rt::RoundToI32(y);
    DrawBall(scene.view, left, top, size.width, size.height, *Element(scene.atomMasks, atom),
             *Element(scene.atomSprites, atom));
    if (scene.observer != nullptr) {
        scene.observer->BallDrawn(
            {BallDraw::Kind::Atom, atom, 0.0f, left, top, size.width, size.height});
    }
}

}  // namespace tivaro::settings
