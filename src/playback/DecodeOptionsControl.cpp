#include "playback/DecodeOptionsControl.h"

#include "playback/Decoder.h"
#include "playback/Transport.h"
#include "ui/Telbo.h"

#include <QRadioButton>

namespace telbo {

namespace {
constexpr int kRateChoices = 3;   // "1/1", "1/2", "1/4"
constexpr int kStereoChoices = 2; // "Stereo", "Mono"
constexpr std::int32_t kThirdOption = 24000;
} // namespace

void DecodeOptionsControl::optSmpRate_Click(int index) {
    if (index < 0 || index >= kRateChoices) return;
    w.st.SamplingRate = static_cast<std::int16_t>(index);
    ApplyDecodeOptions();
}

void DecodeOptionsControl::optStereo_Click(int index) {
    if (index < 0 || index >= kStereoChoices) return;
    w.st.StereoConf = static_cast<std::int16_t>(index);
    ApplyDecodeOptions();
}

void DecodeOptionsControl::ApplyDecodeOptions() {
    // The decoder takes new options only at the next open: stop now rather than let the
    // playing track go on with the old ones.
    w.transport.lblPlaySet_Click(Transport::Stop);
    w.st.DecodeOptions = {w.st.SamplingRate, w.st.StereoConf, kThirdOption};
    w.decoder.vbmp3_setDecodeOption(w.st.DecodeOptions);
    emit w.settingsChanged();
}

// A choice without a button (a damaged settings file) falls back to the first option, so
// that what is shown, stored and sent agree.
void DecodeOptionsControl::SelectSmpRate(int index) {
    if (index < 0 || index >= kRateChoices) index = 0;
    w.ui.optSmpRate[static_cast<std::size_t>(index)]->setChecked(true);
    optSmpRate_Click(index);
}

void DecodeOptionsControl::SelectStereo(int index) {
    if (index < 0 || index >= kStereoChoices) index = 0;
    w.ui.optStereo[static_cast<std::size_t>(index)]->setChecked(true);
    optStereo_Click(index);
}

} // namespace telbo
