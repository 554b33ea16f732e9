#include "app/EngineAfterPaint.h"

#include "app/DeferredEngine.h"

#include <QEvent>
#include <QMetaObject>
#include <QTimer>
#include <QWidget>

#include <cstdio>
#include <utility>

namespace telbo {

EngineAfterPaint::EngineAfterPaint(DeferredEngine& engine, QWidget& window,
                                   std::function<void(const QString&)> notice)
    : engine_(engine), notice_(std::move(notice)) {
    engine_.OnLoaded([this] {
        QMetaObject::invokeMethod(this, &EngineAfterPaint::Loaded, Qt::QueuedConnection);
    });
    window.installEventFilter(this);
}

EngineAfterPaint::~EngineAfterPaint() {
    // The load may end after this object: nothing may be posted to it then.
    engine_.OnLoaded({});
}

bool EngineAfterPaint::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Paint) {
        watched->removeEventFilter(this);
        // Queued twice: the paint reaches the screen, and what it queued runs, first.
        QTimer::singleShot(0, this, [this] {
            QTimer::singleShot(0, this, [this] { engine_.StartLoading(); });
        });
    }
    return false;
}

void EngineAfterPaint::Loaded() {
    // Init and the settings restored at start-up reach the engine now, not at the first Play.
    if (engine_.Adopt()) return;
    const std::string problem = engine_.Problem();
    if (problem.empty()) return; // already taken over by a call, or shut down
    std::fprintf(stderr, "telbo: no sound: %s\n", problem.c_str());
    if (notice_) notice_(QStringLiteral("No sound: ") + QString::fromStdString(problem));
}

} // namespace telbo
