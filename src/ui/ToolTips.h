#pragma once
// What each command of the window does, as its tooltip: "Caption: what a click does".

#include <QString>

namespace telbo {

// The tooltip of the control `fullName` ("lblPlaySet(3)") while it shows `caption`; empty for
// controls that do nothing when clicked.
QString ToolTipFor(const QString& fullName, const QString& caption);

} // namespace telbo
