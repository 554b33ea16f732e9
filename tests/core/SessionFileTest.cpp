// telbo.ini: what is written reads back through QSettings, and a damaged file gives defaults
// value by value, never a failed start.
#include "core/SessionFile.h"

#include <gtest/gtest.h>

#include <QDateTime>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

namespace telbo {
namespace {

class SessionFileTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString path() const { return dir.filePath(QStringLiteral("telbo.ini")); }
    SessionSettings ReadText(const QByteArray& text) {
        QFile f(path());
        EXPECT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(text);
        f.close();
        return ReadSessionFile(path());
    }
};

TEST_F(SessionFileTest, WhatIsWrittenReadsBackWholeEvenWithOddPaths) {
    SessionSettings s;
    s.Resume = false;
    s.TrackSize = 1234567;
    s.TrackModified = 1765000000123;
    s.Second = 3599;
    s.Paused = true;
    s.EqualizerOn = true;
    s.EqualizerPreset = 7;
    s.Equalizer = {-120, -60, 0, 5, 120, 1, -1, 30, 0, 99};
    s.TimeRemaining = true;
    s.ReplayGain = {ReplayGainMode::Album, -4.5, 12, false, false};
    s.OutputDevice = QStringLiteral("alsa_output.usb-Audio_\"DAC\"-00.analog-stereo");
    for (const QString& track :
         {QStringLiteral("/music/a, b; c=d.mp3"), QStringLiteral("/m/\"quoted\" \\back\\.flac"),
          QStringLiteral("/m/東京 – Ünïcode/01 [x].opus"), QStringLiteral("/m/line\nbreak\t.mp3"),
          QStringLiteral(" /lead and trail /"), QString()}) {
        SCOPED_TRACE(track.toStdString());
        s.Track = track;
        ASSERT_TRUE(WriteSessionFile(path(), s));
        EXPECT_EQ(ReadSessionFile(path()), s);
        // Another program reading it as INI sees the same values.
        const QSettings ini(path(), QSettings::IniFormat);
        EXPECT_EQ(ini.value(QStringLiteral("Resume/Track")).toString(), track);
        EXPECT_EQ(ini.value(QStringLiteral("Equalizer/Preset")).toInt(), 7);
        EXPECT_EQ(ini.value(QStringLiteral("Output/Device")).toString(), s.OutputDevice);
    }
}

TEST_F(SessionFileTest, DamagedValuesTakeTheirDefaultsOneByOne) {
    const SessionSettings defaults;
    struct Case {
        const char* name;
        QByteArray text;
        SessionSettings want;
    };
    SessionSettings second90 = defaults;
    second90.Second = 90;
    second90.Track = QStringLiteral("/a.mp3");
    std::vector<Case> cases{
        {"empty", "", defaults},
        {"binary", QByteArray("\0\xff\xfe[\x01=\x02\n\x7f", 10) + QByteArray(4096, '\xc3'), defaults},
        {"nine bands", "[Equalizer]\nOn=true\nPreset=2\nBands=1,2,3,4,5,6,7,8,9\n", defaults},
        {"band out of range", "[Equalizer]\nOn=true\nBands=0,0,0,0,0,0,0,0,0,121\n", defaults},
        {"band not a number", "[Equalizer]\nOn=true\nBands=0,0,0,0,0,0,0,0,0,loud\n", defaults},
        {"negative second", "[Resume]\nSecond=-5\n", defaults},
        {"second past a day", "[Resume]\nSecond=86401\n", defaults},
        {"preset past the list", "[Equalizer]\nPreset=10\n", defaults},
        {"junk booleans", "[Resume]\nEnabled=maybe\nPaused=2\n[Display]\nTimeRemaining=yes\n", defaults},
        {"unknown mode, pre-amps out of range",
         "[ReplayGain]\nMode=Loud\nPreamp=15.5\nUntaggedPreamp=nan\nClipPrevention=\n", defaults},
        {"output name with a control character", "[Output]\nDevice=\"a\\tb\"\n", defaults},
        {"output name too long", "[Output]\nDevice=" + QByteArray(513, 'x') + "\n", defaults},
        {"good beside bad", "[Resume]\nTrack=/a.mp3\nSecond=90\nSize=x\nModified=-7\n[Junk\n", second90},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ReadText(c.text), c.want);
    }
    EXPECT_EQ(ReadSessionFile(dir.filePath(QStringLiteral("missing.ini"))), defaults);
    EXPECT_EQ(ReadSessionFile(dir.path()), defaults); // a folder where the file should be
}

TEST_F(SessionFileTest, TheNewestCopyIsTheOneRead) {
    const QString a = dir.filePath(QStringLiteral("a.ini")), b = dir.filePath(QStringLiteral("b.ini"));
    for (const QString& p : {a, b}) {
        QFile f(p);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    QFile fa(a);
    ASSERT_TRUE(fa.open(QIODevice::ReadWrite));
    ASSERT_TRUE(fa.setFileTime(QDateTime::currentDateTime().addSecs(-3600), QFileDevice::FileModificationTime));
    fa.close();
    EXPECT_EQ(NewestFile({a, b, dir.filePath(QStringLiteral("none.ini"))}), b);
    EXPECT_EQ(NewestFile({dir.filePath(QStringLiteral("none.ini")), a}), a);
    EXPECT_EQ(NewestFile({dir.filePath(QStringLiteral("none.ini"))}), QString());
}

} // namespace
} // namespace telbo
