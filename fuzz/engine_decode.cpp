// Any bytes as an audio file through the engine's own open and decode chain (the path a track
// takes when it plays): never a crash, a hang or a sanitizer report, the file's facts inside
// their ranges, and never more audio than the bytes can hold (an MP3 stream) or than the
// header claims (FLAC, Ogg, WAV, AIFF). The first byte picks the decode options, the output
// rate, the speed and the equalizer.
#include "engine/DecodeChain.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {
void Check(bool ok) {
    if (!ok) std::abort();
}

// The input as a file without touching the disk: a memory file, reached by its /proc path.
const std::string& MemoryFile(int& fd) {
    static int file = memfd_create("fuzz-mp3", MFD_CLOEXEC);
    static const std::string path = "/proc/self/fd/" + std::to_string(file);
    fd = file;
    return path;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    int fd = -1;
    const std::string& path = MemoryFile(fd);
    Check(fd >= 0);
    Check(ftruncate(fd, 0) == 0);
    Check(pwrite(fd, data + 1, size - 1, 0) == static_cast<ssize_t>(size - 1));

    const std::uint8_t pick = data[0];
    telbo::DecodeOptions options;
    options.SamplingRate = static_cast<telbo::DecodeRate>(pick % 3);
    options.StereoConf = static_cast<telbo::DecodeChannels>((pick / 3) % 2);
    auto chain = telbo::engine::DecodeChain::Open(path, options);
    if (!chain) return 0;
    const telbo::OpenInfoRecord info = chain->Info();
    Check(info.SampleRate >= 250 && info.SampleRate <= 768000);
    Check(info.Channels == 1 || (info.Channels == 2 && options.StereoConf == telbo::DecodeChannels::Stereo));
    Check(info.TotalSeconds >= 0 && info.Bitrate >= 0 && chain->LengthFrames() >= 0);

    telbo::engine::ChainControls controls;
    controls.speed = (pick & 0x40) ? 150 : 100;
    if (pick & 0x80) controls.SetEqualizer({120, 0, -60, 0, 30, 0, 0, 90, 0, -120});
    const int outRate = (pick & 0x20) ? 48000 : 0;
    // Every MPEG frame header takes at least 4 bytes and yields at most 1152 samples. The
    // other formats compress silence far better, and never play past their length.
    const double ratio = (outRate ? static_cast<double>(outRate) / info.SampleRate : 1.0);
    const bool marked =
        size >= 5 &&
        (std::memcmp(data + 1, "fLaC", 4) == 0 || std::memcmp(data + 1, "OggS", 4) == 0 ||
         std::memcmp(data + 1, "RIFF", 4) == 0 || std::memcmp(data + 1, "RIFX", 4) == 0 ||
         std::memcmp(data + 1, "RF64", 4) == 0 || std::memcmp(data + 1, "FORM", 4) == 0);
    const double limit =
        marked ? static_cast<double>(chain->LengthFrames()) * ratio + 8192
               : (static_cast<double>(size) / 4 + 2) * 1152 * ratio + 4096;
    for (const std::int64_t start : {std::int64_t{0}, chain->LengthFrames() / 2}) {
        chain->Start(controls, outRate, start);
        telbo::engine::DecodeChain::Piece piece;
        double frames = 0;
        while (chain->Next(piece)) {
            frames += static_cast<double>(piece.frames);
            Check(frames <= limit);
            if (piece.last) break;
        }
    }
    return 0;
}
