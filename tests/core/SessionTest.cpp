// Where the listener was, and the equalizer, come back at the next start (telbo.ini), with
// the fake engine: what is played from where, and what is written when.
#include "TelboFixture.h"
#include "core/SessionFile.h"

#include "ui/Label.h"

#include <QAction>
#include <QComboBox>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QScrollBar>
#include <QTest>
#include <QTimer>

namespace telbo::test {
namespace {

class SessionTest : public TelboFixture {
protected:
    QStringList tracks;
    void SetUp() override { tracks = MakeTracks(3); }
    QString Ini() const { return platform.path(QStringLiteral("telbo.ini")); }
    // config.ini with the three tracks, the second current.
    void Config(bool autoPlay) {
        QByteArray text = "[Setting]\r\nConfigSave= True\r\nAutoPlay= " +
                          QByteArray(autoPlay ? "True" : "False") + "\r\nKO= 3\r\nPlayPoint= 1\r\n[Title]\r\n";
        for (int i = 0; i < tracks.size(); ++i)
            text += QStringLiteral("[%1] %2\r\n").arg(i, 3, 10, QChar(u'0')).arg(tracks[i]).toUtf8();
        WriteConfig(text);
    }
    // telbo.ini saying track i was at `second`, as it is on disk now.
    void Saved(int i, int second, bool paused) {
        SessionSettings s;
        s.Track = tracks[i];
        const QFileInfo info(s.Track);
        s.TrackSize = info.size();
        s.TrackModified = info.lastModified().toMSecsSinceEpoch();
        s.Second = second;
        s.Paused = paused;
        ASSERT_TRUE(WriteSessionFile(Ini(), s));
        // Saved after config.ini, as a run that ended without a shut-down leaves them.
        QFile f(Ini());
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        f.setFileTime(QDateTime::currentDateTime().addSecs(2), QFileDevice::FileModificationTime);
    }
    QStringList Plays() const {
        QStringList out;
        for (const QString& c : engine.calls)
            if (c.startsWith(u"open") || c.startsWith(u"play")) out << c;
        return out;
    }
};

TEST_F(SessionTest, TheSavedTrackStartsWhereItWas) {
    struct Case {
        const char* name;
        bool autoPlay;
        int savedTrack, second;
        bool paused, touchFile, crashed;
        QStringList wantPlays; // after start-up and, with auto-play off, one "Play"
        Transport::Status wantStatus;
    };
    const std::vector<Case> cases{
        {"auto-play, playing", true, 1, 95, false, false, false, {"open 1", "playFrom 95"},
         Transport::Status::Playing},
        {"auto-play, paused", true, 1, 95, true, false, false, {"open 1", "playFrom 95 paused"},
         Transport::Status::Paused},
        {"no auto-play: the first Play plays", false, 1, 95, true, false, false, {"open 1", "playFrom 95"},
         Transport::Status::Playing},
        {"a crash config.ini never saw: the saved track", true, 2, 30, false, false, false,
         {"open 2", "playFrom 30"}, Transport::Status::Playing},
        {"the file changed since", true, 1, 95, false, true, false, {"open 1", "play"},
         Transport::Status::Playing},
        {"the last start crashed: no auto-play", true, 1, 95, false, false, true, {},
         Transport::Status::Stopped},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Config(c.autoPlay);
        Saved(c.savedTrack, c.second, c.paused);
        if (c.touchFile) {
            QFile f(tracks[c.savedTrack]);
            ASSERT_TRUE(f.open(QIODevice::Append));
            f.write("more");
        }
        if (c.crashed) platform.makeFile(QStringLiteral("telbo.starting"));
        Start();
        if (!c.autoPlay) w->transport.lblPlaySet_Click(Transport::Play);
        QStringList want;
        for (QString p : c.wantPlays) {
            const qsizetype space = p.indexOf(u' ');
            if (p.startsWith(u"open")) p = QStringLiteral("open ") + tracks[p.mid(space + 1).toInt()];
            want << p;
        }
        EXPECT_EQ(Plays(), want);
        EXPECT_EQ(w->transport.status(), c.wantStatus);
        if (c.crashed) {
            EXPECT_TRUE(w->ui.lblTitle[0]->caption().contains(u"crash"));
        }
        // Only the first open resumes (after a crash, the first "Play"); the same track again
        // starts at 0.
        engine.clearCalls();
        w->transport.lblPlaySet_Click(Transport::Play);
        EXPECT_EQ(engine.callsStartingWith(QStringLiteral("playFrom")),
                  c.crashed ? QStringList{QStringLiteral("playFrom 95")} : QStringList{});
        Close();
        EXPECT_FALSE(QFileInfo::exists(platform.path(QStringLiteral("telbo.starting"))));
        TearDown();
        engine.clearCalls();
        QFile::remove(Ini());
    }
}

TEST_F(SessionTest, PositionAndStateAreSavedWhenTheyChangeAndAtShutDown) {
    Config(false);
    Start();
    auto saved = [this] { return ReadSessionFile(Ini()); };
    w->transport.lblPlaySet_Click(Transport::Play);
    EXPECT_EQ(saved().Track, tracks[1]);
    engine.elapsed = 42;
    w->transport.PauseTrack();
    EXPECT_EQ(saved().Second, 42);
    EXPECT_TRUE(saved().Paused);
    w->transport.ResumeTrack();
    EXPECT_FALSE(saved().Paused);
    engine.elapsed = 61;
    // A seek right after a save is saved once the thumb rests.
    w->transport.SeekTo(50);
    w->transport.SeekTo(51);
    QTRY_COMPARE(saved().Second, 51);
    w->transport.lblPlaySet_Click(Transport::Next);
    EXPECT_EQ(saved().Track, tracks[2]);
    EXPECT_EQ(saved().Second, 0);
    engine.elapsed = 70;
    Close();
    EXPECT_EQ(saved().Second, 70);
    EXPECT_FALSE(saved().Paused);

    // With saving off nothing is written.
    TearDown();
    QFile::remove(Ini());
    WriteConfig("[Setting]\r\nConfigSave= False\r\n");
    Start();
    SetTracks(tracks);
    w->transport.lblPlaySet_Click(Transport::Play);
    Close();
    EXPECT_FALSE(QFileInfo::exists(Ini()));
}

TEST_F(SessionTest, TheEqualizerIsBackBeforeTheFirstSample) {
    Config(true);
    SessionSettings s;
    s.EqualizerOn = true;
    s.EqualizerPreset = 2;
    s.Equalizer = {120, 100, 80, 0, 0, 0, 0, -20, -40, -120};
    ASSERT_TRUE(WriteSessionFile(Ini(), s));
    Start();
    const qsizetype eq = engine.calls.lastIndexOf(QStringLiteral("setEqualizer 120,100,80,0,0,0,0,-20,-40,-120"));
    const qsizetype open = engine.calls.indexOf(QStringLiteral("open ") + tracks[1]);
    ASSERT_GE(eq, 0);
    EXPECT_LT(eq, open);
    EXPECT_EQ(w->ui.cmbEqualizer->currentIndex(), 2);
    EXPECT_EQ(w->ui.sclEqualizer[9]->value(), -120);

    // A band moved is saved once it rests, not at every step of the drag.
    for (int v = 0; v > -50; v -= 10) w->ui.sclEqualizer[3]->setValue(v);
    EXPECT_EQ(ReadSessionFile(Ini()).Equalizer[3], 0);
    QTRY_COMPARE(ReadSessionFile(Ini()).Equalizer[3], -40);
}

// The right-click menu's "Output": what it offers, what it checks, and that a choice reaches
// the engine and telbo.ini; the remembered choice is handed over at the next start.
TEST_F(SessionTest, TheOutputMenuOffersTheServersOutputsAndKeepsTheChoice) {
    auto outputMenu = [this]() -> QMenu* {
        QMenu* menu = w->contextMenu.Build(w.get());
        for (QAction* a : menu->actions())
            if (a->menu() && a->text() == u"Output") return a->menu();
        return nullptr;
    };
    auto entries = [](QMenu* m) {
        QStringList out;
        for (QAction* a : m->actions())
            if (!a->isSeparator()) // "*" checked, "-" disabled
                out << QStringLiteral("%1%2%3").arg(a->isChecked() ? "*" : "",
                                                    a->isEnabled() ? "" : "-", a->text());
        return out;
    };
    struct Case {
        const char* name;
        std::vector<OutputDevice> outputs;
        QString remembered;
        QString want; // the entries, joined by "|"; "D" the default
    };
    const std::vector<OutputDevice> two{{"alsa.hdmi", "HDMI & DP"}, {"usb.dac", "USB DAC"}};
    const std::vector<Case> cases{
        {"default", two, "", "*D|HDMI && DP|USB DAC"},
        {"remembered", two, "usb.dac", "D|HDMI && DP|*USB DAC"},
        {"remembered but gone", two, "bt.speaker", "*D|HDMI && DP|USB DAC"},
        {"no server", {}, "", "*D|-Only the default output is available"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SessionSettings s;
        s.OutputDevice = c.remembered;
        ASSERT_TRUE(WriteSessionFile(Ini(), s));
        WriteConfig("[Setting]\r\nConfigSave= True\r\n");
        engine.outputs = c.outputs;
        engine.outputChoices.clear();
        Start();
        EXPECT_EQ(engine.outputChoices, std::vector<std::string>{c.remembered.toStdString()});
        QMenu* out = outputMenu();
        ASSERT_NE(out, nullptr);
        EXPECT_EQ(entries(out).join(u'|').replace("Default (follows the desktop)", "D"), c.want);
        if (!c.outputs.empty()) {
            out->actions().back()->trigger();
            EXPECT_EQ(engine.outputChoices.back(), "usb.dac");
            EXPECT_EQ(ReadSessionFile(Ini()).OutputDevice, u"usb.dac");
            outputMenu()->actions().front()->trigger();
            EXPECT_EQ(engine.outputChoices.back(), "");
            EXPECT_EQ(ReadSessionFile(Ini()).OutputDevice, QString());
        }
        TearDown();
    }
}

TEST_F(SessionTest, AMissingOutputIsNamedInTheTitleLineOnce) {
    SessionSettings s;
    s.OutputDevice = QStringLiteral("bt.speaker");
    ASSERT_TRUE(WriteSessionFile(Ini(), s));
    Config(false);
    Start();
    w->transport.lblPlaySet_Click(Transport::Play);
    engine.state = PlaybackState::Playing;
    engine.outputMissing = true;
    engine.elapsed = 1;
    w->transport.tmrTime_Timer();
    EXPECT_EQ(w->ui.lblTitle[0]->caption(),
              u"Output 'bt.speaker' is not there: playing on the default");
    EXPECT_FALSE(engine.outputMissing); // asked, and answered once
}

} // namespace
} // namespace telbo::test
