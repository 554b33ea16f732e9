#pragma once

#include "decoder/Records.h"

namespace telbo {

class Telbo;

// The sampling-rate and stereo/mono options.
class DecodeOptionsControl {
public:
    explicit DecodeOptionsControl(Telbo& w) : w(w) {}
    // `index` is the option button's: the DecodeRate / DecodeChannels number.
    void optSmpRate_Click(int index);
    void optStereo_Click(int index);
    void ApplyDecodeOptions();
    // Selects the option button in code, which runs its handler as a user's choice would.
    void SelectSmpRate(DecodeRate rate);
    void SelectStereo(DecodeChannels channels);

private:
    Telbo& w;
};

} // namespace telbo
