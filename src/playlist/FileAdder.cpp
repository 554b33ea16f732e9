#include "playlist/FileAdder.h"

#include "platform/Platform.h"
#include "core/PathNames.h"
#include "playlist/Selection.h"
#include "titles/TitleBuilder.h"
#include "ui/ListBox.h"
#include "ui/Telbo.h"

#include <QDir>

namespace telbo {

FileAdder::Added FileAdder::AddPaths(const QStringList& paths) {
    Added added;
    for (const QString& path : paths) {
        switch (ClassifyPath(path)) {
        case PathKind::Track:
            if (w.st.Titles().Append({path}) == 1)
                ++added.tracks;
            else
                ++added.leftOut;
            break;
        case PathKind::ListFile:
            if (w.st.Lists().Append({path}) == 1) {
                if (++added.lists == 1) added.firstList = path;
            } else {
                ++added.leftOut;
            }
            break;
        case PathKind::Other:
            break;
        }
    }
    return added;
}

QStringList FileAdder::SelectedPaths(const QString& name) {
    QStringList paths = SplitSelection(name);
    if (paths.isEmpty()) {
        // Taking an arbitrary part would surprise more than taking nothing; say why.
        w.titleBuilder.ShowNotice(QStringLiteral("%1 files selected: at most %2")
                                      .arg(name.count(QChar(u'\0')))
                                      .arg(kMaxSelection));
    }
    return paths;
}

void FileAdder::TellListFull() {
    w.titleBuilder.ShowNotice(QStringLiteral("List full: at most %1 entries").arg(kMaxSelection));
}

void FileAdder::AddFiles(const QString& name) {
    if (AddPaths(SelectedPaths(name)).leftOut > 0) TellListFull();
}

void FileAdder::AddTracks(const QString& name) {
    bool leftOut = false;
    for (const QString& path : SelectedPaths(name)) {
        switch (ClassifyPath(path)) {
        case PathKind::Track:
            if (w.st.Titles().Append({path}) == 0) leftOut = true;
            break;
        case PathKind::ListFile:
            w.listFiles.ReadListFile(path, &leftOut); // an unreadable list simply adds nothing
            break;
        case PathKind::Other:
            break;
        }
    }
    if (leftOut) TellListFull();
}

void FileAdder::AddCommandLine(const QStringList& arguments) {
    AddPaths(LimitArguments(arguments, QDir::currentPath()));
}

void FileAdder::FilesDropped(int index, const QList<QUrl>& urls) {
    QStringList paths = DroppedLocalPaths(urls);
    for (QString& path : paths)
        if (QDir::isRelativePath(path)) path = QDir::cleanPath(QDir::current().absoluteFilePath(path));

    const Added added = AddPaths(paths);
    if (added.leftOut > 0) TellListFull();
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
