#include "core/SlotList.h"

#include <algorithm>
#include <utility>

namespace telbo {

int SlotList::Count() const { return std::clamp<int>(count_, 0, kSlots); }

void SlotList::Clear() {
    Replace({});
    point_ = 0;
}

void SlotList::Replace(const QStringList& paths) {
    for (QString& s : files_) s.clear();
    count_ = 0;
    Append(paths);
}

int SlotList::Append(const QStringList& paths) {
    int next = Count();
    int added = 0;
    for (const QString& path : paths) {
        if (next >= kSlots) break;
        files_[static_cast<std::size_t>(next++)] = path;
        ++added;
    }
    count_ = static_cast<std::int16_t>(next);
    return added;
}

bool SlotList::Remove(int row) {
    const int n = Count();
    if (row < 0 || row >= n) return false;
    const auto at = [this](int i) -> QString& { return files_[static_cast<std::size_t>(i)]; };
    for (int i = row; i < n - 1; ++i) at(i) = std::move(at(i + 1));
    at(n - 1).clear();
    count_ = static_cast<std::int16_t>(n - 1);
    const bool current = row == point_;
    if (row <= point_) --point_;
    return current;
}

bool SlotList::Swap(int row, int other) {
    const int n = Count();
    if (row < 0 || other < 0 || row >= n || other >= n) return false;
    std::swap(files_[static_cast<std::size_t>(row)], files_[static_cast<std::size_t>(other)]);
    if (point_ == row) {
        point_ = static_cast<std::int16_t>(other);
    } else if (point_ == other) {
        point_ = static_cast<std::int16_t>(row);
    }
    return true;
}

} // namespace telbo
