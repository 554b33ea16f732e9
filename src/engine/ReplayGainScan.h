#pragma once
// The ReplayGain scan: measures files (ReplayGain 2.0: EBU R128 integrated loudness against a
// -18 LUFS reference, and the sample peak) and writes the gains into their tags. No Qt; meant
// to run on a worker thread of its own, which it can lower to idle priority.

#include <atomic>
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace telbo::engine {

struct ReplayGainScanOptions {
    // Track values only: no album gain or peak is measured or written.
    bool trackOnly = false;
    // Lower the calling thread to idle priority (SCHED_IDLE, else the lowest nice value) for
    // the scan, and with it the threads it starts; it stays lowered after.
    bool lowPriority = false;
    // Threads measuring files at once (each decodes and meters one file); 0: one per core.
    std::size_t threads = 0;
    // Called after each file is measured, one call at a time but from any of the scan's
    // threads: files done, files in all ("ReplayGain 3 / 12").
    std::function<void(std::size_t done, std::size_t total)> progress;
    // Set from any thread to stop at the next block: files not written by then are returned
    // with the problem "cancelled" and keep their old tags.
    const std::atomic<bool>* cancel = nullptr;
};

struct ReplayGainScanResult {
    std::string path;
    bool written = false;
    std::string problem; // why nothing was written, for the user; "" when written
    // What was measured: integrated loudness in LUFS, gains in dB against -18 LUFS, linear
    // peaks. The album values for files of an album group (scanned together unless
    // trackOnly).
    std::optional<double> loudness, trackGain, trackPeak, albumGain, albumPeak;
};

// Scans `paths` (measured on several threads, written in their order) and writes each file's
// REPLAYGAIN_TRACK_GAIN / _PEAK and, for files of an album group, REPLAYGAIN_ALBUM_GAIN / _PEAK
// ("-6.52 dB", "0.988547"); Opus files get R128_TRACK_GAIN / R128_ALBUM_GAIN (Q7.8 dB against -23
// LUFS) instead. An album group is the files with the same album tag in the same folder (as Auto
// mode sees an album); files without an album tag are single tracks. Each file is decoded once, at
// its full rate, and is written through WriteFields (a verified copy renamed over it): it is
// rewritten whole or not at all. One result per path, in the same order.
std::vector<ReplayGainScanResult> ScanReplayGain(const std::vector<std::string>& paths,
                                                 const ReplayGainScanOptions& options);

// The text of a gain ("-6.52 dB") and a peak ("0.988547"), the same in every locale.
std::string FormatGainDb(double db);
std::string FormatPeak(double peak);

} // namespace telbo::engine
