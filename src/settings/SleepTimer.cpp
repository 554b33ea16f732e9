#include "settings/SleepTimer.h"

#include "settings/ConfigValues.h"
#include "ui/Label.h"
#include "ui/Telbo.h"

#include <QComboBox>
#include <QScrollBar>

namespace telbo {

void SleepTimer::cmbTimer_Click(int index) {
    // The list is editable: anything but one of its entries chooses nothing.
    if (index < 0 || index >= w.ui.cmbTimer->count()) return;
    w.st.TimerType = static_cast<std::int16_t>(index);
    w.ui.lblConfValue[9]->setCaption(w.ui.cmbTimer->itemText(index));
    emit w.settingsChanged();
}

bool SleepTimer::Step() {
    const SleepStepResult r = SleepStep(w.st.TimerCount, w.st.TimerType);
    if (!r.counted) return false;
    w.st.TimerCount = static_cast<std::int16_t>(r.count);
    // The slider's handler shows the tracks left, or "Off" in grey at 0.
    w.ui.sclConfig[4]->setValue(r.count);
    switch (r.action) {
    case SleepAction::None:
        return false;
    case SleepAction::MusicStop:
        w.transport.lblPlaySet_Click(Transport::Stop);
        return true;
    case SleepAction::PlayerEnd:
        // Closing runs the shut-down, which saves the settings when that is on.
        w.close();
        return true;
    case SleepAction::PowerOff:
        w.transport.lblPlaySet_Click(Transport::Stop);
        w.ShowPowerOffDialog();
        return true;
    }
    return false;
}

} // namespace telbo
