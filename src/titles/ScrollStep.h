#pragma once
// One timer tick of the scrolling title.

namespace telbo {

// The right edge past which a title moving right wraps round to the left.
inline constexpr double kScrollRightLimit = 5475;

// Next left position of a title `width` wide moving `speed` per tick. Moving left, once the
// title has left the panel completely it re-enters at `backPanelWidth`; moving right, once its
// left reaches kScrollRightLimit it re-enters at -width. Speed 0 keeps it still.
double ScrollStep(double left, double width, int speed, double backPanelWidth);

} // namespace telbo
