#include "playback/Transport.h"

#include "decoder/AudioEngine.h"
#include "platform/Platform.h"
#include "decoder/Records.h"
#include "playback/PlayOrder.h"
#include "core/TimeText.h"
#include "settings/ConfigValues.h"
#include "settings/SleepTimer.h"
#include "ui/Label.h"
#include "ui/Layout.h"
#include "ui/Telbo.h"

#include <QScrollBar>
#include <QTimer>

#include <algorithm>
#include <optional>

namespace telbo {

namespace {
constexpr int kSliderLimit = 32767; // the position slider holds 16-bit seconds
// The following track is opened this long before the end: time enough for a slow disk or a
// late tick, and late enough that most clicks come before it.
constexpr int kQueueAheadSeconds = 10;
} // namespace

void Transport::lblPlaySet_Click(int index) {
    PlayerState& st = w.st;
    CancelQueued(); // anything the user does replaces what the clock planned
    switch (index) {
    case Play:
        if (st.KO == 0) {
            // Nothing happens otherwise, and the user is left to guess why.
            w.collections.ShowPlayPoint();
            w.titleBuilder.ShowNotice(QStringLiteral("Nothing to play: Open or drop files"));
            return;
        }
        // Only a slot of the track list is ever opened: a stale or rewound index (-1 after
        // "Rev" from before the first track, or a shuffle index beyond a shorter list) plays
        // nothing rather than an empty or foreign slot.
        if (st.PlayPoint < 0 || st.PlayPoint >= st.KO || st.PlayPoint >= kSlots) return;
        OpenAndPlay();
        Announce();
        // Resumed where the listener paused it last time: it waits for Pause (or Space).
        if (startedPaused_) {
            st.PlayState = PlaybackState::Paused;
            SetStatus(Status::Paused);
        }
        break;
    case Stop:
        StopAndClose();
        w.titleBuilder.BuildTitle();
        w.setWindowTitle(QString(QChar(0x266A)) + QString::fromUtf8(kCaption));
        SetStatus(Status::Stopped);
        emit w.trackChanged(QString());
        break;
    case Rev: {
        // Back to the nearest earlier track whose file is there, skipping missing ones as
        // "Next" does forwards. After the playing track's row was removed, PlayPoint already
        // names the row before it.
        int back = std::min<int>(currentRemoved_ ? st.PlayPoint : st.PlayPoint - 1, st.KO - 1);
        while (back >= 0 && !w.platform.fileExists(st.TitleFiles[static_cast<std::size_t>(back)]))
            --back;
        if (back >= 0) {
            st.PlayPoint = static_cast<std::int16_t>(back);
        } else if (currentRemoved_) {
            return; // nothing before the removed track: it plays on
        }
        // Nothing earlier: the current track again (never below -1, "before the first
        // track", so "Next" still finds the first track).
        lblPlaySet_Click(Play);
        break;
    }
    case Next:
        w.playOrder.Next();
        break;
    case Pause:
        // Decided by the state of the last tick, not a fresh query: one button toggles.
        if (st.PlayState == PlaybackState::Playing)
            PauseTrack();
        else if (st.PlayState == PlaybackState::Paused)
            ResumeTrack();
        break;
    default:
        break;
    }
}

void Transport::Announce() {
    w.titleBuilder.BuildTitle();
    // The state first: a listener that looks at the track change sees it playing.
    SetStatus(Status::Playing);
    emit w.trackChanged(w.st.TitleFiles[static_cast<std::size_t>(w.st.PlayPoint)]);
}

Transport::Queued Transport::Snapshot(int index) const {
    const PlayerState& st = w.st;
    Queued q;
    q.index = index;
    if (index >= 0 && index < kSlots) q.path = st.TitleFiles[static_cast<std::size_t>(index)];
    q.mode = st.PlayTypeFlag;
    q.end = st.NextTypeFlag;
    q.ko = st.KO;
    q.listPoint = st.ListPoint;
    q.playPoint = st.PlayPoint;
    q.intro = st.IntroTime;
    q.timerCount = st.TimerCount;
    q.timerType = st.TimerType;
    return q;
}

void Transport::QueueFollowing() {
    PlayerState& st = w.st;
    if (queued_.index >= 0 || queueTried_ || st.IntroTime != 0) return;
    if (st.NowTime + kQueueAheadSeconds < st.OpenInfo.TotalSeconds) return;
    queueTried_ = true;
    // The sleep timer acts at this end: the track after it never starts.
    const SleepStepResult sleep = SleepStep(st.TimerCount, st.TimerType);
    if (sleep.counted && sleep.action != SleepAction::None) return;
    const int next = w.playOrder.Following();
    if (next < 0 || next >= kSlots) return;
    Queued q = Snapshot(next);
    if (q.path.isEmpty()) return;
    ChooseGain(next, st.TitleFiles[static_cast<std::size_t>(st.PlayPoint)]);
    if (!w.engine.QueueNext(q.path.toStdString())) return;
    queued_ = std::move(q);
}

void Transport::ChooseGain(int index, const QString& previous) {
    ReplayGainOptions options = w.session.replayGain();
    if (options.Mode != ReplayGainMode::Auto) return;
    const PlayerState& st = w.st;
    // A track's album is read once and kept until its tag is written: the choice comes at
    // every open and queue, and must not read the same files again each time.
    if (albums_.size() > kSlots * 4) albums_.clear();
    auto place = [this](const QString& path) {
        auto it = albums_.find(path);
        if (it == albums_.end()) {
            TagRecord tag;
            w.titleBuilder.ReadTag(path, tag);
            it = albums_.insert(path, tag.Album.Shown());
        }
        return AlbumPlace{path.toStdString(), *it};
    };
    // Only orders that know their next track say it; a random draw is not made twice.
    int after = -1;
    if (st.PlayTypeFlag == PlayMode::Normal)
        after = index + 1 < st.KO ? index + 1 : st.NextTypeFlag == ListEndAction::Repert ? 0 : -1;
    else if (st.PlayTypeFlag == PlayMode::Repert)
        after = index;
    const AlbumPlace current = place(st.TitleFiles[static_cast<std::size_t>(index)]);
    std::optional<AlbumPlace> before, next;
    if (!previous.isEmpty()) before = place(previous);
    if (after >= 0 && after < kSlots) next = place(st.TitleFiles[static_cast<std::size_t>(after)]);
    options.AutoAlbum = AlbumGainApplies(before ? &*before : nullptr, current, next ? &*next : nullptr);
    w.engine.SetReplayGain(options);
}

void Transport::CancelQueued() {
    if (queued_.index < 0) return;
    // Too late: the decoder plays on into it and the next tick takes the change.
    if (!w.engine.ClearNext()) return;
    queued_ = Queued{};
    queueTried_ = false; // chosen afresh from what holds now
}

bool Transport::QueuedStale() const {
    return queued_.index >= 0 && !(Snapshot(queued_.index) == queued_);
}

void Transport::JoinQueued(const OpenInfoRecord& info) {
    PlayerState& st = w.st;
    const Queued q = std::move(queued_);
    queued_ = Queued{};
    queueTried_ = false;
    // The natural end of the track that was playing...
    if (w.sleepTimer.Step()) return;
    // ...then the next one, as Next and Play would have opened it.
    st.PlayPoint = static_cast<std::int16_t>(std::min(q.index, kSlots - 1));
    w.playOrder.Started(st.PlayPoint);
    currentRemoved_ = false;
    st.OpenInfo = info;
    lastOpened_ = q.path;
    w.ShowPlaying(q.path);
    w.ui.sclNowTime->setMaximum(std::clamp(st.OpenInfo.TotalSeconds, 0, kSliderLimit));
    st.NowTime = 0;
    ShowClock(0);
    Announce();
}

void Transport::PauseTrack() {
    CancelQueued();
    w.engine.Pause();
    SetStatus(Status::Paused);
}

void Transport::ResumeTrack() {
    CancelQueued();
    w.engine.Resume();
    if (open_ && !w.ui.tmrTime->isActive()) w.ui.tmrTime->start(); // it rested while paused
    SetStatus(Status::Playing);
}

void Transport::SetStatus(Status status) {
    if (status == status_) return;
    status_ = status;
    emit w.stateChanged(status);
}

void Transport::OpenAndPlay() {
    PlayerState& st = w.st;
    currentRemoved_ = false;
    // Opening drops whatever the decoder had queued.
    queued_ = Queued{};
    queueTried_ = false;
    // Opening replaces whatever plays; nothing is stopped first. Results are ignored: a file
    // that fails reads as stopped at the next tick and the play order moves on.
    const QString& path = st.TitleFiles[static_cast<std::size_t>(st.PlayPoint)];
    ChooseGain(st.PlayPoint, lastOpened_);
    lastOpened_ = path;
    w.engine.Open(path.toStdString(), st.OpenInfo);
    w.ShowPlaying(path);
    w.ui.sclNowTime->setMaximum(std::clamp(st.OpenInfo.TotalSeconds, 0, kSliderLimit));
    open_ = true;
    w.ui.tmrTime->start();
    const Session::Start start = w.session.TakeStart(path);
    startedPaused_ = start.paused;
    // Until the first tick: the old track's time is not this one's.
    st.NowTime = start.second;
    ShowClock(start.second);
    w.ui.sclNowTime->setValue(SliderValue(start.second, w.ui.sclNowTime->maximum()));
    if (start.second > 0 || start.paused)
        w.engine.PlayFrom(start.second, start.paused);
    else
        w.engine.Play();
}

void Transport::StopAndClose() {
    queued_ = Queued{};
    queueTried_ = false;
    open_ = false;
    w.ui.tmrTime->stop();
    w.engine.Stop();
    w.engine.Close();
    w.ShowPlaying(QString());
    ShowClock(0);
    w.ui.sclNowTime->setValue(0);
    w.ui.sclNowTime->setMaximum(0);
}

void Transport::ShowClock(std::int32_t elapsed) {
    // Only while a track is open is a length known.
    const std::int32_t length = open_ ? w.st.OpenInfo.TotalSeconds : 0;
    const bool remaining = w.st.ShowRemaining;
    const QString position = PositionText(elapsed, length);
    w.ui.lblNowTime->setCaption(ClockText(elapsed, length, remaining));
    // After the caption: a new caption resets the label's tooltip.
    w.ui.lblNowTime->setToolTip(position + (remaining
                                                ? QStringLiteral("\nclick: show the time played")
                                                : QStringLiteral("\nclick: show the time left")));
    w.ui.sclNowTime->setToolTip(position + QStringLiteral("\nclick or drag to go there"));
}

void Transport::lblNowTime_Click() {
    SetShowRemaining(!w.st.ShowRemaining);
    w.session.Save(); // remembered for the next start
}

void Transport::SetShowRemaining(bool on) {
    w.st.ShowRemaining = on;
    ShowClock(open_ ? w.st.NowTime : 0);
}

PlaybackState Transport::PollDecoderState() {
    std::int32_t elapsed = 0;
    const PlaybackState state = w.engine.State(elapsed);
    w.st.NowTime = elapsed;
    return state;
}

void Transport::tmrTime_Timer() {
    PlayerState& st = w.st;
    if (QueuedStale()) CancelQueued();
    OpenInfoRecord joined;
    if (queued_.index >= 0 && w.engine.TakeTrackChange(joined)) JoinQueued(joined);
    st.PlayState = PollDecoderState();
    // Ended before the queued track could follow: the plain way on.
    if (st.PlayState == PlaybackState::Stopped) CancelQueued();
    if (st.PlayState == PlaybackState::Playing) {
        // The label shows the true time; the slider only what its range can hold.
        ShowClock(st.NowTime);
        w.ui.sclNowTime->setValue(SliderValue(st.NowTime, w.ui.sclNowTime->maximum()));
        emit w.positionChanged(st.NowTime);
        QueueFollowing();
    } else if (st.PlayState == PlaybackState::Stopped) {
        if (w.sleepTimer.Step()) return;
        if (st.PlayTypeFlag == PlayMode::Repert)
            lblPlaySet_Click(Play);
        else
            lblPlaySet_Click(Next);
    }
    if (st.IntroTime != 0 && st.NowTime >= st.IntroTime) {
        w.engine.Stop(); // the next tick moves on
        return;
    }
    // Paused, nothing the clock decides can fall due (an end, the sleep timer's count, the
    // following track): it rests until Resume or a seek wakes it. The display already shows
    // the paused time; the desktop asks the engine for the position.
    if (st.PlayState == PlaybackState::Paused) w.ui.tmrTime->stop();
}

void Transport::sclNowTime_Scroll(int value) {
    CancelQueued();
    w.engine.Seek(value);
    // A seek while paused can pass the intro's end: one tick decides.
    if (open_ && !w.ui.tmrTime->isActive()) w.ui.tmrTime->start();
    emit w.seeked(value);
}

void Transport::SeekTo(int second) {
    w.ui.sclNowTime->setValue(SliderValue(second, w.ui.sclNowTime->maximum()));
    sclNowTime_Scroll(second);
}

} // namespace telbo
