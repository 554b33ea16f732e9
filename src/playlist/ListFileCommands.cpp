#include "playlist/ListFileCommands.h"

#include "decoder/AudioEngine.h"
#include "core/AtomicFile.h"
#include "platform/Platform.h"
#include "playlist/ListFileFormat.h"
#include "core/PathNames.h"
#include "playlist/Selection.h"
#include "ui/Telbo.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

namespace telbo {

namespace {

const QString kListFilter = QStringLiteral("Lists|*.m3u;*.m3u8");

QString TrackAndListFilter() {
    return QStringLiteral("Audio files|") + TrackPatterns().join(u';') +
           QStringLiteral(";*.m3u;*.m3u8");
}

// Far more than 101 entries with their comment lines ever need; a bigger file is read only
// this far, so a huge or endless file cannot take long.
constexpr qint64 kMaxListBytes = 16 * 1024 * 1024;
// Read in pieces: reading stops once the collection is full, and memory stays small.
constexpr qint64 kReadPiece = 64 * 1024;
// Far above the longest path Linux opens (4096 bytes): a longer line names no file.
constexpr qsizetype kMaxEntryBytes = 16 * 1024;

} // namespace

std::optional<QStringList> ListFileCommands::ReadEntries(const QString& path, int maxEntries) {
    const QFileInfo info(path);
    // A folder or a device (a FIFO would block, /dev/zero never ends) is no list file.
    if (!info.isFile()) return std::nullopt;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
    ListFileParser parser(info.absolutePath(),
                          IsUtf8ListFile(path) ? ListTextEncoding::Utf8 : ListTextEncoding::Detect,
                          std::max(maxEntries, 0), kMaxEntryBytes);
    QByteArray piece(kReadPiece, Qt::Uninitialized);
    qint64 total = 0;
    bool more = maxEntries > 0;
    bool cut = false;
    while (more) {
        if (total >= kMaxListBytes) {
            cut = !file.atEnd();
            break;
        }
        const qint64 n = file.read(piece.data(), std::min(kReadPiece, kMaxListBytes - total));
        if (n < 0) return std::nullopt;
        if (n == 0) break;
        total += n;
        more = parser.Feed(QByteArrayView(piece.constData(), n));
    }
    QStringList paths;
    for (ListEntry& e : cut ? parser.FinishCut() : parser.Finish()) {
        // A list written on Windows names "Album\a.mp3": when the file is not there as
        // written, "\" is read as the folder separator it was meant to be.
        const bool legacy = !e.legacyPath.isEmpty() && !w.platform.fileExists(e.path);
        paths.append(legacy ? e.legacyPath : e.path);
    }
    return paths;
}

bool ListFileCommands::ReadListFile(const QString& path, bool* leftOut) {
    const int room = kSlots - w.st.Titles().Count();
    // One entry more than fits tells whether any were left out.
    const std::optional<QStringList> entries = ReadEntries(path, room + 1);
    if (!entries) return false;
    if (leftOut && entries->size() > room) *leftOut = true;
    w.st.Titles().Append(*entries);
    return true;
}

bool ListFileCommands::ReplaceTracks(const QString& path) {
    const std::optional<QStringList> entries = ReadEntries(path, kSlots);
    if (!entries) return false;
    w.st.Titles().Replace(*entries);
    w.transport.ForgetRemovedTrack();
    return true;
}

QString ListFileCommands::ShowFileDialog(FileDialogMode mode) {
    FileDialogRequest request;
    request.save = mode == FileDialogMode::SaveList;
    request.filter =
        mode == FileDialogMode::OpenTracksAndLists ? TrackAndListFilter() : kListFilter;
    request.presetName = request.save ? QStringLiteral("Telbo.m3u") : QString();
    request.multiSelect = !request.save;
    request.confirmOverwrite = request.save;
    request.folderToo = mode == FileDialogMode::OpenTracksAndLists;
    // After a multiple selection LastDir holds the folder, a NUL and the names; the folder
    // is where the next dialog should open.
    request.startDir = w.st.LastDir.section(QChar(u'\0'), 0, 0);

    QStringList chosen = w.platform.runFileDialog(&w, request);
    if (chosen.isEmpty()) return QStringLiteral("0");
    if (request.folderToo && chosen.size() == 1 && QFileInfo(chosen.front()).isDir()) {
        // A whole folder: its tracks by name, as if each had been picked in the dialog.
        const QDir folder(chosen.front());
        chosen.clear();
        const QStringList names = folder.entryList(TrackPatterns(), QDir::Files,
                                                   QDir::Name | QDir::IgnoreCase);
        for (const QString& n : names) chosen << folder.filePath(n);
        if (chosen.isEmpty()) {
            w.titleBuilder.ShowNotice(QStringLiteral("No audio files in ") + folder.dirName());
            return QStringLiteral("0");
        }
    }

    QString name;
    if (chosen.size() == 1) {
        name = chosen.front();
    } else {
        // The dialog picks from one folder: that of the first name.
        name = QFileInfo(chosen.front()).path();
        for (const QString& path : chosen) name += QChar(u'\0') + QFileInfo(path).fileName();
    }
    w.st.LastDir = name;
    return name;
}

void ListFileCommands::lblFileSet_Click(int index) {
    if (index == 0) {
        const QString name = ShowFileDialog(FileDialogMode::OpenTracksAndLists);
        if (name == QStringLiteral("0")) return;
        // Checked before anything is emptied: a selection that would add nothing leaves the
        // lists and what plays as they were.
        const QStringList paths = w.fileAdder.SelectedPaths(name);
        if (paths.isEmpty()) return;
        if (std::none_of(paths.begin(), paths.end(),
                         [](const QString& p) { return ClassifyPath(p) != PathKind::Other; })) {
            w.titleBuilder.ShowNotice(
                QStringLiteral("Nothing to open: no audio or list file chosen"));
            return;
        }
        w.engine.Stop();
        w.st.Titles().Clear();
        w.st.Lists().Clear();
        w.fileAdder.AddFiles(name);
        w.collections.RefreshLists();
        if (w.st.KO == 0) w.playOrder.StepToNextList();
        // Set only now: the refreshes above may remove a missing first track, which resets
        // PlayPoint to 0, and "Next" would then skip the new first track.
        w.st.PlayPoint = -1;
        w.collections.ShowCounts();
        w.transport.lblPlaySet_Click(Transport::Next);
    } else if (index == 1) {
        const QString name = ShowFileDialog(FileDialogMode::SaveList);
        if (name == QStringLiteral("0")) return;
        SaveList(name);
    }
}

bool ListFileCommands::SaveList(const QString& path) {
    QStringList paths;
    const int used = w.st.Titles().Count();
    for (int i = 0; i < used; ++i) paths << w.st.TitleFiles[i];
    return AtomicFile::Write(path, WriteListFile(paths));
}

} // namespace telbo
