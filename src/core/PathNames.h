#pragma once
// Names shown for paths and the kind of file a path names. On Linux "/" alone separates
// folders and "\" is an ordinary file-name character ("AC\DC - T.mp3"). A path written on
// Windows ("C:\Music\a.mp3", "\\server\share\a.mp3"), as old lists and settings hold them,
// is split at both "\" and "/".

#include <QString>
#include <QStringList>

namespace telbo {

// The name a list row shows: the last path component without its final extension.
// "01. Intro.mp3" -> "01. Intro"; "C:\Music\song.live.mp3" -> "song.live". A name without
// "." is whole; a name whose only "." leads it (".hidden") is whole too. The empty path
// gives "" (the list box then shows an empty row). The scan looks for at most 256
// separators; a path with more than 255 gives "".
QString DisplayName(const QString& path);

// The last path component, extension included. Same bounded scan as DisplayName; a path
// ending in a separator gives "".
QString FileNameOf(const QString& path);

// A path as Windows writes it: a drive ("C:\", "c:/") or a network share ("\\server").
bool IsWindowsPath(const QString& path);

enum class PathKind { Track, ListFile, Other };

// The extensions of the tracks the player plays, lower case without the dot ("mp3", "flac",
// ...): the one list the dialog, drops, the command line, folders and list files go by.
const QStringList& TrackExtensions();
// "*.mp3", "*.flac", ...: TrackExtensions as file-name patterns.
QStringList TrackPatterns();

// By the final extension, case-insensitive: one of TrackExtensions -> Track, ".m3u" or
// ".m3u8" -> ListFile, anything else Other ("Best.mp3 rips/list.m3u" is a list file).
PathKind ClassifyPath(const QString& path);

// A list file whose text is always UTF-8 (".m3u8"), whatever its bytes look like.
bool IsUtf8ListFile(const QString& path);

} // namespace telbo
