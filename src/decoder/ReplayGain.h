#pragma once
// ReplayGain (loudness normalisation) as the player and the engine both see it: the modes, the
// options the player hands the engine, a file's tagged values, and the Auto mode's choice
// between album and track gain. Pure; no library.

#include <cstdint>
#include <optional>
#include <string>

namespace telbo {

// Off: every file plays as it is. Track: each file at its own track gain. Album: at its album
// gain (its track gain where it has none). Auto: album gain while the neighbouring tracks in
// play order come from the same album, track gain otherwise.
enum class ReplayGainMode : std::int32_t { Off = 0, Track = 1, Album = 2, Auto = 3 };

struct ReplayGainOptions {
    ReplayGainMode Mode = ReplayGainMode::Auto;
    // dB added to the tagged gain of tagged files, and the gain of files without one; each
    // is taken to -15..15.
    double Preamp = 0;
    double UntaggedPreamp = 0;
    // The scale never exceeds 1 / the file's peak; with no peak known for an untagged file
    // it never exceeds 1.
    bool ClipPrevention = true;
    // Auto mode only: whether album gain applies to the files opened or queued from now on
    // (AlbumGainApplies for the file's place in the play order).
    bool AutoAlbum = false;

    bool operator==(const ReplayGainOptions&) const = default;
};

// What a file's tags say, in dB relative to the ReplayGain 2 reference (-18 LUFS) and as
// linear sample peaks (1 is full scale). Each value is there only when the file holds a
// sound one.
struct ReplayGainValues {
    std::optional<double> trackGain, trackPeak, albumGain, albumPeak;

    bool operator==(const ReplayGainValues&) const = default;
};

// A track's place for the album test: its path and its album tag.
struct AlbumPlace {
    std::string path;
    std::string album;
};

// Whether two tracks come from the same album: the same album tag (blanks and NULs the
// player pads with do not count) in the same folder. An empty album is no album.
bool SameAlbum(const AlbumPlace& a, const AlbumPlace& b);

// Auto mode's choice for `current`, given the tracks before and after it in play order
// (nullptr where there is none): album gain when either comes from the same album.
bool AlbumGainApplies(const AlbumPlace* previous, const AlbumPlace& current,
                      const AlbumPlace* next);

} // namespace telbo
