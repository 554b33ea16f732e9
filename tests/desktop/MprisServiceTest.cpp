// The service on a private session bus with the fake decoder: each method against the click
// it stands for, the announced properties, seeking, volume and rate, OpenUri, Quit.
#include "desktop/MprisService.h"
#include "PrivateBus.h"
#include "TelboFixture.h"
#include "ui/Label.h"

#include <QDBusConnectionInterface>
#include <QDBusObjectPath>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include <limits>

namespace telbo::test {
namespace {

const QString kRoot = QStringLiteral("org.mpris.MediaPlayer2");

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
        if (!c.startsWith(QStringLiteral("getFileTagInfo"))) out << c;
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
        serviceConnection = QStringLiteral("service%1").arg(connections);
        clientConnection = QStringLiteral("client%1").arg(connections);
        Start();
        tracks = MakeTracks(3);
        SetTracks(tracks);
        decoder.tags[tracks[0].toStdString()] = Tag("Morning", "Ann", "Days");
        service =
            MprisService::Start(*w, QDBusConnection::connectToBus(bus->address, serviceConnection));
        ASSERT_TRUE(service);
        EXPECT_EQ(service->serviceName(), QStringLiteral("org.mpris.MediaPlayer2.telbo"));
        client = std::make_unique<MprisClient>(
            QDBusConnection::connectToBus(bus->address, clientConnection), service->serviceName());
        ASSERT_TRUE(client->Listen(recorder));
        decoder.clearCalls();
    }

    void TearDown() override {
        service.reset(); // before the window it serves
        client.reset();
        QDBusConnection::disconnectFromBus(serviceConnection);
        QDBusConnection::disconnectFromBus(clientConnection);
        TelboFixture::TearDown();
    }

    // A tick of the play clock as the timer would run it, and the service's look after it.
    void Tick() {
        w->transport.tmrTime_Timer();
        service->Refresh();
    }
    QVariantMap Metadata() { return AsMap(recorder.Last(QStringLiteral("Metadata"))); }
};

TEST_F(MprisServiceTest, EachMethodDoesWhatItsClickDoes) {
    FakeDecoder twinDecoder;
    FakePlatform twinPlatform;
    Telbo twin(twinDecoder, twinPlatform);
    twin.lifecycle.StartUp();
    twin.st.TitleFiles = w->st.TitleFiles;
    twin.st.KO = w->st.KO;
    twinDecoder.tags = decoder.tags;

    const struct {
        const char* method;
        int click;
    } steps[] = {{"Play", Transport::Play},       {"Pause", Transport::Pause},
                 {"PlayPause", Transport::Pause}, {"Next", Transport::Next},
                 {"Previous", Transport::Rev},    {"Stop", Transport::Stop},
                 {"PlayPause", Transport::Play},  {"Next", Transport::Next}};
    for (const auto& step : steps) {
        SCOPED_TRACE(step.method);
        decoder.clearCalls();
        twinDecoder.clearCalls();
        twin.transport.lblPlaySet_Click(step.click);
        EXPECT_EQ(client->Player(QString::fromLatin1(step.method)).type(),
                  QDBusMessage::ReplyMessage);
        EXPECT_EQ(WithoutTagReads(decoder.calls), WithoutTagReads(twinDecoder.calls));
        EXPECT_EQ(w->st.PlayPoint, twin.st.PlayPoint);
        EXPECT_EQ(w->windowTitle(), twin.windowTitle());
        EXPECT_EQ(w->ui.lblTitle[0]->caption(), twin.ui.lblTitle[0]->caption());
        EXPECT_EQ(w->ui.tmrTime->isActive(), twin.ui.tmrTime->isActive());
        EXPECT_EQ(w->ui.sclNowTime->maximum(), twin.ui.sclNowTime->maximum());
        if (w->ui.tmrTime->isActive()) w->transport.tmrTime_Timer();
        if (twin.ui.tmrTime->isActive()) twin.transport.tmrTime_Timer();
        EXPECT_EQ(w->st.PlayState, twin.st.PlayState);
    }
}

TEST_F(MprisServiceTest, PlayPauseAndPlayActOnTheStateTheDesktopWasShown) {
    client->Player(QStringLiteral("Play"));
    w->transport.tmrTime_Timer();
    decoder.clearCalls();
    // Within one tick of the clock: the second press must resume, not pause again.
    client->Player(QStringLiteral("PlayPause"));
    client->Player(QStringLiteral("PlayPause"));
    EXPECT_EQ(decoder.calls, (QStringList{"pause", "restart"}));
    // Play while playing and Pause while paused change nothing.
    client->Player(QStringLiteral("Play"));
    client->Player(QStringLiteral("Pause"));
    client->Player(QStringLiteral("Pause"));
    EXPECT_EQ(decoder.calls, (QStringList{"pause", "restart", "pause"}));
}

TEST_F(MprisServiceTest, PropertiesFollowPlaybackTrackChangeAndVolume) {
    EXPECT_EQ(client->Get(QStringLiteral("PlaybackStatus")), QStringLiteral("Stopped"));
    EXPECT_EQ(AsMap(client->Get(QStringLiteral("Metadata"))).value(QStringLiteral("xesam:title")),
              QStringLiteral("Morning"));

    client->Player(QStringLiteral("Play"));
    ASSERT_TRUE(recorder.WaitFor(QStringLiteral("PlaybackStatus"), QStringLiteral("Playing")));
    QVariantMap meta = Metadata();
    EXPECT_EQ(meta.value(QStringLiteral("mpris:trackid")),
              Path(QStringLiteral("/org/telbo/track/0")));
    EXPECT_EQ(meta.value(QStringLiteral("xesam:artist")), QStringList{QStringLiteral("Ann")});
    EXPECT_EQ(meta.value(QStringLiteral("xesam:album")), QStringLiteral("Days"));
    EXPECT_EQ(meta.value(QStringLiteral("mpris:length")), qlonglong(180'000'000));
    EXPECT_EQ(meta.value(QStringLiteral("xesam:url")), QUrl::fromLocalFile(tracks[0]).toString());
    EXPECT_EQ(recorder.Last(QStringLiteral("CanSeek")), true);
    w->transport.tmrTime_Timer();

    client->Player(QStringLiteral("Pause"));
    ASSERT_TRUE(recorder.WaitFor(QStringLiteral("PlaybackStatus"), QStringLiteral("Paused")));
    client->Player(QStringLiteral("Play"));
    ASSERT_TRUE(recorder.WaitFor(QStringLiteral("PlaybackStatus"), QStringLiteral("Playing")));

    // The track ends; the real clock moves on and the service looks right after its tick.
    decoder.state = 0;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return Metadata().value(QStringLiteral("xesam:title")) == QStringLiteral("t2"); },
        3000));
    EXPECT_EQ(Metadata().value(QStringLiteral("mpris:trackid")),
              Path(QStringLiteral("/org/telbo/track/1")));
    EXPECT_FALSE(Metadata().contains(QStringLiteral("xesam:artist"))); // t2 has no tag
    // One read of the new track's tag for the title line, one for the desktop, however often
    // the service looks.
    for (int i = 0; i < 5; ++i)
        service->Refresh();
    EXPECT_EQ(decoder.callsStartingWith(QStringLiteral("getFileTagInfo ") + tracks[1]).size(), 2);

    // Stop and the volume slider on the window reach the desktop without a tick of the clock.
    w->transport.lblPlaySet_Click(Transport::Stop);
    ASSERT_TRUE(recorder.WaitFor(QStringLiteral("PlaybackStatus"), QStringLiteral("Stopped")));
    EXPECT_FALSE(Metadata().contains(QStringLiteral("mpris:length")));
    EXPECT_EQ(recorder.Last(QStringLiteral("CanSeek")), false);
    w->ui.sclConfig[0]->setValue(40);
    ASSERT_TRUE(recorder.WaitFor(QStringLiteral("Volume"), 0.4));
    EXPECT_EQ(recorder.changes.last().keys(), QStringList{QStringLiteral("Volume")});

    // An empty list: no current track.
    client->Player(QStringLiteral("Play"));
    w->listEditor.lblListSet_Click(2); // "AllClear" in the track view
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return !Metadata().contains(QStringLiteral("xesam:title")); }, 3000));
    EXPECT_EQ(Metadata().value(QStringLiteral("mpris:trackid")),
              Path(QStringLiteral("/org/mpris/MediaPlayer2/TrackList/NoTrack")));
    EXPECT_EQ(recorder.Last(QStringLiteral("CanPlay")), false);
}

TEST_F(MprisServiceTest, SeekAndSetPositionMoveLikeTheSlider) {
    client->Player(QStringLiteral("Play"));
    Tick();
    decoder.elapsed = 10;
    decoder.clearCalls();

    client->Player(QStringLiteral("Seek"), {qlonglong(30'000'000)});
    EXPECT_EQ(decoder.calls, QStringList{QStringLiteral("seek 40")});
    EXPECT_EQ(w->ui.sclNowTime->value(), 40);
    EXPECT_EQ(client->Get(QStringLiteral("Position")), qlonglong(40'000'000));
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return recorder.seeks == QList<qlonglong>{40'000'000}; }, 3000));

    client->Player(QStringLiteral("Seek"), {qlonglong(-1'000'000'000)});
    EXPECT_EQ(decoder.calls.last(), QStringLiteral("seek 0"));

    // Past the end is the next track, even from an offset that would overflow.
    client->Player(QStringLiteral("Seek"), {std::numeric_limits<qlonglong>::max()});
    EXPECT_EQ(w->st.PlayPoint, 1);
    EXPECT_EQ(decoder.callsStartingWith(QStringLiteral("open ")).last(),
              QStringLiteral("open ") + tracks[1]);

    decoder.clearCalls();
    // A position for the track that was current before is stale; one past the end is wrong.
    client->Player(QStringLiteral("SetPosition"),
                   {Path(QStringLiteral("/org/telbo/track/0")), qlonglong(5'000'000)});
    client->Player(QStringLiteral("SetPosition"),
                   {Path(QStringLiteral("/org/telbo/track/1")), qlonglong(181'000'000)});
    EXPECT_EQ(WithoutTagReads(decoder.calls), QStringList{});
    client->Player(QStringLiteral("SetPosition"),
                   {Path(QStringLiteral("/org/telbo/track/1")), qlonglong(5'000'000)});
    EXPECT_EQ(WithoutTagReads(decoder.calls), QStringList{QStringLiteral("seek 5")});

    // Nothing open: nothing to seek in.
    client->Player(QStringLiteral("Stop"));
    decoder.clearCalls();
    client->Player(QStringLiteral("Seek"), {qlonglong(1'000'000)});
    EXPECT_EQ(WithoutTagReads(decoder.calls), QStringList{});
    EXPECT_EQ(client->Get(QStringLiteral("Position")), qlonglong(0));
}

TEST_F(MprisServiceTest, VolumeAndRateGoThroughTheirSliders) {
    client->Set(QStringLiteral("Volume"), 0.25);
    EXPECT_EQ(w->st.Volume, 25);
    EXPECT_EQ(w->ui.lblConfValue[0]->caption(), QStringLiteral("25"));
    client->Set(QStringLiteral("Volume"), 7.0);
    EXPECT_EQ(decoder.calls, (QStringList{"setVolume 25 25", "setVolume 100 100"}));
    EXPECT_EQ(client->Get(QStringLiteral("Volume")), 1.0);

    client->Set(QStringLiteral("Rate"), 1.5);
    EXPECT_EQ(w->st.PlaySpeed, 150);
    EXPECT_EQ(decoder.calls.last(), QStringLiteral("setPitch 150"));
    EXPECT_EQ(w->ui.lblConfValue[1]->caption(), QStringLiteral("1.50"));

    // A rate of zero pauses and leaves the speed alone.
    client->Player(QStringLiteral("Play"));
    Tick();
    client->Set(QStringLiteral("Rate"), 0.0);
    EXPECT_EQ(decoder.calls.last(), QStringLiteral("pause"));
    EXPECT_EQ(w->st.PlaySpeed, 150);
}

TEST_F(MprisServiceTest, OpenUriAddsAndPlaysLikeADrop) {
    const QString song = platform.makeFile(QStringLiteral("new song.mp3"));
    EXPECT_EQ(
        client->Player(QStringLiteral("OpenUri"), {QUrl::fromLocalFile(song).toString()}).type(),
        QDBusMessage::ReplyMessage);
    EXPECT_EQ(w->st.KO, 4);
    EXPECT_EQ(w->st.TitleFiles[3], song);
    EXPECT_EQ(w->st.PlayPoint, 3);
    EXPECT_EQ(WithoutTagReads(decoder.calls),
              (QStringList{QStringLiteral("open ") + song, "play"}));
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            return Metadata().value(QStringLiteral("xesam:title")) == QStringLiteral("new song");
        },
        3000));

    decoder.clearCalls();
    for (const QString& uri :
         {QStringLiteral("https://example.org/a.mp3"),
          QUrl::fromLocalFile(platform.path(QStringLiteral("gone.mp3"))).toString(),
          QUrl::fromLocalFile(platform.makeFile(QStringLiteral("notes.txt"))).toString()}) {
        SCOPED_TRACE(uri.toStdString());
        const QDBusMessage reply = client->Player(QStringLiteral("OpenUri"), {uri});
        EXPECT_EQ(reply.type(), QDBusMessage::ErrorMessage);
        EXPECT_EQ(reply.errorName(), QStringLiteral("org.freedesktop.DBus.Error.NotSupported"));
    }
    EXPECT_EQ(w->st.KO, 4);
    EXPECT_EQ(WithoutTagReads(decoder.calls), QStringList{});
}

TEST_F(MprisServiceTest, RootInterfaceRaisesAndQuitsTheOrderlyWay) {
    EXPECT_EQ(client->Get(QStringLiteral("Identity"), kRoot), QStringLiteral("Telbo"));
    EXPECT_EQ(client->Get(QStringLiteral("HasTrackList"), kRoot), false);
    EXPECT_EQ(client->Get(QStringLiteral("SupportedUriSchemes"), kRoot),
              QStringList{QStringLiteral("file")});

    w->show();
    w->setWindowState(Qt::WindowMinimized);
    client->Call(kRoot, QStringLiteral("Raise"));
    EXPECT_FALSE(w->windowState() & Qt::WindowMinimized);
    EXPECT_TRUE(w->isVisible());

    client->Player(QStringLiteral("Play"));
    EXPECT_EQ(client->Call(kRoot, QStringLiteral("Quit")).type(), QDBusMessage::ReplyMessage);
    ASSERT_TRUE(QTest::qWaitFor([&] { return platform.endProgramCalls == 1; }, 3000));
    EXPECT_TRUE(w->lifecycle.shutDownDone());
    EXPECT_EQ(decoder.calls.last(), QStringLiteral("free"));
    // The player leaves the bus at its next look; calls after the shut-down reach nothing.
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            return !QDBusConnection(clientConnection)
                        .interface()
                        ->isServiceRegistered(service->serviceName())
                        .value();
        },
        3000));
    decoder.clearCalls();
    service->Next();
    EXPECT_EQ(decoder.calls, QStringList{});
}

TEST_F(MprisServiceTest, ASecondPlayerTakesAnInstanceNameAndNoBusMeansNoService) {
    const QString other = QStringLiteral("other%1").arg(connections);
    {
        auto second = MprisService::Start(*w, QDBusConnection::connectToBus(bus->address, other));
        ASSERT_TRUE(second);
        EXPECT_EQ(second->serviceName(), QStringLiteral("org.mpris.MediaPlayer2.telbo.instance%1")
                                             .arg(QCoreApplication::applicationPid()));
    }
    QDBusConnection::disconnectFromBus(other);
    EXPECT_FALSE(MprisService::Start(*w, QDBusConnection(QStringLiteral("no such bus"))));
}

} // namespace
} // namespace telbo::test
