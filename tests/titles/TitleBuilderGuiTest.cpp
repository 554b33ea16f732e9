// The title line and the window caption built from the template, through the window.

#include "TitlesFixture.h"

#include "ui/Twips.h"

#include <QLineEdit>
#include <QTest>

#include <tuple>

using namespace telbo;
using namespace telbo::test;

namespace {

class TitleBuilderTest : public TitlesFixture {
protected:
    QString track;

    void SetUp() override {
        TitlesFixture::SetUp();
        track = platform.makeFile(QStringLiteral("song.mp3"));
        ShowTracks({track});
        TagRecord tag; // as the engine hands it over: texts followed by NULs
        tag.Title.Fill("T");
        tag.Artist.Fill("A");
        tag.Year.Fill("1999");
        engine.tags[Std(track)] = tag;
    }

    TagRecord& Tag() { return engine.tags[Std(track)]; }
    // Typing into the template box rebuilds the title through its change event.
    QString TitleFor(const QString& templ) {
        w->ui.txtScrollTitle->setText(templ);
        return w->ui.lblTitle[0]->caption();
    }
    QString Rebuilt() {
        w->titleBuilder.BuildTitle();
        return w->ui.lblTitle[0]->caption();
    }
    QString Caption() const { return w->windowTitle(); }
};

TEST_F(TitleBuilderTest, TemplateFillsTitleAndCaption) {
    EXPECT_EQ(TitleFor("%2 - %1"), "A - T");
    EXPECT_EQ(Caption(), QStringLiteral("♪A - T"));
    EXPECT_EQ(TitleFor("%1 %1"), "T T");
    EXPECT_EQ(TitleFor("%0 %7"), "song.mp3 %7");
    EXPECT_EQ(TitleFor("%4"), "1999");
    EXPECT_EQ(engine.callsStartingWith("readTag").last(), "readTag " + track);
}

TEST_F(TitleBuilderTest, YearWithoutANumberShowsABlank) {
    // Beside a field that is there: a template of empty fields alone shows the file name.
    Tag().Year.Fill("0000");
    EXPECT_EQ(TitleFor("[%4]%1"), "[ ]T");
    Tag().Year.Clear();
    EXPECT_EQ(Rebuilt(), "[ ]T");
}

TEST_F(TitleBuilderTest, FieldsEndAtTheirFirstNulButKeepBlanks) {
    EXPECT_EQ(TitleFor("[%1]"), "[T]");
    Tag().Title.Store("Song");
    EXPECT_EQ(Rebuilt(), "[Song" + QString(124, u' ') + "]");
}

TEST_F(TitleBuilderTest, ReplacedTextCanFormANewPlaceholder) {
    const QString one = platform.makeFile(QStringLiteral("1.mp3"));
    ShowTracks({one});
    engine.tags[Std(one)] = Tag();
    EXPECT_EQ(TitleFor("%%0"), "T.mp3");
}

TEST_F(TitleBuilderTest, NothingReplacedGivesAnEmptyTitle) {
    EXPECT_EQ(TitleFor("Now playing"), "");
    EXPECT_EQ(Caption(), QStringLiteral("♪"));
    TitleFor("%1");
    EXPECT_EQ(TitleFor(""), "");
    EXPECT_EQ(Caption(), QStringLiteral("♪"));
}

TEST_F(TitleBuilderTest, FileNameHoldingPercentIsShownAsNothing) {
    const QString hundred = platform.makeFile(QStringLiteral("100%.mp3"));
    ShowTracks({hundred});
    EXPECT_EQ(TitleFor("[%0]"), "[]");
}

TEST_F(TitleBuilderTest, ButtonsAppendPlaceholdersAndClear) {
    w->ui.txtScrollTitle->setText("%0");
    Click(w->ui.lblScrollTitle[1]);
    Click(w->ui.lblScrollTitle[1]);
    EXPECT_EQ(w->ui.txtScrollTitle->text(), "%0%1%1");
    EXPECT_EQ(w->ui.lblTitle[0]->caption(), "song.mp3TT");
    Click(w->ui.lblScrollTitle[7]);
    EXPECT_EQ(w->ui.txtScrollTitle->text(), "");
    EXPECT_EQ(Caption(), QStringLiteral("♪"));
}

TEST_F(TitleBuilderTest, NoTrackAtPlayPointReadsNoTag) {
    w->ui.txtScrollTitle->setText("%0 %1");
    for (int point : {-1, 1, 101, 300}) {
        SCOPED_TRACE(point);
        engine.clearCalls();
        w->st.PlayPoint = static_cast<std::int16_t>(point);
        w->titleBuilder.BuildTitle();
        EXPECT_EQ(w->ui.lblTitle[0]->caption(), "");
        EXPECT_EQ(Caption(), QStringLiteral("♪"));
        EXPECT_EQ(w->ui.lblPoint[0]->caption(), QString::number(point + 1));
        EXPECT_TRUE(engine.callsStartingWith("readTag").isEmpty());
    }
}

TEST_F(TitleBuilderTest, ListNameAndTrackNumber) {
    w->st.ListFiles[0] = "/music/Best.Of.m3u";
    w->st.ListKO = 1;
    w->titleBuilder.BuildTitle();
    EXPECT_EQ(w->ui.lblTitle[1]->caption(), "Best.Of");
    EXPECT_EQ(w->ui.lblPoint[0]->caption(), "1");
    w->st.ListPoint = 1;
    w->titleBuilder.BuildTitle();
    EXPECT_EQ(w->ui.lblTitle[1]->caption(), "");
    w->st.ListPoint = -5; // never read outside the collection
    w->titleBuilder.BuildTitle();
    EXPECT_EQ(w->ui.lblTitle[1]->caption(), "");
}

TEST_F(TitleBuilderTest, TemplateOfEmptyFieldsShowsTheFileName) {
    EXPECT_EQ(TitleFor("%1 (%3)"), "T ()");
    engine.tags.erase(Std(track));
    EXPECT_EQ(Rebuilt(), "song");
}

TEST_F(TitleBuilderTest, TitleLineStopsBeforeTheWordsAndLongNoticesScrollOnce) {
    Label* title = w->ui.lblTitle[0];
    w->windowModes.lblPlayerControl_Click(2); // "unLock" begins further left than "Lock"
    for (const Label* word : w->ui.lblPlayerControl) {
        EXPECT_GT(title->clipRight(), 0);
        EXPECT_LE(title->clipRight(), tw::Left(word)) << word->caption().toStdString();
    }

    const double home = tw::Left(title);
    w->titleBuilder.ShowNotice("120 files selected: at most 101");
    ASSERT_GT(home + tw::Width(title), title->clipRight()); // too long for the line at once
    EXPECT_EQ(tw::Left(title), home);                       // read from its start first
    QTRY_VERIFY_WITH_TIMEOUT(tw::Left(title) + tw::Width(title) <= title->clipRight(), 10000);
    w->titleBuilder.BuildTitle(); // the title back where it was
    EXPECT_EQ(tw::Left(title), home);
}

} // namespace
