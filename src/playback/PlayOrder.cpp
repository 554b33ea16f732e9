#include "playback/PlayOrder.h"

#include "playback/RandomIndex.h"
#include "playback/Transport.h"
#include "ui/Telbo.h"

#include <algorithm>

namespace telbo {

namespace {

void ClearShuffle(PlayerState& st) {
    st.ShuffleDone.fill(false);
    st.ShuffleCount = 0;
}

// Whether some index below KO is still unplayed in this cycle. Marks stay by index when the
// track list changes, so a shorter list can have every index marked before the count says so.
bool HasUnplayedTrack(const PlayerState& st) {
    const int n = std::min<int>(st.KO, kSlots);
    for (int i = 0; i < n; ++i)
        if (!st.ShuffleDone[static_cast<std::size_t>(i)]) return true;
    return false;
}

} // namespace

PlayOrder::PlayOrder(Telbo& w) : w(w), random_(std::make_unique<StdRandomSource>()) {}
PlayOrder::~PlayOrder() = default;

void PlayOrder::Next() {
    PlayerState& st = w.st;
    switch (st.PlayTypeFlag) {
    case PlayMode::Normal:
    case PlayMode::Repert:
        if (st.PlayPoint + 1 < st.KO) {
            ++st.PlayPoint;
            w.transport.lblPlaySet_Click(Transport::Play);
        } else if (st.PlayPoint + 1 == st.KO) {
            st.PlayPoint = 0;
            EndOfList();
        }
        break;
    case PlayMode::Shuffle:
        // Fresh draws until an unplayed index comes up. The cycle is complete when the count
        // says so, or when the list changed under it and no unplayed index is left.
        for (;;) {
            if (st.ShuffleCount == st.KO || !HasUnplayedTrack(st)) {
                ClearShuffle(st);
                EndOfList();
                return;
            }
            st.PlayPoint = static_cast<std::int16_t>(Random(st.KO));
            bool& done = st.ShuffleDone[static_cast<std::size_t>(st.PlayPoint)];
            if (!done) {
                done = true;
                ++st.ShuffleCount;
                w.transport.lblPlaySet_Click(Transport::Play);
                return;
            }
        }
    case PlayMode::Random:
        if (st.KO >= 1) {
            st.PlayPoint = static_cast<std::int16_t>(Random(st.KO));
            w.transport.lblPlaySet_Click(Transport::Play);
        }
        break;
    case PlayMode::RandomAllList:
        if (st.ListKO > 0) LoadList(Random(st.ListKO));
        if (st.KO >= 1) {
            st.PlayPoint = static_cast<std::int16_t>(Random(st.KO));
            w.transport.lblPlaySet_Click(Transport::Play);
        }
        break;
    }
}

int PlayOrder::Following() {
    PlayerState& st = w.st;
    if (st.KO < 1 || st.PlayPoint < 0 || st.PlayPoint >= st.KO) return -1;
    switch (st.PlayTypeFlag) {
    case PlayMode::Normal:
        if (st.PlayPoint + 1 < st.KO) return st.PlayPoint + 1;
        return st.NextTypeFlag == ListEndAction::Repert ? 0 : -1;
    case PlayMode::Repert:
        return st.PlayPoint;
    case PlayMode::Shuffle:
        // At the end of the cycle the marks are cleared and the end-of-list action runs.
        if (st.ShuffleCount == st.KO || !HasUnplayedTrack(st)) return -1;
        for (;;) {
            const int i = Random(st.KO);
            if (!st.ShuffleDone[static_cast<std::size_t>(i)]) return i;
        }
    case PlayMode::Random:
        return Random(st.KO);
    case PlayMode::RandomAllList:
        // Its draw of a list reloads even the current one.
        return st.ListKO > 0 ? -1 : Random(st.KO);
    }
    return -1;
}

void PlayOrder::Started(int index) {
    PlayerState& st = w.st;
    if (st.PlayTypeFlag == PlayMode::Shuffle) {
        bool& done = st.ShuffleDone[static_cast<std::size_t>(index)];
        if (!done) {
            done = true;
            ++st.ShuffleCount;
        }
    }
}

void PlayOrder::EndOfList() {
    switch (w.st.NextTypeFlag) {
    case ListEndAction::Stop:
        w.transport.lblPlaySet_Click(Transport::Stop);
        break;
    case ListEndAction::Repert:
        w.transport.lblPlaySet_Click(Transport::Play);
        break;
    case ListEndAction::NextList:
        StepToNextList();
        w.transport.lblPlaySet_Click(Transport::Play);
        break;
    case ListEndAction::RandomList:
        PickRandomList();
        w.transport.lblPlaySet_Click(Transport::Play);
        break;
    }
}

void PlayOrder::StepToNextList() {
    PlayerState& st = w.st;
    if (st.ListKO <= 0) return;
    // ListPoint is -1 when the current list's row 0 was removed, and a damaged one may lie
    // past the end: wrap from there too instead of reading an unused slot. A list that cannot
    // be read is passed over; when none can, everything stays as it was.
    int next = st.ListPoint;
    for (int tries = 0; tries < st.ListKO; ++tries) {
        ++next;
        if (next >= st.ListKO || next < 0) next = 0;
        if (LoadList(next)) return;
    }
}

void PlayOrder::PickRandomList() {
    PlayerState& st = w.st;
    if (st.ListKO <= 0) return;
    LoadList(Random(st.ListKO));
}

bool PlayOrder::LoadList(int index) {
    PlayerState& st = w.st;
    // A missing or unreadable list keeps the tracks (and the list they came from).
    if (!w.listFiles.ReplaceTracks(st.ListFiles[static_cast<std::size_t>(index)])) return false;
    st.ListPoint = static_cast<std::int16_t>(index);
    // The refresh may remove missing tracks of the new list; the index chosen for the new
    // list stays what the caller chose, not a row of the old list moved along.
    const std::int16_t point = st.PlayPoint;
    w.collections.RefreshLists();
    st.PlayPoint = point;
    w.transport.ForgetRemovedTrack();
    w.collections.ShowCounts();
    return true;
}

int PlayOrder::Random(int n) {
    return RandomIndex(n, random_->Next());
}

void PlayOrder::setRandomSource(std::unique_ptr<RandomSource> source) {
    random_ = source ? std::move(source) : std::make_unique<StdRandomSource>();
}

} // namespace telbo
