#pragma once
// Helpers shared by the engine tests: generated files in a temporary folder, whole-file
// decodes through the chain, tone levels, and waiting on the engine without sleeping blindly.

#include "engine/DecodeChain.h"
#include "support/Mp3Fixture.h"

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace telbo::test {

struct Decoded {
    std::vector<float> samples; // stereo interleaved
    int rate = 0;
    double firstTrackStart = 0;
    double lastTrackEnd = 0;
    std::size_t Frames() const { return samples.size() / 2; }
};

// Runs the whole file (from `startFrame`) through a fresh chain.
Decoded DecodeAll(const std::filesystem::path& file, const DecodeOptions& options = {},
                  const engine::ChainControls* controls = nullptr, int outputRate = 0,
                  std::int64_t startFrame = 0);

// Level of `frequency` in one channel of stereo samples, as an amplitude (Goertzel).
double ToneAmplitude(const float* stereo, std::size_t frames, int channel, double frequency,
                     double rate);

double Db(double ratio);

// What the process writes to its stderr (fd 2, the C libraries' prints included) while this
// lives; the test's own output goes to stdout.
class StderrCapture {
public:
    StderrCapture();
    ~StderrCapture();
    StderrCapture(const StderrCapture&) = delete;
    StderrCapture& operator=(const StderrCapture&) = delete;
    std::string Text() const;

private:
    int saved_ = -1;
    std::FILE* file_ = nullptr;
};

// Writes a 16-bit PCM WAV of interleaved `samples` byte by byte, so that a test can give its
// data chunk a size that is not the truth (`dataSize`).
std::filesystem::path WriteWav16(const std::filesystem::path& file, int rate, int channels,
                                 const std::vector<std::int16_t>& samples,
                                 std::optional<std::uint32_t> dataSize = {});

// Bytes this process has read from files and pipes so far (/proc/self/io): what a bounded
// open or tag read may cost, counted instead of timed.
std::uint64_t BytesRead();

// Polls `done` every millisecond until it holds or `timeout` passes.
bool WaitUntil(const std::function<bool()>& done,
               std::chrono::milliseconds timeout = std::chrono::seconds(20));

} // namespace telbo::test
