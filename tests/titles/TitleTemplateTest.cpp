#include "titles/TitleTemplate.h"

#include <gtest/gtest.h>

#include <tuple>

#include <QElapsedTimer>

using namespace telbo;

namespace {

// As the engine hands a tag over: texts followed by NULs.
TagRecord FilledTag() {
    TagRecord tag;
    tag.Title.Fill("T");
    tag.Artist.Fill("A");
    tag.Album.Fill("Al");
    tag.Year.Fill("1999");
    tag.GenreName.Fill("Rock");
    tag.Comment.Fill("C");
    return tag;
}

QString Expanded(const QString& templ, const QString& file, const TagRecord& tag) {
    return ExpandTitle(templ, file, tag).text;
}

} // namespace

TEST(ExpandTitle, EachPlaceholderTakesItsField) {
    const TagRecord tag = FilledTag();
    EXPECT_EQ(Expanded("%2 - %1", "x.mp3", tag), "A - T");
    EXPECT_EQ(Expanded("%0|%1|%2|%3|%4|%5|%6", "x.mp3", tag), "x.mp3|T|A|Al|1999|Rock|C");
    const TitleText t = ExpandTitle("%3", "x.mp3", tag);
    EXPECT_TRUE(t.replaced);
    EXPECT_EQ(t.text, "Al");
}

TEST(ExpandTitle, StoredFieldsKeepTheirBlankPadding) {
    TagRecord tag;
    tag.Title.Store("Song");
    const QString expected = "[Song" + QString(124, ' ') + "]";
    EXPECT_EQ(Expanded("[%1]", "", tag), expected);
}

TEST(ExpandTitle, RepeatedPlaceholderIsReplacedOncePerPass) {
    const TagRecord tag = FilledTag();
    EXPECT_EQ(Expanded("%1 %1", "x.mp3", tag), "T T");
    EXPECT_EQ(Expanded("%0 %0 %0", "f", tag), "f f f");
}

TEST(ExpandTitle, UnknownPlaceholdersStay) {
    EXPECT_EQ(Expanded("%0 %7", "song.mp3", FilledTag()), "song.mp3 %7");
    EXPECT_EQ(Expanded("%0 %", "s", FilledTag()), "s %");
}

TEST(ExpandTitle, YearShowsOnlyANonZeroNumber) {
    TagRecord tag = FilledTag();
    tag.Year.Fill("0000");
    EXPECT_EQ(Expanded("[%4]", "", tag), "[ ]");
    tag.Year.Clear();
    EXPECT_EQ(Expanded("[%4]", "", tag), "[ ]");
    tag.Year.Store("");
    EXPECT_EQ(Expanded("[%4]", "", tag), "[ ]");
    tag.Year.Fill("abcd");
    EXPECT_EQ(Expanded("[%4]", "", tag), "[ ]");
    tag.Year.Fill("1999");
    EXPECT_EQ(Expanded("[%4]", "", tag), "[1999]");
    tag.Year.Store(" 85");
    EXPECT_EQ(Expanded("[%4]", "", tag), "[ 85  ]");
}

TEST(ExpandTitle, InsertedTextCanCompleteAPlaceholder) {
    // First pass gives "%1.mp3", the second replaces "%1" by the title.
    EXPECT_EQ(Expanded("%%0", "1.mp3", FilledTag()), "T.mp3");
}

TEST(ExpandTitle, ValuesHoldingPercentBecomeEmpty) {
    TagRecord tag = FilledTag();
    EXPECT_EQ(Expanded("[%0]", "100%.mp3", tag), "[]");
    const TitleText t = ExpandTitle("%0", "100%.mp3", tag);
    EXPECT_TRUE(t.replaced);
    EXPECT_EQ(t.text, "");

    tag.Title.Fill("50%1");
    EXPECT_EQ(Expanded("<%1>", "", tag), "<>");
    // A "%" hidden after the NUL still empties the value.
    tag.Title.Fill(std::string("ok\0%1", 5));
    EXPECT_EQ(Expanded("<%1>", "", tag), "<>");
}

TEST(ExpandTitle, NothingReplacedGivesEmptyText) {
    for (const QString& templ : {QString(), QString("Now playing"), QString("%7%8%")}) {
        const TitleText t = ExpandTitle(templ, "x.mp3", FilledTag());
        EXPECT_FALSE(t.replaced) << templ.toStdString();
        EXPECT_EQ(t.text, "");
    }
}

TEST(ExpandTitle, TerminatesOnSelfFeedingTemplates) {
    // Every value is a fresh digit that could follow a "%" left in front of it.
    TagRecord tag;
    tag.Title.Fill("1");
    tag.Artist.Fill("2");
    QString templ;
    for (int i = 0; i < 200; ++i) templ += "%%%1";
    const TitleText t = ExpandTitle(templ, "0", tag);
    EXPECT_TRUE(t.replaced);
    EXPECT_LE(t.text.count(u'%'), templ.count(u'%'));
}

TEST(ExpandTitle, TheLongestTemplateExpandsAtOnce) {
    // The template box holds 32767 characters; one pass per replacement took minutes.
    QString templ;
    for (int i = 0; i < 32767 / 2; ++i) templ += "%0";
    const QString file(255, u'n');
    QElapsedTimer timer;
    timer.start();
    const TitleText t = ExpandTitle(templ + "%", file, FilledTag());
    EXPECT_LT(timer.elapsed(), 1000); // a few milliseconds; slack for a loaded debug build
    EXPECT_EQ(t.text.size(), 32767 / 2 * file.size() + 1);
    EXPECT_TRUE(t.text.startsWith(file + file));
}

TEST(AppendPlaceholder, ButtonsAppendOrClear) {
    EXPECT_EQ(AppendPlaceholder(AppendPlaceholder("%0", 1), 1), "%0%1%1");
    EXPECT_EQ(AppendPlaceholder("", 6), "%6");
    EXPECT_EQ(AppendPlaceholder("%0 - %1", 7), "");
    EXPECT_EQ(AppendPlaceholder("abc", 8), "abc");
    EXPECT_EQ(AppendPlaceholder("abc", -1), "abc");
}

TEST(OnlyEmptyTagFields, TrueWhenEveryFieldTheTemplateNamesIsBlank) {
    TagRecord blank; // the player's blank-padded empty fields, year 0
    blank.Artist.Store("");
    blank.Year.Fill("0");
    const TagRecord filled = FilledTag();
    const std::tuple<const char*, const TagRecord*, bool> cases[] = {
        {"%1 - %2 (%3, %4)", &blank, true},
        {"%1 - %2 (%3, %4)", &filled, false},
        {"%5%6", &blank, true},
        {"%0 %2", &blank, false}, // the file name is there
        {"no fields", &blank, false},
        {"%9 %1", &filled, false},
    };
    for (const auto& [templ, tag, want] : cases)
        EXPECT_EQ(OnlyEmptyTagFields(templ, *tag), want) << templ;
}
