#pragma once
// What the player keeps in telbo.ini and brings back: where the listener was in the current
// track (and whether it was paused), the equalizer, the time display. Saved when it changes
// (a pause, a stop, a track change, an equalizer change), every 30 s while a track plays, and
// at shut-down, under the same "ConfigSave" rule as config.ini.

#include "core/SessionFile.h"

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>

namespace telbo {

class Telbo;

class Session final : public QObject {
public:
    explicit Session(Telbo& w);

    // Where a track opened by the player starts. `second` 0 and not paused: from its start.
    struct Start {
        int second = 0;
        bool paused = false;
    };

    // Start-up, before the window is brought in line with config.ini: reads telbo.ini at
    // `path` (none: defaults) and puts the equalizer back, so the first sample is heard
    // through it. Saves go to `saveFolder`.
    void Load(const QString& path, const QString& saveFolder);
    // After config.ini's collections are restored, when telbo.ini is the newer file: a crash
    // after a track change leaves config.ini naming the track before; the current track
    // becomes the one saved here when the list holds it.
    void AdoptSavedTrack();
    // The first track opened after start-up takes the saved position when it is the saved
    // track, unchanged on disk, and resuming is on; every later one starts from 0.
    Start TakeStart(const QString& path);
    // Whether a crash during the last start-up left its marker: auto-play must not run.
    bool LastStartCrashed() const { return lastStartCrashed_; }
    // Around the start-up's auto-play: a crash inside it leaves the marker for the next start.
    void MarkStarting();
    void StartedSafely();

    // The current state to disk, when saving is on and it changed.
    void Save();
    // The play clock's tick: saves every 30 s of playing, and says once when the chosen
    // output was not there.
    void Tick();
    // Shut-down: saves what the listener had; after it nothing more is written.
    void ShutDown();

    const ReplayGainOptions& replayGain() const { return s_.ReplayGain; }
    // Kept, and handed to the decoder for the tracks opened from now on.
    void SetReplayGain(const ReplayGainOptions& options);
    // The chosen sound output ("" the default), kept and handed to the decoder at once.
    const QString& outputDevice() const { return s_.OutputDevice; }
    void SetOutputDevice(const QString& name);
    bool resume() const { return s_.Resume; }
    void SetResume(bool on);

private:
    // The fields that follow the player, read from it now.
    void Capture();
    QString FilePath() const;
    QString MarkerPath() const;

    Telbo& w;
    QString folder_;
    SessionSettings s_;
    SessionSettings written_; // what the file holds, so an unchanged state is not written again
    bool hasWritten_ = false;
    bool pendingStart_ = false; // the saved position waits for the first open
    bool lastStartCrashed_ = false;
    bool shutDown_ = false;
    bool failureShown_ = false;
    QElapsedTimer sinceSave_;
    QTimer equalizerSave_; // a dragged band or position thumb saves once it rests
};

} // namespace telbo
