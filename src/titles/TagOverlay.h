#pragma once
// Which fields of the tag editor the user changed, and what a write to many tracks then holds.

#include "decoder/Records.h"

#include <bitset>
#include <cstddef>

namespace telbo {

// The editor's six boxes, in the order the editor shows them.
enum class TagField : std::size_t { Title, Artist, Album, Year, Genre, Comment };
inline constexpr std::size_t kTagFieldCount = 6;
using TagFields = std::bitset<kTagFieldCount>;

inline void Mark(TagFields& fields, TagField f) {
    fields.set(static_cast<std::size_t>(f));
}
inline bool Has(const TagFields& fields, TagField f) {
    return fields.test(static_cast<std::size_t>(f));
}

// The record to write to a track whose own tag is `file`: the `changed` fields from `editor`,
// every other field as the file holds it. The genre's number and name go together.
TagRecord OverlayTag(const TagFields& changed, const TagRecord& file, const TagRecord& editor);

} // namespace telbo
