#pragma once

#include <QString>

namespace telbo {

class Telbo;

// Start-up (from the creation of the main window to its first appearance) and shut-down.
class Lifecycle {
public:
    explicit Lifecycle(Telbo& w) : w(w) {}
    // Start-up steps 1-8, then the state restore and the command line.
    void StartUp();
    // Releases the decoder, saves the settings when ConfigSave is on. Runs once.
    void ShutDown();
    bool settingsRead() const { return settingsRead_; }
    bool shutDownDone() const { return shutDownDone_; }
    // Inside StartUp (the state restore and the command line included).
    bool startingUp() const { return startingUp_; }
    // A word for the title line once the start-up is done (the first one given wins).
    void AddStartNotice(const QString& text);

private:
    Telbo& w;
    bool settingsRead_ = false;
    bool shutDownDone_ = false;
    bool startingUp_ = false;
    QString startNotice_;
};

} // namespace telbo
