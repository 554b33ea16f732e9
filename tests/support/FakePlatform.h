#pragma once
// A platform for tests: a temporary program folder, scripted file-dialog answers, a fixed work
// area, and records of what was asked (on-top, minimise, power-off, end of program).

#include "platform/Platform.h"

#include <QList>
#include <QTemporaryDir>

namespace telbo::test {

class FakePlatform final : public Platform {
public:
    FakePlatform();

    QTemporaryDir dir; // the program folder, unless `folder` names another
    QString folder;    // a program folder that need not exist yet
    QStringList arguments;
    // Answers of the next file dialogs, first in first out; an empty list is a cancel, and
    // no scripted answer left is a cancel too.
    QList<QStringList> dialogAnswers;
    QList<FileDialogRequest> dialogRequests;
    QRect workArea{0, 0, 1920 * 15, 1040 * 15};
    bool onTop = false;
    int onTopCalls = 0;
    int minimizeCalls = 0;
    QList<QWidget*> attentionAskedFor;
    int powerOffCalls = 0;
    bool powerOffSucceeds = true;
    int endProgramCalls = 0;
    bool compositorPlaces = false; // a Wayland desktop

    QStringList otherSettingsFolders; // where earlier saves may have gone
    QString programFolder() override;
    QStringList settingsFolders() override { return QStringList{programFolder()} + otherSettingsFolders; }
    // "Music" in dir (not created).
    QString startFolder() override;
    QStringList commandLineArguments() override { return arguments; }
    bool fileExists(const QString& path) override;
    bool isReadOnly(const QString& path) override;
    bool clearAttributes(const QString& path) override;
    QStringList runFileDialog(QWidget* parent, const FileDialogRequest& request) override;
    QRect workAreaTwips(QWidget*) override { return workArea; }
    QList<QRect> screenAreasTwips() override { return {workArea}; }
    void setAlwaysOnTop(QWidget*, bool on) override;
    bool compositorPlacesWindows() override { return compositorPlaces; }
    void demandAttention(QWidget* window) override { attentionAskedFor << window; }
    void minimize(QWidget*) override { ++minimizeCalls; }
    bool powerOff() override;
    void endProgram() override { ++endProgramCalls; }

    // A path inside the program folder.
    QString path(const QString& name) const;
    // Creates a file (with optional content) inside the program folder and returns its path.
    QString makeFile(const QString& name, const QByteArray& content = "x");
};

} // namespace telbo::test
