#pragma once
// Numbers as the settings file writes and reads them: plain decimal text, C locale only,
// whatever the user's locale says. Shared by the settings reader and writer.

#include <QString>
#include <QStringView>

#include <optional>

namespace telbo {

// Decimal text "[blanks][+|-]digits[.digits][blanks]" (digits may be missing on one side of
// the point, not both) rounded to the nearest whole number, a half to even ("2.5" -> 2,
// "3.5" -> 4, "-2.5" -> -2). Any length of digits is accepted; magnitudes beyond 10^15
// saturate at +/-10^15 so callers can range-check without overflow. nullopt when the text is
// not of that form (exponents, "inf", "nan", hex, embedded blanks are refused).
std::optional<long long> ParseRoundedInteger(QStringView text);

// Same as ParseRoundedInteger but only -32768..32767 after rounding; nullopt otherwise.
std::optional<short> ParseInt16(QStringView text);

// The same decimal form converted to a finite double; nullopt when malformed or when the
// value does not fit a double.
std::optional<double> ParseDecimal(QStringView text);

// "True"/"False" in any letter case, or a decimal number (0 false, anything else true), with
// surrounding blanks allowed. nullopt otherwise.
std::optional<bool> ParseBoolean(QStringView text);

// A twip coordinate or width: a whole number without a point ("1234", "-15"), otherwise the
// fewest digits that read back to the same double ("12.5"). Never an exponent. Non-finite
// input is written as "0" (the file has no way to say "unknown").
QString FormatTwips(double value);

} // namespace telbo
