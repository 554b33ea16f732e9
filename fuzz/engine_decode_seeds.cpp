// Writes the seed corpus of fuzz_engine_decode into the folder given: MP3s of every MPEG
// version, mono and stereo, CBR and VBR, with and without a Xing header or a tag, and one
// glued from two rates; and short FLAC, Ogg Vorbis, Opus, WAV and AIFF tones. The first byte
// of each input picks the decode options.
#include "support/Mp3Fixture.h"

#include <sndfile.h>

#include <cmath>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
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
// A 0.2 s tone in libsndfile's `format`.
std::vector<std::uint8_t> Tone(const fs::path& file, int format, int rate, int channels) {
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = channels;
    info.format = format;
    SNDFILE* out = sf_open(file.c_str(), SFM_WRITE, &info);
    if (!out) throw std::runtime_error(file.string() + ": " + sf_strerror(nullptr));
    std::vector<float> pcm(static_cast<std::size_t>(rate / 5 * channels));
    for (std::size_t i = 0; i < pcm.size(); ++i)
        pcm[i] = 0.5f * static_cast<float>(std::sin(static_cast<double>(i / channels) * 0.06));
    sf_writef_float(out, pcm.data(), rate / 5);
    sf_close(out);
    return ReadBytes(file);
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
        for (const Other& o : others)
            Seed(folder, o.name, o.options, Tone(work / o.name, o.format, o.rate, o.channels));
        fs::remove_all(work);
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
}
