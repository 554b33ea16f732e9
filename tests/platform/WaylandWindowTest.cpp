// The window on a real Wayland compositor (the weston that wayland_test.sh starts): the
// platform knows that the compositor places the windows, and the lock says so.
#include "FakeEngine.h"
#include "FakePlatform.h"
#include "platform/DesktopPlatform.h"
#include "platform/WaylandClient.h"
#include "ui/Label.h"
#include "ui/Telbo.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>

namespace telbo::test {
namespace {

TEST(WaylandWindow, LockSaysStayingOnTopNeedsX11) {
    FakeEngine engine;
    FakePlatform platform; // no file, dialog or power-off beyond the test
    platform.compositorPlaces = DesktopPlatform().compositorPlacesWindows();
    ASSERT_TRUE(platform.compositorPlaces) << QGuiApplication::platformName().toStdString();
    Telbo w(engine, engine, platform);
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    emit w.ui.lblPlayerControl[2]->clicked(); // "Lock"
    EXPECT_TRUE(w.st.LockFlag);
    EXPECT_TRUE(w.ui.lblTitle[0]->caption().startsWith(QStringLiteral("Staying on top")))
        << w.ui.lblTitle[0]->caption().toStdString();
}

} // namespace
} // namespace telbo::test

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    // Qt 6.4 can hang tearing its Wayland connection down; the tests are over.
    telbo::EndSkippingWaylandTeardown(RUN_ALL_TESTS());
}
