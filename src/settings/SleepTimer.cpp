#include "settings/SleepTimer.h"

#include "ui/Telbo.h"

namespace telbo {

void SleepTimer::cmbTimer_Click(int) {}
bool SleepTimer::Step() { return false; }

} // namespace telbo
