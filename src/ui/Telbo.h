#pragma once
// The main window and hub: owns the state record, the controls, and one object per
// subsystem; the audio engine, the tag store and the platform are injected.

#include "core/CoverArtCache.h"
#include "core/Lifecycle.h"
#include "core/PlayerState.h"
#include "core/Remote.h"
#include "core/Session.h"
#include "core/StateRestore.h"
#include "playback/DecodeOptionsControl.h"
#include "playback/EqualizerPanel.h"
#include "playback/PlayOrder.h"
#include "playback/ReplayGainScan.h"
#include "playback/Transport.h"
#include "playlist/Collections.h"
#include "playlist/FileAdder.h"
#include "playlist/ListEditor.h"
#include "playlist/ListFileCommands.h"
#include "settings/SettingsPanel.h"
#include "settings/SleepTimer.h"
#include "titles/TagEditor.h"
#include "titles/TitleBuilder.h"
#include "titles/TitleScroller.h"
#include "ui/ContextMenu.h"
#include "ui/Controls.h"
#include "ui/Dragging.h"
#include "ui/WindowModes.h"

#include <QPointer>
#include <QWidget>

namespace telbo {

class AudioEngine;
class TagStore;
class Platform;
class PowerOffDialog;

class Telbo final : public QWidget {
    Q_OBJECT
public:
    Telbo(AudioEngine& engine, TagStore& tags, Platform& platform, QWidget* parent = nullptr);
    ~Telbo() override;

    PlayerState st;
    Controls ui;
    AudioEngine& engine;
    TagStore& tags;
    Platform& platform;

    Lifecycle lifecycle{*this};
    Session session{*this};
    StateRestore stateRestore{*this};
    Transport transport{*this};
    PlayOrder playOrder{*this};
    DecodeOptionsControl decodeOptions{*this};
    EqualizerPanel equalizerPanel{*this};
    Collections collections{*this};
    ListFileCommands listFiles{*this};
    FileAdder fileAdder{*this};
    ListEditor listEditor{*this};
    TitleBuilder titleBuilder{*this};
    TitleScroller titleScroller{*this};
    TagEditor tagEditor{*this};
    SettingsPanel settingsPanel{*this};
    SleepTimer sleepTimer{*this};
    WindowModes windowModes{*this};
    Dragging dragging{*this};
    ContextMenu contextMenu{*this};
    ReplayGainScan replayGainScan{*this};
    // Cover images of tracks, for the desktop's media controls and the tag view.
    CoverArtCache coverArt;
    // What the desktop service sees of the player: facts, commands and events.
    Remote remote{*this};

    // The power-off dialog while it exists.
    QPointer<PowerOffDialog> form2;
    // Loads and shows the power-off dialog (without blocking this window).
    void ShowPowerOffDialog();

    // The file the engine has open, empty when none: its rows in the track list carry the
    // playing marker.
    void ShowPlaying(const QString& path);

    // Twip geometry of the window itself.
    double Left() const;
    double Top() const;
    double Width() const;
    double Height() const;
    void SetLeft(double v);
    void SetTop(double v);
    void SetWidth(double v);
    void SetHeight(double v);

signals:
    // What listeners (the desktop service, and any to come) follow, emitted where the change
    // happens, once the window shows it.
    // A track opened (`path`, the row PlayPoint), or none is open after Stop (empty).
    void trackChanged(const QString& path);
    // Playing, paused, or nothing open.
    void stateChanged(Transport::Status status);
    // Each tick of the play clock while a track plays: seconds into it.
    void positionChanged(int second);
    // The user or a command moved the position to `second`.
    void seeked(int second);
    // A tag was written to the file `path` (the title line follows once the whole edit is
    // written).
    void tagSaved(const QString& path);
    // A setting changed: volume, speed, play mode, end-of-list action, sleep timer, ...
    void settingsChanged();
    // The track or list-file collection was edited, or the current entry moved with it.
    void collectionsChanged();
    // The window has shut down: listeners let go of the player.
    void shutDown();

protected:
    void changeEvent(QEvent* e) override;
    void showEvent(QShowEvent* e) override;
    void hideEvent(QHideEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    void contextMenuEvent(QContextMenuEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void wheelEvent(QWheelEvent* e) override;

private:
    void ConnectEvents();
    // Keys that run what the matching word command runs.
    void ConnectKeys();
    // Greys the rows first..last of list box `box` whose files are missing and marks the
    // playing track, as they are filled in.
    void MarkRows(int box, int first, int last);
    bool IsPlaying(int box, int row) const;
    // The title line ends where the words ("Lock", "Min", "PowerOff") or, in the strip, the
    // symbol buttons begin: it never runs beneath them.
    void ClipTitleBeforeSymbols();
    // Lays out the counter "current / total" of the header (0) or the bottom row (1).
    void LayoutCounter(int row);
    // The volume up or down by `step`, as the settings slider would, said in the title line.
    void ChangeVolumeBy(int step);
    // A turn of the wheel over the header band or the position slider: 5 per notch.
    void WheelVolume(const QWheelEvent& e);

    QString playing_;
    bool iconSet_ = false;
    int wheelRest_ = 0; // eighths of a degree short of a notch (fine-grained wheels)
};

} // namespace telbo
