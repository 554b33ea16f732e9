#pragma once
// Turning what the user picked (file dialog, command line, drag and drop) into paths.

#include <QList>
#include <QString>
#include <QStringList>
#include <QUrl>

namespace telbo {

inline constexpr int kMaxSelection = 101; // one collection's worth of slots

// A multi-select dialog result: "folder" NUL "name1" NUL "name2" ... gives folder + separator
// + each name. Without a NUL the text is the single path. The separator is "\" for a Windows
// folder ("C:\Music", "\\server\share"; IsWindowsPath), else "/" ("\" is a file-name
// character on Linux). A folder already ending in "/" gets no second one; a Windows folder
// always gets its "\" ("C:\" -> "C:\\a.mp3", which Windows reads fine).
// More than 101 names gives an empty list: nothing is added rather than an arbitrary part.
QStringList SplitSelection(const QString& name);

// The argument vector of this program: one path per argument, relative ones joined to
// `workingDir`. More than 101 arguments gives an empty list. An empty argument stays empty.
QStringList LimitArguments(const QStringList& args, const QString& workingDir);

// Local files of a drop, in order; other URLs are skipped.
QStringList DroppedLocalPaths(const QList<QUrl>& urls);

} // namespace telbo
