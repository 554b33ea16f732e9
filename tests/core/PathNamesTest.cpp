#include "core/PathNames.h"

#include <gtest/gtest.h>

using namespace telbo;

namespace {

QString Separators(int n, QChar sep) { return QString(n, sep); }

} // namespace

TEST(DisplayName, CutsOnlyTheFinalExtension) {
    EXPECT_EQ(DisplayName("01. Intro.mp3"), "01. Intro");
    EXPECT_EQ(DisplayName("/m/Mr. Brightside.mp3"), "Mr. Brightside");
    EXPECT_EQ(DisplayName("C:\\Music\\Pop\\song.live.mp3"), "song.live");
    EXPECT_EQ(DisplayName("/home/u/Music/track.mp3"), "track");
    EXPECT_EQ(DisplayName("/music/no extension"), "no extension");
    EXPECT_EQ(DisplayName("/music.d/.hidden"), ".hidden");
    EXPECT_EQ(DisplayName("/music.d/.hidden.mp3"), ".hidden");
}

TEST(DisplayName, BackslashSeparatesOnlyInWindowsPaths) {
    EXPECT_EQ(DisplayName("C:\\Music/Pop\\a.b.mp3"), "a.b");
    EXPECT_EQ(DisplayName("\\\\server\\share\\x.mp3"), "x");
    EXPECT_EQ(DisplayName("/music/AC\\DC - T.mp3"), "AC\\DC - T");
    EXPECT_EQ(DisplayName("/home/u\\back/x.mp3"), "x");
    EXPECT_EQ(DisplayName("dir\\"), "dir\\");
}

TEST(DisplayName, EmptyPathGivesEmptyRow) { EXPECT_EQ(DisplayName(""), ""); }

TEST(DisplayName, SeparatorSearchIsBounded) {
    // 255 separators: the 256th search finds none and the name is found.
    EXPECT_EQ(DisplayName(Separators(255, '/') + "song.mp3"), "song");
    EXPECT_EQ(DisplayName("C:" + Separators(200, '\\') + Separators(55, '/') + "song.mp3"), "song");
    // 256 separators: every search found one; the name is given up.
    EXPECT_EQ(DisplayName(Separators(256, '/') + "song.mp3"), "");
    EXPECT_EQ(DisplayName("C:" + Separators(300, '\\') + "song.mp3"), "");
}

TEST(FileNameOf, KeepsExtensionAndEmptyAfterTrailingSeparator) {
    EXPECT_EQ(FileNameOf("C:\\Music\\song.live.mp3"), "song.live.mp3");
    EXPECT_EQ(FileNameOf("/a/b\\c.m3u"), "b\\c.m3u");
    EXPECT_EQ(FileNameOf("plain.mp3"), "plain.mp3");
    EXPECT_EQ(FileNameOf("/music/"), "");
    EXPECT_EQ(FileNameOf("C:\\"), "");
    EXPECT_EQ(FileNameOf(""), "");
    EXPECT_EQ(FileNameOf(Separators(255, '/') + "x.mp3"), "x.mp3");
    EXPECT_EQ(FileNameOf(Separators(256, '/') + "x.mp3"), "");
}

TEST(ClassifyPath, ByTheFinalExtensionInAnyCase) {
    EXPECT_EQ(ClassifyPath("/m/song.mp3"), PathKind::Track);
    EXPECT_EQ(ClassifyPath("SONG.MP3"), PathKind::Track);
    EXPECT_EQ(ClassifyPath("/home/u/.m3u-archive/song.mp3"), PathKind::Track);
    EXPECT_EQ(ClassifyPath("/m/Best.mp3 rips/list.m3u"), PathKind::ListFile);
    EXPECT_EQ(ClassifyPath("D:\\a.mp3 old\\x.m3u"), PathKind::ListFile);
    EXPECT_EQ(ClassifyPath("/m/list.M3U"), PathKind::ListFile);
    EXPECT_EQ(ClassifyPath("/m/list.m3u8"), PathKind::ListFile);
    EXPECT_EQ(ClassifyPath("/m/song.mp3.part"), PathKind::Other);
    EXPECT_EQ(ClassifyPath("notes.txt"), PathKind::Other);
    EXPECT_EQ(ClassifyPath(""), PathKind::Other);
    EXPECT_EQ(ClassifyPath("mp3"), PathKind::Other);
    for (const char* track : {"a.flac", "a.FLAC", "a.ogg", "a.oga", "a.Opus", "a.wav", "a.WAV",
                              "a.aiff", "a.aif", "a.aifc", "/m/x.flac old/b.mp3"})
        EXPECT_EQ(ClassifyPath(track), PathKind::Track) << track;
    for (const char* other : {"a.flac.part", "a.opus~", "/m/x.wav/list.txt", "a.wma", "a.m4a"})
        EXPECT_EQ(ClassifyPath(other), PathKind::Other) << other;
}
