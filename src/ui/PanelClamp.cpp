#include "ui/PanelClamp.h"

#include <cmath>
#include <limits>

namespace telbo {

QPointF ClampPanel(double left, double top, double width, double height, double windowWidth,
                   double windowHeight) {
    if (left > windowWidth) left = windowWidth - kPanelGrip;
    if (width + left < 0) left = kPanelGrip - width;
    if (height + top < 0) top = kPanelGrip - height;
    if (top > windowHeight) top = windowHeight - kPanelGrip;
    return {left, top};
}

int ToTwips(double pixels) {
    const double twips = std::round(pixels * kTwipsPerPixel);
    if (std::isnan(twips)) return 0;
    if (twips >= static_cast<double>(std::numeric_limits<int>::max()))
        return std::numeric_limits<int>::max();
    if (twips <= static_cast<double>(std::numeric_limits<int>::min()))
        return std::numeric_limits<int>::min();
    return static_cast<int>(twips);
}

} // namespace telbo
