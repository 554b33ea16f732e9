#pragma once

#include "decoder/Decoder.h"

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
    void OpenAndPlay();
    void StopAndClose();
    PlaybackState PollDecoderState();
    void tmrTime_Timer();
    // The user dragged the position slider's thumb to `value` seconds.
    void sclNowTime_Scroll(int value);

    // The playing track's row was removed and PlayPoint moved to the row before it: "Rev"
    // then goes back to that row rather than one further. Cleared when a track opens.
    void CurrentTrackRemoved() { currentRemoved_ = true; }
    // The track list was replaced whole: PlayPoint names a row of the new list again.
    void ForgetRemovedTrack() { currentRemoved_ = false; }

private:
    void SetStatus(Status status);

    Telbo& w;
    bool currentRemoved_ = false;
    Status status_ = Status::Stopped;
};

} // namespace telbo
