#pragma once
// One MP3 file opened with libmpg123: float frames at the rate and channel count chosen by the
// decode options, an exact length (the file is scanned at open) and sample-exact seeking.

#include "engine/Source.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace telbo::engine {

class Mpg123Source final : public Source {
public:
    // nullptr when the file cannot be opened or has no decodable frame in its first few MiB
    // (after the ID3v2 tags). Bounded in time whatever the file: the length scan gives up
    // after a fraction of a second and takes the header's length instead.
    static std::unique_ptr<Mpg123Source> Open(const std::string& path,
                                              const DecodeOptions& options) noexcept;
    // The same where the file's stream is known to begin at `streamStart` (bytes) with frames
    // of `streamRate` Hz.
    static std::unique_ptr<Mpg123Source> Open(const std::string& path,
                                              const DecodeOptions& options,
                                              std::int64_t streamStart, int streamRate) noexcept;
    ~Mpg123Source();
    Mpg123Source(const Mpg123Source&) = delete;
    Mpg123Source& operator=(const Mpg123Source&) = delete;

    int Rate() const noexcept override { return rate_; }
    int Channels() const noexcept override { return channels_; }
    int BitrateKbps() const noexcept override { return bitrate_; }
    std::int64_t LengthFrames() const noexcept override { return length_; }

    // One MPEG frame at a time.
    std::size_t Next(const float*& samples) noexcept override;
    std::int64_t Seek(std::int64_t frame) noexcept override;
    std::int64_t Position() const noexcept override { return position_; }

    // Internals, public for the callbacks and helpers in the source file.
    struct Handle;
    // What makes frames one stream: frames of another rate, channel count or layer are stray
    // headers in junk, or a second file glued on; they are not played.
    struct Kind {
        long rate = 0;
        bool mono = false;
        int layer = 0;
        bool operator==(const Kind&) const = default;
    };

private:
    explicit Mpg123Source(std::unique_ptr<Handle> handle) noexcept;

    std::unique_ptr<Handle> handle_;
    int rate_ = 0;
    int channels_ = 0;
    int bitrate_ = 0;
    std::int64_t length_ = 0;
    std::int64_t position_ = 0;
    std::int64_t skip_ = 0; // decoded frames before the track (iTunSMPB's delay)
    std::int64_t raw_ = 0;  // decoded frames before the next one, with the skipped ones
    bool ended_ = false;
    Kind kind_;                // what the first frame is; frames of other kinds are dropped
    bool otherOutput_ = false; // the decoder's output is in another format
    bool held_ = true;         // a seek left a frame to decode
    std::int64_t lastErrorAt_ = -1; // stream offset of the last decode error
};

} // namespace telbo::engine
