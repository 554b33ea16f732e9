#include "FirstPaintExit.h"
#include "SignalBridge.h"
#include "engine/Engine.h"
#include "platform/DesktopPlatform.h"
#include "ui/Telbo.h"

#include <QApplication>
#include <QGuiApplication>

#include <cstdio>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("telbo"));
    QGuiApplication::setDesktopFileName(QStringLiteral("telbo"));

    telbo::Engine engine;
    telbo::DesktopPlatform platform;
    telbo::Telbo window(engine, platform);
    telbo::SignalBridge bridge(&window);
    telbo::FirstPaintExit firstPaintExit(&window);
    window.lifecycle.StartUp();
    window.show();
    return QApplication::exec();
}
