#pragma once

namespace telbo {

class Telbo;

// The two list boxes and the total counters, rebuilt from the collections.
class Collections {
public:
    explicit Collections(Telbo& w) : w(w) {}
    void RefreshLists();
    void ShowCounts();

private:
    Telbo& w;
};

} // namespace telbo
