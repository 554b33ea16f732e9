#pragma once
// Names shown for paths and the kind of file a path names. Both "\" and "/" separate folders:
// stored lists may come from Windows machines.

#include <QString>

namespace telbo {

// The name a list row shows: the last path component up to (not including) its first ".".
// "01. Intro.mp3" -> "01"; "C:\Music\song.live.mp3" -> "song". A name without "." is whole.
// The empty path gives "" (the list box then shows an empty row). The scan looks for at most
// 256 separators; a path with more than 255 gives "".
QString DisplayName(const QString& path);

// The last path component, extension included. Same bounded scan as DisplayName; a path
// ending in a separator gives "".
QString FileNameOf(const QString& path);

enum class PathKind { Track, ListFile, Other };

// Case-insensitive: ".mp3" anywhere -> Track, else ".m3u" anywhere -> ListFile, else Other.
// The test is deliberately loose ("D:\a.mp3 old\x.m3u" is a Track).
PathKind ClassifyPath(const QString& path);

} // namespace telbo
