#include "core/NumberText.h"

#include <QLocale>

#include <charconv>
#include <cmath>
#include <string>

namespace telbo {
namespace {

constexpr long long kSaturation = 1'000'000'000'000'000LL; // 10^15

bool IsBlank(QChar c) { return c == u' ' || c == u'\t'; }
bool IsDigit(QChar c) { return c >= u'0' && c <= u'9'; }

struct Decimal {
    bool negative = false;
    QStringView whole;    // digits before the point (may be empty)
    QStringView fraction; // digits after the point (may be empty)
};

std::optional<Decimal> ScanDecimal(QStringView text) {
    qsizetype b = 0;
    qsizetype e = text.size();
    while (b < e && IsBlank(text[b])) ++b;
    while (e > b && IsBlank(text[e - 1])) --e;
    Decimal d;
    if (b < e && (text[b] == u'+' || text[b] == u'-')) {
        d.negative = text[b] == u'-';
        ++b;
    }
    qsizetype i = b;
    while (i < e && IsDigit(text[i])) ++i;
    d.whole = text.sliced(b, i - b);
    if (i < e && text[i] == u'.') {
        const qsizetype f = ++i;
        while (i < e && IsDigit(text[i])) ++i;
        d.fraction = text.sliced(f, i - f);
    }
    if (i != e || (d.whole.isEmpty() && d.fraction.isEmpty())) return std::nullopt;
    return d;
}

} // namespace

std::optional<long long> ParseRoundedInteger(QStringView text) {
    const auto d = ScanDecimal(text);
    if (!d) return std::nullopt;
    long long magnitude = 0;
    for (QChar c : d->whole) {
        magnitude = magnitude * 10 + (c.unicode() - u'0');
        if (magnitude >= kSaturation) { // the rest cannot bring it back into any range
            magnitude = kSaturation;
            break;
        }
    }
    if (magnitude < kSaturation && !d->fraction.isEmpty()) {
        const int first = d->fraction[0].unicode() - u'0';
        bool restNonZero = false;
        for (qsizetype k = 1; k < d->fraction.size() && !restNonZero; ++k)
            restNonZero = d->fraction[k] != u'0';
        const bool up = first > 5 || (first == 5 && (restNonZero || magnitude % 2 == 1));
        if (up) ++magnitude;
    }
    return d->negative ? -magnitude : magnitude;
}

std::optional<short> ParseInt16(QStringView text) {
    const auto v = ParseRoundedInteger(text);
    if (!v || *v < -32768 || *v > 32767) return std::nullopt;
    return static_cast<short>(*v);
}

std::optional<double> ParseDecimal(QStringView text) {
    const auto d = ScanDecimal(text);
    if (!d) return std::nullopt;
    // Rebuild a canonical ASCII form; from_chars ignores the process locale.
    std::string ascii;
    ascii.reserve(static_cast<std::size_t>(d->whole.size() + d->fraction.size() + 3));
    if (d->negative) ascii += '-';
    ascii += d->whole.isEmpty() ? std::string("0") : d->whole.toLatin1().toStdString();
    if (!d->fraction.isEmpty()) {
        ascii += '.';
        ascii += d->fraction.toLatin1().toStdString();
    }
    double value = 0;
    const auto [end, ec] = std::from_chars(ascii.data(), ascii.data() + ascii.size(), value);
    if (ec != std::errc() || end != ascii.data() + ascii.size() || !std::isfinite(value))
        return std::nullopt;
    return value + 0.0; // "-0" reads as 0
}

std::optional<bool> ParseBoolean(QStringView text) {
    const QStringView t = text.trimmed();
    if (t.compare(u"True", Qt::CaseInsensitive) == 0) return true;
    if (t.compare(u"False", Qt::CaseInsensitive) == 0) return false;
    const auto d = ScanDecimal(text);
    if (!d) return std::nullopt;
    const auto nonZero = [](QStringView digits) {
        for (QChar c : digits)
            if (c != u'0') return true;
        return false;
    };
    return nonZero(d->whole) || nonZero(d->fraction);
}

QString FormatTwips(double value) {
    if (!std::isfinite(value) || value == 0) return QStringLiteral("0");
    return QString::number(value, 'f', QLocale::FloatingPointShortest);
}

} // namespace telbo
