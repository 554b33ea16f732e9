#pragma once
// Writing the player's record, and named fields beside it, into a file's tags: ID3 and APE in
// MP3 files, Xiph comments in FLAC, Ogg Vorbis and Opus files, ID3v2 and RIFF INFO in WAV,
// ID3v2 in AIFF. Every write is verified on a copy that replaces the file whole.

#include "decoder/Records.h"

#include <string>
#include <utility>
#include <vector>

namespace telbo::tags {

// Writes the fields of the record that differ from what the file shows: into the ID3v2 tag
// (its version kept; a new one is ID3v2.4), into the APE and ID3v1 tags where the file has
// them (ID3v1 keeps the old value of a field it cannot hold in Latin-1). Every other frame,
// tag and byte of audio stays as it was. Blanks and NULs padding the fields are dropped.
// The genre is GenreName when it names GenreNumber (0..147) in any case, else the list's
// name for GenreNumber; -1 removes it, other numbers write GenreName. A year is one to four
// digits, written zero-padded to four.
// FLAC, Ogg Vorbis, Opus, WAV and AIFF files (known by their content) get the fields, genres
// as text, on a copy whose audio is then compared with the original's byte for byte: Xiph
// comments entry by entry (every other entry kept byte for byte, a date keeping its month and
// day; a FLAC comment block whose entries run past its declared length is refused), an ID3v2
// tag in front of a FLAC stream frame by frame, WAV and AIFF tags through TagLib. RF64 files
// are refused. Of the rest, only files whose content is an MP3 stream are written. The file
// is replaced whole or not at all: the new file is written as an anonymous copy in the same
// folder (files/ReplacementFile), read back and checked (the fields, and the bytes between the tags byte
// for byte), then renamed over the original with its permissions. Files without any write
// permission bit are refused, even for the superuser.
TagWriteResult WriteTags(const std::string& path, const TagRecord& tag) noexcept;

// Sets named text fields beside the record (ReplayGain's values): TXXX frames in the ID3v2
// tag of MP3 (a new ID3v2.4 tag when it has none), WAV and AIFF files, fields of the Xiph
// comment in FLAC, Ogg Vorbis and Opus files. `fields` holds (name, text) pairs; a field of
// that name, in any case, is replaced. Everything else stays: in MP3 files every other frame,
// the APE and ID3v1 tags and the audio byte for byte; in the other formats the audio byte for
// byte and the other fields (TagLib renders their tag anew). The same verified copy as
// WriteTags: written beside the file, read back (each field as meant, the audio unchanged),
// renamed over it; the file is replaced whole or not at all.
TagWriteResult WriteFields(const std::string& path,
                           const std::vector<std::pair<std::string, std::string>>& fields) noexcept;

} // namespace telbo::tags
