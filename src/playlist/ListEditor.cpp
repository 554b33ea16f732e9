#include "playlist/ListEditor.h"

#include "platform/Platform.h"
#include "core/PathNames.h"
#include "ui/Label.h"
#include "ui/ListBox.h"
#include "ui/Telbo.h"

#include <QColor>

#include <algorithm>

namespace telbo {

namespace {

const QColor kShownView(0xC0, 0xC0, 0xFF);
const QColor kHiddenView(0x80, 0x80, 0x80);

enum ListSet { Add = 0, Del = 1, AllClear = 2, Up = 3, Down = 4 };

SlotList SlotsOf(PlayerState& st, int box) { return box == 0 ? st.Lists() : st.Titles(); }

// Selects `row`, or the last row when nested removals have left fewer rows.
void SelectRow(ListBox* box, int row) {
    row = std::min(row, box->count() - 1);
    if (row >= 0) box->setCurrentRow(row);
}

} // namespace

void ListEditor::lblListSelect_Click(int index) {
    if (index != 0 && index != 1) return;
    const bool listView = index == 0;
    w.st.ListSelectFlag = listView;
    w.ui.lblListSelect[0]->setForeColor(listView ? kShownView : kHiddenView);
    w.ui.lblListSelect[1]->setForeColor(listView ? kHiddenView : kShownView);
    w.ui.lstFile[0]->setVisible(listView);
    w.ui.lstFile[1]->setVisible(!listView);
    for (int i : {2, 5, 3}) w.ui.lblPoint[i]->setVisible(!listView);
}

void ListEditor::lblListSet_Click(int index) {
    const int box = w.st.ListSelectFlag ? 0 : 1;
    const int sel = w.ui.lstFile[box]->currentRow();
    switch (index) {
    case Add:
        AddByDialog();
        break;
    case Del:
        if (sel >= 0) DeleteEntry(box, sel);
        break;
    case AllClear:
        SlotsOf(w.st, box).Clear();
        w.collections.RefreshLists();
        if (box == 1) {
            w.collections.ShowCounts();
            w.ui.lblPoint[0]->setCaption(QStringLiteral("0"));
            w.ui.lblPoint[2]->setCaption(QStringLiteral("0"));
        }
        break;
    case Up:
        if (sel >= 1) MoveEntry(box, sel, sel - 1);
        break;
    case Down:
        if (sel != -1 && sel + 1 < w.ui.lstFile[box]->count()) MoveEntry(box, sel, sel + 1);
        break;
    default:
        break;
    }
}

void ListEditor::AddByDialog() {
    if (w.st.ListSelectFlag) {
        const QString name = w.listFiles.ShowFileDialog(FileDialogMode::OpenLists);
        if (name == QStringLiteral("0")) return;
        w.fileAdder.AddFiles(name);
        w.collections.RefreshLists();
        // A typed track name adds a track even here; keep the totals true.
        w.collections.ShowCounts();
    } else {
        const QString name = w.listFiles.ShowFileDialog(FileDialogMode::OpenTracksAndLists);
        if (name == QStringLiteral("0")) return;
        w.fileAdder.AddTracks(name);
        w.collections.RefreshLists();
        w.collections.ShowCounts();
    }
}

void ListEditor::MoveEntry(int box, int sel, int other) {
    // The current index goes with its entry, so "Next" goes on from where it is.
    if (!SlotsOf(w.st, box).Swap(sel, other)) return;
    w.collections.RefreshLists();
    SelectRow(w.ui.lstFile[box], other);
    if (box == 1) w.collections.ShowPlayPoint();
}

void ListEditor::DeleteEntry(int box, int sel) {
    // Playback is not stopped; the current index follows the playing track (or the list it
    // came from), and sits on the row before when its own row goes, so that "Next" plays the
    // row that took its place.
    if (SlotsOf(w.st, box).Remove(sel) && box == 1) w.transport.CurrentTrackRemoved();
    w.collections.RefreshLists();
    if (box == 1) w.collections.ShowCounts();
    ListBox* list = w.ui.lstFile[box];
    // The row that followed the removed one, or the new last row when it was the last.
    SelectRow(list, sel == list->count() ? sel - 1 : sel);
    if (box == 1) w.collections.ShowPlayPoint();
}

void ListEditor::lstFile_Click(int index) {
    if (index != 1) return;
    const int sel = w.ui.lstFile[1]->currentRow();
    // clear() reports -1, and a row beyond the collection is a stale box: nothing to do.
    if (sel < 0 || sel >= w.st.KO) return;
    const QString path = w.st.TitleFiles[sel];
    // At start-up a missing track stays: a drive that is not mounted yet must not cost the
    // saved list its tracks.
    if (!w.lifecycle.startingUp() && !w.platform.fileExists(path)) {
        // Reselecting runs this action again on the row that moved up, so a run of missing
        // tracks goes in one selection; each level follows one removal.
        DeleteEntry(1, sel);
        return;
    }
    w.ui.lblPoint[2]->setCaption(QString::number(sel + 1));
    w.ui.lblTagInfo[0]->setCaption(DisplayName(path));
    if (w.st.TagShowFlag == TagPanel::View) {
        w.tagEditor.LoadTagView(sel);
    } else if (w.st.TagShowFlag == TagPanel::Editor) {
        w.tagEditor.LoadTagEditor(sel);
    }
}

void ListEditor::lstFile_DblClick(int index) {
    if (index != 0 && index != 1) return;
    const int sel = w.ui.lstFile[index]->currentRow();
    if (index == 1) {
        if (sel < 0 || sel >= w.st.KO) return;
        w.st.PlayPoint = static_cast<std::int16_t>(sel);
        w.transport.lblPlaySet_Click(Transport::Play);
        return;
    }
    if (sel < 0 || sel >= w.st.ListKO) return;
    const QString path = w.st.ListFiles[sel];
    if (!w.platform.fileExists(path)) {
        DeleteEntry(0, sel);
        return;
    }
    // A list that exists but cannot be read keeps the current tracks.
    if (!w.listFiles.ReplaceTracks(path)) return;
    w.st.ListPoint = static_cast<std::int16_t>(sel);
    w.collections.RefreshLists();
    lblListSelect_Click(1);
    w.st.PlayPoint = -1;
    w.transport.lblPlaySet_Click(Transport::Next);
    w.collections.ShowCounts();
    w.titleBuilder.BuildTitle();
}

} // namespace telbo
