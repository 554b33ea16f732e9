#pragma once

namespace telbo {

class Telbo;

// Counts finished tracks and carries out the timer action when the count runs out.
class SleepTimer {
public:
    explicit SleepTimer(Telbo& w) : w(w) {}
    void cmbTimer_Click(int index);
    // The step inside the play clock's tick for a track that has ended. True when the tick
    // must end here.
    bool Step();

private:
    Telbo& w;
};

} // namespace telbo
