#include "ui/WindowModes.h"

#include "ui/Telbo.h"

namespace telbo {

void WindowModes::lblDown_Click(int) {}
void WindowModes::lblClose_Click(int) {}
void WindowModes::lblPlayerControl_Click(int) {}
void WindowModes::lblBack_DblClick(int) {}
void WindowModes::lblSmallSet_Click(int) {}
void WindowModes::LockToggle() {}
void WindowModes::Dock() {}
void WindowModes::LayoutSymbolButtons() {}

} // namespace telbo
