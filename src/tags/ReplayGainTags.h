#pragma once
// Reading a file's ReplayGain values from its tags: ID3v2 TXXX frames, APE items and ID3v2
// RVA2 (MP3; ID3v2 also in WAV and AIFF), Xiph comments (FLAC, Ogg Vorbis, Opus, with Opus's
// R128 gains). Through TagLib; the values come out relative to the ReplayGain 2 reference.

#include "decoder/ReplayGain.h"

#include <optional>
#include <string>
#include <string_view>

namespace telbo::tags {

// "-6.50 dB", "+1.2 dB", "-6.5", " 3 db ": the gain in dB; nothing for junk, NaN, infinities
// and gains beyond +-60 dB. Read the same way in every locale.
std::optional<double> ParseGainDb(std::string_view text);
// "0.988547": a linear peak above 0 and at most 100 (float files go past full scale).
std::optional<double> ParsePeak(std::string_view text);
// An Opus R128 gain ("-1536": Q7.8 dB relative to -23 LUFS) as a ReplayGain 2 gain (+5 dB).
std::optional<double> ParseR128Gain(std::string_view text);

// The values the file at `path` (or open as `fd`) holds. Key names count in any case; the old
// REPLAYGAIN_GAIN and REPLAYGAIN_PEAK are track values. In MP3 files the ID3v2 TXXX frames
// come first, then an APE tag (as mp3gain writes one behind the ID3v2 tag), then the master
// volume of RVA2 frames, each filling only what the ones before left out. In Opus files the
// R128 gains come before REPLAYGAIN_* comments; the header's output gain is the decoder's
// business and never added here. Nothing for a file that cannot be read.
ReplayGainValues ReadReplayGain(const std::string& path) noexcept;
ReplayGainValues ReadReplayGain(int fd) noexcept;

} // namespace telbo::tags
