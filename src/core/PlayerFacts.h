#pragma once
// The facts about the player that the desktop's media controls announce: a plain record,
// filled by the player's remote control (core/Remote) and read by the desktop service.

#include "core/Modes.h"
#include "decoder/Records.h"

#include <QString>
#include <QtGlobal>

namespace telbo {

// The play mode (PlayTypeFlag) and the end-of-list action (NextTypeFlag).
struct PlayModes {
    PlayMode playType = PlayMode::Normal;
    ListEndAction nextType = ListEndAction::Stop;
    bool operator==(const PlayModes&) const = default;
};

// What the player shows at one moment, for the desktop's media controls.
struct PlayerFacts {
    PlaybackState state = PlaybackState::Stopped; // playing or paused while a track is open
    bool trackOpen = false;   // the play clock runs, so the transport has a track open
    int slot = -1;            // the current track's slot, -1 when there is none
    QString path;             // its path
    TagRecord tag;            // its tag
    QString coverPath;        // its cover image (a local file), empty for none
    qint64 lengthSeconds = 0; // the open track's length; 0 when unknown or nothing is open
    int trackCount = 0;       // used slots of the track list
    int volume = 100;         // the volume slider, 0..100
    int speed = 100;          // the speed slider, hundredths
    int playPoint = -1;       // PlayPoint as it stands (also -1 "before the first track")
    int listCount = 0;        // used slots of the list-file list
    PlayModes modes;          // play mode and end-of-list action
};

} // namespace telbo
