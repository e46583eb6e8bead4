#include "render/random.h"

#include <bit>
#include <chrono>
#include <cstdlib>
#include <ctime>

#include "toolkit/runtime/numeric.h"
#include "toolkit/runtime/options.h"

namespace tivaro::render {
namespace {

Pcg32& ProgramGenerator() {
    static Pcg32 generator;
    return generator;
}

RandomSource* g_source = nullptr;

}  // namespace

void Pcg32::Reseed(std::uint64_t state, std::uint64_t stream) {
    state_ = 0;
    increment_ = (stream << 1u) | 1u;
    NextU32();
    state_ += state;
    NextU32();
}

std::uint32_t Pcg32::NextU32() {
    const std::uint64_t old = state_;
    state_ = old * 6364136223846793005ULL + increment_;
    const auto xorshifted = static_cast<std::uint32_t>(((old >> 18u) ^ old) >> 27u);
    const auto rot = static_cast<std::uint32_t>(old >> 59u);
    return (xorshifted >> rot) | (xorshifted << ((32u - rot) & 31u));
}

void Pcg32::Seed(float seconds_since_midnight) {
    Reseed(std::bit_cast<std::uint32_t>(seconds_since_midnight), increment_ >> 1u);
}

float Pcg32::Next() {
    return static_cast<float>(NextU32() >> 8u) * (1.0f / 16777216.0f);
}

RandomSource& CurrentRandom() {
    return g_source != nullptr ? *g_source : ProgramGenerator();
}

void SetRandomSource(RandomSource* source) {
    g_source = source;
}

float Rnd() {
    return CurrentRandom().Next();
}

void Randomize(float seconds_since_midnight) {
    CurrentRandom().Seed(seconds_since_midnight);
}

float SecondsSinceMidnight() {
    using namespace std::chrono;
    const auto now = system_clock::now();
    const std::time_t t = system_clock::to_time_t(now);
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &t);
#else
    localtime_r(&t, &local);
#endif
    const auto fraction = duration<double>(now - system_clock::from_time_t(t)).count();
    const double seconds = local.tm_hour * 3600.0 + local.tm_min * 60.0 + local.tm_sec + fraction;
    return rt::StoreF32(seconds);
}

float RunSeed() {
    if (const std::string& seed = rt::Environment().seed; !seed.empty()) {
        return rt::StoreF32(rt::ReadNumber(seed));
    }
    return SecondsSinceMidnight();
}

}  // namespace tivaro::render
