#include "core/Lifecycle.h"

#include "decoder/AudioEngine.h"
#include "decoder/TagStore.h"
#include "core/AtomicFile.h"
#include "core/SessionFile.h"
#include "core/SettingsFile.h"
#include "core/WindowPlacement.h"
#include "platform/Platform.h"
#include "decoder/Records.h"
#include "ui/Layout.h"
#include "ui/Telbo.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QTimer>

namespace telbo {

namespace {
const QString kSettingsName = QStringLiteral("config.ini");
const QString kSessionName = QStringLiteral("telbo.ini");

QString SettingsPath(Platform& platform) {
    return QDir(platform.programFolder()).filePath(kSettingsName);
}

// The newest `name` among the folders the settings may be in; "" when there is none.
QString NewestOf(Platform& platform, const QString& name) {
    QStringList candidates;
    for (const QString& folder : platform.settingsFolders())
        candidates << QDir(folder).filePath(name);
    return NewestFile(candidates);
}

// Whether a save could put a file in `folder`: it is writable, or could be made.
bool CanSaveIn(const QString& folder) {
    QFileInfo info(folder);
    while (!info.exists()) {
        const QString parent = info.absolutePath();
        if (parent == info.absoluteFilePath()) return false;
        info = QFileInfo(parent);
    }
    return info.isDir() && info.isWritable();
}
} // namespace

void Lifecycle::StartUp() {
    PlayerState& st = w.st;
    Controls& ui = w.ui;
    startingUp_ = true;
    w.titleBuilder.KeepTagMemo(true);

    w.engine.Init();

    w.SetHeight(kFoldedHeight);
    w.SetWidth(kNormalWidth);

    ui.tmrTime->stop();
    ui.tmrTime->setInterval(200);
    ui.tmrScroll->stop();
    ui.tmrScroll->setInterval(100);

    // The random generator was seeded from the clock when the play order was created, once.

    // Row n of the genre list is genre number n.
    {
        const QSignalBlocker block(ui.cmbTagGenre);
        for (int n = 0; n <= 147; ++n) {
            st.EditTag.GenreNumber = n;
            w.tags.FillGenreName(st.EditTag);
            ui.cmbTagGenre->addItem(QString::fromStdString(st.EditTag.GenreName.Shown()));
        }
        ui.cmbTagGenre->setCurrentIndex(-1);
        ui.cmbTagGenre->setEditText(QStringLiteral("Genre"));
    }

    // A save killed half-way (older versions, or a file system without anonymous files)
    // left its temporary beside config.ini.
    AtomicFile::RemoveLeftovers(w.platform.programFolder());

    // The first file dialog opens where music is, not in the settings folder.
    const QString startFolder = w.platform.startFolder();
    // The newest copy: a save that could not go beside the binary went to the per-user folder.
    const QString settingsPath = NewestOf(w.platform, kSettingsName);
    const std::optional<StoredSettings> stored =
        settingsPath.isEmpty() ? std::nullopt : ReadSettingsFile(settingsPath, startFolder);
    settingsRead_ = stored.has_value();
    if (stored) {
        if (stored->hasFormX && stored->hasFormY) {
            // A window without a title bar restored off every screen could never be fetched
            // back: put it where it can be seen.
            QList<QRectF> areas;
            for (const QRect& r : w.platform.screenAreasTwips()) areas << QRectF(r);
            const QPointF pos = VisiblePosition({stored->FormX, stored->FormY},
                                                {w.Width(), w.Height()}, areas);
            w.SetLeft(pos.x());
            w.SetTop(pos.y());
        }
        // Changing the template rebuilds the title through the text box's change handler, so
        // it comes before the collections: nothing is read for a title yet.
        ui.txtScrollTitle->setText(stored->ScrollTitle);
    }
    AdoptSettings(stored ? *stored : DefaultSettings(startFolder), st);
    // The equalizer is back before anything can play.
    const QString sessionPath = NewestOf(w.platform, kSessionName);
    w.session.Load(sessionPath, w.platform.programFolder());
    // A shut-down writes config.ini last; telbo.ini newer means the run ended without one.
    if (!sessionPath.isEmpty() && !settingsPath.isEmpty() &&
        QFileInfo(sessionPath).lastModified() > QFileInfo(settingsPath).lastModified())
        w.session.AdoptSavedTrack();
    if (st.ConfigSave && !CanSaveIn(w.platform.programFolder()))
        AddStartNotice(QStringLiteral("Settings cannot be saved: ") + w.platform.programFolder() +
                       QStringLiteral(" is read-only"));

    w.stateRestore.RestoreState(settingsRead_);
    w.titleBuilder.KeepTagMemo(false);
    startingUp_ = false;
    // After the title is built, which would cover it.
    if (!startNotice_.isEmpty()) w.titleBuilder.ShowNotice(startNotice_);
}

void Lifecycle::AddStartNotice(const QString& text) {
    if (startNotice_.isEmpty()) startNotice_ = text;
}

void Lifecycle::ShutDown() {
    if (shutDownDone_) return;
    shutDownDone_ = true;
    // Where the track was, before the decoder lets go of it.
    w.session.ShutDown();
    w.session.StartedSafely();
    w.replayGainScan.Stop(); // files not written by then keep their old tags
    w.ui.tmrTime->stop();
    w.ui.tmrScroll->stop();
    w.engine.Shutdown();
    emit w.shutDown();
    if (!w.st.ConfigSave) return;
    AdoptDesktopPosition(w);
    // The strip's own width: a docked strip spans the work area, and that width would come
    // back as the next small strip's.
    const double width = w.st.MinFlag ? w.st.FormSmallWidth : w.Width();
    const SettingsSnapshot snapshot{&w.st, w.Left(), w.Top(), width, w.ui.txtScrollTitle->text()};
    // The folder is made only now, when there is something to keep in it.
    QDir().mkpath(w.platform.programFolder());
    // A failed write keeps the previous file whole; the program ends either way.
    if (!WriteSettingsFile(SettingsPath(w.platform), snapshot))
        qWarning("telbo: could not save the settings to %s", qPrintable(SettingsPath(w.platform)));
}

} // namespace telbo
