#pragma once

#include <QList>
#include <QString>
#include <QUrl>

namespace telbo {

class Telbo;

// Tracks and list files entering the collections from the dialog, the command line and drops.
class FileAdder {
public:
    explicit FileAdder(Telbo& w) : w(w) {}
    void AddFiles(const QString& name);
    void AddTracks(const QString& name);
    void AddCommandLine();
    // Files dropped on lblBack(index); a drop on a list box comes here with index 1.
    void FilesDropped(int index, const QList<QUrl>& urls);

private:
    Telbo& w;
};

} // namespace telbo
