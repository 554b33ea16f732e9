#include "core/SlotList.h"
#include "playlist/ListFileFormat.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>

using namespace telbo;

namespace {
const QString kFolder = QStringLiteral("/lists");
} // namespace

TEST(ParseListFile, EveryKindOfLineEndEndsALine) {
    const QStringList expected{"/a.mp3", "/b.mp3", "/c.mp3"};
    EXPECT_EQ(ParseListFile("/a.mp3\r\n/b.mp3\r\n/c.mp3\r\n", kFolder), expected);
    EXPECT_EQ(ParseListFile("/a.mp3\n/b.mp3\n/c.mp3\n", kFolder), expected);
    EXPECT_EQ(ParseListFile("/a.mp3\r/b.mp3\r/c.mp3\r", kFolder), expected);
    EXPECT_EQ(ParseListFile("/a.mp3\r\n/b.mp3\r/c.mp3\n", kFolder), expected);
    // LF CR is two line ends around an empty line, which is skipped.
    EXPECT_EQ(ParseListFile("/a.mp3\n\r/b.mp3\n\r/c.mp3", kFolder), expected);
}

TEST(ParseListFile, UnterminatedLastLineIsKept) {
    EXPECT_EQ(ParseListFile("/a.mp3\r\n/b.mp3", kFolder), (QStringList{"/a.mp3", "/b.mp3"}));
    EXPECT_EQ(ParseListFile("/only.mp3", kFolder), QStringList{"/only.mp3"});
}

TEST(ParseListFile, CommentsAndEmptyLinesAreSkipped) {
    const QByteArray bytes = "#EXTM3U\r\n"
                             "#EXTINF:123,Artist - Title\r\n"
                             "/m/a.mp3\r\n"
                             "\r\n"
                             "\n"
                             "#EXTINF:-1,Other\n"
                             "/m/b.mp3\n";
    EXPECT_EQ(ParseListFile(bytes, kFolder), (QStringList{"/m/a.mp3", "/m/b.mp3"}));
    EXPECT_TRUE(ParseListFile("", kFolder).isEmpty());
    EXPECT_TRUE(ParseListFile("\r\n\n\r", kFolder).isEmpty());
}

TEST(ParseListFile, BlanksAreNotTrimmed) {
    EXPECT_EQ(ParseListFile("/m/a b.mp3 \r\n", kFolder), QStringList{"/m/a b.mp3 "});
    EXPECT_EQ(ParseListFile(" #not a comment.mp3", kFolder),
              QStringList{"/lists/ #not a comment.mp3"});
}

TEST(ParseListFile, RelativeEntriesNameFilesBesideTheList) {
    const QByteArray bytes = "a.mp3\nsub/b.mp3\n../c.mp3\n/abs/d.mp3\n"
                             "C:\\Music\\e.mp3\nd:/f.mp3\n\\\\server\\share\\g.mp3\n";
    const QStringList expected{"/lists/a.mp3",    "/lists/sub/b.mp3", "/lists/../c.mp3",
                               "/abs/d.mp3",      "C:\\Music\\e.mp3", "d:/f.mp3",
                               "\\\\server\\share\\g.mp3"};
    EXPECT_EQ(ParseListFile(bytes, kFolder), expected);
    EXPECT_EQ(ParseListFile("a.mp3", "/"), QStringList{"/a.mp3"});
    EXPECT_EQ(ParseListFile("a.mp3", "/lists/"), QStringList{"/lists/a.mp3"});
}

TEST(ParseListFile, BomAndUtf8) {
    const QByteArray bytes = "\xEF\xBB\xBF/m/Caf\xC3\xA9.mp3\r\n/m/\xE6\x97\xA5.mp3\r\n";
    EXPECT_EQ(ParseListFile(bytes, kFolder),
              (QStringList{QString::fromUtf8("/m/Caf\xC3\xA9.mp3"),
                           QString::fromUtf8("/m/\xE6\x97\xA5.mp3")}));
    // A BOM before a comment still leaves the comment a comment.
    EXPECT_TRUE(ParseListFile("\xEF\xBB\xBF#EXTM3U\n", kFolder).isEmpty());
}

TEST(ParseListFile, NotUtf8IsWindows1252UnlessUtf8IsPromised) {
    // One entry that is not UTF-8 makes the whole file Windows-1252; comments do not count.
    const QByteArray bytes =
        "#EXTINF:1,\xC3\xA9\n/m/Caf\xE9.mp3\n/m/\x80 \x9F \x81.mp3\n/m/ok.mp3\n";
    EXPECT_EQ(ParseListFile(bytes, kFolder),
              (QStringList{QString::fromUtf8("/m/Caf\xC3\xA9.mp3"),
                           QString::fromUtf8("/m/\xE2\x82\xAC \xC5\xB8 \xC2\x81.mp3"),
                           "/m/ok.mp3"}));
    EXPECT_EQ(ParseListFile(bytes, kFolder, ListTextEncoding::Utf8).value(0),
              QString::fromUtf8("/m/Caf\xEF\xBF\xBD.mp3"));
    // Valid UTF-8 is never read as Windows-1252.
    EXPECT_EQ(ParseListFile("/m/Caf\xC3\xA9.mp3\n", kFolder),
              QStringList{QString::fromUtf8("/m/Caf\xC3\xA9.mp3")});
}

TEST(ListFileRoundTrip, WriteThenParseGivesThePathsBack) {
    const QStringList paths{"/m/a.mp3", QString::fromUtf8("/m/\xC3\xA9t\xC3\xA9 1.mp3"),
                            "C:\\old\\b.mp3", "/m/ lead and trail "};
    const QByteArray bytes = WriteListFile(paths);
    EXPECT_TRUE(bytes.endsWith("\r\n"));
    EXPECT_EQ(bytes.count("\r\n"), paths.size());
    EXPECT_EQ(ParseListFile(bytes, kFolder), paths);
    EXPECT_TRUE(WriteListFile({}).isEmpty());
}

TEST(ListFileRoundTrip, PathsWithLineBreaksAreLeftOut) {
    const QStringList paths{"/m/a.mp3", "/m/evil\n/etc/passwd.mp3", "/m/b\r.mp3", "/m/c.mp3"};
    EXPECT_EQ(WriteListFile(paths), QByteArray("/m/a.mp3\r\n/m/c.mp3\r\n"));
}

TEST(ParseListFile, LongListIsCutWhenAppended) {
    QByteArray bytes = "#EXTM3U\n";
    for (int i = 0; i < 150; ++i) bytes += "/m/" + QByteArray::number(i) + ".mp3\r\n";
    const QStringList entries = ParseListFile(bytes, kFolder);
    ASSERT_EQ(entries.size(), 150);

    std::array<QString, kSlots> cells{};
    std::int16_t count = 0;
    std::int16_t point = 0;
    EXPECT_EQ(SlotList(cells, count, point).Append(entries), 101);
    EXPECT_EQ(count, 101);
    EXPECT_EQ(cells[100], "/m/100.mp3");

    std::array<QString, kSlots> partly{};
    std::int16_t partCount = 90;
    EXPECT_EQ(SlotList(partly, partCount, point).Append(entries), 11);
    EXPECT_EQ(partCount, 101);
    EXPECT_EQ(partly[90], "/m/0.mp3");
    EXPECT_EQ(partly[100], "/m/10.mp3");
    EXPECT_TRUE(partly[89].isEmpty());
}

TEST(ParseListFile, HostileInputNeitherCrashesNorHangs) {
    QElapsedTimer timer;
    timer.start();

    QByteArray binary;
    for (int i = 0; i < 1 << 16; ++i) binary += static_cast<char>((i * 7919) & 0xFF);
    const QStringList fromBinary = ParseListFile(binary, kFolder);
    for (const QString& e : fromBinary) EXPECT_FALSE(e.isEmpty());

    const QByteArray invalidUtf8 = "/m/\xFF\xFE\xC3.mp3\n\xED\xA0\x80\n";
    EXPECT_EQ(ParseListFile(invalidUtf8, kFolder).size(), 2);

    const QByteArray oneLine(10 * 1024 * 1024, 'a');
    const QStringList big = ParseListFile(oneLine, kFolder);
    ASSERT_EQ(big.size(), 1);
    EXPECT_EQ(big[0].size(), kFolder.size() + 1 + oneLine.size());

    const QByteArray manyBreaks(10 * 1024 * 1024, '\n');
    EXPECT_TRUE(ParseListFile(manyBreaks, kFolder).isEmpty());

    EXPECT_LT(timer.elapsed(), 10000); // seconds of slack for a loaded debug build
}
