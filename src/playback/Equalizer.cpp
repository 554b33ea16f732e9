#include "playback/Equalizer.h"

#include "ui/Telbo.h"

namespace telbo {

void Equalizer::cmbEqualizer_Click(int) {}
void Equalizer::sclEqualizer_Change(int) {}

} // namespace telbo
