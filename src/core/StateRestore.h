#pragma once

#include <QStringList>

namespace telbo {

class Telbo;

// Brings the window in line with the stored settings by running the user's own operations,
// then opens what the command line names.
class StateRestore {
public:
    explicit StateRestore(Telbo& w) : w(w) {}
    void RestoreState(bool settingsRead);
    // Opens what a command line names (absolute paths) and plays the first track, or the
    // first list file's tracks; as the program's own arguments at start-up.
    void OpenArguments(const QStringList& arguments);

private:
    Telbo& w;
};

} // namespace telbo
