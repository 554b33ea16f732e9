#pragma once

#include <QElapsedTimer>

namespace telbo {

class Telbo;

// Moves the title line sideways like a ticker while scrolling is on.
class TitleScroller {
public:
    explicit TitleScroller(Telbo& w) : w(w) {}
    void tmrScroll_Timer();
    // Enables the scroll timer.
    void SwitchOn();
    // Disables it and puts the title back at the left edge.
    void SwitchOff();
    // The window was minimised or hidden (false), or is seen again (true). Unseen, the ticker
    // rests instead of waking the player ten times a second; seen again, the title stands
    // where the missed ticks would have taken it, and moves on.
    void WindowShown(bool shown);

private:
    // Whether the timer should run: scrolling is on and the window is seen.
    void Follow();

    Telbo& w;
    bool unseen_ = false;
    QElapsedTimer restingSince_; // valid while scrolling is on in an unseen window
};

} // namespace telbo
