#include "core/TimeText.h"

#include <algorithm>
#include <cstdlib>

namespace telbo {

namespace {
constexpr int kSliderLimit = 32767;
} // namespace

QString TimeText(qint32 seconds) {
    if (seconds < 0) seconds = 0;
    return QStringLiteral("%1:%2").arg(seconds / 60, 2, 10, QChar(u'0')).arg(seconds % 60, 2, 10,
                                                                             QChar(u'0'));
}

QString ClockText(qint32 elapsed, qint32 length, bool remaining) {
    if (!remaining || length <= 0) return TimeText(elapsed);
    const qint64 left = std::max<qint64>(0, qint64{length} - std::max<qint32>(elapsed, 0));
    return u'-' + TimeText(static_cast<qint32>(left));
}

QString PositionText(qint32 elapsed, qint32 length) {
    return TimeText(elapsed) + QStringLiteral(" / ") + TimeText(length);
}

QString SpeedText(int hundredths) {
    // Whole numbers only: a double would print 0.29 for 29 only by luck of rounding.
    const qint64 value = hundredths;
    const qint64 magnitude = std::llabs(value);
    return QStringLiteral("%1%2.%3")
        .arg(value < 0 ? QStringLiteral("-") : QString())
        .arg(magnitude / 100)
        .arg(magnitude % 100, 2, 10, QChar(u'0'));
}

int SliderValue(qint32 seconds, int maximum) {
    const int top = std::max(0, std::min(maximum, kSliderLimit));
    return std::clamp<qint32>(seconds, 0, top);
}

} // namespace telbo
