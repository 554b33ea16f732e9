// Damaged and hostile files: the reader must neither crash nor hand out out-of-range state.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QRandomGenerator>

#include "core/SettingsFile.h"

using namespace telbo;

namespace {

template <typename Mode> bool Known(Mode mode) {
    return ModeNumber(mode) >= 0 && ModeNumber(mode) < kModeCount<Mode>;
}

void ExpectInRange(const StoredSettings& s) {
    EXPECT_TRUE(s.KO >= 0 && s.KO <= kSlots) << s.KO;
    EXPECT_TRUE(s.ListKO >= 0 && s.ListKO <= kSlots) << s.ListKO;
    EXPECT_TRUE(s.PlayPoint == 0 || (s.PlayPoint > 0 && s.PlayPoint < s.KO)) << s.PlayPoint;
    EXPECT_TRUE(s.ListPoint == 0 || (s.ListPoint > 0 && s.ListPoint < s.ListKO)) << s.ListPoint;
    EXPECT_GE(s.FormSmallWidth, 1);
    EXPECT_TRUE(Known(s.PlayTypeFlag));
    EXPECT_TRUE(Known(s.NextTypeFlag));
    EXPECT_TRUE(Known(s.TagShowFlag));
    EXPECT_TRUE(s.Volume >= 0 && s.Volume <= 100);
    EXPECT_TRUE(s.ScrollSpeed >= -300 && s.ScrollSpeed <= 300);
    EXPECT_TRUE(s.PlaySpeed >= 20 && s.PlaySpeed <= 300);
    EXPECT_TRUE(static_cast<int>(s.SamplingRate) >= 0 && static_cast<int>(s.SamplingRate) <= 2);
    EXPECT_TRUE(static_cast<int>(s.StereoConf) >= 0 && static_cast<int>(s.StereoConf) <= 1);
    for (int i = s.KO; i < kSlots; ++i) EXPECT_TRUE(s.TitleFiles[i].isEmpty());
    for (int i = s.ListKO; i < kSlots; ++i) EXPECT_TRUE(s.ListFiles[i].isEmpty());
}

QByteArray RealFile() {
    PlayerState s;
    s.Volume = 40;
    s.KO = 3;
    s.ListKO = 2;
    s.PlayPoint = 2;
    s.ListPoint = 1;
    for (int i = 0; i < 3; ++i) s.TitleFiles[i] = QStringLiteral("/m/é %1.mp3").arg(i);
    for (int i = 0; i < 2; ++i) s.ListFiles[i] = QStringLiteral("/l/%1.lst").arg(i);
    s.LastDir = QStringLiteral("/m");
    return WriteSettingsText({&s, 100, 200, 5000, QStringLiteral("%1")});
}

} // namespace

TEST(SettingsDamage, TruncatedAtEveryByte) {
    const QByteArray full = RealFile();
    for (qsizetype n = 0; n <= full.size(); ++n) {
        SCOPED_TRACE(n);
        const StoredSettings s = ReadSettingsText(full.first(n), QStringLiteral("/p"));
        ExpectInRange(s);
        // Whatever survived is never a guess: entries are complete or cut short (a cut inside
        // "é" leaves one replacement character).
        for (int i = 0; i < s.KO; ++i) {
            QString got = s.TitleFiles[i];
            if (got.endsWith(QChar::ReplacementCharacter)) got.chop(1);
            EXPECT_TRUE(QStringLiteral("/m/é %1.mp3").arg(i).startsWith(got)) << got.toStdString();
        }
    }
    const StoredSettings whole = ReadSettingsText(full, QStringLiteral("/p"));
    EXPECT_EQ(whole.PlayPoint, 2);
    EXPECT_EQ(whole.TitleFiles[2], u"/m/é 2.mp3");
}

TEST(SettingsDamage, BinaryNoiseNulsAndInvalidUtf8) {
    QRandomGenerator rng(1234);
    for (int round = 0; round < 300; ++round) {
        QByteArray noise(static_cast<qsizetype>(rng.bounded(2000)), '\0');
        for (char& c : noise) c = static_cast<char>(rng.bounded(256));
        ExpectInRange(ReadSettingsText(noise, QStringLiteral("/p")));
        // Noise spliced into a real file.
        QByteArray mixed = RealFile();
        mixed.insert(static_cast<qsizetype>(rng.bounded(static_cast<int>(mixed.size()))), noise);
        ExpectInRange(ReadSettingsText(mixed, QStringLiteral("/p")));
    }
    static const char raw[] = "KO= 2\r\n[Title]\r\n[000] a\0b\r\n[001] \xff\xfe\r\n";
    const QByteArray nul(raw, sizeof raw - 1);
    const StoredSettings s = ReadSettingsText(nul, QStringLiteral("/p"));
    EXPECT_EQ(s.KO, 2);
    EXPECT_EQ(s.TitleFiles[0], QString::fromUtf16(u"a\0b", 3));
    EXPECT_EQ(s.TitleFiles[1], QString(2, QChar::ReplacementCharacter));
}

TEST(SettingsDamage, CountsAreClampedAndMissingEntriesEmpty) {
    const StoredSettings big =
        ReadSettingsText("KO= 500\r\nListKO= 32767\r\nPlayPoint= 100\r\n[List]\r\n[000] a\r\n"
                         "[Title]\r\n[000] t\r\n[100] last\r\n",
                         QStringLiteral("/p"));
    EXPECT_EQ(big.KO, 101);
    EXPECT_EQ(big.ListKO, 101);
    EXPECT_EQ(big.PlayPoint, 100);
    EXPECT_EQ(big.TitleFiles[0], u"t");
    EXPECT_EQ(big.TitleFiles[1], u"");
    EXPECT_EQ(big.TitleFiles[100], u"last");
    EXPECT_EQ(big.ListFiles[0], u"a");
    EXPECT_EQ(big.ListFiles[1], u""); // the Title section's markers are not borrowed

    const StoredSettings huge =
        ReadSettingsText("KO= 99999999999999999999\r\nListKO= -5\r\nListPoint= 1\r\n", "/p");
    EXPECT_EQ(huge.KO, 101);
    EXPECT_EQ(huge.ListKO, 0);
    EXPECT_EQ(huge.ListPoint, 0);
    ExpectInRange(huge);
}

TEST(SettingsDamage, MissingSectionsGiveEmptyEntries) {
    const StoredSettings s = ReadSettingsText("KO= 3\r\nListKO= 3\r\n", QStringLiteral("/p"));
    EXPECT_EQ(s.KO, 3);
    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(s.TitleFiles[i].isEmpty());
        EXPECT_TRUE(s.ListFiles[i].isEmpty());
    }
    // Without a [Title] header the List section runs to the end.
    const StoredSettings noTitle =
        ReadSettingsText("KO= 1\r\nListKO= 1\r\n[List]\r\n[000] l\r\n", QStringLiteral("/p"));
    EXPECT_EQ(noTitle.ListFiles[0], u"l");
    EXPECT_EQ(noTitle.TitleFiles[0], u"");
}

TEST(SettingsDamage, HeadersInsideValuesAreNotSections) {
    const StoredSettings s =
        ReadSettingsText("LastDir= /x [Title]\r\nKO= 1\r\nListKO= 1\r\n[List]\r\n[000] l\r\n"
                         "[Title]\r\n[000] t\r\n",
                         QStringLiteral("/p"));
    EXPECT_EQ(s.ListFiles[0], u"l");
    EXPECT_EQ(s.TitleFiles[0], u"t");
}

TEST(SettingsDamage, PositionsMissingOrUnusable) {
    for (const QByteArray& bad : {QByteArray("FormX= \r\n"), QByteArray("FormX= 1e999\r\n"),
                                  QByteArray("FormX= nan\r\n"), QByteArray("FormX= 12px\r\n")}) {
        const StoredSettings s = ReadSettingsText(bad, QStringLiteral("/p"));
        EXPECT_FALSE(s.hasFormX) << bad.constData();
        EXPECT_EQ(s.FormX, 0);
    }
    const StoredSettings ok = ReadSettingsText("FormX= -300.25\r\n", QStringLiteral("/p"));
    EXPECT_TRUE(ok.hasFormX);
    EXPECT_EQ(ok.FormX, -300.25);
}

TEST(SettingsDamage, TenMegabytesReadInLinearTime) {
    // Shapes that would make a per-slot or per-occurrence rescan quadratic.
    const qsizetype size = 10 * 1024 * 1024;
    QByteArray lines;
    lines.reserve(size + 64);
    lines += "KO= 101\r\nListKO= 101\r\n[List]\r\n";
    while (lines.size() < size) lines += "[999] not a slot\r\nKO=KO=KO=\n";
    lines += "[Title]\r\n[100] end\r\n";
    QByteArray brackets(size, '[');
    QByteArray oneLine = "LastDir= " + QByteArray(size, 'x');

    QElapsedTimer timer;
    timer.start();
    const StoredSettings a = ReadSettingsText(lines, QStringLiteral("/p"));
    ExpectInRange(ReadSettingsText(brackets, QStringLiteral("/p")));
    const StoredSettings c = ReadSettingsText(oneLine, QStringLiteral("/p"));
    EXPECT_LT(timer.elapsed(), 20000); // generous for debug/sanitizer builds; quadratic takes hours
    EXPECT_EQ(a.KO, 101);
    EXPECT_EQ(a.TitleFiles[100], u"end");
    EXPECT_EQ(a.ListFiles[0], u"");
    EXPECT_EQ(c.LastDir.size(), size);
}
