#include "platform/WaylandClient.h"

#include <QGuiApplication>
#include <QtGlobal>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace telbo {

namespace {
constexpr char kBufferIntegration[] = "QT_WAYLAND_CLIENT_BUFFER_INTEGRATION";

QtMessageHandler g_previousHandler = nullptr;

// Qt warns twice that the integration "none" cannot be loaded; it then uses shared memory,
// which is what was asked for.
bool IsExpectedIntegrationWarning(QtMsgType type, const QMessageLogContext& context,
                                  const QString& text) {
    if (type != QtWarningMsg || !context.category ||
        std::strcmp(context.category, "qt.qpa.wayland") != 0)
        return false;
    return text == QLatin1String("Failed to load client buffer integration: \"none\"") ||
           text.startsWith(QLatin1String("Available client buffer integrations:"));
}

void FilterIntegrationWarnings(QtMsgType type, const QMessageLogContext& context,
                               const QString& text) {
    if (IsExpectedIntegrationWarning(type, context, text)) return;
    if (g_previousHandler) g_previousHandler(type, context, text);
}

QString PlatformArgument(int argc, char** argv) {
    for (int i = 1; i + 1 < argc; ++i)
        if (std::strcmp(argv[i], "-platform") == 0 || std::strcmp(argv[i], "--platform") == 0)
            return QString::fromLocal8Bit(argv[i + 1]);
    return {};
}
} // namespace

bool MayStartOnWayland(const PlatformChoice& choice) {
    // Qt takes the argument over the variable, and the first of a "wayland;xcb" list first.
    const QString named = !choice.argument.isEmpty() ? choice.argument : choice.qpaPlatform;
    if (!named.isEmpty()) return named.startsWith(QLatin1String("wayland"));
    return !choice.waylandDisplay.isEmpty() || choice.sessionType == QLatin1String("wayland");
}

void AvoidUnusedGraphicsOnWayland(int argc, char** argv) {
    if (qEnvironmentVariableIsSet(kBufferIntegration)) return; // the user's own choice
    const PlatformChoice choice{qEnvironmentVariable("QT_QPA_PLATFORM"),
                                PlatformArgument(argc, argv),
                                qEnvironmentVariable("WAYLAND_DISPLAY"),
                                qEnvironmentVariable("XDG_SESSION_TYPE")};
    if (!MayStartOnWayland(choice)) return;
    qputenv(kBufferIntegration, "none");
    g_previousHandler = qInstallMessageHandler(FilterIntegrationWarnings);
}

bool OnWayland() { return QGuiApplication::platformName().startsWith(QLatin1String("wayland")); }

void EndSkippingWaylandTeardown(int status) {
    std::fflush(nullptr);
    std::_Exit(status);
}

} // namespace telbo
