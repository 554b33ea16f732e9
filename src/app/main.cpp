#include "FirstPaintExit.h"
#include "SignalBridge.h"
#include "desktop/MprisService.h"
#include "engine/Engine.h"
#include "platform/DesktopPlatform.h"
#include "ui/Telbo.h"

#include <QApplication>
#include <QDBusConnection>
#include <QGuiApplication>

#include <cstdio>
#include <memory>

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
    // The desktop's media keys and controls; without a session bus the player runs as ever.
    const std::unique_ptr<telbo::MprisService> mpris =
        telbo::MprisService::Start(window, QDBusConnection::sessionBus());
    return QApplication::exec();
}
