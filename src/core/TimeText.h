#pragma once
// Texts and slider values of the play clock.

#include <QString>
#include <QtGlobal>

namespace telbo {

// "mm:ss", minutes growing past two digits: 187 -> "03:07", 6000 -> "100:00".
// Negative times show "00:00".
QString TimeText(qint32 seconds);

// The clock label: the time played, or with `remaining` the time left as "-03:12" (never
// below "-00:00"). A length of 0 (none known, nothing open) shows the time played.
QString ClockText(qint32 elapsed, qint32 length, bool remaining);

// The track's position out of its length: "01:02 / 04:10".
QString PositionText(qint32 elapsed, qint32 length);

// Speed in hundredths as a factor with two decimals: 20 -> "0.20", 300 -> "3.00".
QString SpeedText(int hundredths);

// Position slider value: seconds clamped to 0..min(maximum, 32767), so tracks longer than the
// slider's range and elapsed times past the length never fail. A negative maximum gives 0.
int SliderValue(qint32 seconds, int maximum);

} // namespace telbo
