// telbo-decode: runs one file through the engine's decode chain (source -> equalizer ->
// volume -> resampler) as fast as it goes, into a WAV file or into nothing, and says how long
// the track is and how long the decoding took.

#include "engine/DecodeChain.h"
#include "engine/ReplayGainScale.h"
#include "tags/ReplayGainTags.h"

#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

namespace {

using telbo::engine::ChainControls;
using telbo::engine::DecodeChain;

void Usage() {
    std::fprintf(stderr,
                 "usage: telbo-decode [options] FILE\n"
                 "  --rate 0|1|2     decode at 1/1, 1/2 or 1/4 of the file's rate\n"
                 "  --mono           mix to one channel\n"
                 "  --speed N        speed in hundredths, 20..300 (default 100)\n"
                 "  --eq G1,..,G10   the ten band gains in tenths of dB, -120..120\n"
                 "  --volume N       0..100 (default 100)\n"
                 "  --out-rate HZ    output rate (default: the decoded stream's)\n"
                 "  --wav OUT.wav    write 32-bit float stereo WAV (default: decode into nothing)\n"
                 "  --replaygain off|track|album   loudness normalisation (default off)\n"
                 "  --preamp DB      added to tagged files' gain, -15..15 (default 0)\n"
                 "  --untagged-preamp DB   the gain of files without one, -15..15 (default 0)\n"
                 "  --no-clip-prevention   let the gain push peaks past full scale\n");
}

// Float WAV: the chain's own samples, nothing rounded.
class WavWriter {
public:
    WavWriter(const std::string& path, int rate) : out_(path, std::ios::binary), rate_(rate) {
        Header(0);
    }
    bool Ok() const { return static_cast<bool>(out_); }
    void Write(const float* samples, std::size_t frames) {
        out_.write(reinterpret_cast<const char*>(samples),
                   static_cast<std::streamsize>(frames * 2 * sizeof(float)));
        frames_ += frames;
    }
    bool Finish() {
        out_.seekp(0);
        Header(frames_);
        out_.close();
        return static_cast<bool>(out_);
    }

private:
    void U32(std::uint32_t v) { out_.write(reinterpret_cast<const char*>(&v), 4); }
    void U16(std::uint16_t v) { out_.write(reinterpret_cast<const char*>(&v), 2); }
    void Header(std::uint64_t frames) {
        const auto data = static_cast<std::uint32_t>(frames * 8);
        out_.write("RIFF", 4);
        U32(4 + 26 + 12 + 8 + data);
        out_.write("WAVEfmt ", 8);
        U32(18);
        U16(3); // IEEE float
        U16(2);
        U32(static_cast<std::uint32_t>(rate_));
        U32(static_cast<std::uint32_t>(rate_) * 8);
        U16(8);
        U16(32);
        U16(0);
        out_.write("fact", 4);
        U32(4);
        U32(static_cast<std::uint32_t>(frames));
        out_.write("data", 4);
        U32(data);
    }
    std::ofstream out_;
    int rate_;
    std::uint64_t frames_ = 0;
};

} // namespace

int main(int argc, char** argv) {
    telbo::DecodeOptions options;
    ChainControls controls;
    int outRate = 0;
    telbo::ReplayGainOptions replayGain;
    replayGain.Mode = telbo::ReplayGainMode::Off;
    std::string input, wav;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto value = [&]() -> std::string {
            if (i + 1 >= argc) {
                Usage();
                std::exit(2);
            }
            return argv[++i];
        };
        if (a == "--rate") {
            options.SamplingRate = static_cast<telbo::DecodeRate>(std::atoi(value().c_str()));
        } else if (a == "--mono") {
            options.StereoConf = telbo::DecodeChannels::Mono;
        } else if (a == "--speed") {
            controls.speed = std::atoi(value().c_str());
        } else if (a == "--volume") {
            const int v = std::atoi(value().c_str());
            controls.volumeLeft = v;
            controls.volumeRight = v;
        } else if (a == "--eq") {
            telbo::EqualizerBands bands{};
            std::stringstream ss(value());
            std::string item;
            for (std::size_t b = 0; b < bands.size() && std::getline(ss, item, ','); ++b)
                bands[b] = std::atoi(item.c_str());
            controls.SetEqualizer(bands);
        } else if (a == "--out-rate") {
            outRate = std::atoi(value().c_str());
        } else if (a == "--replaygain") {
            const std::string mode = value();
            if (mode == "off") {
                replayGain.Mode = telbo::ReplayGainMode::Off;
            } else if (mode == "track") {
                replayGain.Mode = telbo::ReplayGainMode::Track;
            } else if (mode == "album") {
                replayGain.Mode = telbo::ReplayGainMode::Album;
            } else {
                Usage();
                return 2;
            }
        } else if (a == "--preamp") {
            replayGain.Preamp = std::atof(value().c_str());
        } else if (a == "--untagged-preamp") {
            replayGain.UntaggedPreamp = std::atof(value().c_str());
        } else if (a == "--no-clip-prevention") {
            replayGain.ClipPrevention = false;
        } else if (a == "--wav") {
            wav = value();
        } else if (a == "-h" || a == "--help") {
            Usage();
            return 0;
        } else if (!a.empty() && a[0] == '-') {
            Usage();
            return 2;
        } else {
            input = a;
        }
    }
    if (input.empty()) {
        Usage();
        return 2;
    }

    const auto t0 = std::chrono::steady_clock::now();
    auto chain = DecodeChain::Open(input, options);
    if (!chain) {
        std::fprintf(stderr, "telbo-decode: %s: not a playable audio file\n", input.c_str());
        return 1;
    }
    const telbo::OpenInfoRecord info = chain->Info();
    double gain = 1.0;
    if (replayGain.Mode != telbo::ReplayGainMode::Off) {
        gain = telbo::engine::ReplayGainScale(telbo::tags::ReadReplayGain(input), replayGain);
        chain->SetTrackGain(static_cast<float>(gain));
    }
    chain->Start(controls, outRate, 0);
    WavWriter* writer = nullptr;
    std::unique_ptr<WavWriter> file;
    if (!wav.empty()) {
        file = std::make_unique<WavWriter>(wav, chain->OutputRate());
        writer = file.get();
        if (!writer->Ok()) {
            std::fprintf(stderr, "telbo-decode: cannot write %s\n", wav.c_str());
            return 1;
        }
    }
    std::uint64_t frames = 0;
    DecodeChain::Piece piece;
    while (chain->Next(piece)) {
        frames += piece.frames;
        if (writer) writer->Write(piece.samples, piece.frames);
    }
    if (writer && !writer->Finish()) {
        std::fprintf(stderr, "telbo-decode: writing %s failed\n", wav.c_str());
        return 1;
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    const double length = static_cast<double>(chain->LengthFrames()) / chain->StreamRate();
    std::printf("%s: %.3f s (%lld frames at %d Hz, %d channel%s, %d kbit/s; TotalSeconds %d)\n",
                input.c_str(), length, static_cast<long long>(chain->LengthFrames()),
                info.SampleRate, info.Channels, info.Channels == 1 ? "" : "s", info.Bitrate,
                info.TotalSeconds);
    std::printf("output: %llu stereo frames at %d Hz (%.3f s)%s%s\n",
                static_cast<unsigned long long>(frames), chain->OutputRate(),
                static_cast<double>(frames) / chain->OutputRate(), wav.empty() ? "" : " to ",
                wav.c_str());
    if (replayGain.Mode != telbo::ReplayGainMode::Off)
        std::printf("replaygain: x%.6f (%+.2f dB)\n", gain, 20 * std::log10(gain));
    std::printf("time: %.3f s, %.0fx real time\n", seconds, seconds > 0 ? length / seconds : 0.0);
    return 0;
}
