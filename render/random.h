// The engine's random numbers: one uniform generator of 32-bit floats in [0, 1), seeded
// once per run from the time of day. Tests put a source of their own in its place.
#pragma once

#include <cstdint>

namespace tivaro::render {

class RandomSource {
public:
    virtual ~RandomSource() = default;
    virtual void Seed(float seconds_since_midnight) = 0;
    // The next value, uniform in [0, 1).
    virtual float Next() = 0;
};

// PCG32 (O'Neill's permuted congruential generator, XSH RR output, 64-bit state).
class Pcg32 final : public RandomSource {
public:
    static constexpr std::uint64_t kProgramStream = 0xda3e39cb94b95bdbULL;
    Pcg32() { Reseed(0x853c49e6748fea9bULL, kProgramStream); }
    Pcg32(std::uint64_t state, std::uint64_t stream) { Reseed(state, stream); }

    void Reseed(std::uint64_t state, std::uint64_t stream);
    std::uint32_t NextU32();

    // The float's bit pattern picks the starting state; the stream stays the generator's
    // own, so generators of different streams seeded alike still differ.
    void Seed(float seconds_since_midnight) override;
    // The top 24 bits of the next output, scaled: every value is a multiple of 2^-24.
    float Next() override;

private:
    std::uint64_t state_ = 0;
    std::uint64_t increment_ = 1;  // the stream, shifted left, with the low bit set
};

// The generator the engine draws from: the program's own Pcg32 unless a test installed
// another source. Passing nullptr goes back to the program's own.
RandomSource& CurrentRandom();
void SetRandomSource(RandomSource* source);

// One draw and one seeding of the current generator.
float Rnd();
void Randomize(float seconds_since_midnight);

// Local time of day in seconds since midnight, with its fraction, as a 32-bit float.
float SecondsSinceMidnight();

// What a run seeds the engine with: the time of day, or the number in TIVARO_SEED when
// that is set (benchmarks compare runs of the very same fountain).
float RunSeed();

}  // namespace tivaro::render
