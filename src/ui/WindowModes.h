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
    // Spreads the strip across the bottom of the work area and locks it. Where the desktop
    // places windows itself the strip keeps its place, no wider than the work area.
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
    // Where the desktop places the windows itself, says once per run in the title line what
    // the player cannot do there and how to get it.
    void SayPlacementNeedsX11();

    Telbo& w;
    bool placementNoteShown_ = false;
};

} // namespace telbo
