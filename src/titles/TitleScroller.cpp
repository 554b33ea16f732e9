#include "titles/TitleScroller.h"

#include "titles/ScrollStep.h"
#include "ui/Label.h"
#include "ui/Telbo.h"
#include "ui/Twips.h"

#include <QTimer>

namespace telbo {

void TitleScroller::tmrScroll_Timer() {
    Label* title = w.ui.lblTitle[0];
    const int speed = w.st.ScrollSpeed;
    if (speed == 0) return;
    // Positions stay real numbers in twips: rounding to pixels on every tick would drift.
    const double left = tw::Left(title);
    const double next = ScrollStep(left, tw::Width(title), speed, tw::Width(w.ui.lblBack[0]));
    tw::SetLeft(title, next);
}

void TitleScroller::SwitchOn() {
    w.ui.tmrScroll->start();
    w.st.ScrollFlag = true;
}

void TitleScroller::SwitchOff() {
    w.ui.tmrScroll->stop();
    w.st.ScrollFlag = false;
    tw::SetLeft(w.ui.lblTitle[0], 0);
}

} // namespace telbo
