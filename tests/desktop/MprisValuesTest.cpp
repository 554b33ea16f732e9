// The values the desktop reads: status, metadata, what changed, and the conversions between
// the bus's units and the player's sliders and seconds.
#include "desktop/MprisValues.h"

#include <gtest/gtest.h>

#include <QStringList>

#include <cmath>
#include <limits>

namespace telbo::mpris {
namespace {

constexpr qint64 kMax = std::numeric_limits<qint64>::max();
constexpr qint64 kMin = std::numeric_limits<qint64>::min();

TEST(MprisValues, StatusFollowsTheEngineWhileATrackIsOpen) {
    using enum PlaybackState;
    EXPECT_EQ(PlaybackStatusText(Stopped, false), "Stopped");
    EXPECT_EQ(PlaybackStatusText(Playing, false), "Stopped");
    EXPECT_EQ(PlaybackStatusText(Playing, true), "Playing");
    EXPECT_EQ(PlaybackStatusText(Paused, true), "Paused");
    // Ended, the clock about to start the next track: no flicker to "Stopped".
    EXPECT_EQ(PlaybackStatusText(Stopped, true), "Playing");
}

TEST(MprisValues, MetadataTakesTheTagWithoutItsPadding) {
    TagRecord tag;
    tag.Title.Store("Blue Hour"); // blank-padded, as the tag editor stores
    tag.Artist.Fill("Ann");       // NUL-padded, as the engine fills
    const QVariantMap m = TrackMetadata(4, "/music/a b#1.mp3", tag, 215);
    EXPECT_EQ(m.value("mpris:trackid").value<QDBusObjectPath>().path(), "/org/telbo/track/4");
    EXPECT_EQ(m.value("xesam:title"), "Blue Hour");
    EXPECT_EQ(m.value("xesam:artist"), QStringList{"Ann"});
    EXPECT_FALSE(m.contains("xesam:album"));
    EXPECT_EQ(m.value("xesam:url"), "file:///music/a%20b%231.mp3");
    EXPECT_EQ(m.value("mpris:length"), qlonglong(215'000'000));
}

TEST(MprisValues, MetadataWithoutTitleLengthOrTrack) {
    TagRecord blanks;
    blanks.Title.Store("");
    const QVariantMap m = TrackMetadata(0, "/music/01. Intro.mp3", blanks, 0);
    EXPECT_EQ(m.value("xesam:title"), "01. Intro"); // the name the track list shows
    EXPECT_FALSE(m.contains("mpris:length"));

    const QVariantMap none = TrackMetadata(-1, "/music/x.mp3", blanks, 100);
    EXPECT_EQ(none.keys(), QStringList{"mpris:trackid"});
    EXPECT_EQ(none.value("mpris:trackid").value<QDBusObjectPath>().path(),
              "/org/mpris/MediaPlayer2/TrackList/NoTrack");
}

TEST(MprisValues, PropertiesAndTheirChanges) {
    PlayerFacts f;
    f.trackOpen = true;
    f.state = PlaybackState::Playing;
    f.slot = 0;
    f.path = "/m/a.mp3";
    f.lengthSeconds = 60;
    f.trackCount = 2;
    f.volume = 80;
    f.speed = 125;
    const QVariantMap playing = PlayerProperties(f);
    EXPECT_EQ(playing.value("Volume"), 0.8);
    EXPECT_EQ(playing.value("Rate"), 1.25);
    EXPECT_EQ(playing.value("CanSeek"), true);

    // Stopped: the track stays current but has no length and cannot be sought in.
    f.trackOpen = false;
    f.state = PlaybackState::Stopped;
    const QVariantMap changed = ChangedValues(playing, PlayerProperties(f));
    EXPECT_EQ(changed.keys(), (QStringList{"CanSeek", "Metadata", "PlaybackStatus"}));
    EXPECT_FALSE(changed.value("Metadata").toMap().contains("mpris:length"));
    EXPECT_TRUE(ChangedValues(playing, playing).isEmpty());

    f.trackCount = 0;
    f.slot = -1;
    const QVariantMap empty = PlayerProperties(f);
    EXPECT_EQ(empty.value("CanPlay"), false);
    EXPECT_EQ(empty.value("CanGoPrevious"), false);
}

// The modes by the numbers the settings file stores.
PlayModes Modes(int play, int next) {
    return {static_cast<PlayMode>(play), static_cast<ListEndAction>(next)};
}

TEST(MprisValues, LoopStatusAndShuffleMapOntoThePlayModes) {
    // {play mode, end-of-list action} -> LoopStatus, Shuffle
    EXPECT_EQ(LoopStatusText(Modes(1, 1)), "Track");
    EXPECT_EQ(LoopStatusText(Modes(0, 1)), "Playlist");
    EXPECT_EQ(LoopStatusText(Modes(2, 1)), "Playlist");
    EXPECT_EQ(LoopStatusText(Modes(0, 2)), "None"); // the next list is not this one again
    EXPECT_EQ(LoopStatusText(Modes(3, 0)), "None");
    for (int mode = 0; mode < 5; ++mode)
        EXPECT_EQ(ShuffleOn(static_cast<PlayMode>(mode)), mode >= 2) << mode;

    // Requests change as little as they can.
    EXPECT_EQ(ModesForLoopStatus("Track", Modes(2, 3)), Modes(1, 3));
    EXPECT_EQ(ModesForLoopStatus("Playlist", Modes(1, 0)), Modes(0, 1));
    EXPECT_EQ(ModesForLoopStatus("Playlist", Modes(3, 2)), Modes(3, 1));
    EXPECT_EQ(ModesForLoopStatus("None", Modes(1, 1)), Modes(0, 0));
    EXPECT_EQ(ModesForLoopStatus("None", Modes(2, 2)), Modes(2, 2));
    EXPECT_EQ(ModesForLoopStatus("Sometimes", Modes(1, 1)), std::nullopt);
    EXPECT_EQ(ModesForShuffle(true, Modes(1, 2)), Modes(2, 2));
    EXPECT_EQ(ModesForShuffle(true, Modes(4, 0)), Modes(4, 0));
    EXPECT_EQ(ModesForShuffle(false, Modes(3, 1)), Modes(0, 1));
    EXPECT_EQ(ModesForShuffle(false, Modes(1, 1)), Modes(1, 1));
}

TEST(MprisValues, NextAndPreviousFollowTheList) {
    const auto facts = [](PlayModes modes, int playPoint, int tracks, int lists) {
        PlayerFacts f;
        f.modes = modes;
        f.playPoint = playPoint;
        f.trackCount = tracks;
        f.listCount = lists;
        return f;
    };
    EXPECT_TRUE(CanGoNext(facts(Modes(0, 0), -1, 3, 0))); // the first track comes next
    EXPECT_TRUE(CanGoNext(facts(Modes(0, 0), 1, 3, 0)));
    EXPECT_FALSE(CanGoNext(facts(Modes(0, 0), 2, 3, 5))); // the end of the list stops
    EXPECT_TRUE(CanGoNext(facts(Modes(1, 1), 2, 3, 0)));  // ... or starts the list again
    EXPECT_FALSE(CanGoNext(facts(Modes(0, 1), 0, 1, 0))); // ... which is this one track
    EXPECT_TRUE(CanGoNext(facts(Modes(0, 2), 2, 3, 1)));  // ... or goes to a list file
    EXPECT_FALSE(CanGoNext(facts(Modes(0, 3), 2, 3, 0)));
    EXPECT_FALSE(CanGoNext(facts(Modes(3, 0), 0, 1, 0))); // a draw among one track
    EXPECT_TRUE(CanGoNext(facts(Modes(2, 0), 0, 2, 0)));
    EXPECT_TRUE(CanGoNext(facts(Modes(4, 0), 0, 1, 1)));
    EXPECT_FALSE(CanGoNext(facts(Modes(0, 0), 0, 0, 0)));

    EXPECT_FALSE(CanGoPrevious(facts(Modes(0, 0), 0, 3, 0))); // "Rev" replays the first track
    EXPECT_TRUE(CanGoPrevious(facts(Modes(3, 0), 2, 3, 0)));
    EXPECT_FALSE(CanGoPrevious(facts(Modes(0, 0), -1, 3, 0)));
    EXPECT_FALSE(CanGoPrevious(facts(Modes(0, 0), 5, 3, 0))); // a stale index plays nothing
}

TEST(MprisValues, VolumeAndRateRequestsStayInTheSlidersRanges) {
    EXPECT_EQ(SliderFromVolume(0.255), 26);
    EXPECT_EQ(SliderFromVolume(-3.0), 0);
    EXPECT_EQ(SliderFromVolume(2.5), 100);
    EXPECT_EQ(SliderFromVolume(std::nan("")), std::nullopt);

    EXPECT_EQ(SpeedFromRate(1.5), 150);
    EXPECT_EQ(SpeedFromRate(9.0), 300);
    EXPECT_EQ(SpeedFromRate(0.0), std::nullopt);
    EXPECT_EQ(SpeedFromRate(-1.0), std::nullopt);
    EXPECT_EQ(SpeedFromRate(std::nan("")), std::nullopt);
}

TEST(MprisValues, SeeksStayInsideTheTrack) {
    const auto seek = [](qint64 elapsed, qint64 offset, qint64 length) {
        const SeekStep s = RelativeSeek(elapsed, offset, length);
        return std::pair(s.kind, s.second);
    };
    EXPECT_EQ(seek(10'000'000, 30'000'000, 180), std::pair(SeekStep::SeekTo, 40));
    EXPECT_EQ(seek(10'000'000, 2'600'000, 180), std::pair(SeekStep::SeekTo, 13)); // nearest second
    EXPECT_EQ(seek(10'000'000, -11'000'000, 180), std::pair(SeekStep::SeekTo, 0));
    EXPECT_EQ(seek(10'000'000, 170'000'000, 180), std::pair(SeekStep::SeekTo, 180));
    EXPECT_EQ(seek(10'000'000, 170'000'001, 180).first, SeekStep::NextTrack);
    EXPECT_EQ(seek(10'000'000, kMax, 180).first, SeekStep::NextTrack); // no overflow
    EXPECT_EQ(seek(10'000'000, kMin, 180), std::pair(SeekStep::SeekTo, 0));
    EXPECT_EQ(seek(0, 1'000'000, 0).first, SeekStep::Ignore); // length unknown

    EXPECT_EQ(AbsoluteSeek(5'400'000, 180), 5);
    EXPECT_EQ(AbsoluteSeek(180'000'000, 180), 180);
    EXPECT_EQ(AbsoluteSeek(180'000'001, 180), std::nullopt);
    EXPECT_EQ(AbsoluteSeek(-1, 180), std::nullopt);
    EXPECT_EQ(MicrosFromSeconds(kMax), (kMax / 1'000'000) * 1'000'000);
}

} // namespace
} // namespace telbo::mpris
