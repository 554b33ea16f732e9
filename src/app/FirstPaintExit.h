#pragma once
// For the start-up benchmark: with TELBO_EXIT_AFTER_FIRST_PAINT=1 in the environment, the
// first paint of the watched window ends the event loop, so the process's whole run is its
// start-up. Leaving the loop without closing the window skips the window's shut-down, which
// would write config.ini: the benchmark's input stays as it was. Header-only so that the
// benchmark's floor program is instrumented exactly the same way.

#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <QTimer>
#include <QWidget>

#include <cstdlib>
#include <cstring>

namespace telbo {

class FirstPaintExit final : public QObject {
public:
    // Watches `window` when the environment asks for it; otherwise does nothing.
    explicit FirstPaintExit(QWidget* window) {
        const char* v = std::getenv("TELBO_EXIT_AFTER_FIRST_PAINT");
        if (v && *v && std::strcmp(v, "0") != 0) window->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            watched->removeEventFilter(this);
            // Queued: this paint still reaches the screen before the loop ends. exit(), not
            // quit(): quit() closes every window first, and the player's close saves.
            QTimer::singleShot(0, QCoreApplication::instance(), [] { QCoreApplication::exit(0); });
        }
        return false;
    }
};

} // namespace telbo
