#include "core/StateRestore.h"

#include "platform/Platform.h"
#include "ui/Label.h"
#include "ui/ListBox.h"
#include "ui/Panel.h"
#include "ui/Telbo.h"
#include "ui/Twips.h"

#include <QTimer>

namespace telbo {

namespace {

// Auto-play that has run this long without bringing the player down was a safe start.
constexpr int kSafeStartMs = 5000;

// With no track the tag-panel cycle cannot run; show the stored panel empty so the window
// and TagShowFlag agree, and the panel fills once a track is selected.
void ShowStoredTagPanel(Telbo& w, TagPanel panel) {
    Controls& ui = w.ui;
    w.st.TagShowFlag = panel;
    if (panel == TagPanel::None) return;
    const bool view = panel == TagPanel::View;
    ui.lblShowTag->setCaption(view ? QStringLiteral("ShowTag") : QStringLiteral("TagSet"));
    ui.lblShowTag->setForeColor(QColor(0xC0, 0xC0, 0xFF));
    ui.frmTag[0]->setVisible(view);
    ui.frmTag[1]->setVisible(panel == TagPanel::Editor);
    for (ListBox* list : ui.lstFile) tw::SetHeight(list, 1770);
}

} // namespace

void StateRestore::RestoreState(bool settingsRead) {
    PlayerState& st = w.st;
    Controls& ui = w.ui;

    if (settingsRead) {
        // Toggles are restored from off through the user's own operations, the modes through
        // their setters, so every field and its display agree.
        if (st.ConfigSave) {
            st.ConfigSave = false;
            w.settingsPanel.lblConfValue_Click(5);
        }
        w.settingsPanel.SetPlayMode(st.PlayTypeFlag);
        w.settingsPanel.SetListEndAction(st.NextTypeFlag);
        if (st.ScrollFlag) {
            st.ScrollFlag = false;
            w.settingsPanel.lblConfValue_Click(2);
        }
        // The lock comes back whole, through its own toggle once the window has its size:
        // on top, captioned "unLock" and held in place, in normal as in small mode.
        const bool locked = st.LockFlag;
        st.LockFlag = false;
        if (st.DownListFlag) {
            st.DownListFlag = false;
            w.windowModes.lblDown_Click(0);
        }
        if (st.DownConfigFlag) {
            st.DownConfigFlag = false;
            w.windowModes.lblDown_Click(1);
        }
        if (st.MinFlag) {
            st.MinFlag = false;
            w.windowModes.lblBack_DblClick(0);
        }
        if (locked) w.windowModes.LockToggle();

        w.settingsPanel.ShowStoredValues();

        w.decodeOptions.SelectSmpRate(st.SamplingRate);
        w.decodeOptions.SelectStereo(st.StereoConf);

        // The tag panel is loaded once, by its own cycle below, not also by the refresh's
        // selection of the first row.
        const TagPanel storedTag = st.TagShowFlag;
        st.TagShowFlag = TagPanel::None;
        w.collections.RefreshLists();

        if (st.KO > 0) {
            st.TagShowFlag = PreviousMode(storedTag);
            w.tagEditor.lblShowTag_Click();
        } else {
            ShowStoredTagPanel(w, storedTag);
        }

        if (st.AutoPlay) {
            ui.lblConfValue[6]->setCaption(QStringLiteral("On"));
            // The saved current track, and only when it is there (a drive not mounted yet):
            // no other track is played in its place.
            const bool there =
                st.KO > 0 && st.PlayPoint >= 0 && st.PlayPoint < st.KO &&
                w.platform.fileExists(st.TitleFiles[static_cast<std::size_t>(st.PlayPoint)]);
            if (w.session.LastStartCrashed()) {
                // A file that brings the player down must not do it at every start.
                w.lifecycle.AddStartNotice(
                    QStringLiteral("AutoPlay skipped: the last start ended in a crash"));
                w.session.StartedSafely();
            } else if (there) {
                w.session.MarkStarting();
                w.transport.lblPlaySet_Click(Transport::Play);
                QTimer::singleShot(kSafeStartMs, &w.session, [this] { w.session.StartedSafely(); });
            }
        }
    }

    OpenArguments(w.platform.commandLineArguments());
    w.collections.ShowCounts();
    w.titleBuilder.BuildTitle();
}

void StateRestore::OpenArguments(const QStringList& arguments) {
    PlayerState& st = w.st;
    Controls& ui = w.ui;
    if (!arguments.isEmpty()) {
        const std::int16_t oldKO = st.KO;
        const std::int16_t oldListKO = st.ListKO;
        w.fileAdder.AddCommandLine(arguments);
        if (st.KO > oldKO) {
            st.PlayPoint = oldKO;
            w.collections.RefreshLists();
            ui.lstFile[1]->setCurrentRow(st.PlayPoint);
            w.transport.lblPlaySet_Click(Transport::Play);
        } else if (st.ListKO > oldListKO && w.listFiles.ReplaceTracks(st.ListFiles[oldListKO])) {
            // A list that cannot be read (a typo, a missing file) keeps the tracks.
            st.ListPoint = oldListKO;
            st.PlayPoint = 0;
            w.collections.RefreshLists();
            ui.lstFile[1]->setCurrentRow(0);
            w.transport.lblPlaySet_Click(Transport::Play);
        }
        w.collections.ShowCounts();
    }
}

} // namespace telbo
