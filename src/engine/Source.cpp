#include "engine/Source.h"

#include "engine/Mpg123Source.h"
#include "engine/ReducedSource.h"
#include "engine/SndfileSource.h"
#include "tags/FileProbe.h"

#include <fcntl.h>
#include <unistd.h>

#include <cmath>
#include <optional>

namespace telbo::engine {

namespace {

// What the file is, by its content: a container's mark alone decides (a damaged WAV read as
// MP3 would find frame headers in its samples and play noise); MP3 has no mark, it is a
// stream of frames. Nothing when the file cannot be read.
std::optional<tags::FileProbe> Probe(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return std::nullopt;
    tags::FileProbe probe;
    const bool read = tags::ProbeFile(fd, probe);
    ::close(fd);
    if (!read) return std::nullopt;
    return probe;
}

} // namespace

int Source::TotalSeconds() const noexcept {
    const int rate = Rate();
    return rate > 0 ? static_cast<int>(std::llround(static_cast<double>(LengthFrames()) / rate))
                    : 0;
}

std::unique_ptr<Source> OpenSource(const std::string& path, const DecodeOptions& options) noexcept {
    try {
        const auto probe = Probe(path);
        if (!probe) return nullptr;
        switch (probe->kind) {
        case tags::FileKind::Mp3:
        case tags::FileKind::Mp4: // MPEG audio found inside: what plays of it is that
            if (!probe->mpeg) return nullptr;
            return Mpg123Source::Open(path, options, static_cast<std::int64_t>(probe->streamStart),
                                      probe->rate);
        case tags::FileKind::Flac:
        case tags::FileKind::OggVorbis:
        case tags::FileKind::Opus:
        case tags::FileKind::OggFlac:
        case tags::FileKind::Wav:
        case tags::FileKind::Rf64:
        case tags::FileKind::Riff:
        case tags::FileKind::Aiff:
        case tags::FileKind::Form:
            // libsndfile skips ID3v2 tags in front of any of them itself.
            return ReducedSource::Wrap(SndfileSource::Open(path),
                                       static_cast<int>(options.SamplingRate),
                                       options.StereoConf == DecodeChannels::Mono);
        case tags::FileKind::Unknown:
            break;
        }
        return nullptr;
    } catch (...) {
        return nullptr;
    }
}

} // namespace telbo::engine
