#pragma once

namespace telbo {

class Telbo;

// The "Config" panel's ten rows and its "Default" and "Window" buttons.
class SettingsPanel {
public:
    explicit SettingsPanel(Telbo& w) : w(w) {}
    void lblConf_Click(int index);
    void lblConfValue_Click(int index);
    void sclConfig_Change(int index);
    void lblDefault_Click(int index);
    // Puts the state's values on the sliders that show a stored setting and runs each
    // slider's change handler once, as a move of the slider would.
    void ShowStoredValues();
    // Keeps the volume slider, which shares the NextType row, clear of the NextType value:
    // it starts at `designedLeft` or just after the value's text, and ends where designed.
    void PlaceVolumeSlider(double designedLeft);

private:
    Telbo& w;
};

} // namespace telbo
