#pragma once
// The seam between the player and what reads and writes the tags of its tracks. The tags
// library implements it; tests put a fake in its place.

#include "decoder/Records.h"

#include <optional>
#include <string>

namespace telbo {

// Threads: called from the player's user-interface thread; each call reads or writes one file
// and returns within a fraction of a second on any file. No call throws.
class TagStore {
public:
    virtual ~TagStore() = default;

    // Reads the tag of `path` into `tag`; false, and the record zero-filled, when the file or
    // its tag cannot be read.
    virtual bool Read(const std::string& path, TagRecord& tag) = 0;
    // Writes `tag` into the file's tag. The file is replaced whole or not at all. The result
    // says whether the file now holds the record and, for the user, what could not be stored
    // ("not an MP3 file", "year not stored"; "" when the whole record was).
    virtual TagWriteResult Write(const std::string& path, const TagRecord& tag) = 0;
    // Fills tag.GenreName with the name of tag.GenreNumber (0..147); empty for others.
    virtual void FillGenreName(TagRecord& tag) = 0;
    // The cover picture stored in the file at `path` (an ID3v2 front cover before any other
    // picture, a FLAC picture block, an Ogg comment's picture), checked to be an image by its
    // first bytes; nothing when it has none, or only an oversize or damaged one. Reads the
    // file's tags only, on the calling thread. A store without pictures keeps this default.
    virtual std::optional<CoverPicture> ReadCoverArt(const std::string& path) {
        (void)path;
        return std::nullopt;
    }
};

} // namespace telbo
