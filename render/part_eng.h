// The particle engine: a fountain of small textured squares that each show the Earth,
// launched from one point, pulled down by gravity, fading out and launched again, with a
// burst out of the centre on every 201st timer tick.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "toolkit/forms/picture_holder.h"
#include "toolkit/runtime/numeric.h"
#include "render/random.h"

namespace tivaro::render {

// One fragment; positions in world units, velocities in units of 1/4000 unit per frame.
struct Fragment {
    rt::Bool16 inUse = rt::kFalse;
    float life = 0.0f;  // alpha when drawn; respawned once it drops below 0
    float fadeRate = 0.0f;
    float red = 0.0f;
    float green = 0.0f;
    float blue = 0.0f;
    float posX = 0.0f;
    float posY = 0.0f;
    float posZ = 0.0f;
    float velX = 0.0f;
    float velY = 0.0f;
    float velZ = 0.0f;
    float accX = 0.0f;
    float accY = 0.0f;
    float accZ = 0.0f;
};

// Twelve rows of red, green and blue. Every access checks its row first and raises
// SubscriptOutOfRange for a row outside 0..11, before anything is read or stored.
class PaletteTable {
public:
    static constexpr std::int32_t kRows = 12;

    // Checks the row and stores red; checks again, stores green; again, stores blue.
    void SetColour(std::int32_t row, float red, float green, float blue);
    // Column 0 red, 1 green, 2 blue.
    float At(std::int32_t row, std::int32_t column) const;

private:
    static std::size_t CheckedRow(std::int32_t row);

    std::array<std::array<float, 3>, kRows> cells_{};
};

class partEngClass {
public:
    partEngClass() { Class_Initialize(); }

    // Clears, draws every fragment where it is, advances it one step, respawns the spent
    // ones and presents the frame.
    void RenderAll();
    // The same frame without presenting it: a window with a fountain on each monitor
    // draws them all, each in its own viewport, and presents once.
    void DrawFrame();
    // Sizes the fragment set to FragmentCount, sets the render state, fills the palette
    // and launches every fragment from the origin. Needs a current GL context.
    void Initialize();
    // Turns the picture into the one texture every fragment shows and leaves it bound.
    void LoadTexture(forms::PictureHolder& picture);
    // The timer routine: steps the respawn colour; every 201st tick bursts all fragments
    // out of the origin and moves the camera.
    void Zoom_Rtn();

    // A fountain of its own beside the first: it draws from `random` instead of the
    // program's generator and counts the timer's ticks itself instead of in ZoomTicks.
    // Every fountain sees every tick, so all burst on the same one.
    void RunIndependently(RandomSource& random);
    std::int16_t TicksSinceBurst() const { return *zoomTicks; }

    // Read-only views of the state, for the tests and the benchmark.
    const std::vector<Fragment>& Fragments() const { return fragments; }
    const PaletteTable& Palette() const { return palette; }
    float Zoom() const { return zoom; }
    float SpeedDivisor() const { return speedDivisor; }
    std::int32_t PaletteIndex() const { return paletteIndex; }
    std::int32_t TextureName() const { return textureName; }
    const std::vector<std::uint8_t>& TexelBytes() const { return texelBytes; }

private:
    void Class_Initialize();
    void SetupRenderState();
    void SetPaletteColour(const std::int16_t& row, const float& red, const float& green,
                          const float& blue);
    void ResetFragments();

    Fragment& FragmentAt(std::int16_t index);
    void RespawnFragment(Fragment& f);
    RandomSource& Random() const { return random != nullptr ? *random : CurrentRandom(); }
    float Rnd() const { return Random().Next(); }
    void BurstFragment(Fragment& f);

    float speedDivisor = 0.0f;
    float zoom = 0.0f;
    float launchBiasX = 0.0f;
    float launchBiasY = 0.0f;
    std::int32_t paletteIndex = 0;
    std::vector<Fragment> fragments;
    PaletteTable palette;
    std::int32_t textureName = 0;
    std::vector<std::uint8_t> texelBytes;
    RandomSource* random = nullptr;  // nullptr: the program's generator
    std::int16_t ownTicks = 0;
    std::int16_t* zoomTicks;  // ZoomTicks, or ownTicks
};

}  // namespace tivaro::render
