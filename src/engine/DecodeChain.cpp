#include "engine/DecodeChain.h"

#include "engine/EqualizerFilter.h"
#include "engine/Resampler.h"
#include "engine/Source.h"
#include "engine/Volume.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>

namespace telbo::engine {

namespace {
// Frames of the largest block a source delivers: an MPEG frame has 1152, the others 1024.
constexpr std::size_t kMaxFrameSamples = 1152;
} // namespace

ChainControls::ChainControls() noexcept {
    for (auto& b : eq) b.store(0, std::memory_order_relaxed);
}

void ChainControls::SetEqualizer(const EqualizerBands& tenths) noexcept {
    // Odd version: a change is under way (readers keep what they have).
    eqVersion.fetch_add(1, std::memory_order_acq_rel);
    for (std::size_t i = 0; i < eq.size(); ++i) eq[i].store(tenths[i], std::memory_order_release);
    eqVersion.fetch_add(1, std::memory_order_acq_rel);
}

bool ChainControls::ReadEqualizer(EqualizerBands& out, unsigned& version) const noexcept {
    const unsigned v1 = eqVersion.load(std::memory_order_acquire);
    if (v1 & 1u) return false;
    EqualizerBands bands{};
    for (std::size_t i = 0; i < eq.size(); ++i) bands[i] = eq[i].load(std::memory_order_acquire);
    if (eqVersion.load(std::memory_order_acquire) != v1) return false;
    out = bands;
    version = v1;
    return true;
}

DecodeChain::DecodeChain(std::unique_ptr<Source> source) noexcept
    : source_(std::move(source)) {}

DecodeChain::~DecodeChain() { Unqueue(); }

void DecodeChain::SetTrackGain(float gain) noexcept {
    gain_ = gain;
    volume_->SetTrackGain(gain);
}

void DecodeChain::Queue(std::unique_ptr<Source> next, float gain) noexcept {
    // The file and its gain travel together: one exchange hands over both.
    QueuedFile* file = nullptr;
    try {
        file = new QueuedFile{std::move(next), gain};
    } catch (...) {
        return;
    }
    delete next_.exchange(file, std::memory_order_acq_rel);
}

bool DecodeChain::Unqueue() noexcept {
    std::unique_ptr<QueuedFile> queued(next_.exchange(nullptr, std::memory_order_acq_rel));
    return queued != nullptr;
}

bool DecodeChain::StepBack() noexcept {
    if (!previous_ || next_.load(std::memory_order_acquire)) return false;
    try {
        std::unique_ptr<EqualizerFilter> eq;
        if (previous_->Rate() != StreamRate() || previous_->Channels() != StreamChannels())
            eq = std::make_unique<EqualizerFilter>(previous_->Rate(), previous_->Channels());
        if (eq) eq_ = std::move(eq);
        std::unique_ptr<Source> moved = std::exchange(source_, std::move(previous_));
        moved->Seek(0);
        next_.store(new QueuedFile{std::move(moved), gain_}, std::memory_order_release);
        gain_ = previousGain_;
        volume_->SetTrackGain(gain_);
        track_.fetch_sub(1, std::memory_order_acq_rel);
        return true;
    } catch (...) {
        return false;
    }
}

std::int64_t DecodeChain::Decoded() const noexcept {
    return std::min(source_->Position(), source_->LengthFrames());
}

bool DecodeChain::MoveOn(std::unique_ptr<Source> next, float gain) noexcept {
    try {
        const int oldRate = StreamRate();
        const int oldChannels = StreamChannels();
        // The new source's buffers replace the old one's: keep the last block for priming.
        const double previousEnd = static_cast<double>(Decoded()) / oldRate;
        carry_.assign(last_ ? last_ : work_.data(), (last_ ? last_ : work_.data()) + lastFrames_ * 2);
        previous_ = std::exchange(source_, std::move(next));
        if (StreamRate() != oldRate || StreamChannels() != oldChannels) {
            eq_ = std::make_unique<EqualizerFilter>(StreamRate(), StreamChannels());
            eqVersion_ = ~0u;
            PollControls(false);
            eq_->SnapToTarget();
        }
        if (StreamRate() != oldRate) {
            resampler_.reset();
            if (outRate_ != StreamRate() || speed_ != 1.0) {
                // Not primed: audio at the old rate would read as the new one's.
                resampler_ = std::make_unique<Resampler>(StreamRate(), outRate_, speed_, nullptr, 0);
                if (!resampler_->Valid()) resampler_.reset();
            }
        }
        last_ = carry_.data();
        previousGain_ = std::exchange(gain_, gain);
        volume_->SetTrackGain(gain);
        track_.fetch_add(1, std::memory_order_acq_rel);
        // After the count: whoever sees where the old file ended sees the move-on too.
        previousEnd_.store(previousEnd, std::memory_order_release);
        trackPos_ = 0;
        return true;
    } catch (...) {
        return false;
    }
}

std::unique_ptr<DecodeChain> DecodeChain::Open(const std::string& path,
                                               const DecodeOptions& options) noexcept {
    auto source = OpenSource(path, options);
    if (!source) return nullptr;
    try {
        std::unique_ptr<DecodeChain> chain(new DecodeChain(std::move(source)));
        chain->eq_ =
            std::make_unique<EqualizerFilter>(chain->StreamRate(), chain->StreamChannels());
        chain->volume_ = std::make_unique<Volume>();
        chain->work_.resize(kMaxFrameSamples * 2);
        chain->out_.reserve(1 << 16);
        return chain;
    } catch (...) {
        return nullptr;
    }
}

OpenInfoRecord DecodeChain::Info() const noexcept {
    OpenInfoRecord info;
    info.SampleRate = source_->Rate();
    info.Channels = source_->Channels();
    info.Bitrate = source_->BitrateKbps();
    info.TotalSeconds = source_->TotalSeconds();
    return info;
}

int DecodeChain::StreamRate() const noexcept { return source_->Rate(); }
int DecodeChain::StreamChannels() const noexcept { return source_->Channels(); }
std::int64_t DecodeChain::LengthFrames() const noexcept { return source_->LengthFrames(); }

std::int64_t DecodeChain::Start(const ChainControls& controls, int outputRate,
                                std::int64_t startFrame) noexcept {
    controls_ = &controls;
    outRate_ = outputRate > 0 ? outputRate : StreamRate();
    const std::int64_t at = source_->Seek(startFrame);
    eq_->Reset();
    eqVersion_ = ~0u;
    resampler_.reset();
    last_ = nullptr;
    lastFrames_ = 0;
    PollControls(true);
    if (outRate_ != StreamRate() || speed_ != 1.0) {
        resampler_ = std::make_unique<Resampler>(StreamRate(), outRate_, speed_, nullptr, 0);
        if (!resampler_->Valid()) resampler_.reset();
    }
    trackPos_ = static_cast<double>(at) / StreamRate();
    finished_ = false;
    return at;
}

void DecodeChain::PollControls(bool snap) noexcept {
    EqualizerBands bands{};
    unsigned version = 0;
    if (controls_->ReadEqualizer(bands, version) && version != eqVersion_) {
        eqVersion_ = version;
        eq_->SetTarget(bands);
        if (snap) eq_->SnapToTarget();
    }
    volume_->SetTarget(controls_->volumeLeft.load(std::memory_order_acquire),
                       controls_->volumeRight.load(std::memory_order_acquire));
    if (snap) volume_->SnapToTarget();
    speed_ = std::clamp(controls_->speed.load(std::memory_order_acquire), kSpeedRange.low,
                        kSpeedRange.high) / 100.0;
}

bool DecodeChain::Next(Piece& piece) noexcept {
    if (finished_) return false;
    PollControls(false);
    const double streamRate = StreamRate();

    if (resampler_) {
        resampler_->SetSpeed(speed_, last_, lastFrames_);
    } else if (speed_ != 1.0) {
        // The speed left 1.00 mid-track: the resampler takes over, primed with the block just
        // played so that the join is seamless.
        resampler_ = std::make_unique<Resampler>(StreamRate(), outRate_, speed_, last_, lastFrames_);
        if (!resampler_->Valid()) resampler_.reset();
        trackPos_ = static_cast<double>(Decoded()) / streamRate;
    }

    const float* in = nullptr;
    std::size_t n = source_->Next(in);
    // Never more than the length announced: the length shown and the audio played agree.
    const std::int64_t begin = source_->Position() - static_cast<std::int64_t>(n);
    n = static_cast<std::size_t>(
        std::clamp<std::int64_t>(source_->LengthFrames() - begin, 0, static_cast<std::int64_t>(n)));
    if (n == 0) {
        if (std::unique_ptr<QueuedFile> next{next_.exchange(nullptr, std::memory_order_acq_rel)}) {
            // A converter at the old rate gives its tail before a new one takes over.
            out_.clear();
            const bool rateChanges = next->source->Rate() != StreamRate();
            if (resampler_ && rateChanges) resampler_->Flush(out_);
            const double end = static_cast<double>(Decoded()) / streamRate;
            if (MoveOn(std::move(next->source), next->gain)) {
                if (out_.empty()) return Next(piece);
                piece.samples = out_.data();
                piece.frames = out_.size() / 2;
                piece.track = Track() - 1;
                piece.trackStart = end;
                piece.trackPerFrame = 0;
                piece.last = false;
                return true;
            }
        }
        out_.clear();
        if (resampler_) resampler_->Flush(out_);
        const double end = static_cast<double>(Decoded()) / streamRate;
        piece.samples = out_.data();
        piece.frames = out_.size() / 2;
        piece.trackStart = std::min(trackPos_, end);
        piece.trackPerFrame =
            piece.frames ? (end - piece.trackStart) / static_cast<double>(piece.frames) : 0;
        piece.track = Track();
        piece.last = true;
        finished_ = true;
        return true;
    }

    const int ch = StreamChannels();
    if (work_.size() < n * 2) work_.resize(n * 2); // once, for a larger resampler flush
    const float* stage = in;
    if (eq_->Active()) {
        std::copy(in, in + n * static_cast<std::size_t>(ch), work_.data());
        eq_->Process(work_.data(), n);
        stage = work_.data();
    }
    if (ch != 2 || !volume_->Unity()) {
        if (stage != work_.data()) std::copy(in, in + n * static_cast<std::size_t>(ch), work_.data());
        volume_->Process(work_.data(), ch, n, work_.data());
        stage = work_.data();
    }

    // Valid until the next decode: the history a resampler starting on the next block needs.
    last_ = stage;
    lastFrames_ = n;
    piece.last = false;
    piece.track = Track();
    if (!resampler_) {
        piece.samples = stage;
        piece.frames = n;
        piece.trackStart = static_cast<double>(begin) / streamRate;
        piece.trackPerFrame = 1.0 / streamRate;
        trackPos_ = static_cast<double>(Decoded()) / streamRate;
        return true;
    }
    out_.clear();
    resampler_->Process(stage, n, out_);
    piece.samples = out_.data();
    piece.frames = out_.size() / 2;
    piece.trackPerFrame = speed_ / outRate_;
    piece.trackStart = trackPos_;
    // The output trails the input by the filter's delay; never run ahead of what was decoded.
    trackPos_ = std::min(trackPos_ + static_cast<double>(piece.frames) * piece.trackPerFrame,
                         static_cast<double>(Decoded()) / streamRate);
    return true;
}

} // namespace telbo::engine
