// List files come from anywhere: reading must never crash, and what was read must survive
// being written and read again.
#include "core/SlotList.h"
#include "playlist/ListFileFormat.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const QString folder = QStringLiteral("/lists");
    const QStringList entries = telbo::ParseListFile(bytes, folder);
    for (const QString& e : entries) {
        if (e.isEmpty() || e.contains(u'\r') || e.contains(u'\n')) std::abort();
    }
    if (telbo::ParseListFile(telbo::WriteListFile(entries), folder) != entries) std::abort();

    std::array<QString, telbo::kSlots> cells{};
    std::int16_t count = static_cast<std::int16_t>(size % 120);
    std::int16_t point = 0;
    const int added = telbo::SlotList(cells, count, point).Append(entries);
    if (added < 0 || count > telbo::kSlots || added > entries.size()) std::abort();
    return 0;
}
