#pragma once

namespace telbo {

class Telbo;

// The two list boxes and the total counters, rebuilt from the collections.
class Collections {
public:
    explicit Collections(Telbo& w) : w(w) {}
    void RefreshLists();
    // The totals; the selected-row counter reads 0 when there is no track.
    void ShowCounts();
    // The current track's number in the header (PlayPoint + 1; 0 before the first track).
    void ShowPlayPoint();

private:
    Telbo& w;
};

} // namespace telbo
