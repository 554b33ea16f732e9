#pragma once

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

private:
    Telbo& w;
};

} // namespace telbo
