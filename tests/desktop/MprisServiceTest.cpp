// The service on a private session bus with the fake engine: each method against the click
// it stands for, the announced properties, seeking, volume and rate, OpenUri, Quit.
#include "desktop/MprisService.h"
#include "PrivateBus.h"
#include "TelboFixture.h"
#include "ui/Label.h"

#include <QDBusConnectionInterface>
#include <QDBusObjectPath>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include <limits>

namespace telbo::test {
namespace {

const QString kRoot = "org.mpris.MediaPlayer2";

TagRecord Tag(const char* title, const char* artist, const char* album) {
    TagRecord t;
    t.Title.Fill(title);
    t.Artist.Fill(artist);
    t.Album.Fill(album);
    return t;
}

QStringList WithoutTagReads(const QStringList& calls) {
    QStringList out;
    for (const QString& c : calls)
        if (!c.startsWith("readTag")) out << c;
    return out;
}

QVariant Path(const QString& p) {
    return QVariant::fromValue(QDBusObjectPath(p));
}

class MprisServiceTest : public TelboFixture {
protected:
    static inline std::unique_ptr<PrivateBus> bus;
    static inline int connections = 0;

    static void SetUpTestSuite() {
        if (PrivateBus::DaemonProgram().isEmpty()) return;
        bus = std::make_unique<PrivateBus>();
        bus->Start();
    }
    static void TearDownTestSuite() { bus.reset(); }

    QString serviceConnection, clientConnection;
    std::unique_ptr<MprisService> service;
    std::unique_ptr<MprisClient> client;
    BusRecorder recorder;
    QStringList tracks;

    void SetUp() override {
        if (!bus) GTEST_SKIP() << "dbus-daemon is not installed";
        ASSERT_FALSE(bus->address.isEmpty()) << qPrintable(bus->error);
        ++connections;
        serviceConnection = QString("service%1").arg(connections);
        clientConnection = QString("client%1").arg(connections);
        Start();
        tracks = MakeTracks(3);
        SetTracks(tracks);
        engine.tags[tracks[0].toStdString()] = Tag("Morning", "Ann", "Days");
        service =
            MprisService::Start(w->remote, QDBusConnection::connectToBus(bus->address, serviceConnection));
        ASSERT_TRUE(service);
        EXPECT_EQ(service->serviceName(), "org.mpris.MediaPlayer2.telbo");
        client = std::make_unique<MprisClient>(
            QDBusConnection::connectToBus(bus->address, clientConnection), service->serviceName());
        ASSERT_TRUE(client->Listen(recorder));
        engine.clearCalls();
    }

    void TearDown() override {
        service.reset(); // before the window it serves
        client.reset();
        QDBusConnection::disconnectFromBus(serviceConnection);
        QDBusConnection::disconnectFromBus(clientConnection);
        TelboFixture::TearDown();
    }

    // A tick of the play clock as the timer would run it.
    void Tick() { w->transport.tmrTime_Timer(); }
    QVariantMap Metadata() { return AsMap(recorder.Last("Metadata")); }
};

TEST_F(MprisServiceTest, EachMethodDoesWhatItsClickDoes) {
    FakeEngine twinEngine;
    FakePlatform twinPlatform;
    Telbo twin(twinEngine, twinEngine, twinPlatform);
    twin.lifecycle.StartUp();
    twin.st.TitleFiles = w->st.TitleFiles;
    twin.st.KO = w->st.KO;
    twinEngine.tags = engine.tags;

    const struct {
        const char* method;
        int click;
    } steps[] = {{"Play", Transport::Play},       {"Pause", Transport::Pause},
                 {"PlayPause", Transport::Pause}, {"Next", Transport::Next},
                 {"Previous", Transport::Rev},    {"Stop", Transport::Stop},
                 {"PlayPause", Transport::Play},  {"Next", Transport::Next}};
    for (const auto& step : steps) {
        SCOPED_TRACE(step.method);
        engine.clearCalls();
        twinEngine.clearCalls();
        twin.transport.lblPlaySet_Click(step.click);
        EXPECT_EQ(client->Player(QString::fromLatin1(step.method)).type(),
                  QDBusMessage::ReplyMessage);
        EXPECT_EQ(WithoutTagReads(engine.calls), WithoutTagReads(twinEngine.calls));
        EXPECT_EQ(w->st.PlayPoint, twin.st.PlayPoint);
        EXPECT_EQ(w->windowTitle(), twin.windowTitle());
        EXPECT_EQ(w->ui.tmrTime->isActive(), twin.ui.tmrTime->isActive());
        if (w->ui.tmrTime->isActive()) w->transport.tmrTime_Timer();
        if (twin.ui.tmrTime->isActive()) twin.transport.tmrTime_Timer();
        EXPECT_EQ(w->st.PlayState, twin.st.PlayState);
    }
}

TEST_F(MprisServiceTest, PlayPauseAndPlayActOnTheStateTheDesktopWasShown) {
    client->Player("Play");
    engine.elapsed = 7;
    w->transport.tmrTime_Timer();
    engine.elapsed = 8;
    engine.clearCalls();
    // Within one tick of the clock: the second press must resume, not pause again.
    client->Player("PlayPause");
    client->Player("PlayPause");
    EXPECT_EQ(engine.calls, (QStringList{"pause", "resume"}));
    // The clock's record is the tick's alone: the window's Pause still pauses.
    EXPECT_EQ(w->st.PlayState, PlaybackState::Playing);
    EXPECT_EQ(w->st.NowTime, 7);
    w->transport.lblPlaySet_Click(Transport::Pause);
    EXPECT_EQ(engine.calls.last(), "pause");
    w->transport.tmrTime_Timer();
    // Play while playing and Pause while paused change nothing.
    client->Player("Play");
    client->Player("Pause");
    client->Player("Pause");
    EXPECT_EQ(engine.calls, (QStringList{"pause", "resume", "pause", "resume", "pause"}));
}

TEST_F(MprisServiceTest, LoopShuffleAndStepsFollowThePanelAndTheList) {
    Label* mode = w->ui.lblConfValue[7];
    Label* atEnd = w->ui.lblConfValue[8];
    EXPECT_EQ(client->Get("LoopStatus"), "None");
    EXPECT_EQ(client->Get("Shuffle"), false);

    client->Set("LoopStatus", "Track");
    EXPECT_EQ(mode->caption(), "Repert");
    EXPECT_EQ(client->Get("LoopStatus"), "Track");
    client->Set("LoopStatus", "Playlist");
    EXPECT_EQ(mode->caption(), "Normal");
    EXPECT_EQ(atEnd->caption(), "Repert");
    client->Set("Shuffle", true);
    EXPECT_EQ(mode->caption(), "Shuffle");
    EXPECT_EQ(w->st.PlayTypeFlag, PlayMode::Shuffle);
    EXPECT_EQ(client->Get("LoopStatus"), "Playlist");
    client->Set("LoopStatus", "None");
    client->Set("Shuffle", false);
    EXPECT_EQ(mode->caption(), "Normal");
    EXPECT_EQ(atEnd->caption(), "Stop");
    // The panel's own clicks reach the desktop.
    mode->clicked();
    ASSERT_TRUE(recorder.WaitFor("LoopStatus", "Track"));

    // Three tracks: no step back from the first, none forward from the last with "Stop".
    w->st.PlayPoint = 0;
    EXPECT_EQ(client->Get("CanGoPrevious"), false);
    EXPECT_EQ(client->Get("CanGoNext"), true);
    client->Player("Next");
    client->Player("Next");
    EXPECT_EQ(client->Get("CanGoPrevious"), true);
    EXPECT_EQ(client->Get("CanGoNext"), false);
}

TEST_F(MprisServiceTest, PropertiesFollowPlaybackTrackChangeAndVolume) {
    EXPECT_EQ(client->Get("PlaybackStatus"), "Stopped");
    EXPECT_EQ(AsMap(client->Get("Metadata")).value("xesam:title"), "Morning");
    // A tag written in the editor reaches the desktop.
    w->collections.RefreshLists();
    w->tagEditor.lblShowTag_Click();
    w->tagEditor.lblShowTag_Click();
    w->ui.txtTagData[0]->setText("Evening");
    w->tagEditor.lblTagSet_Click(0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return Metadata().value("xesam:title") == "Evening"; }, 3000));

    client->Player("Play");
    ASSERT_TRUE(recorder.WaitFor("PlaybackStatus", "Playing"));
    EXPECT_EQ(Metadata().value("mpris:trackid"), Path("/org/telbo/track/0"));
    EXPECT_EQ(Metadata().value("mpris:length"), qlonglong(180'000'000));
    w->transport.tmrTime_Timer();

    client->Player("Pause");
    ASSERT_TRUE(recorder.WaitFor("PlaybackStatus", "Paused"));
    client->Player("Play");
    ASSERT_TRUE(recorder.WaitFor("PlaybackStatus", "Playing"));

    // The track ends; the real clock moves on to the next track, and the service hears of it.
    engine.state = PlaybackState::Stopped;
    ASSERT_TRUE(QTest::qWaitFor([&] { return Metadata().value("xesam:title") == "t2"; }, 3000));
    EXPECT_EQ(Metadata().value("mpris:trackid"), Path("/org/telbo/track/1"));
    // One read of the new track's tag for the title line, which the desktop shares however
    // often the service looks; and one, earlier, of its album for the loudness choice of the
    // track before it (Auto ReplayGain).
    for (int i = 0; i < 5; ++i)
        service->Refresh();
    EXPECT_EQ(engine.callsStartingWith("readTag " + tracks[1]).size(), 2);

    // Stop and the volume slider on the window reach the desktop without a tick of the clock.
    w->transport.lblPlaySet_Click(Transport::Stop);
    ASSERT_TRUE(recorder.WaitFor("PlaybackStatus", "Stopped"));
    w->ui.sclConfig[0]->setValue(40);
    ASSERT_TRUE(recorder.WaitFor("Volume", 0.4));
    EXPECT_EQ(recorder.changes.last().keys(), QStringList{"Volume"});
}

TEST_F(MprisServiceTest, MetadataCarriesTheTracksCoverOnceFoundPerTrack) {
    QTemporaryDir cacheDir;
    w->coverArt = CoverArtCache(cacheDir.filePath("covers"));
    const QString album = platform.dir.filePath("album");
    ASSERT_TRUE(QDir().mkpath(album));
    auto put = [](const QString& path, const QByteArray& bytes) {
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        return path;
    };
    const QString folderCover = put(album + "/Cover.JPG", QByteArray("\xFF\xD8\xFF\xE0 folder"));
    put(album + "/back.jpg", QByteArray("\xFF\xD8\xFF\xE0 the back, larger than the front"));
    const QString plain = put(album + "/a1.mp3", "x");
    const QString withPicture = put(album + "/a2.mp3", "x");
    const QByteArray png("\x89PNG\r\n\x1A\n embedded", 17);
    engine.covers[withPicture.toStdString()] = CoverPicture{"image/png", {png.begin(), png.end()}};
    SetTracks({tracks[0], plain, withPicture});

    auto fileUrl = [](const QString& path) { return QUrl::fromLocalFile(path).toString(); };
    client->Player("Play");
    ASSERT_TRUE(recorder.WaitFor("PlaybackStatus", "Playing"));
    EXPECT_FALSE(Metadata().contains("mpris:artUrl")); // no picture, no cover beside it
    client->Player("Next");
    ASSERT_TRUE(QTest::qWaitFor([&] { return Metadata().value("xesam:title") == "a1"; }, 3000));
    EXPECT_EQ(Metadata().value("mpris:artUrl"), fileUrl(folderCover));

    // The picture in the file beats the one beside it, and is stored in the cache folder.
    client->Player("Next");
    ASSERT_TRUE(QTest::qWaitFor([&] { return Metadata().value("xesam:title") == "a2"; }, 3000));
    const QUrl art(Metadata().value("mpris:artUrl").toString());
    ASSERT_TRUE(art.isLocalFile());
    EXPECT_TRUE(art.toLocalFile().startsWith(cacheDir.filePath("covers/")));
    EXPECT_TRUE(art.toLocalFile().endsWith(".png"));
    QFile stored(art.toLocalFile());
    ASSERT_TRUE(stored.open(QIODevice::ReadOnly));
    EXPECT_EQ(stored.readAll(), png);

    // Asked again and again, the track's tags are read for its cover once.
    const int reads = engine.coverReads;
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(AsMap(client->Get("Metadata")).value("mpris:artUrl"), art.toString());
    EXPECT_EQ(engine.coverReads, reads);
}

TEST_F(MprisServiceTest, SeekAndSetPositionMoveLikeTheSlider) {
    client->Player("Play");
    Tick();
    engine.elapsed = 10;
    engine.clearCalls();

    client->Player("Seek", {qlonglong(30'000'000)});
    EXPECT_EQ(engine.calls, QStringList{"seek 40"});
    EXPECT_EQ(w->ui.sclNowTime->value(), 40);
    EXPECT_EQ(client->Get("Position"), qlonglong(40'000'000));
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return recorder.seeks == QList<qlonglong>{40'000'000}; }, 3000));

    // Past the end is the next track, even from an offset that would overflow.
    client->Player("Seek", {std::numeric_limits<qlonglong>::max()});
    EXPECT_EQ(w->st.PlayPoint, 1);
    EXPECT_EQ(engine.callsStartingWith("open ").last(), "open " + tracks[1]);

    engine.clearCalls();
    // A position for the track that was current before is stale; one past the end is wrong.
    client->Player("SetPosition", {Path("/org/telbo/track/0"), qlonglong(5'000'000)});
    client->Player("SetPosition", {Path("/org/telbo/track/1"), qlonglong(181'000'000)});
    EXPECT_EQ(WithoutTagReads(engine.calls), QStringList{});
    client->Player("SetPosition", {Path("/org/telbo/track/1"), qlonglong(5'000'000)});
    EXPECT_EQ(WithoutTagReads(engine.calls), QStringList{"seek 5"});

    // Nothing open: nothing to seek in.
    client->Player("Stop");
    engine.clearCalls();
    client->Player("Seek", {qlonglong(1'000'000)});
    EXPECT_EQ(WithoutTagReads(engine.calls), QStringList{});
    EXPECT_EQ(client->Get("Position"), qlonglong(0));
}

TEST_F(MprisServiceTest, VolumeAndRateGoThroughTheirSliders) {
    client->Set("Volume", 0.25);
    EXPECT_EQ(w->st.Volume, 25);
    EXPECT_EQ(w->ui.lblConfValue[0]->caption(), "25");
    EXPECT_EQ(engine.calls, QStringList{"setVolume 25 25"});
    EXPECT_EQ(client->Get("Volume"), 0.25);

    client->Set("Rate", 1.5);
    EXPECT_EQ(w->st.PlaySpeed, 150);
    EXPECT_EQ(engine.calls.last(), "setSpeed 150");
    EXPECT_EQ(w->ui.lblConfValue[1]->caption(), "1.50");

    // A rate of zero pauses and leaves the speed alone.
    client->Player("Play");
    Tick();
    client->Set("Rate", 0.0);
    EXPECT_EQ(engine.calls.last(), "pause");
    EXPECT_EQ(w->st.PlaySpeed, 150);
}

TEST_F(MprisServiceTest, OpenUriAddsAndPlaysLikeADrop) {
    const QString song = platform.makeFile("new song.mp3");
    EXPECT_EQ(client->Player("OpenUri", {QUrl::fromLocalFile(song).toString()}).type(),
              QDBusMessage::ReplyMessage);
    EXPECT_EQ(w->st.KO, 4);
    EXPECT_EQ(w->st.TitleFiles[3], song);
    EXPECT_EQ(w->st.PlayPoint, 3);
    EXPECT_EQ(WithoutTagReads(engine.calls), (QStringList{"open " + song, "play"}));

    engine.clearCalls();
    const QStringList refused{"https://example.org/a.mp3",
                              QUrl::fromLocalFile(platform.path("gone.mp3")).toString()};
    for (const QString& uri : refused) {
        SCOPED_TRACE(uri.toStdString());
        const QDBusMessage reply = client->Player("OpenUri", {uri});
        EXPECT_EQ(reply.type(), QDBusMessage::ErrorMessage);
        EXPECT_EQ(reply.errorName(), "org.freedesktop.DBus.Error.NotSupported");
    }
    EXPECT_EQ(w->st.KO, 4);
    EXPECT_EQ(WithoutTagReads(engine.calls), QStringList{});
}

TEST_F(MprisServiceTest, RootInterfaceRaisesAndQuitsTheOrderlyWay) {
    EXPECT_EQ(client->Get("Identity", kRoot), "Telbo");

    w->show();
    w->setWindowState(Qt::WindowMinimized);
    client->Call(kRoot, "Raise");
    EXPECT_FALSE(w->windowState() & Qt::WindowMinimized);
    EXPECT_TRUE(w->isVisible());

    client->Player("Play");
    EXPECT_EQ(client->Call(kRoot, "Quit").type(), QDBusMessage::ReplyMessage);
    ASSERT_TRUE(QTest::qWaitFor([&] { return platform.endProgramCalls == 1; }, 3000));
    EXPECT_TRUE(w->lifecycle.shutDownDone());
    EXPECT_EQ(engine.calls.last(), "shutdown");
    // The player leaves the bus at its next look; calls after the shut-down reach nothing.
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            return !QDBusConnection(clientConnection)
                        .interface()
                        ->isServiceRegistered(service->serviceName())
                        .value();
        },
        3000));
    engine.clearCalls();
    service->Next();
    EXPECT_EQ(engine.calls, QStringList{});
}

TEST_F(MprisServiceTest, ASecondPlayerTakesAnInstanceNameAndNoBusMeansNoService) {
    const QString other = QString("other%1").arg(connections);
    {
        auto second = MprisService::Start(w->remote, QDBusConnection::connectToBus(bus->address, other));
        ASSERT_TRUE(second);
        EXPECT_EQ(second->serviceName(), QString("org.mpris.MediaPlayer2.telbo.instance%1")
                                             .arg(QCoreApplication::applicationPid()));
    }
    QDBusConnection::disconnectFromBus(other);
    EXPECT_FALSE(MprisService::Start(w->remote, QDBusConnection("no such bus")));
    // A second service on the first one's connection is refused and leaves the first alone.
    EXPECT_FALSE(MprisService::Start(w->remote, QDBusConnection(serviceConnection)));
    EXPECT_EQ(client->Get("PlaybackStatus"), "Stopped");
}

} // namespace
} // namespace telbo::test
