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
    // Enters small mode, or leaves it with the window's corner at the double-clicked point.
    void lblBack_DblClick(int index);
    void lblSmallSet_Click(int index);
    void LockToggle();
    // Spreads the strip across the bottom of the work area and locks it.
    void Dock();
    // Places the symbol buttons for the window's current width.
    void LayoutSymbolButtons();

private:
    void EnterSmallMode();
    void LeaveSmallMode();
    // The header band follows the window's width.
    void SetBackWidths();
    // Shows both symbol rows except the dock symbol, which depends on the lock.
    void ShowSymbolRows();

    Telbo& w;
};

} // namespace telbo
