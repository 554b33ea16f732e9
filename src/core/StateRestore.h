#pragma once

namespace telbo {

class Telbo;

// Brings the window in line with the stored settings by running the user's own operations,
// then opens what the command line names.
class StateRestore {
public:
    explicit StateRestore(Telbo& w) : w(w) {}
    void RestoreState(bool settingsRead);

private:
    Telbo& w;
};

} // namespace telbo
