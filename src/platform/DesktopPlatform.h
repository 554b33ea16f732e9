#pragma once

#include "platform/Platform.h"

namespace telbo {

// Where config.ini lives. The binary's own folder keeps a portable copy self-contained; an
// installed binary's folder is shared by all users, and after an install run as root it is
// writable for root alone, so there, and wherever the binary's folder cannot be written, each
// user gets a configuration folder of their own.
enum class SettingsHome { BinaryFolder, PerUserFolder };

// Pure decision. Folders are compared as given, so pass canonical paths; an empty path means
// unknown, and an unknown binary folder is never used.
SettingsHome ChooseSettingsHome(const QString& binaryDir, const QString& installedBinDir,
                                bool binaryDirWritable);

// The real operating system (Linux first). Only app/main.cpp creates one.
class DesktopPlatform final : public Platform {
public:
    QString programFolder() override;
    QStringList settingsFolders() override;
    QString startFolder() override;
    QStringList commandLineArguments() override;
    bool fileExists(const QString& path) override;
    bool isReadOnly(const QString& path) override;
    bool clearAttributes(const QString& path) override;
    QStringList runFileDialog(QWidget* parent, const FileDialogRequest& request) override;
    QRect workAreaTwips(QWidget* window) override;
    QList<QRect> screenAreasTwips() override;
    void setAlwaysOnTop(QWidget* window, bool onTop) override;
    bool compositorPlacesWindows() override;
    void demandAttention(QWidget* window) override;
    void minimize(QWidget* window) override;
    bool powerOff() override;
    void endProgram() override;
};

} // namespace telbo
