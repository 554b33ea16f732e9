#include "FakePlatform.h"

#include "platform/FileAccess.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace telbo::test {

FakePlatform::FakePlatform() { dir.setAutoRemove(true); }

QString FakePlatform::programFolder() { return folder.isEmpty() ? dir.path() : folder; }
QString FakePlatform::startFolder() { return path(QStringLiteral("Music")); }

bool FakePlatform::fileExists(const QString& p) { return fileaccess::IsRegularFile(p); }
bool FakePlatform::isReadOnly(const QString& p) { return fileaccess::IsReadOnly(p); }
bool FakePlatform::clearAttributes(const QString& p) { return fileaccess::MakeWritable(p); }

QStringList FakePlatform::runFileDialog(QWidget*, const FileDialogRequest& request) {
    dialogRequests << request;
    if (dialogAnswers.isEmpty()) return {};
    return dialogAnswers.takeFirst();
}

void FakePlatform::setAlwaysOnTop(QWidget*, bool on) {
    onTop = on;
    ++onTopCalls;
}

bool FakePlatform::powerOff() {
    ++powerOffCalls;
    return powerOffSucceeds;
}

QString FakePlatform::path(const QString& name) const { return dir.filePath(name); }

QString FakePlatform::makeFile(const QString& name, const QByteArray& content) {
    const QString p = path(name);
    QDir().mkpath(QFileInfo(p).absolutePath());
    QFile f(p);
    if (f.open(QIODevice::WriteOnly)) f.write(content);
    return p;
}

} // namespace telbo::test
