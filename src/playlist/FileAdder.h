#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QUrl>

namespace telbo {

class Telbo;

// Tracks and list files entering the collections from the dialog, the command line and drops.
// Nothing is ever stored past the last slot: what does not fit is left out, and the user is
// told so in the title line.
class FileAdder {
public:
    explicit FileAdder(Telbo& w) : w(w) {}
    // The paths of a dialog selection (see SplitSelection). More names than a collection
    // holds give none, and the user is told why.
    QStringList SelectedPaths(const QString& name);
    // Tracks to TitleFiles, list files to ListFiles (a dialog name, see SplitSelection).
    void AddFiles(const QString& name);
    // Tracks to TitleFiles; each list file's entries are appended to TitleFiles too.
    void AddTracks(const QString& name);
    // The program's arguments (or a second start's, handed over), one absolute path each;
    // more than 101 add nothing.
    void AddCommandLine(const QStringList& arguments);
    // Files dropped on lblBack(index); a drop on a list box comes here with index 1.
    void FilesDropped(int index, const QList<QUrl>& urls);
    // Tells the user that a collection is full and something was left out.
    void TellListFull();

private:
    struct Added {
        int tracks = 0;
        int lists = 0;
        int leftOut = 0;   // tracks and list files that did not fit
        QString firstList; // the first list file that was stored
    };
    // Classifies each path and stores tracks and list files in their collections.
    Added AddPaths(const QStringList& paths);

    Telbo& w;
};

} // namespace telbo
