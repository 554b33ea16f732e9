#pragma once
// The player as the desktop service sees it: the facts it announces, the commands a click on
// the window runs, and the events after which the facts may have changed. Nothing of the
// window's widgets shows through; the service includes this and nothing of ui/.

#include "core/Modes.h"
#include "core/PlayerFacts.h"

#include <QObject>
#include <QString>

namespace telbo {

class Telbo;

class Remote final : public QObject {
    Q_OBJECT
public:
    explicit Remote(Telbo& w);

    // Not shut down: the commands act, the facts are current.
    bool Live() const;
    // The player now: the current track (its tag as the title line read it, its cover), the
    // transport's state, the settings the desktop shows.
    PlayerFacts Facts();
    // Whole seconds heard of the open track; 0 with nothing open.
    int ElapsedSeconds();

    // The transport's words.
    void Play();     // "Play": the current track from its start
    void Stop();
    void Next();
    void Previous(); // "Rev"
    void Pause();    // a playing track; nothing otherwise
    void Resume();   // a paused track; nothing otherwise
    void SeekTo(int second);
    // Adds an existing local track or list file as a drop on the header band does, and plays
    // it. False, and nothing done, for anything else or when its collection is full.
    bool AddAndPlay(const QString& path);
    // The settings, each through its one setter.
    void SetVolume(int value);
    void SetSpeed(int hundredths);
    void SetModes(const PlayModes& modes);
    // The window shown, unminimised and raised; closed (queued, so a caller gets its answer
    // first).
    void ShowWindow();
    void Quit();

signals:
    void trackChanged();
    void stateChanged();
    void settingsChanged();
    void collectionsChanged();
    // A tag was written to `path` (the title line reads it again afterwards).
    void tagSaved(const QString& path);
    void seeked(int second);
    void shutDown();

private:
    bool TrackOpen() const;
    int CurrentSlot() const;

    Telbo& w;
    // The current track's tag where the title line has none of it (read once per track and
    // again after it was written), and its cover (once per track).
    QString tagFor_;
    TagRecord tag_;
    QString coverFor_;
    QString coverPath_;
};

} // namespace telbo
