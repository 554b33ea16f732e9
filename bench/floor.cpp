// The floor of the start-up benchmark (bench/startup.sh): the least a Qt Widgets program does
// to show one label. Instrumented like the player: TELBO_EXIT_AFTER_FIRST_PAINT=1 ends it at
// the label's first paint.

#include "app/FirstPaintExit.h"
#include "platform/WaylandClient.h"

#include <QApplication>
#include <QLabel>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QLabel label(QStringLiteral("Telbo"));
    telbo::FirstPaintExit firstPaintExit(&label);
    label.show();
    const int status = QApplication::exec();
    // The player ends so on Wayland too: Qt 6.4's teardown of the connection can hang.
    if (telbo::OnWayland()) telbo::EndSkippingWaylandTeardown(status);
    return status;
}
