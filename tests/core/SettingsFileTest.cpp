#include <gtest/gtest.h>

#include "core/SettingsFile.h"

using namespace telbo;

namespace {

const QString kProgram = QStringLiteral("/opt/telbo");

PlayerState SampleState() {
    PlayerState s;
    s.LockFlag = true;
    s.ConfigSave = true;
    s.PlayTypeFlag = PlayMode::Random;
    s.NextTypeFlag = ListEndAction::NextList;
    s.TagShowFlag = TagPanel::View;
    s.ScrollFlag = true;
    s.DownConfigFlag = true;
    s.Volume = 80;
    s.ScrollSpeed = -120;
    s.PlaySpeed = 150;
    s.SamplingRate = DecodeRate::Half;
    s.StereoConf = DecodeChannels::Mono;
    s.LastDir = QStringLiteral("/home/u/Music");
    s.KO = 2;
    s.TitleFiles[0] = QStringLiteral("/m/a.mp3");
    s.TitleFiles[1] = QStringLiteral("/m/b.mp3");
    s.TitleFiles[2] = QStringLiteral("/m/unused.mp3"); // beyond KO: not written
    s.ListKO = 1;
    s.ListFiles[0] = QStringLiteral("/m/list.lst");
    s.PlayPoint = 1;
    s.ListPoint = 0;
    return s;
}

StoredSettings RoundTrip(const PlayerState& s, const QString& title = QStringLiteral("%0")) {
    return ReadSettingsText(WriteSettingsText({&s, 10, 20, 5475, title}), kProgram);
}

// A writer-shaped file with one key line replaced, for conversion tests.
QByteArray WithLine(const QByteArray& key, const QByteArray& line) {
    const PlayerState s = SampleState();
    QByteArray text = WriteSettingsText({&s, 0, 0, 5475, QStringLiteral("%0")});
    const qsizetype at = text.indexOf("\r\n" + key) + 2;
    const qsizetype end = text.indexOf("\r\n", at);
    return text.replace(at, end - at, line);
}

} // namespace

TEST(SettingsWriter, ProducesExactBytes) {
    const PlayerState s = SampleState();
    const QByteArray expected =
        "[player]\r\nTelbo Ver.1.00\r\n2000/10/15\r\n\r\n[Setting]\r\n"
        "FormX= 1440\r\nFormY= -37.5\r\nLockFlag= True\r\nMinFlag= False\r\n"
        "FormSmallWidth= 6000\r\nConfigSave= True\r\nPlayTypeFlag= 3\r\nNextTypeFlag= 2\r\n"
        "TagShowFlag= 1\r\nScrollFlag= True\r\nAutoPlay= False\r\nDownListFlag= False\r\n"
        "DownConfigFlag= True\r\nVolume= 80\r\nScrollSpeed= -120\r\nPlaySpeed= 150\r\n"
        "SamplingRate= 1\r\nStereoConf= 1\r\nScrollTitle= %1 - %2\r\n"
        "LastDir= /home/u/Music\r\nKO= 2\r\nListKO= 1\r\nPlayPoint= 1\r\nListPoint= 0\r\n"
        "\r\n[List]\r\n[000] /m/list.lst\r\n\r\n[Title]\r\n[000] /m/a.mp3\r\n[001] /m/b.mp3\r\n";
    EXPECT_EQ(WriteSettingsText({&s, 1440, -37.5, 6000, QStringLiteral("%1 - %2")}), expected);
}

TEST(SettingsWriter, EmptyCollectionsEndWithTitleHeader) {
    PlayerState s;
    const QByteArray text = WriteSettingsText({&s, 0, 0, 5475, QString()});
    EXPECT_TRUE(text.contains("\r\nKO= 0\r\nListKO= 0\r\n"));
    EXPECT_TRUE(text.contains("\r\nScrollTitle= \r\n"));
    EXPECT_TRUE(text.endsWith("ListPoint= 0\r\n\r\n[List]\r\n\r\n[Title]\r\n"));
}

TEST(SettingsWriter, OutOfRangeCountsAreClampedNotOverrun) {
    PlayerState s;
    s.KO = 500;
    s.ListKO = -4;
    const StoredSettings r = RoundTrip(s);
    EXPECT_EQ(r.KO, 101);
    EXPECT_EQ(r.ListKO, 0);
    const QByteArray text = WriteSettingsText({&s, 0, 0, 1, QString()});
    EXPECT_TRUE(text.contains("\r\n[100] \r\n"));
    EXPECT_FALSE(text.contains("[101]"));
}

TEST(SettingsWriter, StripWiderThanFormSmallWidthHoldsIsStoredAtItsLimit) {
    // Docked across a 2560-pixel work area: 38400 twips.
    const PlayerState s;
    const QByteArray text = WriteSettingsText({&s, 0, 0, 38400, QString()});
    EXPECT_TRUE(text.contains("\r\nFormSmallWidth= 32767\r\n"));
    EXPECT_EQ(ReadSettingsText(text, kProgram).FormSmallWidth, 32767);
}

TEST(SettingsWriter, LineEndsInsideTextsCannotForgeKeysOrEntries) {
    PlayerState s;
    s.KO = 1;
    s.TitleFiles[0] = QStringLiteral("/a\r\n[001] /forged");
    s.LastDir = QStringLiteral("/x\nKO= 101");
    const StoredSettings r = RoundTrip(s, QStringLiteral("t\r\nVolume= 3"));
    EXPECT_EQ(r.KO, 1);
    EXPECT_EQ(r.Volume, s.Volume); // not the 3 the template tried to forge
    EXPECT_EQ(r.TitleFiles[0], u"/a  [001] /forged");
    EXPECT_EQ(r.LastDir, u"/x KO= 101");
    EXPECT_EQ(r.ScrollTitle, u"t  Volume= 3");
}

TEST(SettingsRoundTrip, EveryValueComesBack) {
    const PlayerState s = SampleState();
    const StoredSettings r = ReadSettingsText(
        WriteSettingsText({&s, -1234.75, 99, 4000, QStringLiteral("%2 / %1")}), kProgram);
    EXPECT_TRUE(r.hasFormX && r.hasFormY);
    EXPECT_EQ(r.FormX, -1234.75);
    EXPECT_EQ(r.FormY, 99);
    EXPECT_EQ(r.FormSmallWidth, 4000);
    EXPECT_TRUE(r.LockFlag);
    EXPECT_FALSE(r.MinFlag);
    EXPECT_TRUE(r.ConfigSave);
    EXPECT_EQ(r.PlayTypeFlag, PlayMode::Random);
    EXPECT_EQ(r.NextTypeFlag, ListEndAction::NextList);
    EXPECT_EQ(r.TagShowFlag, TagPanel::View);
    EXPECT_TRUE(r.ScrollFlag);
    EXPECT_FALSE(r.AutoPlay);
    EXPECT_FALSE(r.DownListFlag);
    EXPECT_TRUE(r.DownConfigFlag);
    EXPECT_EQ(r.Volume, 80);
    EXPECT_EQ(r.ScrollSpeed, -120);
    EXPECT_EQ(r.PlaySpeed, 150);
    EXPECT_EQ(r.SamplingRate, DecodeRate::Half);
    EXPECT_EQ(r.StereoConf, DecodeChannels::Mono);
    EXPECT_EQ(r.ScrollTitle, u"%2 / %1");
    EXPECT_EQ(r.LastDir, u"/home/u/Music");
    EXPECT_EQ(r.KO, 2);
    EXPECT_EQ(r.ListKO, 1);
    EXPECT_EQ(r.PlayPoint, 1);
    EXPECT_EQ(r.ListPoint, 0);
    EXPECT_EQ(r.TitleFiles[0], u"/m/a.mp3");
    EXPECT_EQ(r.TitleFiles[1], u"/m/b.mp3");
    EXPECT_TRUE(r.TitleFiles[2].isEmpty()); // beyond KO
    EXPECT_EQ(r.ListFiles[0], u"/m/list.lst");
}

TEST(SettingsRoundTrip, CollectionsOfNoneOneAndAllSlots) {
    for (int count : {0, 1, kSlots}) {
        PlayerState s;
        s.KO = static_cast<std::int16_t>(count);
        s.ListKO = static_cast<std::int16_t>(count);
        for (int i = 0; i < count; ++i) {
            s.TitleFiles[i] = QStringLiteral("/t/%1.mp3").arg(i);
            s.ListFiles[i] = QStringLiteral("/l/%1.lst").arg(i);
        }
        const QByteArray text = WriteSettingsText({&s, 0, 0, 5475, QString()});
        if (count == kSlots) {
            EXPECT_TRUE(text.contains("\r\n[099] /t/99.mp3\r\n[100] /t/100.mp3\r\n"));
        }
        const StoredSettings r = ReadSettingsText(text, kProgram);
        EXPECT_EQ(r.KO, count);
        EXPECT_EQ(r.ListKO, count);
        EXPECT_EQ(r.TitleFiles, s.TitleFiles) << count;
        EXPECT_EQ(r.ListFiles, s.ListFiles) << count;
    }
}

TEST(SettingsRoundTrip, AwkwardTextsSurviveUnchanged) {
    PlayerState s;
    const std::array<QString, 6> paths = {
        QStringLiteral("/my music/a b.mp3"), QStringLiteral("/x/KO=5=6.mp3"),
        QStringLiteral(" /leading blank.mp3"),  QStringLiteral("/trailing blank.mp3 "),
        QStringLiteral("/Müsik/Ålbum/曲 №1.mp3"),  QStringLiteral("/x/[001] [Title] [List].mp3"),
    };
    s.KO = s.ListKO = static_cast<std::int16_t>(paths.size());
    for (std::size_t i = 0; i < paths.size(); ++i) s.TitleFiles[i] = s.ListFiles[i] = paths[i];
    s.LastDir = QStringLiteral(" /dir with = and ListKO= 9");
    const StoredSettings r = RoundTrip(s, QStringLiteral(" KO=5 [Title]"));
    for (std::size_t i = 0; i < paths.size(); ++i) {
        EXPECT_EQ(r.TitleFiles[i], paths[i]);
        EXPECT_EQ(r.ListFiles[i], paths[i]);
    }
    EXPECT_EQ(r.LastDir, s.LastDir);
    EXPECT_EQ(r.ScrollTitle, u" KO=5 [Title]");
    EXPECT_EQ(r.KO, 6);
}

TEST(SettingsRoundTrip, EmptyTemplateStaysEmptyButMissingOneIsDefault) {
    PlayerState s;
    EXPECT_EQ(RoundTrip(s, QString()).ScrollTitle, u"");
    EXPECT_EQ(ReadSettingsText("[Setting]\r\n", kProgram).ScrollTitle, u"%0");
}

TEST(SettingsReader, ValueSkipsTheCharacterAfterEquals) {
    EXPECT_EQ(ReadSettingsText(WithLine("Volume=", "Volume=80"), kProgram).Volume, 0);
    EXPECT_EQ(ReadSettingsText(WithLine("Volume=", "Volume= 80"), kProgram).Volume, 80);
    EXPECT_EQ(ReadSettingsText(WithLine("Volume=", "Volume=  80 "), kProgram).Volume, 80);
    EXPECT_EQ(SettingsValue(u"A=xyz\r\n", u"A="), u"yz");
    EXPECT_EQ(SettingsValue(u"A=\r\nB= 1\r\n", u"A="), u""); // does not run into the next line
    EXPECT_EQ(SettingsValue(u"A=", u"A="), u"");
    EXPECT_EQ(SettingsValue(u"A= tail", u"A="), u"tail"); // no final line end
    EXPECT_FALSE(SettingsValue(u"B= 1", u"A=").has_value());
}

TEST(SettingsReader, IntegersRoundHalfToEvenAndKeepTheirRanges) {
    const auto volume = [](const QByteArray& v) {
        return ReadSettingsText(WithLine("Volume=", "Volume= " + v), kProgram).Volume;
    };
    EXPECT_EQ(volume("2.5"), 2);
    EXPECT_EQ(volume("3.5"), 4);
    EXPECT_EQ(volume("100.5"), 100); // to even: 100, still in range
    EXPECT_EQ(volume("101"), 100);   // out of range: default
    EXPECT_EQ(volume("-1"), 100);
    EXPECT_EQ(volume("loud"), 100);
    EXPECT_EQ(volume(""), 100);
    const auto width = [](const QByteArray& v) {
        return ReadSettingsText(WithLine("FormSmallWidth=", "FormSmallWidth= " + v), kProgram)
            .FormSmallWidth;
    };
    EXPECT_EQ(width("4320.5"), 4320);
    EXPECT_EQ(width("0"), kDefaultFormSmallWidth);
    EXPECT_EQ(width("-10"), kDefaultFormSmallWidth);
    EXPECT_EQ(width("40000"), kDefaultFormSmallWidth);
}

TEST(SettingsReader, BooleansFromWordsAndNumbers) {
    const auto lock = [](const QByteArray& v) {
        return ReadSettingsText(WithLine("LockFlag=", "LockFlag= " + v), kProgram).LockFlag;
    };
    EXPECT_TRUE(lock("True"));
    EXPECT_FALSE(lock("false"));
    EXPECT_TRUE(lock("-1"));
    EXPECT_FALSE(lock("0"));
}

TEST(SettingsReader, KeysOnlyMatchWholeAtLineStart) {
    const QByteArray text = "ScrollTitle= KO=5 LastDir= /no\r\nLastDir= /yes KO= 7\r\n"
                            "ListKO= 3\r\nKO= 2\r\nko= 9\r\n";
    const StoredSettings r = ReadSettingsText(text, kProgram);
    EXPECT_EQ(r.KO, 2);
    EXPECT_EQ(r.ListKO, 3);
    EXPECT_EQ(r.ScrollTitle, u"KO=5 LastDir= /no");
    EXPECT_EQ(r.LastDir, u"/yes KO= 7");
    // First line starting with a key wins.
    EXPECT_EQ(SettingsValue(u"V= 1\r\nV= 2\r\n", u"V="), u"1");
}

TEST(SettingsReader, BareLineFeedsAlsoEndLines) {
    // A file re-saved by an editor with Unix line ends still reads.
    const PlayerState s = SampleState();
    const QByteArray text = WriteSettingsText({&s, 5, 6, 7000, QStringLiteral("x")}).replace("\r\n", "\n");
    const StoredSettings r = ReadSettingsText(text, kProgram);
    EXPECT_EQ(r.Volume, 80);
    EXPECT_EQ(r.FormSmallWidth, 7000);
    EXPECT_EQ(r.TitleFiles[1], u"/m/b.mp3");
    EXPECT_EQ(r.ListFiles[0], u"/m/list.lst");
}

TEST(SettingsReader, MissingFileGivesDefaultsWithProgramFolder) {
    const StoredSettings r = ReadSettingsText(QByteArray(), kProgram);
    EXPECT_FALSE(r.hasFormX);
    EXPECT_FALSE(r.hasFormY);
    EXPECT_EQ(r.FormSmallWidth, 5475);
    EXPECT_EQ(r.Volume, 100);
    EXPECT_EQ(r.ScrollSpeed, -100);
    EXPECT_EQ(r.PlaySpeed, 100);
    EXPECT_EQ(r.ScrollTitle, u"%0");
    EXPECT_EQ(r.LastDir, kProgram);
    EXPECT_EQ(r.KO, 0);
    EXPECT_EQ(r.ListKO, 0);
}

TEST(SettingsReader, PointsKeptInsideTheirCollectionsOnly) {
    const auto read = [](const QByteArray& ko, const QByteArray& point) {
        const QByteArray text = "KO= " + ko + "\r\nPlayPoint= " + point + "\r\n";
        return ReadSettingsText(text, kProgram).PlayPoint;
    };
    EXPECT_EQ(read("5", "4"), 4);
    EXPECT_EQ(read("5", "5"), 0);
    EXPECT_EQ(read("5", "-1"), 0);
    EXPECT_EQ(read("0", "0"), 0);
    EXPECT_EQ(read("0", "3"), 0);
    EXPECT_EQ(read("101", "100"), 100);
    EXPECT_EQ(read("500", "100"), 100); // count clamped first
    EXPECT_EQ(read("5", "x"), 0);
}

TEST(SettingsSections, MarkersAndSectionBounds) {
    const QString text = QStringLiteral(
        "[List]\r\n[000] a\r\n[002] c\r\n[Title]\r\n[001] t1\r\n[000] t0\r\n[001] t1b\r\n");
    const auto list = SectionPaths(text, u"[List]", u"[Title]", 3);
    EXPECT_EQ(list[0], u"a");
    EXPECT_EQ(list[1], u""); // missing marker; [001] of the Title section is not reached
    EXPECT_EQ(list[2], u"c");
    const auto titles = SectionPaths(text, u"[Title]", {}, 2);
    EXPECT_EQ(titles[0], u"t0");
    EXPECT_EQ(titles[1], u"t1b"); // searched only after entry 0
    EXPECT_EQ(SectionPaths(text, u"[Nope]", {}, 3)[0], u"");
    EXPECT_EQ(SectionPaths(u"[T]\r\n[000]", u"[T]", {}, 1)[0], u""); // cut after the marker
    EXPECT_EQ(SectionPaths(u"[T]\r\n[000]x/p", u"[T]", {}, 1)[0], u"/p");
}
