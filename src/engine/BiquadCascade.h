#pragma once
// The equalizer's inner loop: biquads in cascade over both channels at once, in vectors of
// doubles. Built twice, plain and for AVX2 with FMA; Cascade() picks one once at run time.

#include <cstddef>

namespace telbo::engine::biquad {

using V2 = double __attribute__((vector_size(16))); // left and right

// One band for both channels: coefficients and the two state words, per lane.
struct Band {
    V2 b0, b1, b2, a1, a2, s1, s2;
};

inline constexpr int kMaxBands = 10;

// Filters `frames` frames of `tile` (at most a few hundred) in place through `count`
// (1 .. kMaxBands) bands in cascade, band 0 first, and leaves each band's state where the
// last frame left it.
using CascadeFn = void (*)(Band* bands, int count, V2* tile, std::size_t frames) noexcept;

// The build for this processor.
CascadeFn Cascade() noexcept;

} // namespace telbo::engine::biquad
