#pragma once

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

private:
    // The path of track i, or "" when i is not a used slot.
    QString TrackPath(int i) const;
    // The selected track row when it names a used slot, else -1.
    int SelectedTrack() const;
    // Writes EditTag to every track, the title made by `title` from the track's index.
    template <typename TitleOf> void WriteAll(TitleOf title);
    void WriteEditTag(const QString& path);
    // After the writes of one command: the editor's caption names what was not stored, and
    // the title line shows the current track's new tag.
    void ReportWrites();

    Telbo& w;
    // The writes of the running command that did not store everything, as "name: why".
    QStringList problems_;
    bool currentWritten_ = false;
};

} // namespace telbo
