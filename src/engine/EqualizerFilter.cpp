#include "engine/EqualizerFilter.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace telbo::engine {

namespace {
// Gains move at most this far per sub-block: 24 dB takes about 70 ms at 44.1 kHz.
constexpr double kGlideDbPerStep = 0.25;
constexpr std::size_t kStepFrames = 32;
constexpr float kKnee = 0.9f;
constexpr float kCeiling = 0.99f; // below 1 even where float tanh rounds to 1
} // namespace

float SoftLimit(float x) noexcept {
    const float a = std::fabs(x);
    if (a <= kKnee) return x;
    const float y = kKnee + (kCeiling - kKnee) * std::tanh((a - kKnee) / (kCeiling - kKnee));
    return std::copysign(y, x);
}

EqualizerFilter::EqualizerFilter(int rate, int channels) noexcept
    : rate_(rate), channels_(std::clamp(channels, 1, kMaxChannels)) {
    for (int b = 0; b < kBands; ++b) usable_[b] = kCentresHz[b] < 0.45 * rate_;
}

void EqualizerFilter::SetTarget(const EqualizerBands& tenths) noexcept {
    for (int b = 0; b < kBands; ++b)
        targetDb_[b] = usable_[b] ? std::clamp(tenths[b], -120, 120) / 10.0 : 0.0;
    UpdateActive();
}

void EqualizerFilter::SnapToTarget() noexcept {
    for (int b = 0; b < kBands; ++b) {
        currentDb_[b] = targetDb_[b];
        Design(b);
    }
    UpdateActive();
}

void EqualizerFilter::Reset() noexcept {
    for (auto& band : state_)
        for (auto& ch : band) ch = {0, 0};
}

void EqualizerFilter::UpdateActive() noexcept {
    const bool any = std::any_of(targetDb_.begin(), targetDb_.end(), [](double g) { return g != 0; }) ||
                     std::any_of(currentDb_.begin(), currentDb_.end(), [](double g) { return g != 0; });
    if (any) {
        active_ = true;
        // After the last band returns to 0 dB the filters still ring for a while; keep
        // running them half a second so dropping them is silent.
        tailFrames_ = static_cast<std::size_t>(rate_ / 2);
    }
}

void EqualizerFilter::Design(int band) noexcept {
    // RBJ cookbook peaking filter. At 0 dB numerator equals denominator: an exact identity.
    const double a = std::pow(10.0, currentDb_[band] / 40.0);
    const double w0 = 2.0 * std::numbers::pi * kCentresHz[band] / rate_;
    const double alpha = std::sin(w0) / (2.0 * kQ);
    const double cosw = std::cos(w0);
    const double a0 = 1.0 + alpha / a;
    Coeffs& c = coeffs_[band];
    c.b0 = (1.0 + alpha * a) / a0;
    c.b1 = -2.0 * cosw / a0;
    c.b2 = (1.0 - alpha * a) / a0;
    c.a1 = -2.0 * cosw / a0;
    c.a2 = (1.0 - alpha / a) / a0;
}

namespace {
using V2 = double __attribute__((vector_size(16)));
using V4 = double __attribute__((vector_size(32)));

// One band for both channels: coefficients and the two state words, per lane.
struct Band {
    V2 b0, b1, b2, a1, a2, s1, s2;
};

inline void Step(Band& b, V2& x) noexcept { // transposed direct form II
    const V2 y = b.b0 * x + b.s1;
    b.s1 = b.b1 * x - b.a1 * y + b.s2;
    b.s2 = b.b2 * x - b.a2 * y;
    x = y;
}

constexpr std::size_t kTile = 256;

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
    Two two[EqualizerFilter::kBands / 2];
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

using CascadeFn = void (*)(Band*, int, V2*, std::size_t) noexcept;

#if defined(__x86_64__)
// An explicit choice, not the compiler's target_clones: their resolvers run while the
// program is being loaded, before a sanitizer's runtime is ready.
__attribute__((target("avx2,fma"))) void CascadeWide(Band* k, int count, V2* tile,
                                                     std::size_t m) noexcept {
    CascadeBody(k, count, tile, m);
}

CascadeFn PickCascade() noexcept {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma") ? CascadeWide
                                                                           : CascadePlain;
}
#else
CascadeFn PickCascade() noexcept { return CascadePlain; }
#endif

} // namespace

void EqualizerFilter::Run(const int* bands, int count, float* p, std::size_t n) noexcept {
    if (count == 0) return;
    std::array<Band, kBands> k;
    for (int i = 0; i < count; ++i) {
        const Coeffs& c = coeffs_[bands[i]];
        const auto& st = state_[bands[i]];
        k[i] = {V2{c.b0, c.b0}, V2{c.b1, c.b1}, V2{c.b2, c.b2}, V2{c.a1, c.a1},
                V2{c.a2, c.a2}, V2{st[0][0], st[1][0]}, V2{st[0][1], st[1][1]}};
    }
    static const CascadeFn cascade = PickCascade();
    // Frames wait between the bands as doubles (the 60 Hz band is too narrow for float).
    V2 tile[kTile];
    const bool stereo = channels_ == 2;
    for (std::size_t base = 0; base < n; base += kTile) {
        const std::size_t m = std::min(kTile, n - base);
        float* q = p + base * (stereo ? 2 : 1);
        for (std::size_t i = 0; i < m; ++i)
            tile[i] = stereo ? V2{q[2 * i], q[2 * i + 1]} : V2{q[i], 0.0};
        cascade(k.data(), count, tile, m);
        for (std::size_t i = 0; i < m; ++i) {
            if (stereo) {
                q[2 * i] = static_cast<float>(tile[i][0]);
                q[2 * i + 1] = static_cast<float>(tile[i][1]);
            } else {
                q[i] = static_cast<float>(tile[i][0]);
            }
        }
    }
    for (int i = 0; i < count; ++i) {
        auto& st = state_[bands[i]];
        st[0] = {k[i].s1[0], k[i].s2[0]};
        st[1] = {k[i].s1[1], k[i].s2[1]};
    }
}

void EqualizerFilter::Process(float* samples, std::size_t frames) noexcept {
    if (!active_) return;
    const auto ch = static_cast<std::size_t>(channels_);
    for (std::size_t start = 0, n = 0; start < frames; start += n) {
        // Gliding goes in small steps; settled gains take the whole block at once.
        const bool glide = currentDb_ != targetDb_;
        n = glide ? std::min(kStepFrames, frames - start) : frames - start;
        bool moving = false;
        bool allFlat = true;
        for (int b = 0; b < kBands; ++b) {
            if (currentDb_[b] != targetDb_[b]) {
                const double d = std::clamp(targetDb_[b] - currentDb_[b], -kGlideDbPerStep,
                                            kGlideDbPerStep);
                currentDb_[b] = std::fabs(targetDb_[b] - currentDb_[b]) <= kGlideDbPerStep
                                    ? targetDb_[b]
                                    : currentDb_[b] + d;
                Design(b);
                moving = true;
            }
            allFlat = allFlat && currentDb_[b] == 0;
        }
        float* p = samples + start * ch;
        // Only the bands that do something, sample by sample through all of them: the bands'
        // recursions are independent, so the processor overlaps them. Both channels travel
        // together in one vector of two doubles (double: the 60 Hz band is too narrow for
        // float).
        std::array<int, kBands> live{};
        int count = 0;
        for (int b = 0; b < kBands; ++b)
            if (currentDb_[b] != 0 || moving || state_[b][0][0] != 0 || state_[b][0][1] != 0 ||
                state_[b][1][0] != 0 || state_[b][1][1] != 0)
                live[count++] = b;
        Run(live.data(), count, p, n);
        for (std::size_t i = 0; i < n * ch; ++i) p[i] = SoftLimit(p[i]);
        if (allFlat && !moving) {
            tailFrames_ = tailFrames_ > n ? tailFrames_ - n : 0;
            if (tailFrames_ == 0) {
                Reset();
                active_ = false;
                return;
            }
        }
    }
}

} // namespace telbo::engine
