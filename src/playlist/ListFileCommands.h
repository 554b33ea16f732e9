#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace telbo {

class Telbo;

enum class FileDialogMode { OpenLists, OpenTracksAndLists, SaveList };

// Reading list files, the file dialog, and the "Open" and "Save" commands.
class ListFileCommands {
public:
    explicit ListFileCommands(Telbo& w) : w(w) {}
    // Appends the list file's entries to TitleFiles from slot KO, never past the last slot;
    // `leftOut` (when given) is set when some entries did not fit. False when the file could
    // not be read (nothing is added then). ".m3u8" is UTF-8; another list is UTF-8 when it
    // is valid UTF-8, else Windows-1252. An entry holding "\" that is not there as written is
    // read with "\" as folder separator (a list written on Windows).
    bool ReadListFile(const QString& path, bool* leftOut = nullptr);
    // Makes the list file's entries the whole track collection (KO from 0). When the file
    // cannot be read the tracks stay as they were and the result is false.
    bool ReplaceTracks(const QString& path);
    // The chosen name ("0" when cancelled); a multiple selection is the folder followed by
    // the names, each preceded by a NUL. A whole folder chosen with the tracks is its MP3
    // files by name, as a multiple selection. LastDir takes the returned text.
    QString ShowFileDialog(FileDialogMode mode);
    // 0 "Open", 1 "Save".
    void lblFileSet_Click(int index);
    // Writes the track collection to `path` (replaced atomically). False on failure; the
    // old file is then untouched.
    bool SaveList(const QString& path);

private:
    // The first `maxEntries` entries of a list file; nullopt when it is not a readable
    // regular file. Reading stops there, so a huge file costs neither time nor memory.
    std::optional<QStringList> ReadEntries(const QString& path, int maxEntries);

    Telbo& w;
};

} // namespace telbo
