#pragma once

#include "core/Modes.h"

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
    // One setter per setting, for the panel, the keys, the desktop and the start-up alike:
    // the value (brought into the settings table's range) goes to the state and the engine,
    // its label and its slider show it, and settingsChanged tells whoever follows.
    void SetVolume(int value);
    void SetSpeed(int hundredths);
    void SetPlayMode(PlayMode mode);
    void SetListEndAction(ListEndAction action);
    // Keeps the volume slider, which shares the NextType row, clear of the NextType value:
    // it starts at `designedLeft` or just after the value's text, and ends where designed.
    void PlaceVolumeSlider(double designedLeft);

private:
    // The slider shows `value`; its change handler does not run for it.
    void ShowOnSlider(int index, int value);

    Telbo& w;
};

} // namespace telbo
