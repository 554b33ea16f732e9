#pragma once
// One FLAC, Ogg Vorbis, Ogg Opus, WAV or AIFF file opened with libsndfile: float frames at the
// file's own rate, more than two channels mixed down to stereo. libsndfile takes care of
// Opus's pre-skip and end trimming; lengths and seeks are exact to the sample.

#include "engine/Source.h"

#include <vector>

namespace telbo::engine {

class SndfileSource final : public Source {
public:
    // nullptr when the file cannot be opened or its first block does not decode.
    static std::unique_ptr<SndfileSource> Open(const std::string& path) noexcept;
    ~SndfileSource() override;
    SndfileSource(const SndfileSource&) = delete;
    SndfileSource& operator=(const SndfileSource&) = delete;

    int Rate() const noexcept override { return rate_; }
    int Channels() const noexcept override { return fileChannels_ == 1 ? 1 : 2; }
    int BitrateKbps() const noexcept override { return bitrate_; }
    std::int64_t LengthFrames() const noexcept override { return length_; }
    std::size_t Next(const float*& samples) noexcept override;
    std::int64_t Seek(std::int64_t frame) noexcept override;
    std::int64_t Position() const noexcept override { return position_; }

    struct Handle;

private:
    explicit SndfileSource(std::unique_ptr<Handle> handle) noexcept;

    std::unique_ptr<Handle> handle_;
    int rate_ = 0;
    int fileChannels_ = 0;
    int bitrate_ = 0;
    std::int64_t length_ = 0;
    std::int64_t position_ = 0;
    bool ended_ = false;
    std::vector<float> raw_;     // a block as the file has it
    std::vector<float> stereo_;  // the same mixed down, for more than two channels
    std::vector<float> weights_; // per file channel: left and right gains of the mix-down
};

} // namespace telbo::engine
