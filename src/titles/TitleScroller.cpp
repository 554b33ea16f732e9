#include "titles/TitleScroller.h"

#include "titles/ScrollStep.h"
#include "ui/Label.h"
#include "ui/Telbo.h"
#include "ui/Twips.h"

#include <QTimer>

#include <algorithm>

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
    w.st.ScrollFlag = true;
    Follow();
}

void TitleScroller::SwitchOff() {
    w.st.ScrollFlag = false;
    Follow();
    tw::SetLeft(w.ui.lblTitle[0], 0);
}

void TitleScroller::WindowShown(bool shown) {
    if (unseen_ == !shown) return;
    unseen_ = !shown;
    if (shown && restingSince_.isValid()) {
        // The ticks missed, taken at once: only the last position is drawn.
        const int interval = std::max(1, w.ui.tmrScroll->interval());
        const qint64 missed = restingSince_.elapsed() / interval;
        Label* title = w.ui.lblTitle[0];
        const int speed = w.st.ScrollSpeed;
        const double width = tw::Width(title);
        const double back = tw::Width(w.ui.lblBack[0]);
        double left = tw::Left(title);
        for (qint64 i = 0; i < missed && speed != 0; ++i)
            left = ScrollStep(left, width, speed, back);
        tw::SetLeft(title, left);
    }
    Follow();
}

void TitleScroller::Follow() {
    const bool run = w.st.ScrollFlag && !unseen_;
    if (run) {
        restingSince_.invalidate();
        w.ui.tmrScroll->start();
        return;
    }
    w.ui.tmrScroll->stop();
    if (w.st.ScrollFlag && !restingSince_.isValid())
        restingSince_.start();
    else if (!w.st.ScrollFlag)
        restingSince_.invalidate();
}

} // namespace telbo
