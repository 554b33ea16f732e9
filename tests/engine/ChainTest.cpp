// The decode chain on its own: lengths, seeking, decode options, speed and transparency.

#include "EngineTestSupport.h"

#include "engine/Mpg123Source.h"
#include "engine/Volume.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace telbo::test {
namespace {

using engine::ChainControls;
using engine::DecodeChain;

class ChainTest : public ::testing::Test {
protected:
    std::filesystem::path Tone(const std::string& name, ToneSpec tone = {}) {
        return WriteToneMp3(dir_.Path(), name, tone);
    }
    static ToneSpec FourSeconds() {
        ToneSpec t;
        t.seconds = 4.0;
        return t;
    }
    TempFolder dir_;
};

TEST_F(ChainTest, LengthIsExactForCbrAndVbrWithAndWithoutXing) {
    for (const bool vbr : {false, true}) {
        for (const bool xing : {true, false}) {
            SCOPED_TRACE(std::string(vbr ? "VBR" : "CBR") + (xing ? " with" : " without") +
                         " Xing");
            ToneSpec tone = FourSeconds();
            tone.vbr = vbr;
            tone.xingHeader = xing;
            const auto file = Tone("len.mp3", tone);
            auto chain = DecodeChain::Open(file.string(), {});
            ASSERT_TRUE(chain);
            EXPECT_EQ(chain->Info().TotalSeconds, 4);
            EXPECT_EQ(chain->Info().SampleRate, 44100);
            EXPECT_EQ(chain->Info().Channels, 2);
            const Decoded d = DecodeAll(file);
            // The length given at open is what decoding delivers, to the frame.
            EXPECT_EQ(static_cast<std::int64_t>(d.Frames()), chain->LengthFrames());
            // The Xing/LAME header lets mpg123 trim encoder delay and padding exactly.
            if (xing) {
                EXPECT_EQ(chain->LengthFrames(), 176400);
            }
            EXPECT_NEAR(d.lastTrackEnd, static_cast<double>(d.Frames()) / 44100, 1e-9);
        }
    }
}

TEST_F(ChainTest, ItunesGaplessInfoTrimsAFileWithoutLameHeader) {
    // The same frames twice: once behind LAME's header, whose delay and padding mpg123 trims,
    // once bare with the delay (LAME's 576 plus the decoder's 529), padding and length in an
    // iTunSMPB comment instead.
    ToneSpec tone = FourSeconds();
    const Decoded lame = DecodeAll(Tone("lame.mp3", tone));
    ASSERT_EQ(lame.Frames(), 176400u);
    tone.xingHeader = false;
    const auto file = Tone("itunes.mp3", tone);
    const std::size_t untrimmed = DecodeAll(file).Frames();
    ASSERT_GT(untrimmed, 176400u + 1105);
    char smpb[128];
    std::snprintf(smpb, sizeof smpb, " 00000000 00000451 %08zX %016zX 00000000 00000000",
                  untrimmed - 1105 - 176400, std::size_t{176400});
    PrependId3v2(file, 3, {{"COMM", CommentContent("iTunSMPB", smpb)}});

    auto chain = DecodeChain::Open(file.string(), {});
    ASSERT_TRUE(chain);
    EXPECT_EQ(chain->LengthFrames(), 176400);
    const Decoded d = DecodeAll(file);
    EXPECT_TRUE(d.samples == lame.samples);
    const Decoded tail = DecodeAll(file, {}, nullptr, 0, 100000);
    ASSERT_EQ(tail.Frames(), 76400u);
    EXPECT_TRUE(
        std::equal(tail.samples.begin(), tail.samples.end(), lame.samples.begin() + 200000));
    // At half rate the trim is halved too.
    const DecodeOptions half{DecodeRate::Half, DecodeChannels::Stereo};
    chain = DecodeChain::Open(file.string(), half);
    ASSERT_TRUE(chain);
    EXPECT_EQ(chain->LengthFrames(), 88200);
    EXPECT_EQ(DecodeAll(file, half).Frames(), 88200u);
}

TEST_F(ChainTest, TotalSecondsRoundsToNearest) {
    ToneSpec tone;
    tone.seconds = 2.6;
    auto chain = DecodeChain::Open(Tone("a.mp3", tone).string(), {});
    ASSERT_TRUE(chain);
    EXPECT_EQ(chain->Info().TotalSeconds, 3);
    tone.seconds = 2.4;
    chain = DecodeChain::Open(Tone("b.mp3", tone).string(), {});
    ASSERT_TRUE(chain);
    EXPECT_EQ(chain->Info().TotalSeconds, 2);
}

TEST_F(ChainTest, SeekLandsOnTheRequestedSampleAndClampsPastTheEnd) {
    const auto file = Tone("seek.mp3", FourSeconds());
    const Decoded whole = DecodeAll(file);
    ASSERT_EQ(whole.Frames(), 176400u);

    for (const std::int64_t target : {std::int64_t{44100}, std::int64_t{66150}, std::int64_t{130001}}) {
        SCOPED_TRACE(target);
        const Decoded part = DecodeAll(file, {}, nullptr, 0, target);
        ASSERT_EQ(part.Frames(), whole.Frames() - static_cast<std::size_t>(target));
        EXPECT_DOUBLE_EQ(part.firstTrackStart, static_cast<double>(target) / 44100);
        double worst = 0;
        for (std::size_t i = 0; i < 4096 * 2; ++i)
            worst = std::max(worst, std::fabs(double(part.samples[i]) -
                                              whole.samples[static_cast<std::size_t>(target) * 2 + i]));
        EXPECT_LT(worst, 1e-4);
    }

    auto chain = DecodeChain::Open(file.string(), {});
    ASSERT_TRUE(chain);
    const ChainControls controls;
    EXPECT_EQ(chain->Start(controls, 0, 10'000'000), 176400);
    EXPECT_EQ(chain->Start(controls, 0, -5), 0);
    chain->Start(controls, 0, 10'000'000);
    DecodeChain::Piece piece;
    ASSERT_TRUE(chain->Next(piece));
    EXPECT_TRUE(piece.last);
    EXPECT_EQ(piece.frames, 0u);
    EXPECT_DOUBLE_EQ(piece.trackStart, 4.0);
    EXPECT_FALSE(chain->Next(piece));
}

TEST_F(ChainTest, HalfAndQuarterRateAndMonoChangeTheOutputFormat) {
    const auto file = Tone("opts.mp3", FourSeconds());
    struct Case {
        DecodeOptions options;
        int rate, channels;
    };
    using enum DecodeRate;
    using enum DecodeChannels;
    const Case cases[] = {{{Full, Stereo}, 44100, 2},  {{Half, Stereo}, 22050, 2},
                          {{Quarter, Stereo}, 11025, 2}, {{Full, Mono}, 44100, 1},
                          {{Quarter, Mono}, 11025, 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.rate * 10 + c.channels);
        auto chain = DecodeChain::Open(file.string(), c.options);
        ASSERT_TRUE(chain);
        EXPECT_EQ(chain->Info().SampleRate, c.rate);
        EXPECT_EQ(chain->Info().Channels, c.channels);
        EXPECT_EQ(chain->Info().TotalSeconds, 4);
        const Decoded d = DecodeAll(file, c.options);
        EXPECT_EQ(d.rate, c.rate);
        EXPECT_NEAR(static_cast<double>(d.Frames()) / c.rate, 4.0, 0.01);
        // Mono reaches the sink on both sides alike; the tone survives at every rate.
        if (c.channels == 1) {
            for (std::size_t i = 0; i < d.Frames(); i += 97)
                ASSERT_EQ(d.samples[2 * i], d.samples[2 * i + 1]);
        }
        const std::size_t mid = d.Frames() / 2;
        EXPECT_NEAR(ToneAmplitude(&d.samples[mid * 2], 4096, 0, 440, c.rate), 0.5, 0.05);
    }

    // Every rate MP3 knows opens at 1/2 and 1/4, whatever rate that comes to (8 kHz at 1/4
    // is 2 kHz); the resampler takes it to the device's rate. And quietly: the library
    // prints nothing of its own.
    const StderrCapture stderrText;
    for (const int rate : {8000, 11025, 12000, 16000, 22050, 24000, 32000, 44100, 48000}) {
        ToneSpec tone;
        tone.sampleRate = rate;
        tone.bitrateKbps = rate < 16000 ? 32 : rate < 32000 ? 64 : 128;
        tone.xingHeader = rate >= 16000; // LAME has no room for it in the smallest frames
        const auto low = Tone("rate.mp3", tone);
        for (const int down : {1, 2}) {
            SCOPED_TRACE(std::to_string(rate) + " Hz at 1/" + std::to_string(1 << down));
            const DecodeOptions options{static_cast<DecodeRate>(down), DecodeChannels::Stereo};
            auto chain = DecodeChain::Open(low.string(), options);
            ASSERT_TRUE(chain);
            EXPECT_EQ(chain->Info().SampleRate, rate >> down);
            EXPECT_EQ(chain->Info().TotalSeconds, 1);
            EXPECT_EQ(static_cast<std::int64_t>(DecodeAll(low, options).Frames()),
                      chain->LengthFrames());
            EXPECT_NEAR(static_cast<double>(DecodeAll(low, options, nullptr, 48000).Frames()),
                        static_cast<double>(chain->LengthFrames()) * 48000 / (rate >> down), 100.0);
        }
    }
    EXPECT_EQ(stderrText.Text(), "");
}

TEST_F(ChainTest, DefaultChainIsBitTransparent) {
    const auto file = Tone("plain.mp3", FourSeconds());
    auto source = engine::Mpg123Source::Open(file.string(), {});
    ASSERT_TRUE(source);
    std::vector<float> reference;
    const float* p = nullptr;
    while (const std::size_t n = source->Next(p)) reference.insert(reference.end(), p, p + n * 2);

    ChainControls flat; // all bands 0 explicitly, full volume, speed 1.00
    flat.SetEqualizer(EqualizerBands{});
    const Decoded d = DecodeAll(file, {}, &flat);
    ASSERT_EQ(d.samples.size(), reference.size());
    EXPECT_TRUE(d.samples == reference);
}

TEST_F(ChainTest, SpeedAndRateConversionScaleTheOutput) {
    const auto file = Tone("speed.mp3", FourSeconds());
    ChainControls controls;
    controls.speed = 200;
    Decoded d = DecodeAll(file, {}, &controls);
    EXPECT_NEAR(static_cast<double>(d.Frames()) / 44100, 2.0, 0.02);
    EXPECT_NEAR(d.lastTrackEnd, 4.0, 1e-6);
    // Turntable: twice as fast is an octave up.
    EXPECT_NEAR(ToneAmplitude(&d.samples[44100], 8192, 0, 880, 44100), 0.5, 0.05);

    controls.speed = 100;
    d = DecodeAll(file, {}, &controls, 48000);
    EXPECT_EQ(d.rate, 48000);
    EXPECT_NEAR(static_cast<double>(d.Frames()) / 48000, 4.0, 0.02);
    EXPECT_NEAR(ToneAmplitude(&d.samples[48000], 8192, 0, 440, 48000), 0.5, 0.05);
}

TEST_F(ChainTest, SpeedChangesMidTrackDoNotClick) {
    const auto file = Tone("glide.mp3", FourSeconds());
    ChainControls controls;
    auto chain = DecodeChain::Open(file.string(), {});
    ASSERT_TRUE(chain);
    chain->Start(controls, 0, 0);
    std::vector<float> out;
    DecodeChain::Piece piece;
    // 1.00 (no resampler) -> 1.50 -> 0.70 -> 2.00 -> 1.00, a change every 0.3 s or so.
    const int speeds[] = {100, 150, 70, 200, 100};
    int blocks = 0;
    while (chain->Next(piece)) {
        out.insert(out.end(), piece.samples, piece.samples + piece.frames * 2);
        if (++blocks % 12 == 0) controls.speed = speeds[(blocks / 12) % 5];
    }
    // A 440 Hz tone of 0.5 played at up to 2x cannot move more than this between samples;
    // a click or a gap would.
    const double slope = 0.5 * 2 * std::numbers::pi * 880 / 44100;
    double worst = 0;
    for (std::size_t i = 1; i < out.size() / 2; ++i)
        worst = std::max(worst, std::fabs(double(out[2 * i]) - out[2 * i - 2]));
    EXPECT_LT(worst, slope * 1.15);
}

TEST_F(ChainTest, VolumeFollowsAPerceptualCurve) {
    EXPECT_EQ(engine::VolumeGain(100), 1.0f);
    EXPECT_EQ(engine::VolumeGain(0), 0.0f);
    EXPECT_NEAR(Db(engine::VolumeGain(50)), -18.06, 0.1);
    for (int v = 1; v <= 100; ++v) EXPECT_LT(engine::VolumeGain(v - 1), engine::VolumeGain(v));

    const auto file = Tone("vol.mp3", FourSeconds());
    ChainControls controls;
    controls.volumeLeft = 50;
    controls.volumeRight = 0;
    const Decoded d = DecodeAll(file, {}, &controls);
    EXPECT_NEAR(Db(ToneAmplitude(&d.samples[44100 * 2], 8192, 0, 440, 44100) / 0.5), -18.06, 0.5);
    EXPECT_LT(ToneAmplitude(&d.samples[44100 * 2], 8192, 1, 440, 44100), 1e-6);
}

} // namespace
} // namespace telbo::test
