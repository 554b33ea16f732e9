// Writes the seed corpus of fuzz_engine_decode into the folder given: MP3s of every MPEG
// version, mono and stereo, CBR and VBR, with and without a Xing header or a tag, and one
// glued from two rates; short FLAC, Ogg Vorbis, Opus, WAV and AIFF tones; and headers whose
// sizes lie (open-ended WAV data, RF64 and Ogg sizes near 2^63, a FLAC claiming 2^36 samples,
// a RIFF without its format). The first byte of each input picks the decode options.
#include "support/Mp3Fixture.h"

#include <sndfile.h>

#include <algorithm>
#include <cmath>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace fs = std::filesystem;
using namespace telbo::test;

namespace {
void Seed(const fs::path& folder, const std::string& name, unsigned char options,
          const std::vector<std::uint8_t>& mp3) {
    std::ofstream out(folder / name, std::ios::binary | std::ios::trunc);
    out.put(static_cast<char>(options));
    out.write(reinterpret_cast<const char*>(mp3.data()), static_cast<std::streamsize>(mp3.size()));
}
// A tone of `fifths` fifths of a second in libsndfile's `format`, at its lowest bitrate.
std::vector<std::uint8_t> Tone(const fs::path& file, int format, int rate, int channels,
                               int fifths = 1) {
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = channels;
    info.format = format;
    SNDFILE* out = sf_open(file.c_str(), SFM_WRITE, &info);
    if (!out) throw std::runtime_error(file.string() + ": " + sf_strerror(nullptr));
    if (fifths > 1) {
        double level = 1.0;
        sf_command(out, SFC_SET_COMPRESSION_LEVEL, &level, sizeof level);
    }
    const sf_count_t frames = sf_count_t{rate} / 5 * fifths;
    std::vector<float> pcm(static_cast<std::size_t>(frames * channels));
    for (std::size_t i = 0; i < pcm.size(); ++i)
        pcm[i] = 0.5f * static_cast<float>(std::sin(static_cast<double>(i / channels) * 0.06));
    sf_writef_float(out, pcm.data(), frames);
    sf_close(out);
    return ReadBytes(file);
}

void Le(std::vector<std::uint8_t>& b, std::size_t at, std::uint64_t v, int bytes) {
    for (int i = 0; i < bytes; ++i)
        b[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
}

// A 16-bit mono PCM WAV of 800 frames at 8 kHz, its data chunk saying `dataSize` bytes.
std::vector<std::uint8_t> SmallWav(std::uint32_t dataSize) {
    std::vector<std::uint8_t> b(44 + 1600);
    std::copy_n("RIFF", 4, b.begin());
    Le(b, 4, b.size() - 8, 4);
    std::copy_n("WAVEfmt ", 8, b.begin() + 8);
    Le(b, 16, 16, 4);
    Le(b, 20, 1, 2);
    Le(b, 22, 1, 2);
    Le(b, 24, 8000, 4);
    Le(b, 28, 16000, 4);
    Le(b, 32, 2, 2);
    Le(b, 34, 16, 2);
    std::copy_n("data", 4, b.begin() + 36);
    Le(b, 40, dataSize, 4);
    for (std::size_t i = 0; i < 800; ++i)
        Le(b, 44 + 2 * i,
           static_cast<std::uint16_t>(std::lround(8000 * std::sin(0.1 * static_cast<double>(i)))),
           2);
    return b;
}

// The same as RF64, its ds64 chunk giving the data 2^63-1 bytes.
std::vector<std::uint8_t> HugeRf64() {
    std::vector<std::uint8_t> b = SmallWav(0xFFFFFFFFu);
    std::vector<std::uint8_t> ds64(36, 0);
    std::copy_n("ds64", 4, ds64.begin());
    Le(ds64, 4, 28, 4);
    Le(ds64, 8, b.size() + ds64.size() - 8, 8);
    Le(ds64, 16, 0x7FFFFFFFFFFFFFFFull, 8);
    Le(ds64, 24, 800, 8);
    b.insert(b.begin() + 12, ds64.begin(), ds64.end());
    std::copy_n("RF64", 4, b.begin());
    Le(b, 4, 0xFFFFFFFFu, 4);
    return b;
}

// An Ogg file whose last page's granule position is near 2^63.
std::vector<std::uint8_t> HugeGranule(std::vector<std::uint8_t> ogg) {
    const std::string_view view(reinterpret_cast<const char*>(ogg.data()), ogg.size());
    const std::size_t last = view.rfind("OggS");
    if (last != std::string_view::npos) Le(ogg, last + 6, 0x7FFFFFFFFFFFF000ull, 8);
    return ogg;
}
} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 2;
    }
    try {
        const fs::path folder = argv[1];
        fs::create_directories(folder);
        const fs::path work = folder / ".work";
        fs::create_directories(work);
        struct Case {
            const char* name;
            ToneSpec tone;
            bool tag;
            unsigned char options;
        };
        auto tone = [](int rate, int channels, double seconds, int kbps, bool vbr, bool xing) {
            ToneSpec t;
            t.sampleRate = rate;
            t.channels = channels;
            t.seconds = seconds;
            t.bitrateKbps = kbps;
            t.vbr = vbr;
            t.xingHeader = xing;
            return t;
        };
        const Case cases[] = {
            {"mpeg1_stereo_cbr.mp3", tone(44100, 2, 0.25, 128, false, true), false, 0},
            {"mpeg1_vbr_tagged.mp3", tone(48000, 2, 0.2, 0, true, true), true, 1},
            {"mpeg2_mono_noxing.mp3", tone(22050, 1, 0.4, 32, false, false), false, 2},
            {"mpeg25_mono.mp3", tone(8000, 1, 0.8, 8, false, false), true, 5},
            {"mpeg25_11k_stereo.mp3", tone(11025, 2, 0.5, 32, false, false), false, 4},
            {"mpeg1_32k_mono_vbr.mp3", tone(32000, 1, 0.3, 0, true, false), false, 3},
        };
        std::vector<std::vector<std::uint8_t>> made;
        for (const Case& c : cases) {
            const fs::path file = WriteToneMp3(work, c.name, c.tone);
            if (c.tag)
                WriteTags(file, {"Seed", "Fuzz", "Corpus", "", "Rock", 2026, 3, true, false});
            made.push_back(ReadBytes(file));
            Seed(folder, c.name, c.options, made.back());
        }
        std::vector<std::uint8_t> glued = made[2];
        glued.insert(glued.end(), made[4].begin(), made[4].end());
        Seed(folder, "glued_two_rates.mp3", 0, glued);
        struct Other {
            const char* name;
            int format, rate, channels;
            unsigned char options;
        };
        const Other others[] = {
            {"tone.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 44100, 2, 0},
            {"tone.ogg", SF_FORMAT_OGG | SF_FORMAT_VORBIS, 22050, 1, 1},
            {"tone.opus", SF_FORMAT_OGG | SF_FORMAT_OPUS, 48000, 2, 5},
            {"tone.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_24, 11025, 2, 2},
            {"tone.aiff", SF_FORMAT_AIFF | SF_FORMAT_PCM_16, 8000, 1, 4},
        };
        std::vector<std::vector<std::uint8_t>> tones;
        for (const Other& o : others) {
            tones.push_back(Tone(work / o.name, o.format, o.rate, o.channels));
            Seed(folder, o.name, o.options, tones.back());
        }
        std::vector<std::uint8_t> flac = tones[0];
        flac[21] |= 0x0F; // STREAMINFO: 2^36 - 1 samples
        Le(flac, 22, 0xFFFFFFFFu, 4);
        std::vector<std::uint8_t> noFormat = SmallWav(1600);
        std::fill_n(noFormat.begin() + 8, 8, 'x');
        const struct {
            const char* name;
            std::vector<std::uint8_t> bytes;
        } lies[] = {
            {"wav_data_size_0.wav", SmallWav(0)},
            {"wav_data_size_unknown.wav", SmallWav(0xFFFFFFFFu)},
            {"rf64_data_size_2e63.wav", HugeRf64()},
            // Long enough for a page of audio before the last one (libsndfile's pages hold
            // 255 packets).
            {"opus_granule_2e63.opus",
             HugeGranule(Tone(work / "long.opus", SF_FORMAT_OGG | SF_FORMAT_OPUS, 8000, 1, 30))},
            {"vorbis_granule_2e63.ogg", HugeGranule(tones[1])},
            {"flac_2e36_samples.flac", flac},
            {"riff_without_format.wav", noFormat},
        };
        for (const auto& l : lies)
            Seed(folder, l.name, 0, l.bytes);
        fs::remove_all(work);
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
}
