// ReplayGain in the window: Auto's choice per track as the play order reaches it, and the scan
// run from the menu off the GUI thread, with a scanner of the test's own.
#include "TelboFixture.h"

#include "playback/ReplayGainScan.h"
#include "ui/Label.h"

#include <QDir>
#include <QTest>
#include <QThread>

#include <atomic>

namespace telbo::test {
namespace {

class ReplayGainPlayerTest : public TelboFixture {
protected:
    // Tracks in this folder with these album tags ("" for none).
    QStringList Tracks(const std::vector<const char*>& albums, const QString& folder = {}) {
        QStringList paths;
        for (std::size_t i = 0; i < albums.size(); ++i) {
            const QString path = platform.makeFile(folder + QStringLiteral("t%1.mp3").arg(i));
            engine.tags[path.toStdString()].Album.Fill(albums[i]);
            paths << path;
        }
        return paths;
    }
    QStringList Gains() const {
        QStringList out;
        for (const auto& g : engine.replayGains) out << g.first;
        return out;
    }
};

TEST_F(ReplayGainPlayerTest, AutoTakesAlbumGainOnlyAmongTracksOfOneAlbum) {
    Start();
    // The start-up hands the stored options over once, before anything plays.
    EXPECT_EQ(Gains(), QStringList{QStringLiteral("replayGain 3 track")});
    ASSERT_TRUE(QDir(platform.dir.path()).mkpath(QStringLiteral("other")));
    QStringList tracks = Tracks({"Blue", "Blue", "Single", ""});
    tracks << Tracks({"Blue"}, QStringLiteral("other/")); // the same name in another folder
    SetTracks(tracks);
    const std::vector<std::pair<int, const char*>> steps{
        {0, "album"}, // the next in list order is of its album
        {1, "album"}, // the one before too
        {2, "track"}, // among other albums
        {3, "track"}, // no album tag is no album
        {4, "track"}, // a "Blue" of another folder
    };
    for (const auto& [index, want] : steps) {
        SCOPED_TRACE(index);
        engine.clearCalls();
        engine.replayGains.clear();
        w->st.PlayPoint = static_cast<std::int16_t>(index);
        w->transport.lblPlaySet_Click(Transport::Play);
        EXPECT_EQ(Gains(), QStringList{QStringLiteral("replayGain 3 ") + want});
        // Told before the file opens.
        ASSERT_FALSE(engine.replayGains.isEmpty());
        EXPECT_EQ(engine.calls.value(engine.replayGains[0].second),
                  QStringLiteral("open ") + tracks[index]);
    }
    // Another mode is the user's choice alone: nothing is decided per track.
    w->session.SetReplayGain({ReplayGainMode::Track, 0, 0, true, false});
    engine.replayGains.clear();
    w->transport.lblPlaySet_Click(Transport::Play);
    EXPECT_TRUE(Gains().isEmpty());
}

TEST_F(ReplayGainPlayerTest, TheScanRunsOffTheWindowAndSaysWhatItCouldNotWrite) {
    Start();
    const QStringList tracks = Tracks({"A", "A", "B"});
    SetTracks(tracks);
    std::atomic<bool> release{false};
    std::vector<std::string> scanned;
    w->replayGainScan.scanner = [&](const std::vector<std::string>& paths, const auto& progress,
                                    const std::atomic<bool>& cancel) {
        scanned = paths;
        ReplayGainScanOutcome out;
        for (std::size_t i = 0; i < paths.size(); ++i) {
            while (!release && !cancel) QThread::msleep(1);
            if (cancel) {
                out.failures.emplace_back(paths[i], "cancelled");
                continue;
            }
            if (i == 1)
                out.failures.emplace_back(paths[i], "file is read-only");
            else
                ++out.written;
            progress(i + 1, paths.size());
        }
        return out;
    };
    w->replayGainScan.StartOrCancel();
    // The window goes on while it runs.
    EXPECT_TRUE(w->replayGainScan.running());
    EXPECT_EQ(w->ui.lblTitle[0]->caption(), QStringLiteral("ReplayGain 0 / 3"));
    release = true;
    QTRY_VERIFY(!w->replayGainScan.running());
    EXPECT_EQ(scanned.size(), 3u);
    EXPECT_EQ(w->ui.lblTitle[0]->caption(),
              QStringLiteral("ReplayGain: 2 of 3 tagged (not written: t1: file is read-only)"));

    // A second click cancels; the files not reached keep their tags and are not blamed.
    release = false;
    w->replayGainScan.StartOrCancel();
    w->replayGainScan.StartOrCancel();
    QTRY_VERIFY(!w->replayGainScan.running());
    EXPECT_EQ(w->ui.lblTitle[0]->caption(), QStringLiteral("ReplayGain: 0 of 3 tagged, cancelled"));
}

} // namespace
} // namespace telbo::test
