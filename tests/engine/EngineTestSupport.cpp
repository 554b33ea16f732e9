#include "EngineTestSupport.h"

#include <cmath>
#include <fstream>
#include <numbers>
#include <thread>

#include <unistd.h>

namespace telbo::test {

Decoded DecodeAll(const std::filesystem::path& file, const DecodeOptions& options,
                  const engine::ChainControls* controls, int outputRate,
                  std::int64_t startFrame) {
    Decoded d;
    auto chain = engine::DecodeChain::Open(file.string(), options);
    if (!chain) return d;
    const engine::ChainControls defaults;
    chain->Start(controls ? *controls : defaults, outputRate, startFrame);
    d.rate = chain->OutputRate();
    engine::DecodeChain::Piece piece;
    bool first = true;
    while (chain->Next(piece)) {
        if (first) d.firstTrackStart = piece.trackStart;
        first = false;
        d.samples.insert(d.samples.end(), piece.samples, piece.samples + piece.frames * 2);
        d.lastTrackEnd = piece.trackStart + static_cast<double>(piece.frames) * piece.trackPerFrame;
    }
    return d;
}

double ToneAmplitude(const float* stereo, std::size_t frames, int channel, double frequency,
                     double rate) {
    const double w = 2.0 * std::numbers::pi * frequency / rate;
    const double coeff = 2.0 * std::cos(w);
    double s1 = 0, s2 = 0;
    for (std::size_t i = 0; i < frames; ++i) {
        const double s = stereo[i * 2 + static_cast<std::size_t>(channel)] + coeff * s1 - s2;
        s2 = s1;
        s1 = s;
    }
    const double power = s1 * s1 + s2 * s2 - coeff * s1 * s2;
    return 2.0 * std::sqrt(std::max(power, 0.0)) / static_cast<double>(frames);
}

double Db(double ratio) { return 20.0 * std::log10(ratio); }

StderrCapture::StderrCapture() {
    std::fflush(stderr);
    file_ = std::tmpfile();
    saved_ = dup(2);
    if (file_) dup2(fileno(file_), 2);
}

StderrCapture::~StderrCapture() {
    std::fflush(stderr);
    if (saved_ >= 0) {
        dup2(saved_, 2);
        close(saved_);
    }
    if (file_) std::fclose(file_);
}

std::string StderrCapture::Text() const {
    std::fflush(stderr);
    std::string out;
    if (!file_) return "(no capture)";
    std::rewind(file_);
    for (int c; (c = std::fgetc(file_)) != EOF;) out += static_cast<char>(c);
    return out;
}

std::filesystem::path WriteWav16(const std::filesystem::path& file, int rate, int channels,
                                 const std::vector<std::int16_t>& samples,
                                 std::optional<std::uint32_t> dataSize) {
    std::vector<std::uint8_t> b;
    auto put = [&](std::uint64_t v, int bytes) {
        for (int i = 0; i < bytes; ++i)
            b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
    };
    auto tag = [&](const char* t) { b.insert(b.end(), t, t + 4); };
    const auto bytes = static_cast<std::uint32_t>(samples.size() * 2);
    tag("RIFF");
    put(36 + bytes, 4);
    tag("WAVE");
    tag("fmt ");
    put(16, 4);
    put(1, 2); // PCM
    put(static_cast<std::uint64_t>(channels), 2);
    put(static_cast<std::uint64_t>(rate), 4);
    put(static_cast<std::uint64_t>(rate * channels * 2), 4);
    put(static_cast<std::uint64_t>(channels * 2), 2);
    put(16, 2);
    tag("data");
    put(dataSize.value_or(bytes), 4);
    for (const std::int16_t v : samples)
        put(static_cast<std::uint16_t>(v), 2);
    std::ofstream(file, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
    return file;
}

bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

std::uint64_t BytesRead() {
    std::ifstream io("/proc/self/io");
    std::string key;
    std::uint64_t value = 0;
    while (io >> key >> value)
        if (key == "rchar:") return value;
    return 0;
}

} // namespace telbo::test
