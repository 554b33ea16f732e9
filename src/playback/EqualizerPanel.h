#pragma once

namespace telbo {

class Telbo;

// The preset list and the ten band sliders.
class EqualizerPanel {
public:
    explicit EqualizerPanel(Telbo& w) : w(w) {}
    void cmbEqualizer_Click(int index);
    void sclEqualizer_Change(int index);

private:
    Telbo& w;
};

} // namespace telbo
