// What the chain does to the samples on their way out: the rate and speed conversion stays
// below the 16-bit floor across the audible band, and the 16-bit samples a sound server gets
// are rounded and clipped.

#include "engine/Resampler.h"
#include "engine/S16Samples.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <numbers>
#include <string>
#include <utility>
#include <vector>

namespace telbo::engine {
namespace {

// Least-squares fit of a sine at `frequency` to channel 0 of `stereo` over [from, to): the
// fitted amplitude, and the RMS of what is left (distortion, aliasing, noise) in dBFS.
std::pair<double, double> FitSine(const std::vector<float>& stereo, double frequency,
                                  double rate, std::size_t from, std::size_t to) {
    const double w = 2 * std::numbers::pi * frequency / rate;
    double ss = 0, cc = 0, sc = 0, ys = 0, yc = 0;
    for (std::size_t i = from; i < to; ++i) {
        const double s = std::sin(w * i), c = std::cos(w * i), y = stereo[2 * i];
        ss += s * s, cc += c * c, sc += s * c, ys += y * s, yc += y * c;
    }
    const double det = ss * cc - sc * sc;
    const double a = (ys * cc - yc * sc) / det, b = (yc * ss - ys * sc) / det;
    double error = 0;
    for (std::size_t i = from; i < to; ++i) {
        const double r = stereo[2 * i] - a * std::sin(w * i) - b * std::cos(w * i);
        error += r * r;
    }
    return {std::hypot(a, b), 10 * std::log10(error / static_cast<double>(to - from) + 1e-30)};
}

TEST(SampleFormatTest, ConversionAndSpeedStayBelowTheSixteenBitFloorUpTo20kHz) {
    const struct {
        int inRate, outRate;
        double speed;
    } cases[] = {{44100, 48000, 1.0},  {48000, 44100, 1.0},  {44100, 44100, 1.25},
                 {44100, 48000, 1.25}, {22050, 48000, 1.0},  {44100, 44100, 0.8}};
    constexpr double kAmplitude = 0.9;
    for (const auto& c : cases) {
        for (const double heard : {1000.0, 15000.0, 20000.0}) {
            SCOPED_TRACE(std::to_string(c.inRate) + " -> " + std::to_string(c.outRate) + " x" +
                         std::to_string(c.speed) + ", " + std::to_string(heard) + " Hz");
            const double played = heard / c.speed; // comes out at `heard` at this speed
            if (played >= 0.45 * c.inRate) continue; // not in the input's band
            const auto frames = static_cast<std::size_t>(c.inRate);
            std::vector<float> in(frames * 2);
            for (std::size_t i = 0; i < frames; ++i)
                in[2 * i] = in[2 * i + 1] = static_cast<float>(
                    kAmplitude * std::sin(2 * std::numbers::pi * played * i / c.inRate));
            Resampler r(c.inRate, c.outRate, c.speed, nullptr, 0);
            std::vector<float> out;
            for (std::size_t at = 0; at < frames; at += 1152)
                r.Process(in.data() + at * 2, std::min<std::size_t>(1152, frames - at), out);
            const std::size_t made = out.size() / 2;
            ASSERT_GT(made, 1000u);
            // The filter's start and the input's abrupt end are not the conversion's error.
            const auto [amplitude, residualDb] =
                FitSine(out, heard, c.outRate, made / 4, made * 3 / 4);
            EXPECT_LT(residualDb, -96.0);
            EXPECT_NEAR(20 * std::log10(amplitude / kAmplitude), 0.0, 0.1); // passband
        }
    }
}

TEST(SampleFormatTest, FloatToS16RoundsClipsAndSilencesNaN) {
    const float step = 1.0f / kS16Scale, inf = std::numeric_limits<float>::infinity();
    const std::pair<float, std::int16_t> cases[] = {
        {0.0f, 0},           {-0.0f, 0},         {1.0f, 32767},       {-1.0f, -32767},
        {0.49f * step, 0},   {0.51f * step, 1},  {-0.51f * step, -1}, {-0.49f * step, 0},
        {100.5f * step, 101}, {1.5f, 32767},     {-7.0f, -32767},     {inf, 32767},
        {-inf, -32767},      {std::numeric_limits<float>::quiet_NaN(), 0}};
    std::vector<float> in;
    std::vector<std::int16_t> want;
    for (const auto& [x, s16] : cases) {
        EXPECT_EQ(FloatToS16(x), s16) << x;
        in.push_back(x);
        want.push_back(s16);
    }
    // The block form (vectorised, with a remainder) gives the same samples.
    for (int i = 0; i < 1001; ++i) {
        in.push_back(std::sin(static_cast<float>(i) * 0.37f) * 1.2f);
        want.push_back(FloatToS16(in.back()));
    }
    std::vector<std::int16_t> got(in.size());
    FloatToS16(in.data(), got.data(), in.size());
    EXPECT_EQ(got, want);
}

} // namespace
} // namespace telbo::engine
