#include "playlist/ListFileCommands.h"

#include "core/AtomicFile.h"
#include "platform/Platform.h"
#include "playlist/ListFileFormat.h"
#include "playlist/Selection.h"
#include "ui/Telbo.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>

namespace telbo {

namespace {

const QString kListFilter = QStringLiteral("ListFile(*.m3u)|*.m3u");
const QString kTrackAndListFilter =
    QStringLiteral("MP3File(*.mp3) ListFile(*.m3u)|*.mp3;*.m3u");

// Far more than 101 entries with their comment lines ever need; a bigger file is read only
// this far, so a huge or endless file cannot exhaust memory.
constexpr qint64 kMaxListBytes = 16 * 1024 * 1024;

void ClearSlots(std::array<QString, kSlots>& slotArray, std::int16_t& count) {
    for (QString& s : slotArray) s.clear();
    count = 0;
}

} // namespace

std::optional<QStringList> ListFileCommands::ReadEntries(const QString& path) {
    const QFileInfo info(path);
    // A folder or a device (a FIFO would block, /dev/zero never ends) is no list file.
    if (!info.isFile()) return std::nullopt;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
    QByteArray bytes = file.read(ReadLimit(file, kMaxListBytes));
    if (file.error() != QFileDevice::NoError) return std::nullopt;
    if (!file.atEnd()) {
        // Cut at the last line end read: half a line would be a bogus entry.
        const qsizetype end = std::max(bytes.lastIndexOf('\n'), bytes.lastIndexOf('\r'));
        bytes.truncate(end < 0 ? 0 : end + 1);
    }
    return ParseListFile(bytes, info.absolutePath());
}

bool ListFileCommands::ReadListFile(const QString& path) {
    const std::optional<QStringList> entries = ReadEntries(path);
    if (!entries) return false;
    AppendLimited(w.st.TitleFiles, w.st.KO, *entries);
    return true;
}

bool ListFileCommands::ReplaceTracks(const QString& path) {
    const std::optional<QStringList> entries = ReadEntries(path);
    if (!entries) return false;
    ClearSlots(w.st.TitleFiles, w.st.KO);
    AppendLimited(w.st.TitleFiles, w.st.KO, *entries);
    return true;
}

QString ListFileCommands::ShowFileDialog(FileDialogMode mode) {
    FileDialogRequest request;
    request.save = mode == FileDialogMode::SaveList;
    request.filter = mode == FileDialogMode::OpenTracksAndLists ? kTrackAndListFilter : kListFilter;
    request.presetName = request.save ? QStringLiteral("Telbo.m3u") : QString();
    request.multiSelect = !request.save;
    request.confirmOverwrite = request.save;
    // After a multiple selection LastDir holds the folder, a NUL and the names; the folder
    // is where the next dialog should open.
    request.startDir = w.st.LastDir.section(QChar(u'\0'), 0, 0);

    const QStringList chosen = w.platform.runFileDialog(&w, request);
    if (chosen.isEmpty()) return QStringLiteral("0");

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
        w.decoder.vbmp3_stop();
        ClearSlots(w.st.TitleFiles, w.st.KO);
        ClearSlots(w.st.ListFiles, w.st.ListKO);
        w.fileAdder.AddFiles(name);
        w.st.ListPoint = 0;
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
    const int used = std::clamp<int>(w.st.KO, 0, kSlots);
    for (int i = 0; i < used; ++i) paths << w.st.TitleFiles[i];
    return AtomicFile::Write(path, WriteListFile(paths));
}

} // namespace telbo
