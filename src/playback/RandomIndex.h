#pragma once
// Picking a random track.

#include <cstdint>
#include <random>

namespace telbo {

// floor((n - 0.01) * r) in double precision, for a draw r in [0, 1): 0..n-1 for n >= 1.
// The top index is a little less likely than the others (0.99 / (n - 0.01)); the player has
// always picked this way. n <= 0 (an empty list) gives 0; the result is kept in 0..n-1 even
// for a draw outside [0, 1).
int RandomIndex(int n, float r);

// Source of draws in [0, 1), so tests can script them.
class RandomSource {
public:
    virtual ~RandomSource() = default;
    virtual float Next() = 0;
};

// Mersenne twister seeded once from the clock (or a fixed seed); never returns 1.0.
class StdRandomSource final : public RandomSource {
public:
    StdRandomSource();
    explicit StdRandomSource(std::uint32_t seed);
    float Next() override;

private:
    std::mt19937 engine_;
};

} // namespace telbo
