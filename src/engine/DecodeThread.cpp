// The decode thread: fills the ring from the chain while a track plays, sleeping while the
// ring is full or playback is paused.

#include "engine/EngineImpl.h"

#include <cmath>

namespace telbo {

using namespace engine;
using Clock = std::chrono::steady_clock;

namespace {
constexpr auto kStaleRetry = std::chrono::milliseconds(10);
} // namespace

void Engine::Impl::StopDecoding() noexcept {
    if (!decoder.joinable()) return;
    {
        std::lock_guard lock(decodeMutex);
        decodeStop = true;
    }
    decodeWake.notify_all();
    decoder.join();
}

void Engine::Impl::AudioTaken() noexcept {
    if (playhead.Ring().Waiting() > refillAt.load(std::memory_order_acquire)) return;
    {
        std::lock_guard lock(decodeMutex);
        decodeKick = true;
    }
    decodeWake.notify_all();
}

void Engine::Impl::StartDecoding(std::int64_t frame) {
    StopDecoding();
    const std::int64_t at = chain->Start(controls, sink->Rate(), frame);
    const std::uint32_t epoch =
        playhead.NewEpoch(static_cast<double>(at) / chain->StreamRate(), chain->Track());
    decodeStop = false;
    decoder = std::thread([this, epoch, rate = chain->OutputRate(), speed = sink->Speedup()] {
        DecodeLoop(epoch, rate, speed);
    });
}

void Engine::Impl::DecodeLoop(std::uint32_t epoch, int rate, double sinkSpeed) noexcept {
    BlockRing& ring = playhead.Ring();
    DecodeChain::Piece piece;
    piece.track = chain->Track();
    double decodedTo = 0; // track seconds of the last frame in the ring
    // How many blocks to keep waiting: the sink's wish, in blocks of this rate.
    auto ahead = [&] {
        const double seconds = sinkAhead.load(std::memory_order_acquire);
        const auto wanted =
            static_cast<std::size_t>(std::ceil(seconds * rate / AudioBlock::kFrames));
        // The end of a file with nothing queued behind it: the player queues the next one
        // when it hears this one near its end, so decoding far ahead would reach the end
        // first and lose the join. The short default there, as before (short files too).
        if (wanted > kShortAheadBlocks && !chain->HasQueued() && chain->StreamRate() > 0) {
            const double left =
                static_cast<double>(chain->LengthFrames()) / chain->StreamRate() - decodedTo;
            const double speed = controls.speed.load(std::memory_order_relaxed) / 100.0;
            if (left / std::max(speed, 0.2) < 2 * seconds) return kShortAheadBlocks;
        }
        return std::clamp(wanted, kShortAheadBlocks, ring.Capacity());
    };
    std::size_t used = 0;
    bool have = false;
    bool finished = false;
    std::size_t blocks = 0; // written in this epoch
    while (!finished) {
        const std::size_t limit = ahead();
        AudioBlock* slot = ring.WriteSlot(limit);
        if (!slot) {
            // Full: sleep until about half of it is played, then refill in one batch: few
            // wake-ups, and the sink still has the other half when the refill starts. A sink
            // that says when it has taken audio wakes us at that mark; the timer, at the
            // whole ring's time, only stands in should it not.
            const bool told = sinkWakesDecoder.load(std::memory_order_acquire);
            const double seconds = static_cast<double>(limit * AudioBlock::kFrames) /
                                   (told ? 1.25 : 2.0) / rate / sinkSpeed;
            const auto wait = std::chrono::duration_cast<Clock::duration>(
                std::chrono::duration<double>(std::max(0.0005, seconds)));
            // Half, and the block the sink is partway through.
            const std::size_t mark = limit / 2 + 1;
            refillAt.store(mark, std::memory_order_release);
            // Paused, nothing is taken: sleep until the player resumes (it wakes us), without
            // a timer, so that a paused player does not wake at all.
            std::unique_lock lock(decodeMutex);
            decodeKick = false;
            if (playhead.Paused()) {
                decodeWake.wait(lock, [&] { return decodeStop.load() || !playhead.Paused(); });
            } else {
                // Fewer blocks of this epoch than the ring holds: the rest are an old epoch's,
                // which the sink drops at its next look, so look again soon.
                const bool stale = blocks < limit;
                decodeWake.wait_for(lock, stale ? kStaleRetry : wait, [&] {
                    return decodeStop.load() || decodeKick ||
                           (told && ring.Waiting() <= mark);
                });
            }
            if (decodeStop.load()) return;
            continue;
        }
        if (decodeStop.load(std::memory_order_acquire)) return;
        slot->epoch = epoch;
        slot->rate = static_cast<std::uint32_t>(rate);
        slot->frames = 0;
        slot->last = false;
        slot->track = piece.track;
        double end = 0;
        while (slot->frames < AudioBlock::kFrames) {
            if (!have || used == piece.frames) {
                if (!chain->Next(piece)) {
                    slot->last = true; // cannot happen: the last piece says so itself
                    finished = true;
                    break;
                }
                have = true;
                used = 0;
            }
            // The next file starts in a block of its own: what is heard tells the tracks apart.
            if (slot->frames > 0 && piece.track != slot->track) break;
            if (slot->frames == 0) {
                slot->track = piece.track;
                slot->trackStart = piece.trackStart + static_cast<double>(used) * piece.trackPerFrame;
                end = slot->trackStart;
            }
            const std::size_t n =
                std::min(AudioBlock::kFrames - slot->frames, piece.frames - used);
            std::copy(piece.samples + used * 2, piece.samples + (used + n) * 2,
                      slot->samples.data() + slot->frames * 2);
            used += n;
            slot->frames += static_cast<std::uint32_t>(n);
            end = piece.trackStart + static_cast<double>(used) * piece.trackPerFrame;
            if (used == piece.frames && piece.last) {
                slot->last = true;
                finished = true;
                break;
            }
        }
        slot->trackPerFrame = slot->frames ? (end - slot->trackStart) / slot->frames : 0;
        decodedTo = end;
        ring.Commit();
        ++blocks;
    }
}

} // namespace telbo
