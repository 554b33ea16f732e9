#include "ui/PanelClamp.h"

namespace telbo {

QPointF ClampPanel(double left, double top, double width, double height, double windowWidth,
                   double windowHeight) {
    if (left > windowWidth) left = windowWidth - kPanelGrip;
    if (width + left < 0) left = kPanelGrip - width;
    if (height + top < 0) top = kPanelGrip - height;
    if (top > windowHeight) top = windowHeight - kPanelGrip;
    return {left, top};
}

} // namespace telbo
