#pragma once

#include "core/Modes.h"
#include "decoder/Records.h"
#include "decoder/ReplayGain.h"

#include <QHash>
#include <QString>

#include <string>

namespace telbo {

class Telbo;

// Play, Stop, Rev, Next, Pause on the current track, the play clock and the position slider.
class Transport {
public:
    enum Command { Play = 0, Stop = 1, Rev = 2, Next = 3, Pause = 4 };
    // What the transport has done with the current track. A track that has ended counts as
    // playing until the next tick moves on, so the state does not flicker between tracks.
    enum class Status { Stopped, Playing, Paused };

    explicit Transport(Telbo& w) : w(w) {}
    void lblPlaySet_Click(int index);
    // Pause's two halves, for callers that know which they want.
    void PauseTrack();
    void ResumeTrack();
    // Moves the position slider's thumb to `second` and seeks there, as a drag would.
    void SeekTo(int second);
    Status status() const { return status_; }
    // A track is open, playing or paused: from Play until Stop. The clock itself rests while
    // the track is paused.
    bool TrackOpen() const { return open_; }
    void OpenAndPlay();
    void StopAndClose();
    PlaybackState PollDecoderState();
    void tmrTime_Timer();
    // The user dragged the position slider's thumb to `value` seconds.
    void sclNowTime_Scroll(int value);
    // A click on the clock switches between the time played and the time left.
    void lblNowTime_Click();
    // The clock shows the time left (true) or the time played; start-up sets the saved choice.
    void SetShowRemaining(bool on);

    // The playing track's row was removed and PlayPoint moved to the row before it: "Rev"
    // then goes back to that row rather than one further. Cleared when a track opens.
    void CurrentTrackRemoved() { currentRemoved_ = true; }
    // The track list was replaced whole: PlayPoint names a row of the new list again.
    void ForgetRemovedTrack() { currentRemoved_ = false; }
    // The file's tag was written: its album is read again when next needed.
    void ForgetAlbum(const QString& path) { albums_.remove(path); }

private:
    void SetStatus(Status status);
    // The clock label and the tooltips of it and of the position slider, `elapsed` seconds
    // into the open track (nothing open: 00:00 of 00:00).
    void ShowClock(std::int32_t elapsed);
    // The track now playing is announced: title line, state, listeners.
    void Announce();
    // Hands the following track to the decoder near the end of this one, when nothing can
    // come between them.
    void QueueFollowing();
    // Drops the queued track unless the decoder has moved on to it already.
    void CancelQueued();
    // Whether what the queued track was chosen from has changed since.
    bool QueuedStale() const;
    // The decoder moved on to the queued track: a natural end followed by the next track,
    // without opening it.
    void JoinQueued(const OpenInfoRecord& info);
    // In Auto mode, tells the decoder before it opens or queues track `index` whether album
    // gain applies: whether the track heard before it (`previous`) or the one known to come
    // after it is of the same album.
    void ChooseGain(int index, const QString& previous);

    Telbo& w;
    bool currentRemoved_ = false;
    bool open_ = false;
    Status status_ = Status::Stopped;
    // The track handed to the decoder to follow, and what it was chosen from.
    struct Queued {
        int index = -1;
        QString path;
        PlayMode mode{};
        ListEndAction end{};
        int ko = 0, listPoint = 0, playPoint = 0, intro = 0, timerCount = 0, timerType = 0;
        bool operator==(const Queued&) const = default;
    };
    Queued Snapshot(int index) const;
    Queued queued_;
    bool queueTried_ = false; // once per track: a refused queue is not retried every tick
    bool startedPaused_ = false; // the last open resumed into a pause
    QString lastOpened_;         // the track heard before the next one opens
    QHash<QString, std::string> albums_; // album tags read for Auto's choice, by path
};

} // namespace telbo
