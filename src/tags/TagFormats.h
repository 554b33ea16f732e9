#pragma once
// Tags of the formats beside MP3, through TagLib's own file classes: Xiph comments in FLAC,
// Ogg Vorbis and Opus files, ID3v2 and RIFF INFO in WAV files, ID3v2 in AIFF files. And where
// each format keeps its audio, so that a write can prove it left the audio alone.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace telbo::tags {

struct FileProbe;

enum class TagFormat { None, Flac, OggVorbis, OggOpus, Wav, Aiff };

// By the file's first bytes (past ID3v2 tags for FLAC); None for MP3 and for anything else.
TagFormat TagFormatOf(const FileProbe& probe) noexcept;
TagFormat TagFormatOf(int fd) noexcept;
// "FLAC", "Ogg Vorbis", ... for messages.
const char* TagFormatName(TagFormat format) noexcept;

// Title, artist, album, year, genre, comment: the order of the record's fields (RecordTexts).
using TagTexts = std::array<std::string, 6>;

// The file's fields (the year as its number's text, "" for none). False when TagLib cannot
// read the file as `format`.
bool ReadFormatTags(int fd, TagFormat format, TagTexts& out);

// Writes into `out` (open read-write) the file `in` with the fields marked in `change` set to
// `wanted`. FLAC files are written whole from `in`: their comment block entry by entry, an
// ID3v2 tag in front frame by frame in its version. The other formats are edited by TagLib in
// `out`, which must already hold a copy of `in`; Ogg comments entry by entry. False when the
// file cannot be read or written; `problem` then names a damage found, else stays empty.
bool WriteFormatTags(int in, int out, TagFormat format, const TagTexts& wanted,
                     const std::array<bool, 6>& change, std::string& problem);

// The byte ranges that hold the audio (and its format description): everything but the
// tags. Their contents stay the same across a tag write. Nothing when the file's structure
// is damaged.
struct ByteRange {
    std::uint64_t offset = 0, size = 0;
};
std::optional<std::vector<ByteRange>> AudioRanges(int fd, TagFormat format);

// Whether the concatenated ranges of `a` and of `b` hold the same bytes.
bool SameBytes(int a, const std::vector<ByteRange>& ra, int b, const std::vector<ByteRange>& rb);

} // namespace telbo::tags
