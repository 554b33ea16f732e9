#pragma once

#include "titles/TagOverlay.h"

#include <QString>
#include <QStringList>

namespace telbo {

class Telbo;

// The tag view and the tag editor under the track list.
class TagEditor {
public:
    explicit TagEditor(Telbo& w) : w(w) {}
    // Steps the tag panel: hidden -> tag view -> tag editor -> hidden. With no track selected
    // it selects the first one instead.
    void lblShowTag_Click();
    // Reads the tag of track i into EditTag and shows it in the tag view.
    void LoadTagView(int i);
    // Reads the tag of track i into EditTag and shows it in the editor.
    void LoadTagEditor(int i);
    // Shows EditTag in the editor without reading the file; locks it when track i's file is
    // read-only.
    void ShowEditTag(int i);
    // Takes the editor's fields into EditTag and writes it to track i.
    void StoreEditTag(int i);
    // The editor's commands 0..13 ("Set" .. the six "Clear" labels).
    void lblTagSet_Click(int index);
    // The text of box i (0 title, 1 artist, 2 album, 3 year, 4 comment) or of the genre box
    // changed: by the user unless the editor is showing a tag.
    void txtTagData_Change(int i);
    void cmbTagGenre_Change();
    // The fields changed since the editor last showed a track's tag.
    const TagFields& ChangedFields() const { return changed_; }

private:
    // The path of track i, or "" when i is not a used slot.
    QString TrackPath(int i) const;
    // The selected track row when it names a used slot, else -1.
    int SelectedTrack() const;
    // Writes the changed fields of EditTag to every track over the track's own tag, the
    // selected track first; `title`, when given, makes each track's title from its index.
    template <typename TitleOf> void WriteAll(int sel, TitleOf title);
    // Takes the editor's fields into EditTag.
    void TakeEditorFields();
    void WriteEditTag(const QString& path);
    void WriteTag(const QString& path, const TagRecord& tag);
    // After the writes of one command: the editor's caption names what was not stored, and
    // the title line shows the current track's new tag.
    void ReportWrites();

    Telbo& w;
    // The writes of the running command that did not store everything, as "name: why".
    QStringList problems_;
    bool currentWritten_ = false;
    TagFields changed_;
    // While the editor fills its boxes from a record, their changes are no user's.
    bool showing_ = false;
};

} // namespace telbo
