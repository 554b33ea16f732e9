#include "engine/BiquadCascade.h"

#include <algorithm>

namespace telbo::engine::biquad {

namespace {
using V4 = double __attribute__((vector_size(32)));

inline void Step(Band& b, V2& x) noexcept { // transposed direct form II
    const V2 y = b.b0 * x + b.s1;
    b.s1 = b.b1 * x - b.a1 * y + b.s2;
    b.s2 = b.b2 * x - b.a2 * y;
    x = y;
}

// Two neighbouring bands in one four-wide vector: the later band in the low lanes.
struct Two {
    V4 b0, b1, b2, a1, a2, s1, s2;
};

// The steady part of the cascade below for P pairs of bands (and one more band when n is
// odd): the filter states stay in registers from the first frame of the tile to the last.
template <std::size_t P>
[[gnu::always_inline]] inline void Steady(Two* two, Band* k, V2* tile, std::size_t n,
                                          std::size_t m) noexcept {
    V4 s1[P], s2[P];
    for (std::size_t p = 0; p < P; ++p) {
        s1[p] = two[p].s1;
        s2[p] = two[p].s2;
    }
    const bool odd = n % 2 != 0;
    for (std::size_t t = n - 1; t < m; ++t) {
#pragma GCC unroll 5
        for (std::size_t p = 0; p < P; ++p) {
            const Two& b = two[p];
            V2* at = tile + (t - 2 * p - 1);
            // Two loads, not one: each half was stored by a different pair a step ago, and a
            // load that spans two stores waits for both to reach the cache.
            const V2 lo = at[0];
            const V2 hi = at[1];
            const V4 x{lo[0], lo[1], hi[0], hi[1]};
            const V4 y = b.b0 * x + s1[p];
            s1[p] = b.b1 * x - b.a1 * y + s2[p];
            s2[p] = b.b2 * x - b.a2 * y;
            __builtin_memcpy(at, &y, sizeof y);
        }
        if (odd) Step(k[n - 1], tile[t - (n - 1)]);
    }
    for (std::size_t p = 0; p < P; ++p) {
        two[p].s1 = s1[p];
        two[p].s2 = s2[p];
    }
}

// Runs `count` bands in cascade over the m frames of a tile, skewed: in step t band j filters
// frame t - j, so the bands of one step work on different frames and never wait for one
// another. In the steady part two neighbouring bands share one four-wide vector: band j + 1
// takes frame t - j - 1, which lies just below frame t - j in the tile, so one load and one
// store serve both. The ramps at either end go band by band. Built twice, plain and for AVX2
// with FMA, chosen once at run time.
[[gnu::always_inline]] inline void CascadeBody(Band* k, int count, V2* tile,
                                               std::size_t m) noexcept {
    const auto n = static_cast<std::size_t>(count);
    const auto ramp = [&](std::size_t t) {
        const std::size_t jlo = t >= m ? t - m + 1 : 0;
        const std::size_t jhi = std::min(n - 1, t);
        for (std::size_t j = jlo; j <= jhi; ++j) Step(k[j], tile[t - j]);
    };
    if (m < n) { // too short for a steady part
        for (std::size_t t = 0; t + 1 < m + n; ++t) ramp(t);
        return;
    }
    for (std::size_t t = 0; t + 1 < n; ++t) ramp(t);
    // Steady part: every band has a frame. Pairs (0,1), (2,3), ...; an odd last band alone.
    const std::size_t pairs = n / 2;
    Two two[kMaxBands / 2];
    // The later band of a pair works on the lower frame: it takes the low lanes.
    const auto join = [&](V4& out, std::size_t p, V2 Band::*field) {
        const V2 lo = k[2 * p + 1].*field;
        const V2 hi = k[2 * p].*field;
        out = V4{lo[0], lo[1], hi[0], hi[1]};
    };
    for (std::size_t p = 0; p < pairs; ++p) {
        Two& t = two[p];
        join(t.b0, p, &Band::b0);
        join(t.b1, p, &Band::b1);
        join(t.b2, p, &Band::b2);
        join(t.a1, p, &Band::a1);
        join(t.a2, p, &Band::a2);
        join(t.s1, p, &Band::s1);
        join(t.s2, p, &Band::s2);
    }
    switch (pairs) {
    case 0:
        for (std::size_t t = n - 1; t < m; ++t) Step(k[0], tile[t]);
        break;
    case 1: Steady<1>(two, k, tile, n, m); break;
    case 2: Steady<2>(two, k, tile, n, m); break;
    case 3: Steady<3>(two, k, tile, n, m); break;
    case 4: Steady<4>(two, k, tile, n, m); break;
    default: Steady<5>(two, k, tile, n, m); break;
    }
    for (std::size_t p = 0; p < pairs; ++p) {
        k[2 * p].s1 = V2{two[p].s1[2], two[p].s1[3]};
        k[2 * p].s2 = V2{two[p].s2[2], two[p].s2[3]};
        k[2 * p + 1].s1 = V2{two[p].s1[0], two[p].s1[1]};
        k[2 * p + 1].s2 = V2{two[p].s2[0], two[p].s2[1]};
    }
    for (std::size_t t = m; t + 1 < m + n; ++t) ramp(t);
}

void CascadePlain(Band* k, int count, V2* tile, std::size_t m) noexcept {
    CascadeBody(k, count, tile, m);
}

#if defined(__x86_64__)
// An explicit choice, not the compiler's target_clones: their resolvers run while the
// program is being loaded, before a sanitizer's runtime is ready.
__attribute__((target("avx2,fma"))) void CascadeWide(Band* k, int count, V2* tile,
                                                     std::size_t m) noexcept {
    CascadeBody(k, count, tile, m);
}

CascadeFn Pick() noexcept {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma") ? CascadeWide
                                                                           : CascadePlain;
}
#else
CascadeFn Pick() noexcept { return CascadePlain; }
#endif

} // namespace

CascadeFn Cascade() noexcept {
    static const CascadeFn chosen = Pick();
    return chosen;
}

} // namespace telbo::engine::biquad
