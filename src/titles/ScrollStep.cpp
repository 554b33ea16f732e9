#include "titles/ScrollStep.h"

namespace telbo {

double ScrollStep(double left, double width, int speed, double backPanelWidth) {
    if (speed < 0) return left + width < 0 ? backPanelWidth : left + speed;
    if (speed >= 1) return left >= kScrollRightLimit ? -width : left + speed;
    return left;
}

} // namespace telbo
