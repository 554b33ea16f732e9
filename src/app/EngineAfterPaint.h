#pragma once
// Starts loading the engine once the window has painted for the first time, and hands it to
// the window's thread when it is there; a load that failed is told through `notice` (the
// player's title line).

#include "app/AfterFirstPaint.h"

#include <QObject>
#include <QString>

#include <functional>

class QWidget;

namespace telbo {

class DeferredEngine;

class EngineAfterPaint final : public QObject {
public:
    EngineAfterPaint(DeferredEngine& engine, QWidget& window,
                     std::function<void(const QString&)> notice);
    ~EngineAfterPaint() override;
    EngineAfterPaint(const EngineAfterPaint&) = delete;
    EngineAfterPaint& operator=(const EngineAfterPaint&) = delete;

private:
    void Loaded();

    DeferredEngine& engine_;
    std::function<void(const QString&)> notice_;
    AfterFirstPaint start_;
};

} // namespace telbo
