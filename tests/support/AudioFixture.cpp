#include "support/AudioFixture.h"

#include <sndfile.h>

#include <cmath>
#include <cstdlib>
#include <numbers>
#include <stdexcept>

namespace telbo::test {

namespace fs = std::filesystem;

namespace {

void Fail(const std::string& what) {
    throw std::runtime_error("AudioFixture: " + what);
}

void Run(const std::string& command) {
    // The encoders' notes about the source file are no test output.
    if (std::system((command + " 2>/dev/null").c_str()) != 0) Fail("failed: " + command);
}

std::string Quoted(const fs::path& p) {
    return "'" + p.string() + "'";
}

void WritePcm(const fs::path& file, const AudioSpec& sound, int format) {
    SF_INFO info{};
    info.samplerate = sound.sampleRate;
    info.channels = sound.channels;
    info.format = format | (sound.bits == 32   ? SF_FORMAT_FLOAT
                            : sound.bits == 24 ? SF_FORMAT_PCM_24
                                              : SF_FORMAT_PCM_16);
    SNDFILE* out = sf_open(file.c_str(), SFM_WRITE, &info);
    if (!out) Fail(std::string("sf_open: ") + sf_strerror(nullptr));
    std::vector<float> block;
    constexpr std::int64_t kChunk = 4096;
    for (std::int64_t start = 0; start < sound.frames; start += kChunk) {
        const std::int64_t n = std::min(kChunk, sound.frames - start);
        block.assign(static_cast<std::size_t>(n * sound.channels), 0.0f);
        for (std::int64_t i = 0; i < n; ++i) {
            double v = 0;
            for (const double f : sound.frequencies)
                v += sound.amplitude *
                     std::sin(2.0 * std::numbers::pi * f * static_cast<double>(sound.firstFrame + start + i) /
                              sound.sampleRate);
            for (int c = 0; c < sound.channels; ++c)
                block[static_cast<std::size_t>(i * sound.channels + c)] = static_cast<float>(v);
        }
        if (sf_writef_float(out, block.data(), n) != n) Fail("sf_writef_float");
    }
    if (sf_close(out) != 0) Fail("sf_close");
}

} // namespace

std::string ExtensionOf(Container container) {
    switch (container) {
    case Container::Wav:
        return "wav";
    case Container::Aiff:
        return "aiff";
    case Container::Flac:
        return "flac";
    case Container::Vorbis:
        return "ogg";
    case Container::Opus:
        return "opus";
    }
    return {};
}

fs::path WriteAudio(const fs::path& folder, const std::string& name, const AudioSpec& sound) {
    const fs::path file = folder / name;
    switch (sound.container) {
    case Container::Wav:
        // Wider or more channels than CD audio: WAVE_FORMAT_EXTENSIBLE, as recorders write it.
        WritePcm(file, sound, sound.channels > 2 || sound.bits > 16 ? SF_FORMAT_WAVEX : SF_FORMAT_WAV);
        return file;
    case Container::Aiff:
        WritePcm(file, sound, SF_FORMAT_AIFF);
        return file;
    default:
        break;
    }
    const fs::path pcm = folder / (name + ".source.wav");
    WritePcm(pcm, sound, SF_FORMAT_WAVEX);
    if (sound.container == Container::Flac)
        Run("flac -s -f -o " + Quoted(file) + " " + Quoted(pcm));
    else if (sound.container == Container::Vorbis)
        Run("oggenc -Q -o " + Quoted(file) + " " + Quoted(pcm));
    else
        Run("opusenc --quiet " + Quoted(pcm) + " " + Quoted(file));
    fs::remove(pcm);
    return file;
}

int DecodedRate(const AudioSpec& sound) {
    // Opus decodes at 8, 12, 16, 24 or 48 kHz; the header's input rate picks one of them
    // when it is one, else 48 kHz.
    if (sound.container != Container::Opus) return sound.sampleRate;
    for (const int r : {8000, 12000, 16000})
        if (sound.sampleRate == r) return r;
    return 48000;
}

std::int64_t DecodedFrames(const AudioSpec& sound) {
    const int rate = DecodedRate(sound);
    if (rate == sound.sampleRate) return sound.frames;
    return static_cast<std::int64_t>(
        std::llround(static_cast<double>(sound.frames) * rate / sound.sampleRate));
}

} // namespace telbo::test
