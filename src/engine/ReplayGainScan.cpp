#include "engine/ReplayGainScan.h"

#include "decoder/ReplayGain.h"
#include "engine/Source.h"
#include "tags/TagFormats.h"
#include "tags/TagRead.h"
#include "tags/TagWrite.h"

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
#include <mutex>
#include <thread>

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
    const bool opus = tags::TagFormatOf(fd) == tags::TagFormat::OggOpus;
    ::close(fd);
    return opus;
}

struct Measured {
    State state;
    double peak = 0;
    double loudness = -HUGE_VAL;
    std::string problem; // empty when measured
};

// Decodes the file once at its own rate into a loudness meter.
void Measure(const std::string& path, const ReplayGainScanOptions& options, Measured& m) {
    auto source = OpenSource(path, DecodeOptions{});
    if (!source) {
        m.problem = "not a playable audio file";
        return;
    }
    const int channels = source->Channels();
    m.state.reset(ebur128_init(static_cast<unsigned>(channels),
                               static_cast<unsigned long>(source->Rate()), EBUR128_MODE_I));
    if (!m.state) {
        m.problem = "cannot measure the file";
        return;
    }
    const float* samples = nullptr;
    float peak = 0;
    while (const std::size_t n = source->Next(samples)) {
        if (Cancelled(options)) {
            m.problem = "cancelled";
            return;
        }
        if (ebur128_add_frames_float(m.state.get(), samples, n) != EBUR128_SUCCESS) {
            m.problem = "cannot measure the file";
            return;
        }
        // The sample peak here: a plain loop the compiler vectorises, cheaper than the meter's.
        const std::size_t count = n * static_cast<std::size_t>(channels);
        for (std::size_t i = 0; i < count; ++i)
            peak = std::max(peak, std::fabs(samples[i]));
    }
    m.peak = peak;
    if (ebur128_loudness_global(m.state.get(), &m.loudness) != EBUR128_SUCCESS ||
        !std::isfinite(m.loudness))
        m.problem = "silent: no loudness to measure";
}

// Measures the files `which` on up to `threads` threads (the calling one among them).
void MeasureAll(const std::vector<std::size_t>& which, const std::vector<std::string>& paths,
                const ReplayGainScanOptions& options, std::size_t threads,
                std::vector<Measured>& measured, std::size_t& done) {
    std::atomic<std::size_t> next{0};
    std::mutex progressMutex;
    auto work = [&]() noexcept {
        for (std::size_t k; (k = next.fetch_add(1)) < which.size();) {
            Measured& m = measured[which[k]];
            try {
                if (Cancelled(options))
                    m.problem = "cancelled";
                else
                    Measure(paths[which[k]], options, m);
            } catch (...) {
                m.problem = "cannot measure the file";
            }
            std::lock_guard lock(progressMutex);
            ++done;
            if (options.progress) options.progress(done, paths.size());
        }
    };
    std::vector<std::thread> helpers;
    for (std::size_t t = 1; t < std::min(threads, which.size()); ++t) {
        try {
            helpers.emplace_back(work);
        } catch (...) {
            break; // fewer threads: the work is the same
        }
    }
    work();
    for (std::thread& h : helpers)
        h.join();
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

struct Group {
    std::vector<std::size_t> files;
    bool album = false;
};

// Writes the files of one measured group (an album, or a single track).
void WriteGroup(const Group& group, const std::vector<std::string>& paths,
                const ReplayGainScanOptions& options, std::vector<Measured>& measured,
                std::vector<ReplayGainScanResult>& results) {
    std::vector<ebur128_state*> states;
    double albumPeak = 0;
    for (const std::size_t f : group.files) {
        ReplayGainScanResult& r = results[f];
        const Measured& m = measured[f];
        r.problem = m.problem;
        if (!m.problem.empty()) continue;
        r.loudness = m.loudness;
        r.trackGain = Gain(m.loudness, kReference);
        r.trackPeak = m.peak;
        states.push_back(m.state.get());
        albumPeak = std::max(albumPeak, m.peak);
    }
    std::optional<double> albumLoudness;
    double loudness = 0;
    if (group.album && !states.empty() &&
        ebur128_loudness_global_multiple(states.data(), states.size(), &loudness) ==
            EBUR128_SUCCESS &&
        std::isfinite(loudness))
        albumLoudness = loudness;
    // An album is written only when all of it was measured: gains against a part of it would
    // be wrong for every track.
    const bool whole = states.size() == group.files.size();
    for (const std::size_t f : group.files) {
        ReplayGainScanResult& r = results[f];
        if (!r.problem.empty()) continue;
        if (Cancelled(options)) {
            r.problem = "cancelled";
            continue;
        }
        if (group.album && (!whole || !albumLoudness)) {
            r.problem = "another file of its album could not be measured";
            continue;
        }
        if (albumLoudness) {
            r.albumGain = Gain(*albumLoudness, kReference);
            r.albumPeak = albumPeak;
        }
        std::vector<std::pair<std::string, std::string>> fields;
        if (IsOpus(paths[f])) {
            fields.emplace_back("R128_TRACK_GAIN", R128(measured[f].loudness));
            if (albumLoudness) fields.emplace_back("R128_ALBUM_GAIN", R128(*albumLoudness));
        } else {
            fields.emplace_back("REPLAYGAIN_TRACK_GAIN", FormatGainDb(*r.trackGain));
            fields.emplace_back("REPLAYGAIN_TRACK_PEAK", FormatPeak(*r.trackPeak));
            if (albumLoudness) {
                fields.emplace_back("REPLAYGAIN_ALBUM_GAIN", FormatGainDb(*r.albumGain));
                fields.emplace_back("REPLAYGAIN_ALBUM_PEAK", FormatPeak(*r.albumPeak));
            }
        }
        TagWriteResult w = tags::WriteFields(paths[f], fields);
        r.written = w.written;
        r.problem = w.written ? std::string() : std::move(w.problem);
    }
    for (const std::size_t f : group.files)
        measured[f].state.reset();
}

} // namespace

std::string FormatGainDb(double db) {
    return Fixed(db, 2) + " dB";
}
std::string FormatPeak(double peak) {
    return Fixed(peak, 6);
}

std::vector<ReplayGainScanResult> ScanReplayGain(const std::vector<std::string>& paths,
                                                 const ReplayGainScanOptions& options) {
    if (options.lowPriority) LowerPriority(); // threads started below inherit it
    std::vector<ReplayGainScanResult> results(paths.size());
    for (std::size_t i = 0; i < paths.size(); ++i)
        results[i].path = paths[i];
    const std::size_t threads =
        options.threads > 0 ? options.threads : std::max(1u, std::thread::hardware_concurrency());

    // Album groups, in the order their first file comes.
    std::vector<AlbumPlace> places(paths.size());
    if (!options.trackOnly) {
        for (std::size_t i = 0; i < paths.size(); ++i) {
            TagRecord tag;
            tags::ReadTags(paths[i], tag);
            places[i] = AlbumPlace{paths[i], tag.Album.Shown()};
        }
    }
    std::vector<Group> groups;
    std::vector<bool> grouped(paths.size(), false);
    for (std::size_t i = 0; i < paths.size(); ++i) {
        if (grouped[i]) continue;
        Group g;
        g.files.push_back(i);
        g.album = !options.trackOnly && SameAlbum(places[i], places[i]);
        for (std::size_t j = i + 1; j < paths.size() && g.album; ++j) {
            if (!grouped[j] && SameAlbum(places[i], places[j])) {
                g.files.push_back(j);
                grouped[j] = true;
            }
        }
        groups.push_back(std::move(g));
    }

    // Measured a batch at a time, on several threads: an album, or a run of single tracks.
    // Only a batch's meters are held at once.
    constexpr std::size_t kBatch = 64;
    std::vector<Measured> measured(paths.size());
    std::size_t done = 0;
    for (std::size_t g = 0; g < groups.size();) {
        std::size_t end = g + 1;
        std::vector<std::size_t> batch = groups[g].files;
        while (!groups[g].album && end < groups.size() && !groups[end].album &&
               batch.size() < kBatch)
            batch.push_back(groups[end++].files.front());
        MeasureAll(batch, paths, options, threads, measured, done);
        for (; g < end; ++g)
            WriteGroup(groups[g], paths, options, measured, results);
    }
    return results;
}

} // namespace telbo::engine
