#pragma once
// One of the player's two 101-slot collections, edited in place: the tracks (TitleFiles, KO,
// PlayPoint) or the list files (ListFiles, ListKO, ListPoint). The fields stay in PlayerState,
// where the settings file fills and saves them; every edit goes through here, so the used slots
// stay packed from slot 0, the slots past the count stay empty, and the current index stays on
// its entry.

#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>

namespace telbo {

inline constexpr int kSlots = 101; // slots 0..100 of each collection

class SlotList {
public:
    SlotList(std::array<QString, kSlots>& files, std::int16_t& count, std::int16_t& point)
        : files_(files), count_(count), point_(point) {}

    // The count brought into 0..101: a damaged settings file must not make us index past the
    // slots.
    int Count() const;
    // Every slot empty; the count and the current index 0.
    void Clear();
    // The collection becomes `paths`, as many as fit. The current index is left to the caller:
    // it names a row of the new contents, which only the caller can choose.
    void Replace(const QStringList& paths);
    // Appends `paths` from slot Count() onward, never past the last slot; what does not fit is
    // left out. Returns how many were added.
    int Append(const QStringList& paths);
    // Removes a used row and closes the gap. The current index follows its entry; when its
    // own row goes, it moves to the row before, so that stepping on reaches the entry that
    // took its place. Returns whether the current entry was the one removed.
    bool Remove(int row);
    // Swaps two used rows; the current index goes with its entry. False when either row is
    // not in use (nothing changes).
    bool Swap(int row, int other);

private:
    std::array<QString, kSlots>& files_;
    std::int16_t& count_;
    std::int16_t& point_;
};

} // namespace telbo
