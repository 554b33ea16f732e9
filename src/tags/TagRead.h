#pragma once
// Reading the player's record from a file's tags through TagLib: ID3 and APE in MP3 files, Xiph
// comments in FLAC, Ogg Vorbis and Opus files, ID3v2 and RIFF INFO in WAV, ID3v2 in AIFF.

#include "decoder/Records.h"

#include <string>

namespace telbo::tags {

// Reads ID3v2 (preferred), then APE, then ID3v1, field by field (in WAV files ID3v2, then
// RIFF INFO); the comment is the one without a description. GenreName is the file's text,
// GenreNumber the ID3v1 number (0..147) of the genre it names in any case, 255 for a genre
// outside that list, -1 when there is none.
// Bounded work on any file: the ID3v2 tag is read only in front of an MP3 stream found in the
// first few MiB. On failure the record is left zero-filled and false returned.
bool ReadTags(const std::string& path, TagRecord& tag) noexcept;

// The ID3v1 name of `number` (0..147), "" for others.
std::string GenreName(int number);

} // namespace telbo::tags
