#pragma once
// Keeping a dragged panel reachable.

#include <QPointF>

namespace telbo {

inline constexpr double kPanelGrip = 100; // twips of a panel left inside the window

// New top-left of a panel after a drag, so at least a grip of it stays inside the window:
// past the right edge -> left = windowWidth - 100; fully left of 0 -> left = 100 - width;
// fully above 0 -> top = 100 - height; below the bottom -> top = windowHeight - 100.
// Applied in that order.
QPointF ClampPanel(double left, double top, double width, double height, double windowWidth,
                   double windowHeight);

} // namespace telbo
