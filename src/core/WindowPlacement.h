#pragma once
// Where to put the main window on start-up. It has no title bar, so a window restored
// off-screen (a monitor unplugged, a hand-edited file) could never be dragged back.

#include <QList>
#include <QPointF>
#include <QRectF>
#include <QSizeF>

namespace telbo {

// How much of the window (twips, each way) must overlap some screen area to count as
// reachable, and how far from an area's corner a rescued window is put.
inline constexpr double kVisibleMarginTwips = 100;
inline constexpr double kRescueOffsetTwips = 300;

// The saved top-left when the window rectangle overlaps some non-empty screen area by at
// least kVisibleMarginTwips both ways (or by the whole window, when it is smaller than
// that); otherwise the top-left of the first non-empty area plus kRescueOffsetTwips each
// way. A non-finite saved position is never visible. No usable area: the saved position.
QPointF VisiblePosition(QPointF savedTopLeftTwips, QSizeF windowSizeTwips,
                        const QList<QRectF>& screenAreasTwips);

// The top-left nearest to `wanted` at which a window of `size` lies whole inside the screen
// area that holds `wanted` (else the area nearest to it): `wanted` itself where the window
// fits. A window larger than its area lines up with the area's left or top edge. No usable
// area: `wanted`.
QPointF WholeInside(QPointF wanted, QSizeF size, const QList<QRectF>& screenAreasTwips);

// `wanted` moved and, where it is larger than the area, shrunk until it lies whole inside the
// screen area that holds its top-left corner (else the area nearest to it): no edge of the
// window passes the area's. A window that fits keeps its size; a window that is not larger
// and lies inside stays as it is. No usable area, or a non-finite corner: `wanted`.
QRectF InsideArea(const QRectF& wanted, const QList<QRectF>& screenAreasTwips);

} // namespace telbo
