#pragma once
// The "1/2", "1/4" and "Mono" decode options for sources that cannot decode that way
// themselves: mono is the channels' mean, as mpg123 mixes it; the lower rate goes through
// libsoxr, whose filter keeps what lies above the new Nyquist frequency from folding back.

#include "engine/Source.h"

#include <vector>

namespace telbo::engine {

class ReducedSource final : public Source {
public:
    // `down`: 0, 1 or 2 (the rate divided by 1, 2 or 4). nullptr when the resampler cannot
    // be made.
    static std::unique_ptr<Source> Wrap(std::unique_ptr<Source> inner, int down,
                                        bool mono) noexcept;
    ~ReducedSource() override;
    ReducedSource(const ReducedSource&) = delete;
    ReducedSource& operator=(const ReducedSource&) = delete;

    int Rate() const noexcept override { return rate_; }
    int Channels() const noexcept override { return channels_; }
    int BitrateKbps() const noexcept override { return inner_->BitrateKbps(); }
    std::int64_t LengthFrames() const noexcept override { return length_; }
    std::size_t Next(const float*& samples) noexcept override;
    std::int64_t Seek(std::int64_t frame) noexcept override;
    std::int64_t Position() const noexcept override { return position_; }

    struct Converter;

private:
    ReducedSource(std::unique_ptr<Source> inner, int down, bool mono) noexcept;
    // Output frames for `frames` input frames (null `in`: the rest at the end).
    std::size_t Convert(const float* in, std::size_t frames) noexcept;

    std::unique_ptr<Source> inner_;
    std::unique_ptr<Converter> converter_; // null at full rate
    int down_;
    bool mix_; // two channels in, one out
    int rate_ = 0;
    int channels_ = 0;
    std::int64_t length_ = 0;
    std::int64_t position_ = 0;
    bool innerEnded_ = false;
    bool ended_ = false;
    std::vector<float> mono_;
    std::vector<float> out_;
};

} // namespace telbo::engine
