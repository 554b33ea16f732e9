// Whether the platform Qt is about to start may be Wayland, which decides if the player asks
// for shared-memory buffers before QApplication exists.

#include "platform/WaylandClient.h"

#include <gtest/gtest.h>

using telbo::MayStartOnWayland;
using telbo::PlatformChoice;

namespace {

TEST(MayStartOnWayland, FollowsTheNamedPlatformElseTheSession) {
    const QString none;
    const QString wl = QStringLiteral("wayland-0");
    const struct {
        const char* what;
        PlatformChoice choice;
        bool expected;
    } cases[] = {
        {"nothing set", {none, none, none, none}, false},
        {"Wayland display", {none, none, wl, none}, true},
        {"Wayland session", {none, none, none, QStringLiteral("wayland")}, true},
        {"QT_QPA_PLATFORM=wayland-egl", {QStringLiteral("wayland-egl"), none, none, none}, true},
        {"a list that tries Wayland first", {QStringLiteral("wayland;xcb"), none, none, none},
         true},
        {"xcb chosen on a Wayland session", {QStringLiteral("xcb"), none, wl, QStringLiteral("wayland")},
         false},
        {"-platform wayland beats the variable", {QStringLiteral("xcb"), QStringLiteral("wayland"), none, none},
         true},
        {"-platform xcb beats the session", {none, QStringLiteral("xcb"), wl, QStringLiteral("wayland")},
         false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(MayStartOnWayland(c.choice), c.expected);
    }
}

} // namespace
