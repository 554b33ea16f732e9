#pragma once
// Runs work the first paint does not need once it is on the screen: after the window's first
// paint, when the event loop has also run what that paint queued. A window that is not painted
// soon (mapped where nothing of it shows) gets the work done after a second anyway.

#include <QEvent>
#include <QObject>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <utility>

namespace telbo {

class AfterFirstPaint final : public QObject {
public:
    AfterFirstPaint(QWidget& window, std::function<void()> then) : then_(std::move(then)) {
        window.installEventFilter(this);
        QTimer::singleShot(1000, this, [this] { Run(); });
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            watched->removeEventFilter(this);
            // Queued twice: the paint reaches the screen, and what it queued runs, first.
            QTimer::singleShot(0, this, [this] { QTimer::singleShot(0, this, [this] { Run(); }); });
        }
        return false;
    }

private:
    void Run() {
        if (done_) return;
        done_ = true;
        then_();
    }

    std::function<void()> then_;
    bool done_ = false;
};

} // namespace telbo
