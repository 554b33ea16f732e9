// The ring between the decode thread and the sink: how much the producer may queue.

#include "engine/BlockRing.h"
#include "engine/Playhead.h"

#include <gtest/gtest.h>

#include <vector>

using telbo::engine::AudioBlock;
using telbo::engine::BlockRing;
using telbo::engine::Playhead;

namespace {

// Slots the producer gets before the ring says "enough", nothing being consumed.
std::size_t Writable(BlockRing& ring, std::size_t limit) {
    std::size_t n = 0;
    while (n < 1000 && ring.WriteSlot(limit)) {
        ring.Commit();
        ++n;
    }
    return n;
}

TEST(BlockRingTest, TheProducerStopsAtTheLimitOrTheCapacity) {
    struct Case {
        std::size_t capacity, limit, writable;
    } cases[] = {{16, SIZE_MAX, 16}, {96, 16, 16}, {96, 87, 87}, {96, 500, 96}, {8, 0, 0}};
    for (const Case& c : cases) {
        BlockRing ring(c.capacity);
        EXPECT_EQ(Writable(ring, c.limit), c.writable) << c.capacity << " " << c.limit;
    }
}

// A sink that takes a quarter second at a time finds all of it waiting when the producer
// keeps a second ahead: no silence is mixed in and the heard time moves by the whole slice.
TEST(BlockRingTest, ALargeSliceIsTakenWholeFromALongRing) {
    Playhead playhead(96);
    const std::uint32_t epoch = playhead.NewEpoch(0);
    const std::size_t ahead = 87; // a second at 44.1 kHz
    std::size_t queued = 0;
    while (AudioBlock* b = playhead.Ring().WriteSlot(ahead)) {
        b->epoch = epoch;
        b->rate = 44100;
        b->frames = AudioBlock::kFrames;
        b->trackStart = static_cast<double>(queued * AudioBlock::kFrames) / 44100;
        b->trackPerFrame = 1.0 / 44100;
        b->samples.fill(0.5f);
        playhead.Ring().Commit();
        ++queued;
    }
    ASSERT_EQ(queued, ahead);
    playhead.SetConsumer(&playhead);
    std::vector<float> out(11025 * 2, 0.0f);
    EXPECT_EQ(playhead.Render(&playhead, out.data(), 11025, 2), 44100u);
    EXPECT_EQ(out.back(), 0.5f);
    EXPECT_NEAR(playhead.ReadHeard().seconds, 0.25, 1e-9);
}

} // namespace
