// The window on a real X server, an Xvfb this test starts: the lock asks the window manager for
// "above" without rebuilding the window, the power-off countdown shows on top of a minimised
// player and asks for attention, and on a Wayland session with an X server the program runs
// on X, where its settings put it.
#include "FakeEngine.h"
#include "core/PlayerState.h"
#include "core/SettingsFile.h"
#include "platform/DesktopPlatform.h"
#include "settings/PowerOffDialog.h"
#include "ui/Label.h"
#include "ui/Layout.h"
#include "ui/Telbo.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QPointer>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <xcb/xcb.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace telbo::test {
namespace {

std::string g_display; // ":N", the test's own X server

// Whatever the test starts ends with it, even when the test is killed.
void EndWithTheTest() {
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
}

// The desktop calls the window makes, and nothing that reaches beyond the test: no power-off,
// no dialogs, no files outside a temporary folder.
class X11Platform final : public Platform {
public:
    int powerOffCalls = 0;

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
    void demandAttention(QWidget* w) override { desktop_.demandAttention(w); }
    void minimize(QWidget* w) override { desktop_.minimize(w); }
    bool powerOff() override {
        ++powerOffCalls;
        return false;
    }
    void endProgram() override {}

private:
    QTemporaryDir dir_;
    DesktopPlatform desktop_;
};

template <typename T> using Reply = std::unique_ptr<T, decltype(&std::free)>;

// A second client of the X server: it reads what the player's windows carry, and it can take
// the window manager's part to see what the player asks of one.
class XClient {
public:
    XClient() : c_(xcb_connect(g_display.c_str(), nullptr)) {}
    ~XClient() { xcb_disconnect(c_); }
    XClient(const XClient&) = delete;
    XClient& operator=(const XClient&) = delete;

    bool Ok() const { return xcb_connection_has_error(c_) == 0; }
    xcb_window_t Root() const { return xcb_setup_roots_iterator(xcb_get_setup(c_)).data->root; }

    xcb_atom_t Atom(const char* name) {
        const Reply<xcb_intern_atom_reply_t> r(
            xcb_intern_atom_reply(c_, xcb_intern_atom(c_, 0, std::strlen(name), name), nullptr),
            &std::free);
        return r ? r->atom : xcb_atom_t{XCB_ATOM_NONE};
    }

    // A property as 32-bit words (atoms, windows, hints); empty when the window lacks it.
    std::vector<std::uint32_t> Words(xcb_window_t w, xcb_atom_t property) {
        const Reply<xcb_get_property_reply_t> r(
            xcb_get_property_reply(
                c_, xcb_get_property(c_, 0, w, property, XCB_GET_PROPERTY_TYPE_ANY, 0, 64),
                nullptr),
            &std::free);
        if (!r || r->format != 32) return {};
        const auto* data = static_cast<const std::uint32_t*>(xcb_get_property_value(r.get()));
        return {data, data + xcb_get_property_value_length(r.get()) / 4};
    }

    bool Viewable(xcb_window_t w) {
        const Reply<xcb_get_window_attributes_reply_t> r(
            xcb_get_window_attributes_reply(c_, xcb_get_window_attributes(c_, w), nullptr),
            &std::free);
        return r && r->map_state == XCB_MAP_STATE_VIEWABLE;
    }

    // How many colours the window's pixels hold (0 when they cannot be read).
    std::size_t Colours(xcb_window_t w, int width, int height) {
        const Reply<xcb_get_image_reply_t> r(
            xcb_get_image_reply(c_,
                                xcb_get_image(c_, XCB_IMAGE_FORMAT_Z_PIXMAP, w, 0, 0,
                                              static_cast<std::uint16_t>(width),
                                              static_cast<std::uint16_t>(height), ~0u),
                                nullptr),
            &std::free);
        if (!r || r->depth != 24) return 0;
        const auto* pixels = reinterpret_cast<const std::uint32_t*>(xcb_get_image_data(r.get()));
        const std::set<std::uint32_t> colours(
            pixels, pixels + xcb_get_image_data_length(r.get()) / 4);
        return colours.size();
    }

    // The window's top-left corner on the screen, in pixels.
    std::optional<QPoint> Corner(xcb_window_t w) {
        const Reply<xcb_translate_coordinates_reply_t> r(
            xcb_translate_coordinates_reply(c_, xcb_translate_coordinates(c_, w, Root(), 0, 0),
                                            nullptr),
            &std::free);
        if (!r) return std::nullopt;
        return QPoint(r->dst_x, r->dst_y);
    }

    std::vector<xcb_window_t> TopLevels() {
        const Reply<xcb_query_tree_reply_t> r(
            xcb_query_tree_reply(c_, xcb_query_tree(c_, Root()), nullptr), &std::free);
        if (!r) return {};
        const xcb_window_t* children = xcb_query_tree_children(r.get());
        return {children, children + xcb_query_tree_children_length(r.get())};
    }

    // Map requests and messages to the root now come here, as to a window manager. False when
    // another client holds that part.
    bool ActAsWindowManager() {
        const std::uint32_t mask =
            XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
        const Reply<xcb_generic_error_t> error(
            xcb_request_check(
                c_, xcb_change_window_attributes_checked(c_, Root(), XCB_CW_EVENT_MASK, &mask)),
            &std::free);
        return !error;
    }

    struct Event {
        std::uint8_t type = 0;
        xcb_window_t window = 0;
        xcb_atom_t message = 0;
        std::uint32_t data[2] = {};
    };
    // What arrived since the last look.
    std::vector<Event> Events() {
        std::vector<Event> out;
        while (xcb_generic_event_t* raw = xcb_poll_for_event(c_)) {
            const Reply<xcb_generic_event_t> e(raw, &std::free);
            Event seen;
            seen.type = e->response_type & 0x7f;
            switch (seen.type) {
            case XCB_CLIENT_MESSAGE: {
                const auto* m = reinterpret_cast<xcb_client_message_event_t*>(raw);
                seen.window = m->window;
                seen.message = m->type;
                seen.data[0] = m->data.data32[0];
                seen.data[1] = m->data.data32[1];
                break;
            }
            case XCB_MAP_REQUEST:
                seen.window = reinterpret_cast<xcb_map_request_event_t*>(raw)->window;
                break;
            case XCB_UNMAP_NOTIFY:
                seen.window = reinterpret_cast<xcb_unmap_notify_event_t*>(raw)->window;
                break;
            case XCB_DESTROY_NOTIFY:
                seen.window = reinterpret_cast<xcb_destroy_notify_event_t*>(raw)->window;
                break;
            default:
                break;
            }
            out.push_back(seen);
        }
        return out;
    }

private:
    xcb_connection_t* c_;
};

bool Contains(const std::vector<std::uint32_t>& words, std::uint32_t word) {
    return std::find(words.begin(), words.end(), word) != words.end();
}

TEST(X11Window, LockAsksTheWindowManagerForAboveWithoutRebuildingTheWindow) {
    FakeEngine engine;
    X11Platform platform;
    Telbo w(engine, engine, platform);
    w.SetWidth(kNormalWidth);
    w.SetHeight(kFoldedHeight);
    w.SetLeft(1500);
    w.SetTop(3000);
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    const auto id = static_cast<xcb_window_t>(w.winId());

    XClient wm;
    ASSERT_TRUE(wm.Ok());
    ASSERT_TRUE(wm.ActAsWindowManager());
    const xcb_atom_t state = wm.Atom("_NET_WM_STATE");
    const xcb_atom_t above = wm.Atom("_NET_WM_STATE_ABOVE");
    for (const bool lock : {true, false}) {
        SCOPED_TRACE(lock ? "lock" : "unlock");
        emit w.ui.lblPlayerControl[2]->clicked();
        std::vector<XClient::Event> seen;
        const auto asked = [&] {
            for (const XClient::Event& e : seen)
                if (e.type == XCB_CLIENT_MESSAGE && e.window == id && e.message == state &&
                    e.data[0] == (lock ? 1u : 0u) && e.data[1] == above)
                    return true;
            return false;
        };
        EXPECT_TRUE(QTest::qWaitFor(
            [&] {
                for (const XClient::Event& e : wm.Events())
                    seen.push_back(e);
                return asked();
            },
            3000));
        QTest::qWait(100);
        for (const XClient::Event& e : wm.Events())
            seen.push_back(e);
        // Neither unmapped, nor destroyed, nor mapped anew: no flicker, no lost press.
        for (const XClient::Event& e : seen)
            if (e.type == XCB_MAP_REQUEST || e.type == XCB_UNMAP_NOTIFY ||
                e.type == XCB_DESTROY_NOTIFY) {
                ADD_FAILURE() << "X event " << int(e.type) << " for window " << e.window;
            }
        EXPECT_EQ(w.winId(), id);
        EXPECT_TRUE(w.isVisible());
        EXPECT_EQ(w.windowFlags().testFlag(Qt::WindowStaysOnTopHint), lock);
        EXPECT_EQ(w.Left(), 1500);
        EXPECT_EQ(w.Top(), 3000);
        EXPECT_EQ(wm.Corner(id), QPoint(100, 200));
    }
}

TEST(X11Window, PowerOffCountdownShowsOnTopOfAMinimisedPlayerAndAsksForAttention) {
    FakeEngine engine;
    X11Platform platform;
    Telbo w(engine, engine, platform);
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    emit w.ui.lblPlayerControl[1]->clicked(); // "Min"
    ASSERT_TRUE(w.isMinimized());

    w.ShowPowerOffDialog();
    QPointer<PowerOffDialog> dialog = w.form2;
    ASSERT_TRUE(dialog);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog));
    XClient x;
    ASSERT_TRUE(x.Ok());
    const auto id = static_cast<xcb_window_t>(dialog->winId());
    EXPECT_TRUE(x.Viewable(id));
    // A window of its own: not transient for the main window, which takes its utility windows
    // along when it is minimised or on another workspace.
    EXPECT_TRUE(x.Words(id, XCB_ATOM_WM_TRANSIENT_FOR).empty());
    EXPECT_TRUE(Contains(x.Words(id, x.Atom("_NET_WM_STATE")), x.Atom("_NET_WM_STATE_ABOVE")));
    const std::vector<std::uint32_t> hints = x.Words(id, XCB_ATOM_WM_HINTS);
    ASSERT_FALSE(hints.empty());
    EXPECT_TRUE(hints[0] & (1u << 8)) << "no urgency hint";

    dialog->cmdCancel_Click();
    EXPECT_EQ(platform.powerOffCalls, 0);
}

TEST(X11Program, OnAWaylandSessionWithAnXServerItRunsOnXWhereItWasSavedAndPaints) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    // A copy of the program keeps its config.ini beside it, in the temporary folder.
    const QString program = dir.filePath(QStringLiteral("telbo"));
    ASSERT_TRUE(QFile::copy(QStringLiteral(TELBO_BINARY), program));
    PlayerState saved;
    saved.Volume = 100;
    saved.PlaySpeed = 100;
    saved.ScrollSpeed = -100;
    saved.FormSmallWidth = kDefaultFormSmallWidth;
    {
        QFile config(dir.filePath(QStringLiteral("config.ini")));
        ASSERT_TRUE(config.open(QIODevice::WriteOnly));
        config.write(WriteSettingsText({&saved, 1800, 2700, kNormalWidth, QStringLiteral("%0")}));
    }
    const QString runtime = dir.filePath(QStringLiteral("runtime"));
    ASSERT_TRUE(QDir().mkpath(runtime));
    QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    env.remove(QStringLiteral("XDG_CURRENT_DESKTOP"));
    env.remove(QStringLiteral("XDG_SESSION_DESKTOP"));
    env.insert(QStringLiteral("XDG_SESSION_TYPE"), QStringLiteral("wayland"));
    env.insert(QStringLiteral("WAYLAND_DISPLAY"), QStringLiteral("no-compositor-here"));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
    env.insert(QStringLiteral("DISPLAY"), QString::fromStdString(g_display));
    env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"),
               QStringLiteral("unix:path=") + dir.filePath(QStringLiteral("no-bus")));
    env.insert(QStringLiteral("TELBO_NULL_AUDIO"), QStringLiteral("1"));
    QProcess player;
    player.setProcessEnvironment(env);
    player.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    player.setChildProcessModifier(EndWithTheTest);
    player.start(program, {});
    ASSERT_TRUE(player.waitForStarted(5000));

    XClient x;
    ASSERT_TRUE(x.Ok());
    const xcb_atom_t pidAtom = x.Atom("_NET_WM_PID");
    const auto pid = static_cast<std::uint32_t>(player.processId());
    xcb_window_t shown = 0;
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            for (xcb_window_t top : x.TopLevels())
                if (x.Words(top, pidAtom) == std::vector<std::uint32_t>{pid} && x.Viewable(top)) {
                    shown = top;
                    return true;
                }
            return player.state() == QProcess::NotRunning;
        },
        15000));
    ASSERT_NE(shown, 0u) << "the player showed no window on the X server";
    EXPECT_EQ(x.Corner(shown), QPoint(120, 180));
    // Its pixels reach the server: the black ground, the grey header and the coloured words.
    EXPECT_TRUE(QTest::qWaitFor([&] { return x.Colours(shown, 300, 60) > 3; }, 5000));

    player.terminate();
    EXPECT_TRUE(player.waitForFinished(10000));
    EXPECT_EQ(player.exitStatus(), QProcess::NormalExit);
}

// Starts Xvfb on a free display; its number, or nothing when it does not come up.
std::optional<pid_t> StartXServer(const std::string& xvfb) {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) return std::nullopt;
    const pid_t pid = ::fork();
    if (pid == 0) {
        EndWithTheTest();
        const int out = ::dup(fds[1]); // not close-on-exec: Xvfb writes its display number here
        const int quiet = ::open("/dev/null", O_WRONLY);
        if (quiet >= 0) ::dup2(quiet, STDERR_FILENO);
        const std::string fd = std::to_string(out);
        ::execl(xvfb.c_str(), "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1280x1024x24",
                "-nolisten", "tcp", static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(fds[1]);
    if (pid < 0) {
        ::close(fds[0]);
        return std::nullopt;
    }
    std::string number;
    char c = 0;
    while (::read(fds[0], &c, 1) == 1 && c != '\n')
        number += c;
    ::close(fds[0]);
    if (number.empty()) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
        return std::nullopt;
    }
    g_display = ":" + number;
    return pid;
}

} // namespace
} // namespace telbo::test

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    const QString xvfb = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
    if (xvfb.isEmpty()) {
        std::puts("SKIP: Xvfb is not installed");
        return 77;
    }
    const std::optional<pid_t> server = telbo::test::StartXServer(xvfb.toStdString());
    if (!server) {
        std::puts("FAIL: Xvfb did not start");
        return 1;
    }
    qputenv("DISPLAY", telbo::test::g_display.c_str());
    qputenv("QT_QPA_PLATFORM", "xcb");
    // No session bus: nothing may start one on the test's X server (D-Bus autolaunch), and
    // the desktop's accessibility bridge stays off.
    qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/telbo-test-bus");
    int result = 1;
    {
        QApplication app(argc, argv);
        result = RUN_ALL_TESTS();
    }
    ::kill(*server, SIGTERM);
    ::waitpid(*server, nullptr, 0);
    return result;
}
