#pragma once
// A shown main window driven with real mouse events. Drags send events with explicit global
// positions, computing each local position from where the target is now, as a moving window
// under a real pointer would see it.

#include "TelboFixture.h"

#include <QEvent>
#include <QPoint>
#include <QString>

namespace telbo::test {

class ShellFixture : public TelboFixture {
protected:
    static constexpr double kStartLeft = 15000; // twips
    static constexpr double kStartTop = 9000;

    // Creates and shows the window folded, at a known place, as start-up leaves it.
    void Show();

    static QPoint Px(double twipsX, double twipsY);
    static QPoint Center(const QWidget* w);

    // Press and release inside the label: a click.
    static void Click(QWidget* label);
    // The full sequence Qt delivers for a double-click at `px` on lblBack(0).
    void DoubleClickHeader(QPoint px);

    // One mouse event at a global pixel position, delivered to `target` (pointer capture).
    static void Send(QWidget* target, QEvent::Type type, QPoint global, Qt::MouseButton button,
                     Qt::MouseButtons buttons);
    // Presses `target` at its local pixel `from`, moves the pointer by `delta` pixels in
    // `steps` steps and, unless `release` is false, releases.
    static void Drag(QWidget* target, QPoint from, QPoint delta, int steps = 4, bool release = true);
    // A pointer move without any button held.
    static void Hover(QWidget* target, QPoint local);

    QString Cursor() const;
    bool AnySymbolShown() const;
};

} // namespace telbo::test
