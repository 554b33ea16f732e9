#include "playlist/FileAdder.h"

#include "ui/Telbo.h"

namespace telbo {

void FileAdder::AddFiles(const QString&) {}
void FileAdder::AddTracks(const QString&) {}
void FileAdder::AddCommandLine() {}
void FileAdder::FilesDropped(int, const QList<QUrl>&) {}

} // namespace telbo
