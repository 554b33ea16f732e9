#pragma once

#include <QString>

namespace telbo {

class Telbo;

enum class FileDialogMode { OpenLists, OpenTracksAndLists, SaveList };

// Reading list files, the file dialog, and the "Open" and "Save" commands.
class ListFileCommands {
public:
    explicit ListFileCommands(Telbo& w) : w(w) {}
    // Appends the list file's entries to TitleFiles from slot KO. False when the file could
    // not be read (nothing is added then).
    bool ReadListFile(const QString& path);
    // The chosen name ("0" when cancelled); a multiple selection is the folder followed by
    // the names, each preceded by a NUL.
    QString ShowFileDialog(FileDialogMode mode);
    // 0 "Open", 1 "Save".
    void lblFileSet_Click(int index);
    // Writes the track collection to `path` (replaced atomically). False on failure.
    bool SaveList(const QString& path);

private:
    Telbo& w;
};

} // namespace telbo
