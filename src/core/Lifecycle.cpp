#include "core/Lifecycle.h"

#include "core/AtomicFile.h"
#include "core/SettingsFile.h"
#include "core/WindowPlacement.h"
#include "platform/Platform.h"
#include "decoder/Decoder.h"
#include "ui/Layout.h"
#include "ui/Telbo.h"

#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QTimer>

namespace telbo {

namespace {
QString SettingsPath(Platform& platform) {
    return QDir(platform.programFolder()).filePath(QStringLiteral("config.ini"));
}
} // namespace

void Lifecycle::StartUp() {
    PlayerState& st = w.st;
    Controls& ui = w.ui;
    startingUp_ = true;
    w.titleBuilder.KeepTagMemo(true);

    w.decoder.vbmp3_init();

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
            w.decoder.vbmp3_getGenre(st.EditTag);
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
    const std::optional<StoredSettings> stored =
        ReadSettingsFile(SettingsPath(w.platform), startFolder);
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

    w.stateRestore.RestoreState(settingsRead_);
    w.titleBuilder.KeepTagMemo(false);
    startingUp_ = false;
}

void Lifecycle::ShutDown() {
    if (shutDownDone_) return;
    shutDownDone_ = true;
    w.ui.tmrTime->stop();
    w.ui.tmrScroll->stop();
    w.decoder.vbmp3_free();
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
