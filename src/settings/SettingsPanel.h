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
    // The volume (0..100) and the speed (hundredths) as their sliders set them; the slider
    // shows the value, brought into its range.
    void SetVolume(int value) { SetSlider(0, value); }
    void SetSpeed(int value) { SetSlider(1, value); }
    // Keeps the volume slider, which shares the NextType row, clear of the NextType value:
    // it starts at `designedLeft` or just after the value's text, and ends where designed.
    void PlaceVolumeSlider(double designedLeft);

private:
    void SetSlider(int index, int value);

    Telbo& w;
};

} // namespace telbo
