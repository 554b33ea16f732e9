#pragma once
// Geometry in twips at the widget boundary. The exact twip values a handler wrote are kept
// beside the widget (as properties), so reading back gives what was written, not a value
// rounded through pixels.

#include <QColor>
#include <QPointF>

class QWidget;

namespace telbo::tw {

inline constexpr double kPerPixel = 15.0;

double Left(const QWidget* w);
double Top(const QWidget* w);
double Width(const QWidget* w);
double Height(const QWidget* w);
void SetLeft(QWidget* w, double v);
void SetTop(QWidget* w, double v);
void SetWidth(QWidget* w, double v);
void SetHeight(QWidget* w, double v);
void SetGeometry(QWidget* w, double left, double top, double width, double height);

// A pointer position in pixels (relative to a widget) as twips.
QPointF FromPixels(QPointF px);

// "#RRGGBB" for assertions and for the design tables.
QString ColorText(const QColor& c);

} // namespace telbo::tw
