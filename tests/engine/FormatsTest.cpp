// FLAC, Ogg Vorbis, Opus, WAV and AIFF through the decode chain: exact lengths, sample-exact
// seeking, the right pitch at every rate and width, and the decode options.

#include "EngineTestSupport.h"

#include "support/AudioFixture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>

namespace telbo::test {
namespace {

using engine::DecodeChain;

std::string Name(const AudioSpec& s) {
    return ExtensionOf(s.container) + " " + std::to_string(s.sampleRate) + " Hz " +
           std::to_string(s.bits) + " bit " + std::to_string(s.channels) + " ch";
}

bool Lossless(const AudioSpec& s) {
    return s.container != Container::Vorbis && s.container != Container::Opus;
}

TEST(FormatsTest, EveryFormatDecodesToItsExactLengthSeeksToTheSampleAndKeepsItsPitch) {
    TempFolder dir;
    auto sound = [](Container c, int rate, int channels, int bits, std::int64_t frames) {
        AudioSpec s;
        s.container = c;
        s.sampleRate = rate;
        s.channels = channels;
        s.bits = bits;
        s.frames = frames;
        return s;
    };
    const AudioSpec cases[] = {
        sound(Container::Wav, 44100, 2, 16, 88201),    sound(Container::Wav, 8000, 1, 16, 16001),
        sound(Container::Wav, 96000, 1, 24, 96000),    sound(Container::Wav, 192000, 2, 32, 384007),
        sound(Container::Wav, 48000, 6, 24, 48000),    sound(Container::Aiff, 22050, 2, 16, 44103),
        sound(Container::Flac, 44100, 2, 16, 88201),   sound(Container::Flac, 96000, 2, 24, 96001),
        sound(Container::Flac, 48000, 6, 24, 48000),   sound(Container::Vorbis, 44100, 2, 16, 88201),
        sound(Container::Vorbis, 32000, 1, 16, 32011), sound(Container::Opus, 48000, 2, 16, 96007),
        sound(Container::Opus, 44100, 1, 16, 44100),   sound(Container::Opus, 16000, 2, 16, 32000),
    };
    std::map<std::string, std::vector<float>> lossless; // decoded samples by rate, width, ...
    for (const AudioSpec& s : cases) {
        SCOPED_TRACE(Name(s));
        const auto file = WriteAudio(dir.Path(), "tone." + ExtensionOf(s.container), s);
        auto chain = DecodeChain::Open(file.string(), {});
        ASSERT_TRUE(chain);
        const int rate = DecodedRate(s);
        const std::int64_t length = DecodedFrames(s);
        EXPECT_EQ(chain->Info().SampleRate, rate);
        EXPECT_EQ(chain->Info().Channels, s.channels == 1 ? 1 : 2);
        EXPECT_EQ(chain->Info().TotalSeconds, std::llround(static_cast<double>(length) / rate));
        EXPECT_GT(chain->Info().Bitrate, 0);
        EXPECT_EQ(chain->LengthFrames(), length);
        const Decoded whole = DecodeAll(file);
        ASSERT_EQ(static_cast<std::int64_t>(whole.Frames()), length);
        EXPECT_NEAR(whole.lastTrackEnd, static_cast<double>(length) / rate, 1e-9);
        // FLAC holds the very samples of the WAV file with the same tone.
        if (Lossless(s) && s.container != Container::Aiff) {
            const auto [known, fresh] = lossless.try_emplace(
                Name(s).substr(Name(s).find(' ')) + std::to_string(s.frames), whole.samples);
            EXPECT_TRUE(fresh || known->second == whole.samples);
        }

        // The tone at its own pitch, on both sides; mixed down from six channels at the same
        // level and without clipping.
        const std::size_t mid = whole.Frames() / 2;
        for (const int side : {0, 1})
            EXPECT_NEAR(ToneAmplitude(&whole.samples[mid * 2], 4096, side, 440, rate), 0.5, 0.05);
        float peak = 0;
        for (const float v : whole.samples)
            peak = std::max(peak, std::fabs(v));
        EXPECT_LE(peak, 1.0f);

        // Seeks land on the sample, lossy formats included.
        for (const std::int64_t target : {length / 3 + 1, length - 1000}) {
            const Decoded part = DecodeAll(file, {}, nullptr, 0, target);
            ASSERT_EQ(static_cast<std::int64_t>(part.Frames()), length - target);
            EXPECT_DOUBLE_EQ(part.firstTrackStart, static_cast<double>(target) / rate);
            double worst = 0;
            for (std::size_t i = 0; i < 1000 * 2; ++i)
                worst = std::max(
                    worst, std::fabs(double(part.samples[i]) -
                                     whole.samples[static_cast<std::size_t>(target) * 2 + i]));
            EXPECT_LT(worst, Lossless(s) ? 1e-9 : 1e-6);
        }
    }
}

TEST(FormatsTest, HalfQuarterAndMonoFilterAndMixEveryFormat) {
    TempFolder dir;
    for (const Container c :
         {Container::Wav, Container::Aiff, Container::Flac, Container::Vorbis, Container::Opus}) {
        AudioSpec s;
        s.container = c;
        s.sampleRate = 48000;
        s.frames = 96001;
        // 440 Hz plays at every rate. 17 kHz lies above the Nyquist frequency of 1/2 and must
        // go, not fold back to 7 kHz (5 kHz at 1/4); 8 kHz must go at 1/4, not fold to 4 kHz.
        s.frequencies = {440.0, 17000.0, 8000.0};
        s.amplitude = 0.25;
        const auto file = WriteAudio(dir.Path(), "opts." + ExtensionOf(c), s);
        for (const int down : {0, 1, 2}) {
            for (const int mono : {0, 1}) {
                SCOPED_TRACE(ExtensionOf(c) + " at 1/" + std::to_string(1 << down) +
                             (mono ? " mono" : " stereo"));
                const DecodeOptions options{static_cast<DecodeRate>(down), static_cast<DecodeChannels>(mono)};
                auto chain = DecodeChain::Open(file.string(), options);
                ASSERT_TRUE(chain);
                const int rate = 48000 >> down;
                EXPECT_EQ(chain->Info().SampleRate, rate);
                EXPECT_EQ(chain->Info().Channels, mono ? 1 : 2);
                EXPECT_EQ(chain->Info().TotalSeconds, 2);
                const Decoded d = DecodeAll(file, options);
                EXPECT_EQ(d.rate, rate);
                EXPECT_EQ(static_cast<std::int64_t>(d.Frames()), chain->LengthFrames());
                EXPECT_EQ(chain->LengthFrames(), down == 0 ? 96001 : down == 1 ? 48001 : 24000);
                const std::size_t mid = d.Frames() / 2;
                const float* at = &d.samples[mid * 2];
                EXPECT_NEAR(ToneAmplitude(at, 2048, 0, 440, rate), 0.25, 0.03);
                if (down == 1) {
                    EXPECT_LT(ToneAmplitude(at, 2048, 0, 7000, rate), 0.005);
                    EXPECT_NEAR(ToneAmplitude(at, 2048, 0, 8000, rate), 0.25, 0.03);
                }
                if (down == 2) {
                    EXPECT_LT(ToneAmplitude(at, 2048, 0, 5000, rate), 0.005);
                    EXPECT_LT(ToneAmplitude(at, 2048, 0, 4000, rate), 0.005);
                }
                if (mono) {
                    for (std::size_t i = 0; i < d.Frames(); i += 97)
                        ASSERT_EQ(d.samples[2 * i], d.samples[2 * i + 1]);
                }
                // A seek at the reduced rate lands where the full rate would.
                const Decoded tail =
                    DecodeAll(file, options, nullptr, 0, chain->LengthFrames() / 2);
                EXPECT_EQ(static_cast<std::int64_t>(tail.Frames()),
                          chain->LengthFrames() - chain->LengthFrames() / 2);
                EXPECT_NEAR(ToneAmplitude(&tail.samples[4096], 2048, 0, 440, rate), 0.25, 0.03);
            }
        }
    }
}

} // namespace
} // namespace telbo::test
