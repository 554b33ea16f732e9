#include "ui/Fonts.h"

#include "ui/Twips.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QHash>
#include <QRegularExpression>
#include <QStringList>

#include <cmath>

namespace telbo::fonts {

namespace {

// The first installed family of the list, else the generic fall-back.
QString FirstInstalled(const QStringList& families, const QString& fallback) {
    const QStringList installed = QFontDatabase::families();
    for (const QString& f : families)
        if (installed.contains(f, Qt::CaseInsensitive)) return f;
    return fallback;
}

struct Families {
    QString pop, imp, pg, symbols;
    // The stand-in display faces draw larger than the face the layout was drawn with at the
    // same point size (their line box is about 1.45 em against 1.0): scaled down, the
    // captions fit the boxes of the layout, "PowerOff" and "Open" whole.
    double popScale = 1.0;
};

double PopScale(const QString& family) {
    if (family == QStringLiteral("RocknRoll One")) return 0.85;
    if (family == QStringLiteral("Reggae One")) return 0.88;
    return 1.0;
}

const Families& Resolved() {
    static const Families families = [] {
        Families f{
        FirstInstalled({QStringLiteral("RocknRoll One"), QStringLiteral("Reggae One")},
                       QStringLiteral("Sans Serif")),
        FirstInstalled({QStringLiteral("Liberation Sans Narrow"), QStringLiteral("DejaVu Sans Condensed")},
                       QStringLiteral("Sans Serif")),
        // The proportional gothic of the tag panel: a Latin face with Arial's widths. Other
        // scripts still show through the font fallback, which loads a CJK face only when a
        // tag needs one (loading it at start costs about 5 MiB).
        FirstInstalled({QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")},
                       QStringLiteral("Sans Serif")),
        FirstInstalled({QStringLiteral("Noto Sans Symbols2"), QStringLiteral("Symbola")},
                       QStringLiteral("Sans Serif")),
        };
        f.popScale = PopScale(f.pop);
        return f;
    }();
    return families;
}

} // namespace

QFont ForKey(const QString& key) {
    static QHash<QString, QFont> cache;
    if (key.isEmpty()) return QFont();
    if (auto it = cache.constFind(key); it != cache.constEnd()) return *it;

    // Key = family prefix, size, optional "b" for bold: "Pop14b", "PopF27b", "Imp9.75".
    static const QRegularExpression re(QStringLiteral("^([A-Za-z]+?)([0-9.]+)(b?)$"));
    const auto m = re.match(key);
    QFont font;
    if (m.hasMatch()) {
        const QString family = m.captured(1);
        const Families& f = Resolved();
        if (family.startsWith(QStringLiteral("Pop"))) font.setFamily(f.pop);
        else if (family == QStringLiteral("Imp")) font.setFamily(f.imp);
        else if (family == QStringLiteral("Wd")) font.setFamily(f.symbols);
        else font.setFamily(f.pg);
        const bool pop = family.startsWith(QStringLiteral("Pop"));
        font.setPointSizeF(m.captured(2).toDouble() * (pop ? f.popScale : 1.0));
        // The condensed stand-in for the heavy Impact face is only heavy in bold.
        font.setBold(!m.captured(3).isEmpty() || family == QStringLiteral("Imp"));
    }
    cache.insert(key, font);
    return font;
}

double LineTwips(const QFont& font) {
    const Families& f = Resolved();
    if (font.family() == f.pop && f.popScale != 1.0) return std::round(font.pointSizeF() / f.popScale * 20.0);
    return std::ceil(QFontMetricsF(font).height()) * tw::kPerPixel;
}

QFont SymbolFont(double pointSize) {
    QFont font(Resolved().symbols);
    font.setPointSizeF(pointSize);
    return font;
}

} // namespace telbo::fonts
