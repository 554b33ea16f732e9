// Files entering the collections: drops, the "Add" dialog and the command line.

#include "PlaylistGui.h"

#include <QDir>
#include <QUrl>

namespace telbo::test {
namespace {

using FileAdding = PlaylistGui;

QList<QUrl> Urls(const QStringList& paths) {
    QList<QUrl> urls;
    for (const QString& p : paths) urls << QUrl::fromLocalFile(p);
    return urls;
}

TEST_F(FileAdding, DropOnTheHeaderPlaysTheFirstDroppedTrack) {
    const QStringList old = MakeTracks(2);
    const QStringList dropped = MakeTracks(2, "new");
    SetTracks(old);
    const QString list = MakeList("l.m3u", {old[0]});
    QList<QUrl> urls = Urls({platform.path("readme.txt"), dropped[0], list, dropped[1]});
    urls.insert(1, QUrl("https://example.com/x.mp3"));

    w->fileAdder.FilesDropped(0, urls);
    EXPECT_EQ(Tracks(), (QStringList{old[0], old[1], dropped[0], dropped[1]}));
    EXPECT_EQ(Lists(), QStringList{list}); // added alongside, not opened
    EXPECT_EQ(w->st.PlayPoint, 2);
    EXPECT_EQ(Sel(1), 2);
    EXPECT_EQ(Sel(0), 0);
    EXPECT_EQ(Caption(w->ui.lblPoint[1]), "4");
    EXPECT_TRUE(engine.calls.contains("open " + dropped[0])) << engine.calls.join('|').toStdString();
}

TEST_F(FileAdding, DroppedListOnTheHeaderReplacesTheTracks) {
    const QStringList t = MakeTracks(3);
    SetTracks({t[0]});
    SetLists({"/first.m3u"});
    const QString second = MakeList("second.m3u", {t[2]});
    const QString list = MakeList("dropped.m3u", {t[1], t[2]});

    w->fileAdder.FilesDropped(0, Urls({list, second}));
    EXPECT_EQ(Lists(), (QStringList{"/first.m3u", list, second}));
    EXPECT_EQ(Tracks(), (QStringList{t[1], t[2]}));
    EXPECT_EQ(w->st.ListPoint, 0);
    EXPECT_EQ(Caption(w->ui.lblPoint[1]), "2");
    EXPECT_EQ(w->st.PlayPoint, 0);
    EXPECT_TRUE(engine.calls.contains("open " + t[1])) << engine.calls.join('|').toStdString();

    // A dropped list that cannot be read keeps the tracks and plays nothing.
    engine.clearCalls();
    ASSERT_TRUE(QDir(platform.dir.path()).mkdir("folder.m3u"));
    w->fileAdder.FilesDropped(0, Urls({platform.path("folder.m3u")}));
    EXPECT_EQ(Tracks(), (QStringList{t[1], t[2]}));
    EXPECT_TRUE(engine.callsStartingWith("open").isEmpty());
}

TEST_F(FileAdding, DropOnAListBoxOnlyAddsAndSelects) {
    const QStringList t = MakeTracks(3);
    SetTracks({t[0]});
    SetLists({"/a.m3u", "/b.m3u"});
    w->st.PlayPoint = 0;
    const QString list = MakeList("c.m3u", {});
    w->fileAdder.FilesDropped(1, Urls({t[1], list, t[2]}));
    EXPECT_EQ(Tracks(), t);
    EXPECT_EQ(Sel(1), 1);
    EXPECT_EQ(Caption(w->ui.lblPoint[2]), "2");
    EXPECT_EQ(Lists(), (QStringList{"/a.m3u", "/b.m3u", list}));
    EXPECT_EQ(Sel(0), 2);
    EXPECT_EQ(w->st.PlayPoint, 0);
    EXPECT_TRUE(engine.calls.isEmpty());

    // A relative file URL is taken against the working folder.
    const QString rel = platform.makeFile("rel.mp3");
    const QString cwd = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(platform.dir.path()));
    w->fileAdder.FilesDropped(1, {QUrl("file:rel.mp3")});
    QDir::setCurrent(cwd);
    EXPECT_EQ(w->st.TitleFiles[3], rel);
}

TEST_F(FileAdding, NothingIsStoredPastTheLastSlot) {
    const QStringList full = MakeTracks(101, "f");
    SetTracks(full);
    const QStringList t = MakeTracks(2);
    const QString list = MakeList("l.m3u", {t[0]});
    for (int i = 0; i < 101; ++i) w->st.ListFiles[i] = list;
    w->st.ListKO = 101;
    w->st.PlayPoint = 7;

    w->fileAdder.FilesDropped(0, Urls({t[0], list}));
    EXPECT_TRUE(engine.callsStartingWith("open").isEmpty());
    EXPECT_EQ(w->st.KO, 101);
    EXPECT_EQ(w->st.ListKO, 101);
    EXPECT_EQ(w->st.TitleFiles[100], full[100]);
    EXPECT_EQ(w->st.PlayPoint, 7); // nothing was added, so nothing plays

    // One free slot: the first dropped track fits and is the one that plays.
    SetTracks(MakeTracks(100, "x"));
    w->fileAdder.FilesDropped(0, Urls({t[0], t[1]}));
    EXPECT_EQ(w->st.KO, 101);
    EXPECT_EQ(w->st.TitleFiles[100], t[0]);
    EXPECT_EQ(w->st.PlayPoint, 100);
    EXPECT_TRUE(engine.calls.contains("open " + t[0]));

    // A list read through "Add" stops at the last slot too.
    SetTracks(MakeTracks(100, "y"));
    platform.dialogAnswers = {{MakeList("two.m3u", {t[0], t[1]})}};
    w->listEditor.lblListSet_Click(0);
    EXPECT_EQ(w->st.KO, 101);
    EXPECT_EQ(w->st.TitleFiles[100], t[0]);
}

TEST_F(FileAdding, AddInTheTrackViewTakesTracksAndListEntries) {
    const QStringList t = MakeTracks(3);
    const QString list = MakeList("l.m3u", {t[1], t[2]});
    platform.dialogAnswers = {{t[0], list}};
    w->listEditor.lblListSet_Click(0);
    EXPECT_EQ(Tracks(), t);
    EXPECT_EQ(w->st.ListKO, 0);
    EXPECT_EQ(Caption(w->ui.lblPoint[3]), "3");
    EXPECT_EQ(Sel(1), 0);

    // 102 names add nothing; 101 add all.
    QStringList names;
    for (int i = 0; i < 102; ++i) names << platform.makeFile(QString("n%1.mp3").arg(i));
    SetTracks({});
    platform.dialogAnswers = {names};
    w->listEditor.lblListSet_Click(0);
    EXPECT_EQ(w->st.KO, 0);
    names.removeLast();
    platform.dialogAnswers = {names};
    w->listEditor.lblListSet_Click(0);
    EXPECT_EQ(w->st.KO, 101);
    EXPECT_EQ(w->st.TitleFiles[100], names[100]);
}

TEST_F(FileAdding, CommandLineArgumentsAreOnePathEach) {
    platform.arguments = {"/My Music/a.mp3", "/l/SONG.M3U", "/notes.txt", "/x.mp3 old/y.m3u",
                          "/.m3u-old/b.mp3", "/l/utf.M3U8", "/r/c.FLAC", "/r/d.opus.txt"};
    w->fileAdder.AddCommandLine(platform.commandLineArguments());
    // The final extension decides.
    EXPECT_EQ(Tracks(), (QStringList{"/My Music/a.mp3", "/.m3u-old/b.mp3", "/r/c.FLAC"}));
    EXPECT_EQ(Lists(), (QStringList{"/l/SONG.M3U", "/x.mp3 old/y.m3u", "/l/utf.M3U8"}));
    EXPECT_EQ(w->ui.lstFile[1]->count(), 0); // callers refresh

    QStringList many;
    for (int i = 0; i < 102; ++i) many << QString("/m/%1.mp3").arg(i);
    platform.arguments = many;
    w->fileAdder.AddCommandLine(platform.commandLineArguments());
    EXPECT_EQ(w->st.KO, 3);
}

} // namespace
} // namespace telbo::test
