#pragma once
// ID3 tags through TagLib, in the player's fixed-width record.

#include "playback/Decoder.h"

#include <string>

namespace telbo::engine {

// Reads ID3v2 (preferred, field by field) or ID3v1. GenreNumber is the ID3v1 number of the
// genre (0..147), 255 for a genre outside that list, -1 when there is none. On failure the
// record is left zero-filled and false returned.
bool ReadTags(const std::string& path, TagRecord& tag) noexcept;

// Writes the record: into the ID3v2 tag always (a v2.3 tag stays v2.3, a new one is v2.4) and
// into the ID3v1 tag only if the file has one (fields it cannot hold in Latin-1 keep their old
// value); other tags such as APE are kept. Blanks and NULs padding the fields are dropped.
// GenreNumber 0..147 names the genre, -1 removes it, others use GenreName.
// The file is replaced whole or not at all: the new file is written as a copy in the same
// folder, read back and checked, then renamed over the original with its permissions. Files
// without any write permission bit are refused, even for the superuser. False when nothing
// was written.
bool WriteTags(const std::string& path, const TagRecord& tag) noexcept;

// The ID3v1 name of `number` (0..147), "" for others.
std::string GenreName(int number);

} // namespace telbo::engine
