#pragma once

#include "platform/Platform.h"

namespace telbo {

// The real operating system (Linux first). Only app/main.cpp creates one.
class DesktopPlatform final : public Platform {
public:
    QString programFolder() override;
    QStringList commandLineArguments() override;
    bool fileExists(const QString& path) override;
    bool isReadOnly(const QString& path) override;
    bool clearAttributes(const QString& path) override;
    QStringList runFileDialog(QWidget* parent, const FileDialogRequest& request) override;
    QRect workAreaTwips(QWidget* window) override;
    QList<QRect> screenAreasTwips() override;
    void setAlwaysOnTop(QWidget* window, bool onTop) override;
    void minimize(QWidget* window) override;
    bool powerOff() override;
    void endProgram() override;
};

} // namespace telbo
