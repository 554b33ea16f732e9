#pragma once

namespace telbo {

class Telbo;

// The equalizer panel of the window: its preset list and the ten band sliders, whose gains
// it sends to the decoder.
class EqualizerPanel {
public:
    explicit EqualizerPanel(Telbo& w) : w(w) {}
    void cmbEqualizer_Click(int index);
    void sclEqualizer_Change(int index);
    // Band `index`'s slider names its frequency and gain in its tooltip.
    void ShowBandTip(int index);

private:
    Telbo& w;
};

} // namespace telbo
