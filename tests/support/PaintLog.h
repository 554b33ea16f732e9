#pragma once
// What a window repaints: the region every widget of it painted, in window coordinates.

#include <QEvent>
#include <QObject>
#include <QPaintEvent>
#include <QRegion>
#include <QStringList>
#include <QWidget>

namespace telbo::test {

// Watches the window and the widgets it holds now.
class PaintLog final : public QObject {
public:
    explicit PaintLog(QWidget* window) : window_(window) {
        window->installEventFilter(this);
        for (QWidget* child : window->findChildren<QWidget*>()) child->installEventFilter(this);
    }
    QRegion painted; // in window coordinates
    QStringList who;
    void Clear() {
        painted = QRegion();
        who.clear();
    }

protected:
    bool eventFilter(QObject* watched, QEvent* e) override {
        if (e->type() == QEvent::Paint) {
            auto* widget = static_cast<QWidget*>(watched);
            const QRegion region = static_cast<QPaintEvent*>(e)->region();
            painted += region.translated(widget->mapTo(window_, QPoint(0, 0)));
            who << widget->objectName();
        }
        return false;
    }

private:
    QWidget* window_;
};

} // namespace telbo::test
