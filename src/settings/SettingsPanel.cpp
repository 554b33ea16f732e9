#include "settings/SettingsPanel.h"

#include "ui/Telbo.h"

namespace telbo {

void SettingsPanel::lblConf_Click(int) {}
void SettingsPanel::lblConfValue_Click(int) {}
void SettingsPanel::sclConfig_Change(int) {}
void SettingsPanel::sclConfig_Scroll(int index) { sclConfig_Change(index); }
void SettingsPanel::lblDefault_Click(int) {}

} // namespace telbo
