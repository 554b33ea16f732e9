#include "titles/TitleScroller.h"

#include "ui/Telbo.h"

namespace telbo {

void TitleScroller::tmrScroll_Timer() {}
void TitleScroller::SwitchOn() {}
void TitleScroller::SwitchOff() {}

} // namespace telbo
