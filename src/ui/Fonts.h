#pragma once
// The layout's font keys ("Pop14b", "Imp9.75", ...) resolved once to installed faces.

#include <QFont>
#include <QString>

namespace telbo::fonts {

// The font for a key of the layout table; the application default for an empty key.
QFont ForKey(const QString& key);
// The height a label fitted to one line of this font takes, in twips. The display faces
// keep the line of the face the layout was drawn with (a twentieth of a point per twip,
// line = em), so a refitted label keeps the height of its designed box.
double LineTwips(const QFont& font);
// Monochrome media glyphs for the small-mode symbol buttons.
QFont SymbolFont(double pointSize);

} // namespace telbo::fonts
