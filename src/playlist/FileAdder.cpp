#include "playlist/FileAdder.h"

#include "platform/Platform.h"
#include "playlist/PathNames.h"
#include "playlist/Selection.h"
#include "ui/ListBox.h"
#include "ui/Telbo.h"

#include <QDir>

namespace telbo {

FileAdder::Added FileAdder::AddPaths(const QStringList& paths) {
    Added added;
    for (const QString& path : paths) {
        switch (ClassifyPath(path)) {
        case PathKind::Track:
            added.tracks += AppendLimited(w.st.TitleFiles, w.st.KO, {path});
            break;
        case PathKind::ListFile:
            if (AppendLimited(w.st.ListFiles, w.st.ListKO, {path}) == 1 && ++added.lists == 1)
                added.firstList = path;
            break;
        case PathKind::Other:
            break;
        }
    }
    return added;
}

void FileAdder::AddFiles(const QString& name) { AddPaths(SplitSelection(name)); }

void FileAdder::AddTracks(const QString& name) {
    for (const QString& path : SplitSelection(name)) {
        switch (ClassifyPath(path)) {
        case PathKind::Track:
            AppendLimited(w.st.TitleFiles, w.st.KO, {path});
            break;
        case PathKind::ListFile:
            w.listFiles.ReadListFile(path); // an unreadable list simply adds nothing
            break;
        case PathKind::Other:
            break;
        }
    }
}

void FileAdder::AddCommandLine() {
    AddPaths(LimitArguments(w.platform.commandLineArguments(), QDir::currentPath()));
}

void FileAdder::FilesDropped(int index, const QList<QUrl>& urls) {
    QStringList paths = DroppedLocalPaths(urls);
    for (QString& path : paths)
        if (QDir::isRelativePath(path)) path = QDir::cleanPath(QDir::current().absoluteFilePath(path));

    const Added added = AddPaths(paths);
    if (added.tracks > 0) w.collections.ShowCounts();
    w.collections.RefreshLists();

    // Row KO - added is the first dropped track: the refresh can only have removed missing
    // tracks ahead of it.
    const int firstTrack = qMax(0, w.st.KO - added.tracks);
    if (added.tracks > 0) w.ui.lstFile[1]->setCurrentRow(firstTrack);
    if (added.lists > 0) w.ui.lstFile[0]->setCurrentRow(qMax(0, w.st.ListKO - added.lists));

    if (index != 0) return;
    if (added.tracks > 0) {
        w.st.PlayPoint = static_cast<std::int16_t>(firstTrack);
        w.transport.lblPlaySet_Click(Transport::Play);
    } else if (added.lists > 0) {
        // An unreadable list leaves the current tracks alone and plays nothing.
        if (!w.listFiles.ReplaceTracks(added.firstList)) return;
        w.collections.ShowCounts();
        w.collections.RefreshLists();
        w.st.PlayPoint = 0;
        w.transport.lblPlaySet_Click(Transport::Play);
    }
}

} // namespace telbo
