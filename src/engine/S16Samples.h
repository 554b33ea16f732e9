#pragma once
// Float samples to signed 16-bit and back, for outputs that take 16-bit audio: half the bytes
// of float, so half the buffers a sound server hands back. Rounded to the nearest step (the
// server converts to its sink's format anyway); what lies outside -1..1 is clipped, and a NaN
// becomes silence rather than full scale.

#include <cstddef>
#include <cstdint>

namespace telbo::engine {

inline constexpr float kS16Scale = 32767.0f;

inline std::int16_t FloatToS16(float x) noexcept {
    float y = x == x ? x * kS16Scale : 0.0f;
    y = y > kS16Scale ? kS16Scale : (y < -kS16Scale ? -kS16Scale : y);
    // Half away from zero, written so that the loop below vectorises.
    return static_cast<std::int16_t>(y + (y < 0.0f ? -0.5f : 0.5f));
}

inline void FloatToS16(const float* in, std::int16_t* out, std::size_t samples) noexcept {
    for (std::size_t i = 0; i < samples; ++i) out[i] = FloatToS16(in[i]);
}

inline float S16ToFloat(std::int16_t s) noexcept { return static_cast<float>(s) / kS16Scale; }

} // namespace telbo::engine
