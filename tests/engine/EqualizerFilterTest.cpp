// The equalizer: band gains measured on tones, flat bands near Nyquist, gliding, the limiter.

#include "EngineTestSupport.h"

#include "engine/EqualizerFilter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace telbo::test {
namespace {

using engine::EqualizerFilter;

std::vector<float> Sine(double frequency, double amplitude, int rate, double seconds) {
    const auto frames = static_cast<std::size_t>(rate * seconds);
    std::vector<float> v(frames * 2);
    for (std::size_t i = 0; i < frames; ++i)
        v[2 * i] = v[2 * i + 1] = static_cast<float>(
            amplitude * std::sin(2.0 * std::numbers::pi * frequency * static_cast<double>(i) / rate));
    return v;
}

EqualizerBands OneBand(int band, int tenths) {
    EqualizerBands b{};
    b[static_cast<std::size_t>(band)] = tenths;
    return b;
}

TEST(EqualizerFilterTest, EachBandHasItsGainAtItsCentre) {
    constexpr int rate = 44100;
    for (int band = 0; band < EqualizerFilter::kBands; ++band) {
        for (const int tenths : {120, -120, 35}) {
            SCOPED_TRACE(std::to_string(EqualizerFilter::kCentresHz[band]) + " Hz at " +
                         std::to_string(tenths));
            EqualizerFilter eq(rate, 2);
            eq.SetTarget(OneBand(band, tenths));
            eq.SnapToTarget();
            const double f = EqualizerFilter::kCentresHz[band];
            auto s = Sine(f, 0.05, rate, 1.0);
            eq.Process(s.data(), s.size() / 2);
            const std::size_t settled = rate / 2;
            for (int ch = 0; ch < 2; ++ch) {
                const double a = ToneAmplitude(&s[settled * 2], s.size() / 2 - settled, ch, f, rate);
                EXPECT_NEAR(Db(a / 0.05), tenths / 10.0, 1.0);
            }
        }
    }
}

TEST(EqualizerFilterTest, OutputDoesNotDependOnHowTheSignalIsCutIntoBlocks) {
    // Frame by frame the cascade runs band after band; in long blocks it runs skewed and in
    // pairs. Both must give the same samples, for every number of live bands, in stereo and
    // mono, across tile borders.
    std::uint32_t seed = 12345;
    std::vector<float> noise(3000 * 2);
    for (float& x : noise) {
        seed = seed * 1664525u + 1013904223u;
        x = static_cast<float>(seed >> 8) / 16777216.0f - 0.5f;
    }
    for (int channels : {1, 2}) {
        for (int live = 1; live <= EqualizerFilter::kBands; ++live) {
            SCOPED_TRACE(testing::Message() << channels << " channels, " << live << " bands");
            EqualizerBands gains{};
            for (int b = 0; b < live; ++b) gains[static_cast<std::size_t>(b)] = b % 2 ? -70 : 90;
            EqualizerFilter byFrame(44100, channels), byBlock(44100, channels);
            for (EqualizerFilter* e : {&byFrame, &byBlock}) {
                e->SetTarget(gains);
                e->SnapToTarget();
            }
            const auto ch = static_cast<std::size_t>(channels);
            std::vector<float> a(noise.begin(), noise.begin() + static_cast<long>(3000 * ch));
            std::vector<float> b = a;
            for (std::size_t i = 0; i < 3000; ++i) byFrame.Process(a.data() + i * ch, 1);
            std::size_t done = 0;
            for (std::size_t n : {1, 3, 9, 255, 256, 257, 700, 1519}) {
                byBlock.Process(b.data() + done * ch, n);
                done += n;
            }
            ASSERT_EQ(done, 3000u);
            EXPECT_EQ(a, b);
        }
    }
}

TEST(EqualizerFilterTest, BandsNearNyquistStayFlatAndAllZeroIsBypassed) {
    EqualizerFilter eq(22050, 2);
    eq.SetTarget(EqualizerBands{0, 0, 0, 0, 0, 0, 0, 120, 120, 120});
    eq.SnapToTarget();
    EXPECT_FALSE(eq.Active()); // 12 kHz and up are past 0.45 x 22050 Hz

    eq.SetTarget(OneBand(6, 60)); // 6 kHz is still below 9.9 kHz
    EXPECT_TRUE(eq.Active());

    EqualizerFilter flat(44100, 1);
    flat.SetTarget(EqualizerBands{});
    flat.SnapToTarget();
    EXPECT_FALSE(flat.Active());
}

TEST(EqualizerFilterTest, GainsGlideAndTheStageDropsOutAfterReturningToZero) {
    constexpr int rate = 44100;
    EqualizerFilter eq(rate, 2);
    auto s = Sine(1000, 0.05, rate, 2.0);
    eq.SetTarget(OneBand(4, 120));
    eq.Process(s.data(), s.size() / 2);
    // 5 ms after the change the boost has barely begun; by 200 ms it is complete.
    const double early = ToneAmplitude(&s[0], 220, 0, 1000, rate);
    const double late = ToneAmplitude(&s[rate / 5 * 2], rate / 2, 0, 1000, rate);
    EXPECT_LT(Db(early / 0.05), 6.0);
    EXPECT_NEAR(Db(late / 0.05), 12.0, 1.0);
    // No sample-to-sample step larger than the boosted tone's own slope allows.
    double worstStep = 0;
    for (std::size_t i = 1; i < s.size() / 2; ++i)
        worstStep = std::max(worstStep, double(std::fabs(s[2 * i] - s[2 * i - 2])));
    EXPECT_LT(worstStep, 0.2 * 2 * std::numbers::pi * 1000 / rate * 1.1);

    eq.SetTarget(EqualizerBands{});
    auto tail = Sine(1000, 0.05, rate, 2.0);
    eq.Process(tail.data(), tail.size() / 2);
    EXPECT_FALSE(eq.Active());
}

TEST(EqualizerFilterTest, SoftLimiterIsTransparentBelowTheKneeAndNeverClips) {
    EXPECT_EQ(engine::SoftLimit(0.5f), 0.5f);
    EXPECT_EQ(engine::SoftLimit(-0.9f), -0.9f);
    for (float x = 0.9f; x < 20.0f; x += 0.01f) {
        ASSERT_LT(engine::SoftLimit(x), 1.0f);
        ASSERT_LT(engine::SoftLimit(x), engine::SoftLimit(x + 0.01f) + 1e-7f);
        ASSERT_EQ(engine::SoftLimit(-x), -engine::SoftLimit(x));
    }
    // A loud tone with every band at +12 dB comes out below full scale.
    EqualizerFilter eq(44100, 2);
    eq.SetTarget(EqualizerBands{120, 120, 120, 120, 120, 120, 120, 120, 120, 120});
    eq.SnapToTarget();
    auto s = Sine(1000, 0.9, 44100, 0.5);
    eq.Process(s.data(), s.size() / 2);
    for (const float v : s) ASSERT_LT(std::fabs(v), 1.0f);
}

TEST(EqualizerFilterTest, ChainAppliesTheBandToADecodedTone) {
    TempFolder dir;
    ToneSpec tone;
    tone.frequencyHz = 3000;
    tone.amplitude = 0.2;
    tone.seconds = 2.0;
    const auto file = WriteToneMp3(dir.Path(), "eq.mp3", tone);
    const Decoded flat = DecodeAll(file);
    engine::ChainControls controls;
    controls.SetEqualizer(OneBand(5, 60));
    const Decoded boosted = DecodeAll(file, {}, &controls);
    ASSERT_EQ(flat.Frames(), boosted.Frames());
    const double a = ToneAmplitude(&flat.samples[44100], 16384, 0, 3000, 44100);
    const double b = ToneAmplitude(&boosted.samples[44100], 16384, 0, 3000, 44100);
    EXPECT_NEAR(Db(b / a), 6.0, 1.0);
}

} // namespace
} // namespace telbo::test
