#include "playback/DecodeOptionsControl.h"

#include "decoder/AudioEngine.h"
#include "decoder/Records.h"
#include "playback/Transport.h"
#include "ui/Telbo.h"

#include <QRadioButton>

namespace telbo {

namespace {
constexpr int kRateChoices = static_cast<int>(DecodeRate::Quarter) + 1; // "1/1", "1/2", "1/4"
constexpr int kStereoChoices = static_cast<int>(DecodeChannels::Mono) + 1; // "Stereo", "Mono"
} // namespace

void DecodeOptionsControl::optSmpRate_Click(int index) {
    if (index < 0 || index >= kRateChoices) return;
    w.st.SamplingRate = static_cast<DecodeRate>(index);
    ApplyDecodeOptions();
}

void DecodeOptionsControl::optStereo_Click(int index) {
    if (index < 0 || index >= kStereoChoices) return;
    w.st.StereoConf = static_cast<DecodeChannels>(index);
    ApplyDecodeOptions();
}

void DecodeOptionsControl::ApplyDecodeOptions() {
    // The engine takes new options only at the next open: stop now rather than let the
    // playing track go on with the old ones.
    w.transport.lblPlaySet_Click(Transport::Stop);
    w.st.DecodeOptions = {w.st.SamplingRate, w.st.StereoConf};
    w.engine.SetDecodeOptions(w.st.DecodeOptions);
    emit w.settingsChanged();
}

// A choice without a button (a damaged settings file) falls back to the first option, so
// that what is shown, stored and sent agree.
void DecodeOptionsControl::SelectSmpRate(DecodeRate rate) {
    int index = static_cast<int>(rate);
    if (index < 0 || index >= kRateChoices) index = 0;
    w.ui.optSmpRate[static_cast<std::size_t>(index)]->setChecked(true);
    optSmpRate_Click(index);
}

void DecodeOptionsControl::SelectStereo(DecodeChannels channels) {
    int index = static_cast<int>(channels);
    if (index < 0 || index >= kStereoChoices) index = 0;
    w.ui.optStereo[static_cast<std::size_t>(index)]->setChecked(true);
    optStereo_Click(index);
}

} // namespace telbo
