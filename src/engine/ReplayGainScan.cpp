#include "engine/ReplayGainScan.h"

#include "decoder/ReplayGain.h"
#include "engine/Source.h"
#include "engine/TagIo.h"
#include "engine/TagIoFormats.h"

#include <ebur128.h>
#include <fcntl.h>
#include <pthread.h>
#include <sched.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <memory>

namespace telbo::engine {

namespace {

constexpr double kReference = -18.0;     // LUFS, ReplayGain 2.0
constexpr double kOpusReference = -23.0; // LUFS, the R128 gains of Opus
constexpr double kMaxGainDb = 60.0;      // as far as the tag reader trusts a gain

struct StateDeleter {
    void operator()(ebur128_state* st) const noexcept { ebur128_destroy(&st); }
};
using State = std::unique_ptr<ebur128_state, StateDeleter>;

bool Cancelled(const ReplayGainScanOptions& options) {
    return options.cancel && options.cancel->load(std::memory_order_relaxed);
}

void LowerPriority() noexcept {
    sched_param param{};
    if (::pthread_setschedparam(::pthread_self(), SCHED_IDLE, &param) != 0)
        ::setpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()), 19);
}

bool IsOpus(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return false;
    const bool opus = TagFormatOf(fd) == TagFormat::OggOpus;
    ::close(fd);
    return opus;
}

struct Measured {
    State state;
    double peak = 0;
    double loudness = -HUGE_VAL;
};

// Decodes the file once at its own rate into a loudness meter. An empty problem on success.
std::string Measure(const std::string& path, const ReplayGainScanOptions& options, Measured& m) {
    auto source = OpenSource(path, DecodeOptions{});
    if (!source) return "not a playable audio file";
    const int channels = source->Channels();
    m.state.reset(ebur128_init(static_cast<unsigned>(channels),
                               static_cast<unsigned long>(source->Rate()),
                               EBUR128_MODE_I | EBUR128_MODE_SAMPLE_PEAK));
    if (!m.state) return "cannot measure the file";
    const float* samples = nullptr;
    while (const std::size_t n = source->Next(samples)) {
        if (Cancelled(options)) return "cancelled";
        if (ebur128_add_frames_float(m.state.get(), samples, n) != EBUR128_SUCCESS)
            return "cannot measure the file";
    }
    for (int c = 0; c < channels; ++c) {
        double peak = 0;
        if (ebur128_sample_peak(m.state.get(), static_cast<unsigned>(c), &peak) == EBUR128_SUCCESS)
            m.peak = std::max(m.peak, peak);
    }
    if (ebur128_loudness_global(m.state.get(), &m.loudness) != EBUR128_SUCCESS ||
        !std::isfinite(m.loudness))
        return "silent: no loudness to measure";
    return {};
}

double Gain(double loudness, double reference) {
    return std::clamp(reference - loudness, -kMaxGainDb, kMaxGainDb);
}

std::string R128(double loudness) {
    const double q = std::round(Gain(loudness, kOpusReference) * 256.0);
    return std::to_string(static_cast<int>(std::clamp(q, -32768.0, 32767.0)));
}

std::string Fixed(double v, int decimals) {
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, decimals);
    return std::string(buf, r.ptr);
}

// Measures one album group (or a single track) and writes its files.
void ScanGroup(const std::vector<std::size_t>& group, bool album,
               const std::vector<std::string>& paths, const ReplayGainScanOptions& options,
               std::vector<ReplayGainScanResult>& results, std::size_t& done) {
    std::vector<Measured> measured(group.size());
    std::vector<ebur128_state*> states;
    double albumPeak = 0;
    for (std::size_t i = 0; i < group.size(); ++i) {
        ReplayGainScanResult& r = results[group[i]];
        if (Cancelled(options)) {
            r.problem = "cancelled";
            continue;
        }
        r.problem = Measure(paths[group[i]], options, measured[i]);
        if (r.problem.empty()) {
            r.loudness = measured[i].loudness;
            r.trackGain = Gain(measured[i].loudness, kReference);
            r.trackPeak = measured[i].peak;
            states.push_back(measured[i].state.get());
            albumPeak = std::max(albumPeak, measured[i].peak);
        }
        ++done;
        if (options.progress) options.progress(done, paths.size());
    }
    std::optional<double> albumLoudness;
    double loudness = 0;
    if (album && !states.empty() &&
        ebur128_loudness_global_multiple(states.data(), states.size(), &loudness) ==
            EBUR128_SUCCESS &&
        std::isfinite(loudness))
        albumLoudness = loudness;
    // An album is written only when all of it was measured: gains against a part of it would
    // be wrong for every track.
    const bool whole = states.size() == group.size();
    for (std::size_t i = 0; i < group.size(); ++i) {
        ReplayGainScanResult& r = results[group[i]];
        if (!r.problem.empty()) continue;
        if (Cancelled(options)) {
            r.problem = "cancelled";
            continue;
        }
        if (album && (!whole || !albumLoudness)) {
            r.problem = "another file of its album could not be measured";
            continue;
        }
        if (albumLoudness) {
            r.albumGain = Gain(*albumLoudness, kReference);
            r.albumPeak = albumPeak;
        }
        std::vector<std::pair<std::string, std::string>> fields;
        if (IsOpus(paths[group[i]])) {
            fields.emplace_back("R128_TRACK_GAIN", R128(measured[i].loudness));
            if (albumLoudness) fields.emplace_back("R128_ALBUM_GAIN", R128(*albumLoudness));
        } else {
            fields.emplace_back("REPLAYGAIN_TRACK_GAIN", FormatGainDb(*r.trackGain));
            fields.emplace_back("REPLAYGAIN_TRACK_PEAK", FormatPeak(*r.trackPeak));
            if (albumLoudness) {
                fields.emplace_back("REPLAYGAIN_ALBUM_GAIN", FormatGainDb(*r.albumGain));
                fields.emplace_back("REPLAYGAIN_ALBUM_PEAK", FormatPeak(*r.albumPeak));
            }
        }
        TagWriteResult w = WriteFields(paths[group[i]], fields);
        r.written = w.written;
        r.problem = w.written ? std::string() : std::move(w.problem);
    }
}

} // namespace

std::string FormatGainDb(double db) { return Fixed(db, 2) + " dB"; }
std::string FormatPeak(double peak) { return Fixed(peak, 6); }

std::vector<ReplayGainScanResult> ScanReplayGain(const std::vector<std::string>& paths,
                                                 const ReplayGainScanOptions& options) {
    if (options.lowPriority) LowerPriority();
    std::vector<ReplayGainScanResult> results(paths.size());
    for (std::size_t i = 0; i < paths.size(); ++i) results[i].path = paths[i];

    // Album groups in the order their first file comes.
    std::vector<AlbumPlace> places(paths.size());
    if (!options.trackOnly) {
        for (std::size_t i = 0; i < paths.size(); ++i) {
            TagRecord tag;
            ReadTags(paths[i], tag);
            places[i] = AlbumPlace{paths[i], tag.Album.Shown()};
        }
    }
    std::vector<bool> grouped(paths.size(), false);
    std::size_t done = 0;
    for (std::size_t i = 0; i < paths.size(); ++i) {
        if (grouped[i]) continue;
        std::vector<std::size_t> group{i};
        grouped[i] = true;
        for (std::size_t j = i + 1; j < paths.size() && !options.trackOnly; ++j) {
            if (!grouped[j] && SameAlbum(places[i], places[j])) {
                group.push_back(j);
                grouped[j] = true;
            }
        }
        const bool album = !options.trackOnly && !places[i].album.empty() &&
                           SameAlbum(places[i], places[i]);
        ScanGroup(group, album, paths, options, results, done);
    }
    return results;
}

} // namespace telbo::engine
