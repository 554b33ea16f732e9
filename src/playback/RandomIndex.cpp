#include "playback/RandomIndex.h"

#include <chrono>
#include <cmath>

namespace telbo {

int RandomIndex(int n, float r) {
    if (n <= 0) return 0;
    const double value = std::floor((static_cast<double>(n) - 0.01) * static_cast<double>(r));
    if (!(value >= 0)) return 0; // negative draw or NaN
    if (value > n - 1) return n - 1;
    return static_cast<int>(value);
}

StdRandomSource::StdRandomSource()
    : engine_(static_cast<std::uint32_t>(
          std::chrono::high_resolution_clock::now().time_since_epoch().count())) {}

StdRandomSource::StdRandomSource(std::uint32_t seed) : engine_(seed) {}

float StdRandomSource::Next() {
    // 24 random bits fill a float's mantissa exactly, so the result is below 1.0; the
    // standard float distribution may round up to 1.0.
    return static_cast<float>(engine_() >> 8) * (1.0f / 16777216.0f);
}

} // namespace telbo
