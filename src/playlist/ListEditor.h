#pragma once

namespace telbo {

class ListBox;
class Telbo;

// The list/track view switch, the five editing commands, selection and double-clicks.
class ListEditor {
public:
    explicit ListEditor(Telbo& w) : w(w) {}
    // 0 "List" (the list files), 1 "Title" (the tracks).
    void lblListSelect_Click(int index);
    // 0 "Add", 1 "Del", 2 "AllClear", 3 "Up", 4 "Down", on the collection of the shown view.
    void lblListSet_Click(int index);
    // 1: the track-selection action (also run when a row is selected from code).
    void lstFile_Click(int index);
    // 0 opens the selected list file, 1 plays the selected track.
    void lstFile_DblClick(int index);

private:
    // Removes the selected entry of the list files (0) or tracks (1), refreshes and selects
    // the entry that took its place.
    void DeleteEntry(int box, int sel);
    void AddByDialog();
    void MoveEntry(int box, int sel, int other);

    Telbo& w;
};

} // namespace telbo
