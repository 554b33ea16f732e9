// What "Next" plays in each play mode and what happens at the end of the list, with scripted
// draws.

#include "PlaybackFixture.h"
#include "playback/Transport.h"
#include "ui/Label.h"

#include <QFile>
#include <QTimer>

#include <algorithm>
#include <set>

namespace telbo::test {
namespace {

using enum PlayMode;
constexpr ListEndAction StopAtEnd = ListEndAction::Stop;
constexpr ListEndAction RepeatList = ListEndAction::Repert;
constexpr ListEndAction NextList = ListEndAction::NextList;
constexpr ListEndAction RandomList = ListEndAction::RandomList;

class PlayOrderTest : public PlaybackFixture {
protected:
    void Modes(PlayMode play, ListEndAction atEnd) {
        w->st.PlayTypeFlag = play;
        w->st.NextTypeFlag = atEnd;
    }
    void Next() { Click(Transport::Next); }
    QStringList Stopped() const { return {"stop", "close"}; }
    // Writes a list file of the given tracks and appends it to the list collection.
    QString AddListFile(const QString& name, const QStringList& entries) {
        QByteArray text;
        for (const QString& e : entries)
            text += e.toUtf8() + "\r\n";
        const QString path = platform.makeFile(name, text);
        w->st.ListFiles[static_cast<std::size_t>(w->st.ListKO++)] = path;
        return path;
    }
    QStringList CurrentTracks() const {
        QStringList out;
        for (int i = 0; i < w->st.KO; ++i)
            out << w->st.TitleFiles[static_cast<std::size_t>(i)];
        return out;
    }
};

// "Next" pressed again and again in one list, by mode: what each press plays (a track, or a
// stop at the end of the list), where PlayPoint rests and how far a shuffle cycle has come.
TEST_F(PlayOrderTest, NextInOneListByMode) {
    constexpr int kStop = -1;
    const struct Case {
        const char* what;
        int tracks;
        PlayMode mode;
        ListEndAction atEnd;
        std::vector<float> draws;
        int start;                  // PlayPoint before the first press
        std::vector<int> plays;     // each press: the track opened and played, or kStop
        int point;                  // PlayPoint after the last press
        int shuffleCount;           // after the last press
    } cases[] = {
        {"normal from before the first track", 3, Normal, StopAtEnd, {}, -1, {0, 1, 2, kStop}, 0, 0},
        {"normal repeating the list", 3, Normal, RepeatList, {}, 2, {0}, 0, 0},
        // The third draw repeats track 2 and is drawn again; then the cycle ends.
        {"shuffle plays each track once", 3, Shuffle, StopAtEnd,
         {DrawFor(1, 3), DrawFor(2, 3), DrawFor(1, 3), DrawFor(0, 3)}, 0, {1, 2, 0, kStop}, 0, 0},
        {"shuffle with one track", 1, Shuffle, StopAtEnd, {DrawFor(0, 1)}, 0, {0, kStop}, 0, 0},
        {"random with one track", 1, Random, StopAtEnd, {0.0f, 0.5f, 0.99999994f}, 0, {0, 0, 0}, 0, 0},
        {"random over all lists without list files", 3, RandomAllList, StopAtEnd, {DrawFor(2, 3)},
         0, {2}, 2, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CreateWithTracks(c.tracks);
        Modes(c.mode, c.atEnd);
        Script(c.draws);
        w->st.PlayPoint = c.start;
        for (const int play : c.plays) {
            engine.clearCalls();
            Next();
            EXPECT_EQ(Calls(), play == kStop ? Stopped() : QStringList({Open(play), "play"}));
        }
        EXPECT_EQ(w->st.PlayPoint, c.point);
        EXPECT_EQ(w->st.ShuffleCount, c.shuffleCount);
        EXPECT_EQ(script->used(), c.draws.size());
        EXPECT_EQ(w->st.KO, c.tracks);
        if (c.plays.back() == kStop) {
            EXPECT_FALSE(w->ui.tmrTime->isActive());
            EXPECT_TRUE(std::none_of(w->st.ShuffleDone.begin(), w->st.ShuffleDone.end(),
                                     [](bool b) { return b; }));
        }
    }
}

TEST_F(PlayOrderTest, EmptyTrackListByMode) {
    Create();
    Script({});
    Modes(Normal, StopAtEnd);
    w->st.PlayPoint = -1;
    Next();
    EXPECT_EQ(w->st.PlayPoint, 0);
    EXPECT_EQ(Calls(), Stopped());

    engine.clearCalls();
    Next(); // PlayPoint 0 with nothing to play: no end of list
    EXPECT_TRUE(Calls().isEmpty());

    w->st.PlayTypeFlag = Random;
    Next();
    EXPECT_TRUE(Calls().isEmpty());

    w->st.PlayTypeFlag = Shuffle;
    Next();
    EXPECT_EQ(Calls(), Stopped());
    EXPECT_EQ(script->used(), 0u);
}

TEST_F(PlayOrderTest, AQueuedShuffleTrackKeepsItsDrawIsMarkedWhenItStartsAndAModeChangeDropsIt) {
    CreateWithTracks(3);
    Modes(Shuffle, StopAtEnd);
    Script({DrawFor(1, 3), DrawFor(1, 3), DrawFor(2, 3), DrawFor(0, 3)});
    Next();
    engine.elapsed = 175; // of 180 s: the clock hands the engine the following track
    engine.clearCalls();
    Tick();
    EXPECT_EQ(Calls(), QStringList({"queueNext " + tracks[2]}));
    EXPECT_FALSE(w->st.ShuffleDone[2]);

    // The engine moved on: the drawn track is the one shown and marked, nothing reopened.
    ASSERT_TRUE(engine.moveOn());
    Tick();
    EXPECT_EQ(w->st.PlayPoint, 2);
    EXPECT_TRUE(w->st.ShuffleDone[2]);
    EXPECT_EQ(w->st.ShuffleCount, 2);
    EXPECT_EQ(w->ui.lblPoint[0]->caption(), QStringLiteral("3"));
    EXPECT_EQ(Calls(), QStringList({"queueNext " + tracks[2]}));

    engine.elapsed = 175;
    Tick();
    EXPECT_EQ(engine.queuedPath, tracks[0].toStdString());
    engine.clearCalls();
    Modes(Normal, StopAtEnd); // the last track of the list now: nothing follows it
    Tick();
    EXPECT_EQ(Calls(), QStringList({"clearNext"}));
    EXPECT_EQ(script->used(), 4u);
}

// Once the engine has decoded into the queued track, nothing the user changes before it is
// heard can take it back: the track that follows is the one queued, shown when it is heard,
// never reopened or replaced.
TEST_F(PlayOrderTest, AChangeAfterTheEngineMovedOnKeepsTheQueuedTrack) {
    const struct {
        const char* what;
        PlayMode mode;
        ListEndAction atEnd;
    } cases[] = {
        {"repeat the track", PlayMode::Repert, StopAtEnd},
        {"random", Random, StopAtEnd},
        {"normal, stop after this one", Normal, ListEndAction::Stop},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        CreateWithTracks(3);
        Modes(Normal, StopAtEnd);
        w->st.PlayPoint = 0;
        Click(Transport::Play);
        engine.elapsed = 175;
        Tick();
        ASSERT_EQ(engine.queuedPath, tracks[1].toStdString());
        ASSERT_TRUE(engine.decodeOn());
        engine.clearCalls();
        Modes(c.mode, c.atEnd);
        Tick();
        Tick();
        ASSERT_TRUE(engine.moveOn());
        Tick();
        EXPECT_EQ(w->st.PlayPoint, 1);
        EXPECT_EQ(w->ui.lblPoint[0]->caption(), QStringLiteral("2"));
        EXPECT_TRUE(Opened().isEmpty()) << Calls().join(u'|').toStdString();
        EXPECT_EQ(engine.openPath, tracks[1].toStdString());
    }
}

TEST_F(PlayOrderTest, ShuffleCycleSurvivesAnotherModeInBetween) {
    CreateWithTracks(3);
    Modes(Shuffle, StopAtEnd);
    Script({DrawFor(2, 3), DrawFor(2, 3), DrawFor(0, 3)});
    Next();
    // Round the play-mode label once: Random, RandomAllList, Normal, Repert, Shuffle.
    for (int i = 0; i < 5; ++i)
        w->settingsPanel.lblConfValue_Click(7);
    ASSERT_EQ(w->st.PlayTypeFlag, Shuffle);
    EXPECT_EQ(w->st.ShuffleCount, 1);
    engine.clearCalls();
    Next(); // track 2 is still marked: drawn again until an unplayed one comes up
    EXPECT_EQ(Calls(), QStringList({Open(0), "play"}));
    EXPECT_EQ(w->st.ShuffleCount, 2);
}

TEST_F(PlayOrderTest, ShuffleWithRepeatReplaysTheLastDrawnTrackAndStartsAFreshCycle) {
    CreateWithTracks(2);
    Modes(Shuffle, RepeatList);
    Script({DrawFor(1, 2), DrawFor(0, 2), DrawFor(0, 2)});
    Next();
    Next();
    engine.clearCalls();
    Next(); // cycle complete: the last drawn track once more
    EXPECT_EQ(Calls(), QStringList({Open(0), "play"}));
    EXPECT_EQ(w->st.ShuffleCount, 0);
    Next(); // first draw of the new cycle is not a repeat
    EXPECT_EQ(w->st.ShuffleCount, 1);
    EXPECT_EQ(Opened().last(), tracks[0]);
}

TEST_F(PlayOrderTest, ShuffleOverAFullListPlaysEveryTrackOncePerCycle) {
    CreateWithTracks(101);
    Modes(Shuffle, RepeatList);
    w->playOrder.setRandomSource(std::make_unique<StdRandomSource>(2024u));
    for (int cycle = 0; cycle < 3; ++cycle) {
        engine.clearCalls();
        for (int i = 0; i < 101; ++i)
            Next();
        const QStringList opened = Opened();
        ASSERT_EQ(opened.size(), 101);
        EXPECT_EQ(std::set<QString>(opened.begin(), opened.end()).size(), 101u)
            << "cycle " << cycle;
        EXPECT_EQ(w->st.ShuffleCount, 101);

        engine.clearCalls();
        Next(); // ends the cycle; "Repert" replays the last drawn track
        EXPECT_EQ(Opened(), QStringList({opened.last()}));
        EXPECT_EQ(w->st.ShuffleCount, 0);
    }
}

TEST_F(PlayOrderTest, ShuffleEndsWhenTheListShrankUnderTheCycle) {
    CreateWithTracks(5);
    Modes(Shuffle, StopAtEnd);
    Script({DrawFor(0, 5), DrawFor(1, 5), DrawFor(3, 5), DrawFor(4, 5)});
    for (int i = 0; i < 4; ++i)
        Next();
    ASSERT_EQ(w->st.ShuffleCount, 4);

    // Tracks removed: both remaining indexes are marked, the count is above the length.
    SetTracks(tracks.mid(0, 2));
    engine.clearCalls();
    Next();
    EXPECT_EQ(Calls(), Stopped());
    EXPECT_EQ(w->st.ShuffleCount, 0);
}

TEST_F(PlayOrderTest, ShuffleAfterShrinkingStillDrawsAnUnplayedTrack) {
    CreateWithTracks(5);
    Modes(Shuffle, StopAtEnd);
    Script({DrawFor(0, 5), DrawFor(2, 5), DrawFor(0, 4), DrawFor(3, 4)});
    Next();
    Next();
    SetTracks(tracks.mid(0, 4)); // index 1 and 3 are still unplayed
    engine.clearCalls();
    Next();
    EXPECT_EQ(Calls(), QStringList({Open(3), "play"}));
}

TEST_F(PlayOrderTest, RandomAllListLoadsTheDrawnListAndPlaysADrawnTrack) {
    CreateWithTracks(4);
    AddListFile("a.m3u", tracks.mid(0, 1));
    AddListFile("b.m3u", tracks.mid(1, 3));
    Modes(RandomAllList, StopAtEnd);
    Script({DrawFor(1, 2), DrawFor(2, 3)});
    Next();
    EXPECT_EQ(w->st.ListPoint, 1);
    EXPECT_EQ(CurrentTracks(), tracks.mid(1, 3));
    EXPECT_EQ(Opened(), QStringList({tracks[3]}));
}

TEST_F(PlayOrderTest, NextListWrapsToTheFirstListFile) {
    CreateWithTracks(5);
    AddListFile("a.m3u", tracks.mid(0, 2));
    AddListFile("b.m3u", tracks.mid(2, 3));
    Modes(Normal, NextList);
    SetTracks(tracks.mid(2, 3));
    w->st.ListPoint = 1;
    w->st.PlayPoint = 2;
    Next();
    EXPECT_EQ(w->st.ListPoint, 0);
    EXPECT_EQ(CurrentTracks(), tracks.mid(0, 2));
    EXPECT_EQ(w->st.PlayPoint, 0);
    EXPECT_EQ(Opened(), QStringList({tracks[0]}));
}

TEST_F(PlayOrderTest, NextListWithOneListFileReadsItAgain) {
    CreateWithTracks(3);
    AddListFile("a.m3u", tracks);
    Modes(Normal, NextList);
    w->st.PlayPoint = 2;
    Next();
    EXPECT_EQ(w->st.ListPoint, 0);
    EXPECT_EQ(CurrentTracks(), tracks); // read again, not appended
    EXPECT_EQ(Opened(), QStringList({tracks[0]}));
}

TEST_F(PlayOrderTest, NextListFromAListPointPastRemovedListFilesWraps) {
    CreateWithTracks(3);
    AddListFile("a.m3u", tracks.mid(0, 1));
    Modes(Normal, NextList);
    w->st.ListPoint = 4; // list files after the first were removed
    w->st.PlayPoint = 2;
    Next();
    EXPECT_EQ(w->st.ListPoint, 0);
    EXPECT_EQ(CurrentTracks(), tracks.mid(0, 1));
    EXPECT_EQ(Opened(), QStringList({tracks[0]}));
}

TEST_F(PlayOrderTest, ListsThatCannotBeReadArePassedOverAndKeepTheTracks) {
    CreateWithTracks(4);
    AddListFile("a.m3u", tracks.mid(0, 2));
    w->st.ListFiles[w->st.ListKO++] = platform.path("unmounted.m3u");
    AddListFile("c.m3u", tracks.mid(2, 2));
    Modes(Normal, NextList);
    SetTracks(tracks.mid(0, 2));
    w->st.PlayPoint = 1;
    Next(); // past the end of a: b is missing, c comes
    EXPECT_EQ(w->st.ListPoint, 2);
    EXPECT_EQ(CurrentTracks(), tracks.mid(2, 2));
    EXPECT_EQ(Opened(), QStringList({tracks[2]}));

    // No list can be read: the tracks and the list they came from stay; the list repeats.
    QFile::remove(w->st.ListFiles[0]);
    QFile::remove(w->st.ListFiles[2]);
    w->st.PlayPoint = 1;
    engine.clearCalls();
    Next();
    EXPECT_EQ(w->st.ListPoint, 2);
    EXPECT_EQ(CurrentTracks(), tracks.mid(2, 2));
    EXPECT_EQ(Opened(), QStringList({tracks[2]}));

    Modes(Normal, RandomList); // and a drawn list that cannot be read changes nothing
    Script({DrawFor(1, 3)});
    w->st.PlayPoint = 1;
    engine.clearCalls();
    Next();
    EXPECT_EQ(w->st.ListPoint, 2);
    EXPECT_EQ(CurrentTracks(), tracks.mid(2, 2));
    EXPECT_EQ(Opened(), QStringList({tracks[2]}));
}

TEST_F(PlayOrderTest, RandomListMayPickTheCurrentListAgain) {
    CreateWithTracks(3);
    AddListFile("a.m3u", tracks.mid(0, 1));
    AddListFile("b.m3u", tracks.mid(1, 2));
    Modes(Normal, RandomList);
    Script({DrawFor(1, 2)});
    SetTracks(tracks.mid(1, 2));
    w->st.ListPoint = 1;
    w->st.PlayPoint = 1;
    Next();
    EXPECT_EQ(w->st.ListPoint, 1);
    EXPECT_EQ(CurrentTracks(), tracks.mid(1, 2));
    EXPECT_EQ(Opened(), QStringList({tracks[1]}));
}

TEST_F(PlayOrderTest, ShuffleIndexBeyondTheNextListPlaysNothingUntilTheNextTick) {
    CreateWithTracks(4);
    AddListFile("a.m3u", tracks.mid(0, 1));
    AddListFile("b.m3u", tracks);
    Modes(Shuffle, NextList);
    w->st.ListPoint = 1;
    Script({DrawFor(0, 4), DrawFor(2, 4), DrawFor(1, 4), DrawFor(3, 4), DrawFor(0, 1)});
    for (int i = 0; i < 4; ++i)
        Next(); // the last drawn index, 3, is not in list a
    engine.clearCalls();
    Next(); // cycle complete: list a (one track) becomes current, index 3 is not in it
    EXPECT_EQ(w->st.ListPoint, 0);
    EXPECT_TRUE(Opened().isEmpty());

    engine.state = PlaybackState::Stopped;
    Tick(); // the clock still runs from the last track and moves on
    EXPECT_EQ(Opened(), QStringList({tracks[0]}));
}

} // namespace
} // namespace telbo::test
