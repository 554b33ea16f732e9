#include "playback/EqualizerPanel.h"

#include "decoder/AudioEngine.h"
#include "decoder/Records.h"
#include "playback/EqualizerPresets.h"
#include "ui/Telbo.h"

#include <QScrollBar>

namespace telbo {

void EqualizerPanel::cmbEqualizer_Click(int index) {
    if (index < 0 || index >= EqualizerPresetNames().size()) return;
    PlayerState& st = w.st;
    // While the sliders take the preset one by one, each change only stores its band; the
    // whole preset then goes to the decoder in one update.
    st.EqualizerReady = false;
    const auto gains = ParsePreset(EqualizerPresetText(index)); // "Default" parses to zeros
    for (int band = 0; band < kEqualizerBandCount; ++band)
        w.ui.sclEqualizer[static_cast<std::size_t>(band)]->setValue(
            gains[static_cast<std::size_t>(band)]);
    st.EqualizerReady = true;
    sclEqualizer_Change(0);
}

void EqualizerPanel::ShowBandTip(int index) {
    if (index < 0 || index >= kEqualizerBandCount) return;
    QScrollBar* slider = w.ui.sclEqualizer[static_cast<std::size_t>(index)];
    slider->setToolTip(EqualizerBandText(index, slider->value()));
}

void EqualizerPanel::sclEqualizer_Change(int index) {
    if (index < 0 || index >= kEqualizerBandCount) return;
    PlayerState& st = w.st;
    st.EqualizerBands[static_cast<std::size_t>(index)] =
        w.ui.sclEqualizer[static_cast<std::size_t>(index)]->value();
    ShowBandTip(index);
    // Until the first preset the decoder keeps its own initial equalizer.
    if (!st.EqualizerReady) return;
    w.engine.SetEqualizer(st.EqualizerBands);
    w.engine.ApplyEqualizer();
    emit w.settingsChanged();
}

} // namespace telbo
