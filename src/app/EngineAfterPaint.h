#pragma once
// Starts loading the engine once the window has painted for the first time, and hands it to
// the player's thread when it is there; a load that failed is said in the title line.

#include <QObject>

namespace telbo {

class DeferredEngine;
class Telbo;

class EngineAfterPaint final : public QObject {
public:
    EngineAfterPaint(DeferredEngine& engine, Telbo& window);
    ~EngineAfterPaint() override;
    EngineAfterPaint(const EngineAfterPaint&) = delete;
    EngineAfterPaint& operator=(const EngineAfterPaint&) = delete;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Loaded();

    DeferredEngine& engine_;
    Telbo& window_;
};

} // namespace telbo
