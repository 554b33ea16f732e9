#pragma once
// Files of the formats beside MP3, made on the spot for tests: tones written with libsndfile
// and, for the compressed formats, run through the formats' own encoders (flac, oggenc,
// opusenc). No Qt; everything is written into the folder given; throws std::runtime_error
// when a file cannot be made.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace telbo::test {

enum class Container { Wav, Aiff, Flac, Vorbis, Opus };

struct AudioSpec {
    Container container = Container::Wav;
    int sampleRate = 44100;
    int channels = 2;
    int bits = 16;                             // 16 or 24; 32 is float (WAV only)
    std::int64_t frames = 44100;               // of the tone written; Opus plays at 48 kHz
    std::vector<double> frequencies = {440.0}; // summed, each at `amplitude`, in every channel
    double amplitude = 0.5;
    std::int64_t firstFrame = 0; // where in a longer tone this one starts (its phase)
};

// "wav", "aiff", "flac", "ogg", "opus".
std::string ExtensionOf(Container container);

// Writes the tone into folder/name (the extension is the caller's) and returns the path.
std::filesystem::path WriteAudio(const std::filesystem::path& folder, const std::string& name,
                                 const AudioSpec& sound);

// The rate and frames a engine delivers for `sound`: Opus has rates of its own.
std::int64_t DecodedFrames(const AudioSpec& sound);
int DecodedRate(const AudioSpec& sound);

} // namespace telbo::test
