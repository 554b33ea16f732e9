#pragma once
// The player on a native Wayland compositor. The window draws with the CPU only, yet Qt's
// Wayland client loads the EGL stack (with a software rasteriser where no GPU is present:
// about 50 MiB) for surfaces the player never makes. Shared-memory buffers are all it needs.

#include <QString>

namespace telbo {

// What decides the platform Qt will choose: QT_QPA_PLATFORM, a "-platform" argument,
// WAYLAND_DISPLAY and XDG_SESSION_TYPE.
struct PlatformChoice {
    QString qpaPlatform;   // QT_QPA_PLATFORM ("" when unset)
    QString argument;      // the value of a "-platform" argument ("" when none)
    QString waylandDisplay;
    QString sessionType;
};

// Pure: the platform Qt is about to start may be Wayland. A named platform decides alone;
// otherwise a Wayland display or session counts.
bool MayStartOnWayland(const PlatformChoice& choice);

// Before QApplication: where the platform may be Wayland and the user set no buffer
// integration, asks for none (Qt then uses shared memory) and hides the two lines Qt prints
// about the missing integration. Every other message passes as before.
void AvoidUnusedGraphicsOnWayland(int argc, char** argv);

// The running application is on Wayland: the compositor places the windows, keeps none on
// top at a client's asking and moves them itself. The one test of the platform.
bool OnWayland();

// Ends the process with `status` without Qt's teardown of the Wayland connection, which in
// Qt 6.4 now and then waits forever for its event thread. Call it after every window and
// everything that saves is gone; stdio is flushed first.
[[noreturn]] void EndSkippingWaylandTeardown(int status);

} // namespace telbo
