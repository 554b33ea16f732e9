#pragma once
// The equalizer's built-in presets, kept as the comma-terminated texts the player reads them
// from.

#include "decoder/Records.h"

#include <QString>
#include <QStringList>

#include <array>

namespace telbo {

inline constexpr int kEqualizerBandCount = 10;
inline constexpr int kEqualizerGainLimit = kEqualizerGainRange.high; // tenths of dB either way

// "Default", "Old radio", "Bass boost", "Bass Cut", "Classic", "Loudness", "Pop", "Rock",
// "Telephone", "WooferBoost".
const QStringList& EqualizerPresetNames();

// Gains of bands 0..9, each followed by ","; "" for Default (all zero) and unknown indexes.
QString EqualizerPresetText(int index);

struct PresetStep {
    QString token; // text before the first ","
    QString rest;  // text after it
};

// Splits off one value; without a comma the whole text is the token and rest is "".
PresetStep NextPresetToken(const QString& rest);

// A band slider's tooltip: its centre frequency and gain, "1 kHz: +3.5 dB", "60 Hz: -12.0 dB".
QString EqualizerBandText(int band, int tenthsDb);

// Ten gains read with NextPresetToken. A token that is not a whole number gives 0 (as do
// missing ones); values are clamped to -120..120.
std::array<int, kEqualizerBandCount> ParsePreset(const QString& text);

} // namespace telbo
