// The window on a real Wayland compositor (the weston that wayland_test.sh starts): the
// platform knows the compositor places the windows, the lock says what it cannot do there
// and still holds the window, and the docked strip fits the screen.
#include "FakeDecoder.h"
#include "platform/DesktopPlatform.h"
#include "platform/WaylandClient.h"
#include "ui/Label.h"
#include "ui/Telbo.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>

namespace telbo::test {
namespace {

// The real desktop calls, with no file, dialog or power-off reaching beyond the test.
class WaylandPlatform final : public Platform {
public:
    QString programFolder() override { return dir_.path(); }
    QString startFolder() override { return dir_.path(); }
    QStringList commandLineArguments() override { return {}; }
    bool fileExists(const QString&) override { return false; }
    bool isReadOnly(const QString&) override { return false; }
    bool clearAttributes(const QString&) override { return false; }
    QStringList runFileDialog(QWidget*, const FileDialogRequest&) override { return {}; }
    QRect workAreaTwips(QWidget* w) override { return desktop_.workAreaTwips(w); }
    QList<QRect> screenAreasTwips() override { return desktop_.screenAreasTwips(); }
    void setAlwaysOnTop(QWidget* w, bool onTop) override { desktop_.setAlwaysOnTop(w, onTop); }
    bool compositorPlacesWindows() override { return desktop_.compositorPlacesWindows(); }
    void demandAttention(QWidget* w) override { desktop_.demandAttention(w); }
    void minimize(QWidget* w) override { desktop_.minimize(w); }
    bool powerOff() override { return false; }
    void endProgram() override {}

private:
    QTemporaryDir dir_;
    DesktopPlatform desktop_;
};

TEST(WaylandWindow, LockSaysStayingOnTopNeedsX11AndTheStripFitsTheScreen) {
    ASSERT_TRUE(OnWayland()) << "platform " << QGuiApplication::platformName().toStdString();
    FakeDecoder decoder;
    WaylandPlatform platform;
    ASSERT_TRUE(platform.compositorPlacesWindows());
    Telbo w(decoder, platform);
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));

    emit w.ui.lblPlayerControl[2]->clicked(); // "Lock"
    EXPECT_TRUE(w.st.LockFlag);
    EXPECT_EQ(w.ui.lblPlayerControl[2]->caption(), QStringLiteral("unLock"));
    EXPECT_TRUE(w.ui.lblTitle[0]->caption().startsWith(QStringLiteral("Staying on top")))
        << w.ui.lblTitle[0]->caption().toStdString();
    emit w.ui.lblPlayerControl[2]->clicked();

    emit w.ui.lblBack[0]->doubleClicked();
    ASSERT_TRUE(w.st.MinFlag);
    emit w.ui.lblSmallSet[6]->clicked(); // dock
    EXPECT_TRUE(w.st.LockFlag);
    EXPECT_LE(w.width(), w.screen()->availableGeometry().width());
    EXPECT_TRUE(w.isVisible());
}

} // namespace
} // namespace telbo::test

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    int result = 1;
    QApplication app(argc, argv);
    result = RUN_ALL_TESTS();
    // Qt 6.4 can hang tearing its Wayland connection down; the tests are over.
    telbo::EndSkippingWaylandTeardown(result);
}
