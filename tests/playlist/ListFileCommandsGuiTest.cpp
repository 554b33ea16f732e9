// Reading list files, the file dialog, "Open" and "Save".

#include "PlaylistGui.h"

#include "playlist/ListFileCommands.h"
#include "ui/Label.h"

#include <QDir>
#include <QFile>

#include <sys/stat.h>

namespace telbo::test {
namespace {

enum { Open = 0, Save = 1 };

using ListFileCommandsTest = PlaylistGui;

QByteArray Contents(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

TEST_F(ListFileCommandsTest, DialogModesAndWhatTheyReturn) {
    w->st.LastDir = "/start";
    EXPECT_EQ(w->listFiles.ShowFileDialog(FileDialogMode::OpenLists), "0");
    EXPECT_EQ(w->st.LastDir, "/start"); // cancel keeps it

    platform.dialogAnswers = {{"/m/a.mp3"}};
    EXPECT_EQ(w->listFiles.ShowFileDialog(FileDialogMode::OpenTracksAndLists), "/m/a.mp3");
    EXPECT_EQ(w->st.LastDir, "/m/a.mp3");

    // Many long names: no buffer limit, only the 101-name rule of the splitter applies.
    QStringList many;
    const QString folder = "/home/user/" + QString(200, u'd');
    for (int i = 0; i < 101; ++i) many << folder + "/" + QString(80, u'n') + QString::number(i) + ".mp3";
    platform.dialogAnswers = {many};
    const QString name = w->listFiles.ShowFileDialog(FileDialogMode::OpenTracksAndLists);
    EXPECT_GT(name.size(), 1000);
    EXPECT_TRUE(name.startsWith(folder + QChar(u'\0') + QString(80, u'n') + "0.mp3" + QChar(u'\0')));
    EXPECT_EQ(w->st.LastDir, name);

    platform.dialogAnswers = {{"/out/x.m3u"}};
    EXPECT_EQ(w->listFiles.ShowFileDialog(FileDialogMode::SaveList), "/out/x.m3u");

    ASSERT_EQ(platform.dialogRequests.size(), 4);
    const FileDialogRequest& lists = platform.dialogRequests[0];
    EXPECT_FALSE(lists.save);
    EXPECT_TRUE(lists.multiSelect);
    EXPECT_EQ(lists.filter, "Lists|*.m3u;*.m3u8");
    EXPECT_FALSE(lists.folderToo);
    EXPECT_EQ(lists.presetName, "");
    EXPECT_EQ(lists.startDir, "/start");
    EXPECT_EQ(platform.dialogRequests[1].filter,
              "Audio files|*.mp3;*.flac;*.ogg;*.oga;*.opus;*.wav;*.aiff;*.aif;*.aifc;*.m3u;*.m3u8");
    EXPECT_TRUE(platform.dialogRequests[1].folderToo);
    EXPECT_EQ(platform.dialogRequests[2].startDir, "/m/a.mp3");
    const FileDialogRequest& save = platform.dialogRequests[3];
    EXPECT_TRUE(save.save);
    EXPECT_TRUE(save.confirmOverwrite);
    EXPECT_EQ(save.presetName, "Telbo.m3u");
    EXPECT_EQ(save.filter, "Lists|*.m3u;*.m3u8");
    EXPECT_EQ(save.startDir, folder); // the folder part of a multiple selection
}

TEST_F(ListFileCommandsTest, SaveThenOpenGivesTheSameTracks) {
    const QStringList t = MakeTracks(3);
    SetTracks({t[2], t[0], t[2], t[1]});
    const QString file = platform.path("saved.m3u");
    platform.dialogAnswers = {{file}};
    w->listFiles.lblFileSet_Click(Save);
    EXPECT_EQ(Contents(file), (QStringList{t[2], t[0], t[2], t[1]}.join("\r\n") + "\r\n").toUtf8());
    EXPECT_EQ(w->st.KO, 4); // nothing else changes
    EXPECT_EQ(w->st.ListKO, 0);

    SetTracks(MakeTracks(2, "old"));
    SetLists({"/some.m3u"});
    w->st.ListPoint = 0;
    platform.dialogAnswers = {{platform.path("extra.mp3"), file}}; // a multiple selection
    platform.makeFile("extra.mp3");
    w->listFiles.lblFileSet_Click(Open);
    ASSERT_FALSE(engine.calls.isEmpty());
    EXPECT_EQ(engine.calls.first(), "stop");
    EXPECT_EQ(Tracks(), QStringList{platform.path("extra.mp3")});
    EXPECT_EQ(Lists(), QStringList{file});
    EXPECT_EQ(Sel(1), 0);
    EXPECT_EQ(Caption(w->ui.lblPoint[1]), "1");
    EXPECT_TRUE(engine.calls.contains("open " + platform.path("extra.mp3")));

    // Reading the saved file into an empty collection gives the same entries back.
    SetTracks({});
    EXPECT_TRUE(w->listFiles.ReadListFile(file));
    EXPECT_EQ(Tracks(), (QStringList{t[2], t[0], t[2], t[1]}));

    // An empty collection saves an empty file.
    SetTracks({});
    platform.dialogAnswers = {{file}};
    w->listFiles.lblFileSet_Click(Save);
    EXPECT_EQ(Contents(file), QByteArray());
}

TEST_F(ListFileCommandsTest, OpenStartsFromTheFirstTrack) {
    const QStringList t = MakeTracks(2);
    QFile::remove(t[0]); // removed by the refresh; must not make "Next" skip t2
    platform.dialogAnswers = {{t[0], t[1], platform.path("notes.txt")}};
    w->listFiles.lblFileSet_Click(Open);
    EXPECT_EQ(Tracks(), QStringList{t[1]});
    EXPECT_TRUE(engine.calls.contains("open " + t[1])) << engine.calls.join('|').toStdString();
    EXPECT_EQ(w->st.PlayPoint, 0);

    engine.clearCalls();
    w->listFiles.lblFileSet_Click(Open); // cancelled: nothing at all
    EXPECT_TRUE(engine.calls.isEmpty());
    EXPECT_EQ(Tracks(), QStringList{t[1]});
}

TEST_F(ListFileCommandsTest, OpenWithOnlyListFilesLoadsTheNextList) {
    const QStringList t = MakeTracks(3);
    const QString a = MakeList("a.m3u", {t[0]});
    const QString b = MakeList("b.m3u", {t[1], t[2]});
    const QString c = MakeList("c.m3u", {t[0]});
    platform.dialogAnswers = {{a, b, c}};
    w->listFiles.lblFileSet_Click(Open);
    EXPECT_EQ(Lists(), (QStringList{a, b, c}));
    EXPECT_EQ(w->st.ListPoint, 1);
    EXPECT_EQ(Tracks(), (QStringList{t[1], t[2]}));
    EXPECT_EQ(Caption(w->ui.lblPoint[1]), "2");
    EXPECT_TRUE(engine.calls.contains("open " + t[1])) << engine.calls.join('|').toStdString();
}

TEST_F(ListFileCommandsTest, ReadingAppendsUpToTheLastSlotAndRejectsNonFiles) {
    QStringList lines;
    for (int i = 0; i < 150; ++i) lines << QString("/m/%1.mp3").arg(i);
    const QString big = MakeList("big.m3u", lines);
    SetTracks(MakeTracks(90));
    EXPECT_TRUE(w->listFiles.ReadListFile(big));
    EXPECT_EQ(w->st.KO, 101);
    EXPECT_EQ(w->st.TitleFiles[90], "/m/0.mp3");
    EXPECT_EQ(w->st.TitleFiles[100], "/m/10.mp3");

    // Relative entries name files beside the list, wherever the list is read from.
    const QString sub = platform.makeFile("sub/rel.m3u", "#EXTM3U\n#EXTINF:1,x\nx.mp3\n");
    SetTracks({});
    EXPECT_TRUE(w->listFiles.ReadListFile(sub));
    EXPECT_EQ(Tracks(), QStringList{platform.path("sub/x.mp3")});

    // A giant file is read only so far, and never up to half a line.
    QByteArray huge = "/a.mp3\r\n#" + QByteArray(16 * 1024 * 1024 - 16, 'x') + "\r\n";
    huge += "/straddles/the/end.mp3\r\n/b.mp3\r\n";
    SetTracks({});
    EXPECT_TRUE(w->listFiles.ReadListFile(platform.makeFile("huge.m3u", huge)));
    EXPECT_EQ(Tracks(), QStringList{"/a.mp3"});

    // A folder, a FIFO (reading would block) and a missing file add nothing and say so.
    ASSERT_TRUE(QDir(platform.dir.path()).mkdir("folder.m3u"));
    const QString fifo = platform.path("fifo.m3u");
    ASSERT_EQ(mkfifo(fifo.toLocal8Bit().constData(), 0600), 0);
    for (const QString& bad : {platform.path("folder.m3u"), fifo, platform.path("none.m3u")}) {
        EXPECT_FALSE(w->listFiles.ReadListFile(bad)) << bad.toStdString();
        EXPECT_FALSE(w->listFiles.ReplaceTracks(bad));
    }
    EXPECT_EQ(Tracks(), QStringList{"/a.mp3"});
}

TEST_F(ListFileCommandsTest, ListsWrittenElsewhereNameTheirFiles) {
    // Written on Windows: Windows-1252 text and "\" between folders where the entry is not
    // there as written. On Linux "\" may be part of a name: such a file is taken as it is.
    const QString cafe = platform.makeFile(QString::fromUtf8("Album/Caf\xC3\xA9.mp3"));
    const QString acdc = platform.makeFile("AC\\DC - T.mp3");
    const QString win = platform.makeFile(
        "win.m3u", "Album\\Caf\xE9.mp3\r\nAC\\DC - T.mp3\r\nC:\\Music\\x.mp3\r\nGone\\y.mp3\r\n");
    EXPECT_TRUE(w->listFiles.ReadListFile(win));
    EXPECT_EQ(Tracks(), (QStringList{cafe, acdc, "C:\\Music\\x.mp3", platform.path("Gone/y.mp3")}));
    w->collections.RefreshLists();
    EXPECT_EQ(Rows(1).mid(0, 2), (QStringList{QString::fromUtf8("Caf\xC3\xA9"), "AC\\DC - T"}));

    // ".m3u8" promises UTF-8: no guessing there.
    SetTracks({});
    EXPECT_TRUE(w->listFiles.ReadListFile(platform.makeFile("u.m3u8", "Caf\xE9.mp3\r\n")));
    EXPECT_EQ(Tracks(), QStringList{platform.path(QString::fromUtf8("Caf\xEF\xBF\xBD.mp3"))});
}

TEST_F(ListFileCommandsTest, OpenOrAddThatCannotTakeTheFilesKeepsEverythingAndSaysWhy) {
    const QStringList t = MakeTracks(2);
    SetTracks(t);
    SetLists({"/l.m3u"});
    QStringList many;
    for (int i = 0; i < 120; ++i) many << platform.path(QString("n%1.mp3").arg(i));
    platform.dialogAnswers = {many, {platform.makeFile("notes.txt")}};
    w->listFiles.lblFileSet_Click(Open);
    EXPECT_TRUE(engine.calls.isEmpty()); // not even stopped
    EXPECT_EQ(Tracks(), t);
    EXPECT_EQ(Lists(), QStringList{"/l.m3u"});
    EXPECT_EQ(Caption(w->ui.lblTitle[0]), "120 files selected: at most 101");
    w->listFiles.lblFileSet_Click(Open);
    EXPECT_TRUE(engine.calls.isEmpty());
    EXPECT_EQ(Tracks(), t);
    EXPECT_EQ(Caption(w->ui.lblTitle[0]), "Nothing to open: no audio or list file chosen");

    // "Add" past the last slot says so too.
    SetTracks(MakeTracks(100, "x"));
    platform.dialogAnswers = {{t[0], t[1]}};
    w->listEditor.lblListSet_Click(0);
    EXPECT_EQ(w->st.KO, 101);
    EXPECT_EQ(Caption(w->ui.lblTitle[0]), "List full: at most 101 entries");
}

TEST_F(ListFileCommandsTest, AWholeFolderOpensItsTracksByName) {
    const QString b = platform.makeFile("folder/b.mp3");
    const QString a = platform.makeFile("folder/A.MP3");
    const QString c = platform.makeFile("folder/c.mp3");
    const QString d = platform.makeFile("folder/d.FLAC");
    const QString e = platform.makeFile("folder/e.opus");
    const QString f = platform.makeFile("folder/f.wav");
    platform.makeFile("folder/cover.jpg");
    platform.makeFile("folder/g.flac.part");
    platform.makeFile("folder/sub/d.mp3");
    platform.dialogAnswers = {{platform.path("folder")}};
    w->listFiles.lblFileSet_Click(Open);
    EXPECT_EQ(Tracks(), (QStringList{a, b, c, d, e, f}));
    EXPECT_TRUE(engine.calls.contains("open " + a)) << engine.calls.join('|').toStdString();
    EXPECT_TRUE(w->st.LastDir.startsWith(platform.path("folder") + QChar(u'\0')));

    // The 101 limit holds for a folder as for a selection; an empty folder says so.
    for (int i = 0; i < 102; ++i) platform.makeFile(QString("big/%1.mp3").arg(i));
    ASSERT_TRUE(QDir(platform.dir.path()).mkdir("empty"));
    platform.dialogAnswers = {{platform.path("big")}, {platform.path("empty")}};
    w->listFiles.lblFileSet_Click(Open);
    EXPECT_EQ(Caption(w->ui.lblTitle[0]), "102 files selected: at most 101");
    w->listFiles.lblFileSet_Click(Open);
    EXPECT_EQ(Caption(w->ui.lblTitle[0]), "No audio files in empty");
    EXPECT_EQ(Tracks(), (QStringList{a, b, c, d, e, f}));
}

TEST_F(ListFileCommandsTest, FailedSaveLeavesTheOldFileAndSaysSo) {
    SetTracks(MakeTracks(1));
    const QString old = platform.makeFile("keep.m3u", "old\r\n");
    EXPECT_FALSE(w->listFiles.SaveList(platform.path("keep.m3u/inside.m3u"))); // parent is a file
    ASSERT_TRUE(QDir(platform.dir.path()).mkdir("dir.m3u"));
    EXPECT_FALSE(w->listFiles.SaveList(platform.path("dir.m3u")));
    EXPECT_TRUE(QFileInfo(platform.path("dir.m3u")).isDir());
    EXPECT_EQ(Contents(old), "old\r\n");
    EXPECT_TRUE(w->listFiles.SaveList(old));
    EXPECT_EQ(Contents(old), (w->st.TitleFiles[0] + "\r\n").toUtf8());
}

} // namespace
} // namespace telbo::test
