#pragma once
// The seam between the player and what decodes and plays. The engine implements it; tests put
// a fake in its place.

#include "decoder/Records.h"
#include "decoder/ReplayGain.h"

#include <cstdint>
#include <string>
#include <vector>

namespace telbo {

// Decodes and plays one file at a time.
//
// Threads: every call comes from the player's user-interface thread, one at a time, so an
// implementation needs no locking against its caller. It may run threads of its own behind
// the calls (decoding, the sound output); none of its work calls back into the player. The
// window waits on every call, so each should return within a fraction of a second: slow
// set-up belongs on the implementation's own threads.
//
// States: State is the player's only view of playback. It reads Stopped until Play succeeds,
// Playing or Paused while the track lasts, and Stopped again after Stop, Close, a new Open, or
// when the track has played to its end. The player polls it on a clock and moves on to the
// next track when it reads Stopped.
//
// Failure: no call throws. Results other than State's are informational and the player
// ignores them; a failure must therefore leave a state the next calls can work from: a file
// that cannot be opened or played reads Stopped, so the player moves past it.
class AudioEngine {
public:
    virtual ~AudioEngine() = default;

    // The first call at start-up; it must return at once (slow set-up goes on behind it).
    virtual bool Init() = 0;
    // The first call at shut-down: stops, releases the open file and every output.
    virtual void Shutdown() = 0;

    // Opens `path`, replacing (and stopping) whatever was open. Fills `info`. On failure
    // `info.TotalSeconds` is 0, nothing is open and the state reads Stopped.
    virtual bool Open(const std::string& path, OpenInfoRecord& info) = 0;
    // Plays the open file from its start; false, and no change, with nothing open.
    virtual bool Play() = 0;
    // Plays the open file from `second` (clamped to the track), or holds it paused there when
    // `paused`: the state then reads Paused and Resume lets it play. What comes before
    // `second` is never heard. False, and no change, with nothing open.
    virtual bool PlayFrom(int second, bool paused) {
        if (!Play()) return false;
        if (second > 0) Seek(second);
        if (paused) Pause();
        return true;
    }
    // Stops; the state then reads Stopped and the elapsed seconds 0. Harmless with nothing
    // open.
    virtual void Stop() = 0;
    // Stops and releases the open file. Harmless with nothing open.
    virtual void Close() = 0;
    // Pauses a playing track / resumes a paused one; no effect in any other state.
    virtual void Pause() = 0;
    virtual void Resume() = 0;
    // Playback goes on from `second`, clamped to the track. Ignored in the moment between the
    // engine moving on to a queued track and its first frame heard (when ClearNext returns
    // false): the track that was sought in has no more to play.
    virtual void Seek(int second) = 0;
    // The state now. `elapsedSeconds` receives the whole seconds of track time heard so far
    // while Playing or Paused, and 0 whenever the state is Stopped (after the end of a track
    // too, never the time where it ended).
    virtual PlaybackState State(std::int32_t& elapsedSeconds) = 0;

    // Gapless track changes. An engine that does without them keeps these defaults: nothing
    // is ever queued, and the player opens and plays each track itself.
    //
    // Opens `path` ahead as the track that follows the playing one: when the playing track
    // ends, the next one plays on in the same output, not a sample dropped, repeated or
    // inserted, with the open file's volume, speed and equalizer. Replaces a file queued
    // before, unless the engine has already moved on to that one. False when nothing was
    // queued (nothing playing, a file that does not open, the engine moved on already): the
    // player then opens and plays the next track itself when the state reads Stopped.
    // Open, Play, Stop and Close drop a queued file.
    virtual bool QueueNext(const std::string& path) {
        (void)path;
        return false;
    }
    // Drops the queued file. False when it is too late: the engine has moved on to it (it may
    // not be heard yet) and TakeTrackChange will still report the change.
    virtual bool ClearNext() { return true; }
    // True once per change, at the moment the first frame of the queued track is heard;
    // `info` then receives the new track's record, as Open would have filled it. From then on
    // State's elapsed seconds count in the new track, whose end reads Stopped as any track's.
    // The player polls it on its clock.
    virtual bool TakeTrackChange(OpenInfoRecord& info) {
        (void)info;
        return false;
    }

    // Loudness 0..100 per channel, from now on (the playing track too).
    virtual void SetVolume(int left, int right) = 0;
    // Speed in hundredths, 20..300, 100 normal (speed and pitch together), from now on.
    virtual void SetSpeed(int hundredths) = 0;
    // Used from the next Open on; the open track keeps the options it was opened with.
    virtual void SetDecodeOptions(const DecodeOptions& options) = 0;
    // Kept; applied to the playing track by ApplyEqualizer and to every track played after.
    virtual void SetEqualizer(const EqualizerBands& bands) = 0;
    virtual void ApplyEqualizer() = 0;
    // Loudness normalisation, used for each file opened (Open) or queued (QueueNext) from now
    // on; the open track keeps the gain it was opened with. In Auto mode the player sets
    // `AutoAlbum` before each open or queue (AlbumGainApplies for that file's neighbours in
    // play order). The gain is read from the file's tags when it opens and is one factor in
    // the volume stage: volume, equalizer, speed and the decode options work on top of it, and
    // a queued file's gain starts exactly at its first frame. An engine without it keeps this
    // default.
    virtual void SetReplayGain(const ReplayGainOptions& options) { (void)options; }

    // The choice of sound output. An engine without one keeps these defaults: it plays on the
    // default output and offers no other.
    //
    // The outputs of the sound server in use, in its order, for the user to choose from.
    // Waits for the server a bounded time (under half a second); empty when there is no
    // choice (no sound server, a server that did not answer in time, a silent test output),
    // and the default is then the only output.
    virtual std::vector<OutputDevice> ListOutputs() { return {}; }
    // Plays on the output `name` (an OutputDevice::Name) from now on, "" for the server's
    // default, which follows the desktop's choice. Takes effect at once while a track plays,
    // without reopening it or a break in the sound, and for every output opened later
    // (start-up too: call it before the first play). Returns at once; an output that is not
    // there leaves the sound on the default, and OutputMissing says so.
    virtual void SetOutputDevice(const std::string& name) { (void)name; }
    // True once after the chosen output was found missing (at start-up, at a move, or when
    // the output was reopened) and the default plays instead; false otherwise. Asked again
    // for the same choice, false: the user is told once. The player polls it on its clock.
    virtual bool OutputMissing() { return false; }
};

} // namespace telbo
