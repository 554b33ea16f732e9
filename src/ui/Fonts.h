#pragma once
// The layout's font keys ("Pop14b", "Imp9.75", ...) resolved once to installed faces.

#include <QFont>
#include <QString>

namespace telbo::fonts {

// The font for a key of the layout table; the application default for an empty key.
QFont ForKey(const QString& key);
// Monochrome media glyphs for the small-mode symbol buttons.
QFont SymbolFont(double pointSize);

} // namespace telbo::fonts
