#pragma once
// The cover picture stored in a track's tags, for the desktop's media controls and the tag
// view. Reads tags only; no Qt.

#include "decoder/Records.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace telbo::tags {

// Pictures larger than this are not taken: a cover is a few hundred KiB at most.
inline constexpr std::size_t kMaxCoverBytes = 16u << 20;

// "image/jpeg", "image/png", "image/webp" or "image/gif" by the first bytes; "" for anything
// else (a damaged or cut picture, a URL stored as a "picture").
std::string ImageMime(std::string_view bytes) noexcept;

// The embedded cover of the file at `path`, whatever its format (found by content): ID3v2
// APIC front cover, else its first other picture that is an image (MP3, WAV, AIFF); FLAC
// picture blocks, front cover first; Ogg Vorbis/Opus METADATA_BLOCK_PICTURE entries, then
// the older COVERART entries (a bare base64 image). Nothing when there is none, or only
// oversize or damaged ones.
std::optional<CoverPicture> ReadCoverArt(const std::string& path);

} // namespace telbo::tags
