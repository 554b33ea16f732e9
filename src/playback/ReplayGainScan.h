#pragma once
// "Scan ReplayGain" of the window's menu: measures the shown track list off the GUI thread and
// writes the gains into the files' tags, with its progress in the title line. The measuring
// itself is the program's (the engine's) and is handed in, so the player links no decoder.

#include <QObject>
#include <QStringList>

#include <atomic>
#include <cstddef>
#include <functional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace telbo {

class Telbo;

// What a scan did: the files it could not write, each with the reason.
struct ReplayGainScanOutcome {
    std::size_t written = 0;
    std::vector<std::pair<std::string, std::string>> failures; // path, why
};
// Scans `paths` and writes their tags; `progress(done, total)` may come from any thread;
// stops early once `cancel` is set. Blocking: run it on a thread of its own.
using ReplayGainScanner = std::function<ReplayGainScanOutcome(
    const std::vector<std::string>& paths,
    const std::function<void(std::size_t, std::size_t)>& progress, const std::atomic<bool>& cancel)>;

class ReplayGainScan final : public QObject {
public:
    explicit ReplayGainScan(Telbo& w) : w(w) {}
    ~ReplayGainScan() override;

    // Set by the program; without it the menu has no scan.
    ReplayGainScanner scanner;
    bool available() const { return static_cast<bool>(scanner); }
    bool running() const { return worker_.joinable(); }
    // Starts a scan of the track list, or cancels the one running.
    void StartOrCancel();
    // Cancels and waits for the worker (shut-down).
    void Stop();

private:
    void Finished(const ReplayGainScanOutcome& outcome, std::size_t total);

    Telbo& w;
    std::thread worker_;
    std::atomic<bool> cancel_{false};
};

// The title line's words at the end of a scan.
QString ReplayGainScanReport(const ReplayGainScanOutcome& outcome, std::size_t total, bool cancelled);

} // namespace telbo
