#include "core/WindowPlacement.h"

#include <algorithm>
#include <cmath>

namespace telbo {

QPointF VisiblePosition(QPointF saved, QSizeF size, const QList<QRectF>& areas) {
    const QRectF* first = nullptr;
    for (const QRectF& a : areas)
        if (a.isValid()) {
            first = &a;
            break;
        }
    if (!first) return saved;
    if (!std::isfinite(saved.x()) || !std::isfinite(saved.y())) return first->topLeft() +
        QPointF(kRescueOffsetTwips, kRescueOffsetTwips);

    const double w = std::max(0.0, size.width());
    const double h = std::max(0.0, size.height());
    const double needW = std::min(kVisibleMarginTwips, w);
    const double needH = std::min(kVisibleMarginTwips, h);
    for (const QRectF& a : areas) {
        if (!a.isValid()) continue;
        const double overlapW = std::min(saved.x() + w, a.right()) - std::max(saved.x(), a.left());
        const double overlapH = std::min(saved.y() + h, a.bottom()) - std::max(saved.y(), a.top());
        if (overlapW >= needW && overlapH >= needH) return saved;
    }
    return first->topLeft() + QPointF(kRescueOffsetTwips, kRescueOffsetTwips);
}

namespace {
// The area that holds `wanted`, else the nearest one; null when none is usable.
const QRectF* AreaFor(QPointF wanted, const QList<QRectF>& areas) {
    const QRectF* area = nullptr;
    double nearest = 0;
    for (const QRectF& a : areas) {
        if (!a.isValid()) continue;
        const double dx = std::max({a.left() - wanted.x(), 0.0, wanted.x() - a.right()});
        const double dy = std::max({a.top() - wanted.y(), 0.0, wanted.y() - a.bottom()});
        const double distance = dx * dx + dy * dy;
        if (!area || distance < nearest) {
            area = &a;
            nearest = distance;
        }
    }
    return area;
}
} // namespace

QPointF WholeInside(QPointF wanted, QSizeF size, const QList<QRectF>& areas) {
    const QRectF* area = AreaFor(wanted, areas);
    if (!area || !std::isfinite(wanted.x()) || !std::isfinite(wanted.y())) return wanted;
    const double x = std::max(std::min(wanted.x(), area->right() - size.width()), area->left());
    const double y = std::max(std::min(wanted.y(), area->bottom() - size.height()), area->top());
    return {x, y};
}

QRectF InsideArea(const QRectF& wanted, const QList<QRectF>& areas) {
    const QRectF* area = AreaFor(wanted.topLeft(), areas);
    if (!area || !std::isfinite(wanted.x()) || !std::isfinite(wanted.y())) return wanted;
    const QSizeF size(std::min(wanted.width(), area->width()),
                      std::min(wanted.height(), area->height()));
    return {WholeInside(wanted.topLeft(), size, {*area}), size};
}

} // namespace telbo
