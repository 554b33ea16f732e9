#pragma once
// Named text fields beside the player's record: ID3v2 TXXX frames (MP3, WAV, AIFF) and Xiph
// comment fields (FLAC, Ogg Vorbis, Opus), as ReplayGain's values are stored. The pieces a
// verified tag write (TagWrite's WriteFields) edits and checks the copy with.

#include "tags/TagFormats.h"

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace telbo::tags {

class Id3v2Frames;
struct FileProbe;

// Field name (a TXXX description or a Xiph field name; matched in any case) and its text.
using TagFields = std::vector<std::pair<std::string, std::string>>;

// The text of field `name` in the open file `fd` of `format`; for MP3 (TagFormat::None) in
// the ID3v2 tag `layout` finds. Nothing when the file has no such field.
std::optional<std::string> ReadUserField(int fd, TagFormat format, const FileProbe* layout,
                                         const std::string& name);

// Replaces the TXXX frames named like each field (in any case) by one with the field's text,
// where the first of them was, or at the end; every other frame stays as it was.
void SetUserTextFrames(Id3v2Frames& tag, const TagFields& fields);

// Sets the fields in the file of `format` (not MP3) open read-write as `fd`, through TagLib,
// and saves it; the other tags of the file and their versions are kept. False when TagLib
// cannot read or save it.
bool WriteUserFields(int fd, TagFormat format, const TagFields& fields);

} // namespace telbo::tags
