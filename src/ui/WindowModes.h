#pragma once

namespace telbo {

class Telbo;

// Fold, settings panel, panel close, lock, minimise, close, small mode and dock.
class WindowModes {
public:
    explicit WindowModes(Telbo& w) : w(w) {}
    void lblDown_Click(int index);
    void lblClose_Click(int index);
    void lblPlayerControl_Click(int index);
    void lblBack_DblClick(int index);
    void lblSmallSet_Click(int index);
    void LockToggle();
    void Dock();
    // Places the symbol buttons for the window's current width.
    void LayoutSymbolButtons();

private:
    Telbo& w;
};

} // namespace telbo
