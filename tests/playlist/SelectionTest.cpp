#include "playlist/Selection.h"

#include <gtest/gtest.h>

using namespace telbo;

namespace {

QString Nul() { return QString(QChar(u'\0')); }

QString DialogResult(const QString& folder, int names) {
    QString s = folder;
    for (int i = 0; i < names; ++i) s += Nul() + QString::number(i) + ".mp3";
    return s;
}

} // namespace

TEST(SplitSelection, SinglePathWithoutNul) {
    EXPECT_EQ(SplitSelection("/m/a.mp3"), QStringList{"/m/a.mp3"});
    EXPECT_EQ(SplitSelection(""), QStringList{""});
}

TEST(SplitSelection, FolderAndNames) {
    EXPECT_EQ(SplitSelection("C:\\Music" + Nul() + "a.mp3" + Nul() + "b.m3u"),
              (QStringList{"C:\\Music\\a.mp3", "C:\\Music\\b.m3u"}));
    EXPECT_EQ(SplitSelection("/home/u/Music" + Nul() + "a.mp3" + Nul() + "b.mp3"),
              (QStringList{"/home/u/Music/a.mp3", "/home/u/Music/b.mp3"}));
    EXPECT_EQ(SplitSelection("C:\\" + Nul() + "a.mp3"), QStringList{"C:\\\\a.mp3"});
    EXPECT_EQ(SplitSelection("/" + Nul() + "a.mp3"), QStringList{"/a.mp3"});
    EXPECT_EQ(SplitSelection("/m/" + Nul() + "a.mp3"), QStringList{"/m/a.mp3"});
    // Mixed separators: the folder is taken as a Windows one.
    EXPECT_EQ(SplitSelection("C:\\a/b" + Nul() + "x.mp3"), QStringList{"C:\\a/b\\x.mp3"});
    // On Linux "\" is part of a name: the files of folder "AC\DC" are found in it.
    EXPECT_EQ(SplitSelection("/m/AC\\DC" + Nul() + "T.mp3" + Nul() + "U\\V.mp3"),
              (QStringList{"/m/AC\\DC/T.mp3", "/m/AC\\DC/U\\V.mp3"}));
}

TEST(SplitSelection, AtMost101Names) {
    const QStringList full = SplitSelection(DialogResult("/m", 101));
    ASSERT_EQ(full.size(), 101);
    EXPECT_EQ(full.front(), "/m/0.mp3");
    EXPECT_EQ(full.back(), "/m/100.mp3");
    EXPECT_TRUE(SplitSelection(DialogResult("/m", 102)).isEmpty());
    EXPECT_TRUE(SplitSelection(DialogResult("/m", 5000)).isEmpty());
}

TEST(LimitArguments, OnePathPerArgumentMadeAbsolute) {
    EXPECT_EQ(LimitArguments({"a.mp3", "/abs/b.mp3", "sub/../c.mp3", "My Music.mp3"}, "/home/u"),
              (QStringList{"/home/u/a.mp3", "/abs/b.mp3", "/home/u/sub/../c.mp3",
                           "/home/u/My Music.mp3"}));
    EXPECT_EQ(LimitArguments({"a.mp3"}, "/"), QStringList{"/a.mp3"});
    EXPECT_EQ(LimitArguments({""}, "/home/u"), QStringList{""});
    EXPECT_TRUE(LimitArguments({}, "/home/u").isEmpty());

    QStringList args;
    for (int i = 0; i < 101; ++i) args << QString::number(i) + ".mp3";
    EXPECT_EQ(LimitArguments(args, "/w").size(), 101);
    args << "extra.mp3";
    EXPECT_TRUE(LimitArguments(args, "/w").isEmpty());
}

TEST(DroppedLocalPaths, OnlyLocalFilesInOrder) {
    const QList<QUrl> urls{QUrl::fromLocalFile("/m/a b.mp3"), QUrl("https://example.org/x.mp3"),
                           QUrl::fromLocalFile("/m/list.m3u"), QUrl("ftp://h/y.mp3")};
    EXPECT_EQ(DroppedLocalPaths(urls), (QStringList{"/m/a b.mp3", "/m/list.m3u"}));
    EXPECT_TRUE(DroppedLocalPaths({}).isEmpty());
}
