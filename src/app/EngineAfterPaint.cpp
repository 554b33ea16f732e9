#include "app/EngineAfterPaint.h"

#include "app/DeferredEngine.h"

#include <QMetaObject>

#include <cstdio>
#include <utility>

namespace telbo {

EngineAfterPaint::EngineAfterPaint(DeferredEngine& engine, QWidget& window,
                                   std::function<void(const QString&)> notice)
    : engine_(engine), notice_(std::move(notice)),
      start_(window, [&engine] { engine.StartLoading(); }) {
    engine_.OnLoaded([this] {
        QMetaObject::invokeMethod(this, &EngineAfterPaint::Loaded, Qt::QueuedConnection);
    });
}

EngineAfterPaint::~EngineAfterPaint() {
    // The load may end after this object: nothing may be posted to it then.
    engine_.OnLoaded({});
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
