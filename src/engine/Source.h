#pragma once
// Where the decode chain's audio comes from: one open file, decoded to float frames. Each
// source owns all of its state, so a second file can be opened while another one plays.

#include "decoder/Records.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace telbo::engine {

class Source {
public:
    virtual ~Source() = default;

    // Frames per second and channels (1 or 2) of what Next delivers, after the decode options.
    virtual int Rate() const noexcept = 0;
    virtual int Channels() const noexcept = 0;
    // kbit/s, 0 when unknown.
    virtual int BitrateKbps() const noexcept = 0;
    // The frames a decode from the start delivers (a damaged file may end sooner).
    virtual std::int64_t LengthFrames() const noexcept = 0;
    // Track length rounded to the nearest second (a 3.5 s file is 4 s long).
    int TotalSeconds() const noexcept;

    // Decodes the next block and points `samples` at its interleaved floats (valid until the
    // next call). Returns the number of frames; 0 means the end (or an undecodable rest).
    virtual std::size_t Next(const float*& samples) noexcept = 0;
    // Positions at `frame`, clamped to the track. Returns the frame it landed on.
    virtual std::int64_t Seek(std::int64_t frame) noexcept = 0;
    // Frames returned since the last seek, plus the seek target.
    virtual std::int64_t Position() const noexcept = 0;
};

// Opens `path` with the decoder its content calls for, as tags::ProbeFile names it (FLAC, Ogg
// Vorbis, Opus, WAV, RF64 and AIFF through libsndfile, an MPEG audio stream through mpg123),
// with the decode options applied. nullptr when the file is not playable. Bounded in time
// whatever the file.
std::unique_ptr<Source> OpenSource(const std::string& path, const DecodeOptions& options) noexcept;

} // namespace telbo::engine
