// The tag view and the tag editor against the recording engine.

#include "TitlesFixture.h"

#include "ui/Panel.h"
#include "ui/Twips.h"

#include <QBuffer>
#include <QComboBox>
#include <QFile>
#include <QImage>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include <functional>

#include <sys/stat.h>
#include <unistd.h>

using namespace telbo;
using namespace telbo::test;

namespace {

enum Cmd { Set, SetAll, SetAllWithNum, SetAllWithTitle, Copy, Paste, AllClear, ReadOnly };

FixedText<128> Text128(const std::string& s) {
    FixedText<128> f;
    f.Store(s);
    return f;
}

TagRecord SampleTag(const std::string& title, int genre) {
    TagRecord t;
    t.Title.Fill(title);
    t.Artist.Fill("Artist");
    t.Album.Fill("Album");
    t.Year.Fill("1999");
    t.Comment.Fill("Comment");
    t.GenreNumber = genre;
    t.GenreName.Fill(FakeEngine::GenreName(genre));
    return t;
}

class TagEditorTest : public TitlesFixture {
protected:
    QStringList tracks;

    void UseTracks(int n) {
        tracks = MakeTracks(n);
        ShowTracks(tracks);
    }
    void Cmd(int index) { Click(w->ui.lblTagSet[static_cast<std::size_t>(index)]); }
    QLineEdit* Box(int i) { return w->ui.txtTagData[static_cast<std::size_t>(i)]; }
    int Genre() const { return w->ui.cmbTagGenre->currentIndex(); }
    // Opens the editor on `row` as a user would: select, then ShowTag twice.
    void OpenEditor(int row) {
        Select(row);
        Click(w->ui.lblShowTag);
        Click(w->ui.lblShowTag);
        ASSERT_EQ(w->st.TagShowFlag, TagPanel::Editor);
    }
    const std::vector<TagRecord>& Written(int track) { return engine.written[Std(tracks[track])]; }
    QStringList Writes() const { return engine.callsStartingWith("writeTag"); }
    QString WriteOf(int track) const { return "writeTag " + tracks[track]; }
};

TEST_F(TagEditorTest, TheTagViewsHeadingShowsTheCoverInItsTooltipAtMost200Wide) {
    QTemporaryDir cacheDir;
    w->coverArt = CoverArtCache(cacheDir.path());
    auto png = [](int width) {
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        QImage(width, 8, QImage::Format_RGB32).save(&buffer, "PNG");
        return bytes;
    };
    UseTracks(3);
    const QByteArray wide = png(400);
    engine.covers[Std(tracks[0])] = CoverPicture{"image/png", {wide.begin(), wide.end()}};
    Select(0);
    Click(w->ui.lblShowTag);
    ASSERT_EQ(w->st.TagShowFlag, TagPanel::View);
    const QString tip = w->ui.lblTagInfo[0]->toolTip();
    EXPECT_TRUE(tip.startsWith("<img src=\"file://" + cacheDir.path() + "/")) << qPrintable(tip);
    EXPECT_TRUE(tip.endsWith(".png\" width=\"200\">")) << qPrintable(tip);

    w->tagEditor.LoadTagView(1); // no picture, none beside it
    EXPECT_EQ(w->ui.lblTagInfo[0]->toolTip(), "");

    // A small cover beside the tracks keeps its own width.
    const QString small = platform.dir.filePath("folder.png");
    QImage(50, 8, QImage::Format_RGB32).save(small, "PNG");
    w->tagEditor.LoadTagView(2);
    EXPECT_EQ(w->ui.lblTagInfo[0]->toolTip(),
              "<img src=\"" + QUrl::fromLocalFile(small).toString() + "\" width=\"50\">");
}

TEST_F(TagEditorTest, ShowTagWithoutSelectionSelectsTheFirstTrackOnly) {
    Click(w->ui.lblShowTag); // empty list: nothing at all
    EXPECT_EQ(w->st.TagShowFlag, TagPanel::None);
    EXPECT_TRUE(engine.calls.isEmpty());

    UseTracks(3);
    Click(w->ui.lblShowTag);
    EXPECT_EQ(w->ui.lstFile[1]->currentRow(), 0);
    EXPECT_EQ(w->st.TagShowFlag, TagPanel::None);
    EXPECT_TRUE(w->ui.frmTag[0]->isHidden());
    EXPECT_TRUE(w->ui.frmTag[1]->isHidden());
    EXPECT_EQ(w->ui.lblShowTag->caption(), "ShowTag");
}

TEST_F(TagEditorTest, PanelCanBeHiddenAfterTheListWasEmptied) {
    UseTracks(1);
    Select(0);
    Click(w->ui.lblShowTag);
    ASSERT_FALSE(w->ui.frmTag[0]->isHidden());
    ShowTracks({}); // every track removed: no row can be selected any more

    Click(w->ui.lblShowTag); // the next step would need a track
    EXPECT_EQ(w->st.TagShowFlag, TagPanel::View);
    EXPECT_FALSE(w->ui.frmTag[0]->isHidden());

    w->st.TagShowFlag = TagPanel::Editor; // what the panel's close label does before running the cycle
    Click(w->ui.lblShowTag);
    EXPECT_EQ(w->st.TagShowFlag, TagPanel::None);
    EXPECT_TRUE(w->ui.frmTag[0]->isHidden());
    EXPECT_EQ(tw::Height(w->ui.lstFile[1]), 4335);
}

TEST_F(TagEditorTest, ShowTagCyclesViewEditorHidden) {
    UseTracks(2);
    engine.tags[Std(tracks[1])] = SampleTag("Second", 17);
    Select(1);
    const Label* showTag = w->ui.lblShowTag;

    Click(w->ui.lblShowTag);
    EXPECT_EQ(w->st.TagShowFlag, TagPanel::View);
    EXPECT_EQ(showTag->caption(), "ShowTag");
    EXPECT_EQ(Color(showTag), "#C0C0FF");
    EXPECT_FALSE(w->ui.frmTag[0]->isHidden());
    EXPECT_TRUE(w->ui.frmTag[1]->isHidden());
    EXPECT_EQ(w->ui.lblTagInfo[0]->caption(), "t2");
    EXPECT_EQ(w->ui.lblTagData[0]->caption(), "Second");
    EXPECT_EQ(w->ui.lblTagData[3]->caption(), "1999");
    EXPECT_EQ(w->ui.lblTagData[4]->caption(), "Genre 17");
    EXPECT_EQ(w->ui.lblTagData[5]->caption(), "Comment");
    for (int i = 0; i < 2; ++i)
        EXPECT_EQ(tw::Height(w->ui.lstFile[i]), 1770);

    Click(w->ui.lblShowTag);
    EXPECT_EQ(w->st.TagShowFlag, TagPanel::Editor);
    EXPECT_EQ(showTag->caption(), "TagSet");
    EXPECT_EQ(Color(showTag), "#C0C0FF");
    EXPECT_TRUE(w->ui.frmTag[0]->isHidden());
    EXPECT_FALSE(w->ui.frmTag[1]->isHidden());
    EXPECT_EQ(Box(0)->text(), "Second");
    EXPECT_EQ(Genre(), 17);
    for (int i = 0; i < 2; ++i)
        EXPECT_EQ(tw::Height(w->ui.lstFile[i]), 1770);

    Click(w->ui.lblShowTag);
    EXPECT_EQ(w->st.TagShowFlag, TagPanel::None);
    EXPECT_EQ(showTag->caption(), "ShowTag");
    EXPECT_EQ(Color(showTag), "#808080");
    EXPECT_TRUE(w->ui.frmTag[0]->isHidden());
    EXPECT_TRUE(w->ui.frmTag[1]->isHidden());
    for (int i = 0; i < 2; ++i)
        EXPECT_EQ(tw::Height(w->ui.lstFile[i]), 4335);
    EXPECT_TRUE(Writes().isEmpty());
}

TEST_F(TagEditorTest, EditorShowsFieldsAndStoresFixedWidths) {
    UseTracks(1);
    TagRecord tag = SampleTag("Song", 3);
    tag.Artist.Store("   "); // blanks only: shown empty
    tag.Year.Fill("12345");  // the box takes four characters
    engine.tags[Std(tracks[0])] = tag;
    OpenEditor(0);
    EXPECT_EQ(Box(0)->text(), "Song");
    EXPECT_EQ(Box(1)->text(), "");
    EXPECT_EQ(Box(2)->text(), "Album");
    EXPECT_EQ(Box(3)->text(), "1234");
    EXPECT_EQ(Box(4)->text(), "Comment");
    EXPECT_EQ(w->ui.lblTagSet[7]->caption(), "");

    Box(0)->setText(QString(200, u'x'));
    Box(1)->setText("Me");
    Cmd(Set);
    ASSERT_EQ(Written(0).size(), 1u);
    const TagRecord& out = Written(0)[0];
    EXPECT_EQ(out.Title, Text128(std::string(128, 'x')));
    EXPECT_EQ(out.Artist, Text128("Me"));
    EXPECT_EQ(out.Year.Raw(), "1234 ");
    EXPECT_EQ(out.GenreNumber, 3);
    EXPECT_EQ(out.GenreName, Text128("Genre 3")); // the text the genre box shows
    EXPECT_EQ(out.Comment, Text128("Comment"));
}

TEST_F(TagEditorTest, CommandsNeedASelectedTrack) {
    UseTracks(2);
    for (int cmd = 0; cmd < 14; ++cmd)
        Cmd(cmd);
    EXPECT_TRUE(engine.calls.isEmpty());
    EXPECT_EQ(Genre(), -1);
}

TEST_F(TagEditorTest, SetAllWithNumNumbersEveryTitle) {
    UseTracks(12);
    OpenEditor(4);
    Box(0)->setText("Song ");
    Box(1)->setText("Band");
    Cmd(SetAllWithNum);
    for (int i = 0; i < 12; ++i) {
        SCOPED_TRACE(i);
        ASSERT_FALSE(Written(i).empty());
        const std::string number = (i < 9 ? "0" : "") + std::to_string(i + 1);
        EXPECT_EQ(Written(i).back().Title, Text128("Song " + number));
        EXPECT_EQ(Written(i).back().Artist, Text128("Band"));
    }
    // Reloaded afterwards from what was written.
    EXPECT_EQ(Box(0)->text().trimmed(), "Song 05");

    Box(0)->setText("");
    Cmd(SetAllWithNum);
    for (int i = 0; i < 12; ++i) {
        const std::string number = (i < 9 ? "0" : "") + std::to_string(i + 1);
        EXPECT_EQ(Written(i).back().Title, Text128(number));
    }
}

TEST_F(TagEditorTest, SetAllWithNumGrowsPastTwoDigits) {
    UseTracks(101);
    OpenEditor(0);
    Box(0)->setText("#");
    Cmd(SetAllWithNum);
    EXPECT_EQ(Written(8).back().Title, Text128("#09"));
    EXPECT_EQ(Written(99).back().Title, Text128("#100"));
    EXPECT_EQ(Written(100).back().Title, Text128("#101"));
}

TEST_F(TagEditorTest, SetAllWithTitleTakesTheNameWithoutItsExtension) {
    tracks = {platform.makeFile("my.music/01. a.b.mp3"), platform.makeFile("Intro.mp3")};
    ShowTracks(tracks);
    OpenEditor(1);
    Box(0)->setText("ignored");
    Cmd(SetAllWithTitle);
    EXPECT_EQ(Written(0).back().Title, Text128("01. a.b"));
    EXPECT_EQ(Written(1).back().Title, Text128("Intro"));
    EXPECT_EQ(Box(0)->text().trimmed(), "Intro");
}

TEST_F(TagEditorTest, SelectedTrackIsWrittenFirstAndAgainInTheLoop) {
    UseTracks(3);
    OpenEditor(1);
    Box(0)->setText("Same");
    engine.clearCalls();
    Cmd(SetAll);
    EXPECT_EQ(Writes(), QStringList({WriteOf(1), WriteOf(0), WriteOf(1), WriteOf(2)}));
    EXPECT_EQ(Written(1).size(), 2u);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(Written(i).back().Title, Text128("Same"));
}

TEST_F(TagEditorTest, FailedWriteDoesNotStopTheOthers) {
    UseTracks(4);
    OpenEditor(0);
    engine.failWrites.insert(Std(tracks[2]));
    QFile::remove(tracks[2]); // vanished behind the player's back
    Box(0)->setText("Song ");
    Cmd(SetAllWithNum);
    EXPECT_TRUE(Written(2).empty());
    EXPECT_EQ(Written(3).back().Title, Text128("Song 04"));
    Box(2)->setText("Album"); // the editor reloaded: SetAll needs a change to write
    Cmd(SetAll);
    EXPECT_EQ(Written(3).size(), 2u);
    EXPECT_EQ(Writes().size(), 2 * 5);
}

TEST_F(TagEditorTest, CopyTakesTheLoadedTagNotUnsavedEdits) {
    UseTracks(2);
    const TagRecord loaded = SampleTag("Loaded", 9);
    engine.tags[Std(tracks[0])] = loaded;
    OpenEditor(0);
    Box(0)->setText("Edited");
    Cmd(Copy);
    EXPECT_EQ(w->st.TagClipboard, loaded);

    Select(1);
    w->tagEditor.LoadTagEditor(1); // untagged: a zero-filled record
    EXPECT_EQ(Genre(), 0);
    Cmd(Paste);
    EXPECT_EQ(Box(0)->text(), "Loaded");
    EXPECT_EQ(Box(3)->text(), "1999");
    EXPECT_EQ(Genre(), 9);
    EXPECT_TRUE(Writes().isEmpty());
}

TEST_F(TagEditorTest, PasteBeforeCopyClearsTheFields) {
    UseTracks(1);
    engine.tags[Std(tracks[0])] = SampleTag("Song", 30);
    OpenEditor(0);
    ASSERT_EQ(Genre(), 30);
    Cmd(Paste);
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(Box(i)->text(), "");
    EXPECT_EQ(Genre(), 0);
    EXPECT_EQ(w->st.EditTag, TagRecord{});
    EXPECT_TRUE(Writes().isEmpty());
}

TEST_F(TagEditorTest, AllClearSelectsTheFirstGenre) {
    UseTracks(1);
    engine.tags[Std(tracks[0])] = SampleTag("Song", 30);
    OpenEditor(0);
    Cmd(AllClear);
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(Box(i)->text(), "");
    EXPECT_EQ(Genre(), 0);
    const TagRecord& e = w->st.EditTag;
    EXPECT_EQ(e.GenreNumber, 0);
    EXPECT_EQ(e.Title, Text128(""));
    EXPECT_EQ(e.GenreName, Text128(""));
    EXPECT_EQ(e.Year.Raw(), "     ");
    EXPECT_TRUE(Writes().isEmpty());
}

TEST_F(TagEditorTest, ClearLabelsEmptyOneFieldEach) {
    UseTracks(1);
    engine.tags[Std(tracks[0])] = SampleTag("Song", 30);
    OpenEditor(0);
    Cmd(9);
    Cmd(13);
    EXPECT_EQ(Box(0)->text(), "Song");
    EXPECT_EQ(Box(1)->text(), "");
    EXPECT_EQ(Box(2)->text(), "Album");
    EXPECT_EQ(Box(4)->text(), "");
    Cmd(12);
    EXPECT_EQ(Genre(), 0);
    Cmd(11);
    EXPECT_EQ(Box(3)->text(), "");
}

TEST_F(TagEditorTest, GenreBoxShowsTheTracksOwnGenreAndWritesWhatItShows) {
    UseTracks(2);
    engine.tags[Std(tracks[0])] = SampleTag("One", 5);
    TagRecord custom = SampleTag("Two", 255);
    custom.GenreName.Fill("Shoegaze");
    engine.tags[Std(tracks[1])] = custom;
    QComboBox* genres = w->ui.cmbTagGenre;
    OpenEditor(0);
    ASSERT_EQ(Genre(), 5);
    Select(1); // a genre outside the list: shown as it is, not the previous track's
    EXPECT_EQ(genres->currentText(), "Shoegaze");
    Cmd(Set);
    EXPECT_EQ(Written(1).back().GenreNumber, 255);
    EXPECT_EQ(Written(1).back().GenreName, Text128("Shoegaze"));

    // A list name in another case selects its row and keeps its spelling.
    custom.GenreName.Fill("genre 7");
    engine.tags[Std(tracks[1])] = custom;
    w->tagEditor.LoadTagEditor(1);
    EXPECT_EQ(Genre(), 7);
    EXPECT_EQ(genres->currentText(), "genre 7");
    Cmd(Set);
    EXPECT_EQ(Written(1).back().GenreNumber, 7);
    EXPECT_EQ(Written(1).back().GenreName, Text128("genre 7"));

    // Typed text is written as text; an empty box means no genre.
    genres->setEditText("Vaporwave");
    Cmd(Set);
    EXPECT_EQ(Written(1).back().GenreNumber, 255);
    EXPECT_EQ(Written(1).back().GenreName, Text128("Vaporwave"));
    genres->setEditText("");
    Cmd(Set);
    EXPECT_EQ(Written(1).back().GenreNumber, -1);

    Cmd(Copy); // no genre; pasting it clears the box
    w->tagEditor.LoadTagEditor(0);
    Cmd(Paste);
    EXPECT_EQ(Genre(), -1);
    EXPECT_EQ(genres->currentText(), "");
}

TEST_F(TagEditorTest, YearBoxTakesUpToFourDigitsOnly) {
    UseTracks(1);
    engine.tags[Std(tracks[0])] = SampleTag("Song", 3);
    OpenEditor(0);
    Box(3)->clear();
    QTest::keyClicks(Box(3), "ab19x9.95");
    EXPECT_EQ(Box(3)->text(), "1999");
}

TEST_F(TagEditorTest, WriteProblemsAreNamedInTheEditorCaption) {
    UseTracks(4);
    OpenEditor(0);
    engine.failWrites.insert(Std(tracks[2]));
    engine.tagErrors[Std(tracks[2])] = "not an MP3 file";
    engine.tagErrors[Std(tracks[3])] = "year not stored"; // written, but not all of it
    Box(2)->setText("Album");
    Cmd(SetAll);
    EXPECT_EQ(w->ui.frmTag[1]->caption(), "TagSet  t3: not an MP3 file (+1)");
    EXPECT_EQ(Written(3).size(), 1u);

    Cmd(Set); // the selected track stores everything again
    EXPECT_EQ(w->ui.frmTag[1]->caption(), "TagSet");
    Select(3);
    Cmd(Set);
    EXPECT_EQ(w->ui.frmTag[1]->caption(), "TagSet  t4: year not stored");
    Select(1);
    EXPECT_EQ(w->ui.frmTag[1]->caption(), "TagSet");
}

TEST_F(TagEditorTest, TitleLineFollowsATagSavedOnTheCurrentTrack) {
    UseTracks(3);
    engine.tags[Std(tracks[1])] = SampleTag("Before", 1);
    w->st.PlayPoint = 1;
    w->ui.txtScrollTitle->setText("%1");
    ASSERT_EQ(w->ui.lblTitle[0]->caption(), "Before");

    // The fake hands back the stored, blank-padded record.
    OpenEditor(1);
    Box(0)->setText("After");
    Cmd(Set);
    EXPECT_EQ(w->ui.lblTitle[0]->caption().trimmed(), "After");
    Select(0);
    Box(0)->setText("Again");
    Cmd(SetAll);
    EXPECT_EQ(w->ui.lblTitle[0]->caption().trimmed(), "Again");
}

TEST_F(TagEditorTest, SetAllWritesTheChangedFieldsOverEachTracksOwnTag) {
    UseTracks(3);
    for (int i = 0; i < 3; ++i)
        engine.tags[Std(tracks[i])] = SampleTag("Song " + std::to_string(i + 1), 10 + i);
    OpenEditor(1);
    Cmd(SetAll); // nothing changed yet: nothing written, and the editor says so
    EXPECT_TRUE(Writes().isEmpty());
    EXPECT_EQ(w->ui.frmTag[1]->caption(), "TagSet  nothing changed");
    QTest::keyClicks(Box(2), " II");
    Cmd(SetAll);
    for (int i = 0; i < 3; ++i) {
        TagRecord want = SampleTag("Song " + std::to_string(i + 1), 10 + i);
        want.Album.Store("Album II");
        EXPECT_EQ(Written(i).back(), want) << i;
    }

    // Each way of changing a field marks it; loading a track drops the marks.
    engine.tags[Std(tracks[0])].Comment.Fill("");
    const std::pair<std::function<void()>, TagFields> cases[] = {
        {[&] { Cmd(13); }, TagFields("100000")}, // "Clear" on an empty comment
        {[&] { w->ui.cmbTagGenre->setCurrentIndex(40); }, TagFields("010000")},
        {[&] { Cmd(AllClear); }, TagFields("111111")},
        {[&] { Cmd(Paste); }, TagFields("111111")},
    };
    for (const auto& [edit, want] : cases) {
        w->tagEditor.LoadTagEditor(0);
        ASSERT_TRUE(w->tagEditor.ChangedFields().none());
        edit();
        EXPECT_EQ(w->tagEditor.ChangedFields(), want);
    }
    Select(2);
    EXPECT_TRUE(w->tagEditor.ChangedFields().none());
}

// Root writes every file whatever its mode bits. To see a read-only file as a user does, the
// file is handed to an unprivileged account and the real user id (the one access() asks
// with) becomes that account's while the effective id stays root; restored on destruction.
class UnprivilegedView {
public:
    UnprivilegedView(const QString& folder, const QString& file)
        : folder_(QFile::encodeName(folder)) {
        if (::geteuid() != 0) {
            ok_ = true;
            return;
        }
        const QByteArray path = QFile::encodeName(file);
        struct stat st {};
        if (::stat(folder_.constData(), &st) != 0) return;
        folderMode_ = st.st_mode & 07777;
        if (::chown(path.constData(), kNobody, kNobody) != 0) return;
        if (::chmod(folder_.constData(), folderMode_ | 0011) != 0) return;
        changed_ = true;
        ok_ = ::setresuid(kNobody, 0, 0) == 0;
    }
    ~UnprivilegedView() {
        if (!changed_) return;
        if (::setresuid(0, 0, 0) != 0) std::abort(); // never go on with a changed identity
        ::chmod(folder_.constData(), folderMode_);
    }
    bool ok() const { return ok_; }

private:
    static constexpr uid_t kNobody = 65534;
    QByteArray folder_;
    mode_t folderMode_ = 0700;
    bool changed_ = false;
    bool ok_ = false;
};

TEST_F(TagEditorTest, ReadOnlyFileLocksTheEditorUntilCleared) {
    UseTracks(1);
    engine.tags[Std(tracks[0])] = SampleTag("Song", 3);
    const QByteArray path = QFile::encodeName(tracks[0]);
    ASSERT_EQ(::chmod(path.constData(), 0444), 0);
    UnprivilegedView view(platform.dir.path(), tracks[0]);
    if (!view.ok()) GTEST_SKIP() << "cannot take an unprivileged user's view of the file here";

    OpenEditor(0);
    EXPECT_EQ(w->ui.lblTagSet[7]->caption(), "ReadOnly");
    for (int i = 0; i < 5; ++i)
        EXPECT_TRUE(Box(i)->isReadOnly());
    EXPECT_FALSE(w->ui.cmbTagGenre->isEnabled());
    EXPECT_EQ(Box(0)->text(), "Song");

    Cmd(Set); // still handed to the engine, which reports the failure itself
    EXPECT_EQ(Writes().size(), 1);

    Cmd(ReadOnly);
    struct stat st {};
    ASSERT_EQ(::stat(path.constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0644u); // writable for the user, the rest as it was
    EXPECT_EQ(w->ui.lblTagSet[7]->caption(), "");
    for (int i = 0; i < 5; ++i)
        EXPECT_FALSE(Box(i)->isReadOnly());
    EXPECT_TRUE(w->ui.cmbTagGenre->isEnabled());
}

} // namespace
