#pragma once

namespace telbo {

class Telbo;

// The sampling-rate and stereo/mono options.
class DecodeOptionsControl {
public:
    explicit DecodeOptionsControl(Telbo& w) : w(w) {}
    void optSmpRate_Click(int index);
    void optStereo_Click(int index);
    void ApplyDecodeOptions();
    // Selects the option button in code, which runs its handler as a user's choice would.
    void SelectSmpRate(int index);
    void SelectStereo(int index);

private:
    Telbo& w;
};

} // namespace telbo
