// The title line and the window caption built from the template, through the window.

#include "TitlesFixture.h"

#include <QLineEdit>

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
        TagRecord tag; // as the decoder hands it over: texts followed by NULs
        tag.Title.Fill("T");
        tag.Artist.Fill("A");
        tag.Year.Fill("1999");
        decoder.tags[Std(track)] = tag;
    }

    TagRecord& Tag() { return decoder.tags[Std(track)]; }
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
    EXPECT_EQ(decoder.callsStartingWith("getFileTagInfo").last(), "getFileTagInfo " + track);
}

TEST_F(TitleBuilderTest, YearWithoutANumberShowsABlank) {
    Tag().Year.Fill("0000");
    EXPECT_EQ(TitleFor("[%4]"), "[ ]");
    Tag().Year.Clear();
    EXPECT_EQ(Rebuilt(), "[ ]");
}

TEST_F(TitleBuilderTest, FieldsEndAtTheirFirstNulButKeepBlanks) {
    EXPECT_EQ(TitleFor("[%1]"), "[T]");
    Tag().Title.Store("Song");
    EXPECT_EQ(Rebuilt(), "[Song" + QString(124, u' ') + "]");
}

TEST_F(TitleBuilderTest, ReplacedTextCanFormANewPlaceholder) {
    const QString one = platform.makeFile(QStringLiteral("1.mp3"));
    ShowTracks({one});
    decoder.tags[Std(one)] = Tag();
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
        decoder.clearCalls();
        w->st.PlayPoint = static_cast<std::int16_t>(point);
        w->titleBuilder.BuildTitle();
        EXPECT_EQ(w->ui.lblTitle[0]->caption(), "");
        EXPECT_EQ(Caption(), QStringLiteral("♪"));
        EXPECT_EQ(w->ui.lblPoint[0]->caption(), QString::number(point + 1));
        EXPECT_TRUE(decoder.callsStartingWith("getFileTagInfo").isEmpty());
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

} // namespace
