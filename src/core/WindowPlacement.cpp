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

} // namespace telbo
