#pragma once
// The right-click menu of the window's background and header: the settings that have no
// designed control. Built afresh each time it opens, so it always shows the values as they are.

#include <QPoint>

class QMenu;
class QWidget;

namespace telbo {

class Telbo;

class ContextMenu {
public:
    explicit ContextMenu(Telbo& w) : w(w) {}
    // The menu with every entry, owned by `parent`'s object tree (deleted when it closes).
    QMenu* Build(QWidget* parent);
    // Opens it at `globalPos` (screen pixels) without blocking the window.
    void Popup(const QPoint& globalPos);

private:
    // Mode, pre-amps, clipping prevention and the scan.
    void AddReplayGain(QMenu* menu);
    // The sound server's outputs, the default first, the current choice checked.
    void AddOutput(QMenu* menu);

    Telbo& w;
};

} // namespace telbo
