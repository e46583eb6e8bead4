// A random source for tests: draw number n (counted from 0 since installation) returns
// value(n). It records how often it was seeded and with what.
#pragma once

#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

#include "render/random.h"

namespace tivaro::render::testing {

class ScriptedRandom final : public RandomSource {
public:
    explicit ScriptedRandom(std::function<float(std::uint64_t)> value) : value_(std::move(value)) {
        SetRandomSource(this);
    }
    ~ScriptedRandom() override { SetRandomSource(nullptr); }
    ScriptedRandom(const ScriptedRandom&) = delete;
    ScriptedRandom& operator=(const ScriptedRandom&) = delete;

    void Seed(float seconds_since_midnight) override { seeds.push_back(seconds_since_midnight); }
    float Next() override { return value_(draws++); }

    std::uint64_t draws = 0;
    std::vector<float> seeds;

private:
    std::function<float(std::uint64_t)> value_;
};

// The largest float below 1: the top of the generator's range.
inline constexpr float kJustBelowOne = 0.99999994f;

}  // namespace tivaro::render::testing
