#include "playback/EqualizerPresets.h"

#include "decoder/Records.h"

#include <algorithm>

namespace telbo {

namespace {

const std::array<const char*, 10> kPresetTexts = {
    "",
    "-120,-120,-102,-89,-55,120,120,-120,-120,-120,",
    "65,86,49,0,0,0,0,0,0,0,",
    "-62,-68,-37,-28,0,0,0,0,0,0,",
    "83,0,-25,-71,-80,-71,-25,0,34,40,",
    "120,86,37,0,0,0,55,86,98,102,",
    "-25,0,28,49,62,34,0,-22,-22,-22,",
    "80,58,31,0,-18,-22,0,-31,-52,-62,",
    "-120,-120,0,0,0,-120,-120,-120,-120,-120,",
    "120,120,60,0,0,0,0,0,0,0,",
};

} // namespace

const QStringList& EqualizerPresetNames() {
    static const QStringList names{"Default", "Old radio", "Bass boost", "Bass Cut",
                                   "Classic", "Loudness",  "Pop",        "Rock",
                                   "Telephone", "WooferBoost"};
    return names;
}

QString EqualizerPresetText(int index) {
    if (index < 0 || index >= static_cast<int>(kPresetTexts.size())) return {};
    return QString::fromLatin1(kPresetTexts[static_cast<std::size_t>(index)]);
}

PresetStep NextPresetToken(const QString& rest) {
    const qsizetype comma = rest.indexOf(u',');
    if (comma < 0) return {rest, QString()};
    return {rest.left(comma), rest.mid(comma + 1)};
}

std::array<int, kEqualizerBandCount> ParsePreset(const QString& text) {
    std::array<int, kEqualizerBandCount> gains{};
    QString rest = text;
    for (int& gain : gains) {
        const PresetStep step = NextPresetToken(rest);
        rest = step.rest;
        bool ok = false;
        const long long value = step.token.trimmed().toLongLong(&ok);
        gain = ok ? static_cast<int>(std::clamp<long long>(value, -kEqualizerGainLimit,
                                                           kEqualizerGainLimit))
                  : 0;
    }
    return gains;
}

} // namespace telbo

namespace telbo {

QString EqualizerBandText(int band, int tenthsDb) {
    if (band < 0 || band >= kEqualizerBandCount) return {};
    const int hz = kEqualizerBandHz[static_cast<std::size_t>(band)];
    const QString frequency = hz >= 1000 && hz % 1000 == 0 ? QStringLiteral("%1 kHz").arg(hz / 1000)
                                                           : QStringLiteral("%1 Hz").arg(hz);
    // Whole tenths, so no rounding can print "-0.0".
    const int magnitude = tenthsDb < 0 ? -tenthsDb : tenthsDb;
    const QString sign = tenthsDb > 0   ? QStringLiteral("+")
                         : tenthsDb < 0 ? QStringLiteral("-")
                                        : QString();
    return QStringLiteral("%1: %2%3.%4 dB")
        .arg(frequency, sign)
        .arg(magnitude / 10)
        .arg(magnitude % 10);
}

} // namespace telbo
