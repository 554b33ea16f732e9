#include "EngineSwitches.h"
#include "FirstPaintExit.h"
#include "SignalBridge.h"
#include "app/DeferredEngine.h"
#include "app/EngineAfterPaint.h"
#include "app/EngineModuleLoader.h"
#include "desktop/MprisService.h"
#include "desktop/SingleInstance.h"
#include "platform/DesktopPlatform.h"
#include "platform/WaylandClient.h"
#include "tags/TagFiles.h"
#include "ui/Telbo.h"

#include <QApplication>
#include <QDBusConnection>
#include <QGuiApplication>

#include <cstdio>
#include <memory>

namespace {
// A Wayland compositor lets no window place itself, stay on top or be moved by its own
// drag, and the window does all of that. On a Wayland session with an X server beside it
// (XWayland) the player runs on X11, unless the user chose a platform.
void PreferX11OnWayland() {
    if (qEnvironmentVariableIsSet("QT_QPA_PLATFORM") || qEnvironmentVariableIsEmpty("DISPLAY"))
        return;
    const bool wayland =
        !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") || qgetenv("XDG_SESSION_TYPE") == "wayland";
    if (wayland) qputenv("QT_QPA_PLATFORM", "xcb");
}

// The window is small and what it repaints while a track plays is a strip of the title line
// ten times a second: sent over the X connection each costs one write, where with a
// shared-memory image Qt waits for the server's word that it has read it before the next
// paint, two more wake-ups a step (bench/gui_wakeups.sh). Qt reads the switch when it
// connects; it is taken back then, so that nothing the player starts inherits it. A user's
// own setting stands.
class PaintOverTheX11Connection {
public:
    PaintOverTheX11Connection() : set_(!qEnvironmentVariableIsSet("QT_XCB_NO_MITSHM")) {
        if (set_) qputenv("QT_XCB_NO_MITSHM", "1");
    }
    void Connected() const {
        if (set_) qunsetenv("QT_XCB_NO_MITSHM");
    }

private:
    bool set_;
};
} // namespace

namespace telbo {
// The window's "Scan ReplayGain": the engine's scan on one thread at idle priority, so the
// other core keeps playing.
ReplayGainScanOutcome ScanWithEngine(DeferredEngine& engine, const std::vector<std::string>& paths,
                                     const std::function<void(std::size_t, std::size_t)>& progress,
                                     const std::atomic<bool>& cancel) {
    engine::ReplayGainScanOptions options;
    options.lowPriority = true;
    options.threads = 1;
    options.progress = progress;
    options.cancel = &cancel;
    ReplayGainScanOutcome outcome;
    for (const engine::ReplayGainScanResult& r : engine.ScanReplayGain(paths, options)) {
        if (r.written)
            ++outcome.written;
        else
            outcome.failures.emplace_back(r.path, r.problem);
    }
    return outcome;
}
} // namespace telbo

namespace {
// The player from start to quit; everything it made is gone when this returns.
int RunPlayer() {
    telbo::DesktopPlatform platform;
    // A second start for the same program folder hands its files to the player that runs.
    bool handedOver = false;
    const std::unique_ptr<telbo::SingleInstance> instance = telbo::SingleInstance::Claim(
        QDBusConnection::sessionBus(), platform.programFolder(), platform.commandLineArguments(),
        handedOver);
    if (handedOver) return 0;
    telbo::Engine::Options engineOptions;
    telbo::ApplyEngineSwitches(engineOptions);
    // The decoding and sound libraries are loaded after the first paint; until then the
    // engine keeps what the start-up sets.
    telbo::DeferredEngine engine(
        [engineOptions] { return telbo::LoadEngineModule(engineOptions); });
    telbo::tags::TagFiles tags;
    telbo::Telbo window(engine, tags, platform);
    telbo::SignalBridge bridge(&window);
    telbo::FirstPaintExit firstPaintExit(&window);
    telbo::EngineAfterPaint engineAfterPaint(
        engine, window, [&window](const QString& text) { window.titleBuilder.ShowNotice(text); });
    window.replayGainScan.scanner = [&engine](const std::vector<std::string>& paths,
                                              const auto& progress, const auto& cancel) {
        return telbo::ScanWithEngine(engine, paths, progress, cancel);
    };
    window.lifecycle.StartUp();
    window.show();
    if (instance) {
        instance->Serve([&window](const QStringList& files) {
            window.stateRestore.OpenArguments(files);
            // Brought forward as the desktop allows: a minimised player comes back.
            window.setWindowState(window.windowState() & ~Qt::WindowMinimized);
            window.show();
            window.raise();
            window.activateWindow();
        });
    }
    // The desktop's media keys and controls; without a session bus the player runs as ever.
    const std::unique_ptr<telbo::MprisService> mpris =
        telbo::MprisService::Start(window.remote, QDBusConnection::sessionBus());
    return QApplication::exec();
}
} // namespace

int main(int argc, char** argv) {
    PreferX11OnWayland();
    telbo::AvoidUnusedGraphicsOnWayland(argc, argv);
    const PaintOverTheX11Connection paintOverTheConnection;
    QApplication app(argc, argv);
    paintOverTheConnection.Connected();
    QApplication::setApplicationName(QStringLiteral("telbo"));
    QGuiApplication::setDesktopFileName(QStringLiteral("telbo"));
    const int status = RunPlayer();
    // Settings and lists are saved by now; only Qt's own teardown is left, which can hang.
    if (telbo::OnWayland()) telbo::EndSkippingWaylandTeardown(status);
    return status;
}
