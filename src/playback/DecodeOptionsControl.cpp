#include "playback/DecodeOptionsControl.h"

#include "ui/Telbo.h"

namespace telbo {

void DecodeOptionsControl::optSmpRate_Click(int) {}
void DecodeOptionsControl::optStereo_Click(int) {}
void DecodeOptionsControl::ApplyDecodeOptions() {}
void DecodeOptionsControl::SelectSmpRate(int) {}
void DecodeOptionsControl::SelectStereo(int) {}

} // namespace telbo
