#pragma once
// telbo.ini: what the player keeps beside config.ini that config.ini has no key for (where
// the listener was in the track, the equalizer, the time display, ...). config.ini keeps its
// exact bytes; everything newer lives here, in QSettings INI form so that it reads like any
// desktop program's settings and survives a hand edit.
//
// Reading is lenient: a missing, unreadable or damaged file, or a value out of its range,
// gives that value's default, never a failed start.

#include "decoder/Records.h"
#include "decoder/ReplayGain.h"

#include <QByteArray>
#include <QString>

#include <cstdint>

namespace telbo {

struct SessionSettings {
    // [Resume]: the current track when the player last saved, and where it was in it.
    bool Resume = true; // "Resume where I stopped"
    QString Track;      // empty: nothing to resume
    qint64 TrackSize = -1;
    qint64 TrackModified = -1; // ms since the epoch
    int Second = 0;
    bool Paused = false;

    // [Equalizer]: the preset list's choice and the ten bands. Off until a preset was chosen
    // once: the decoder then keeps its own initial equalizer.
    bool EqualizerOn = false;
    int EqualizerPreset = 0;
    EqualizerBands Equalizer{};

    // [Display]
    bool TimeRemaining = false; // the time label counts down

    // [Output]: the sound server's name of the chosen output; empty for the default, which
    // follows the desktop's.
    QString OutputDevice;

    // [ReplayGain]: the mode, the two pre-amps (dB, -15..15) and clipping prevention.
    // AutoAlbum is the player's choice per track, never stored.
    ReplayGainOptions ReplayGain{};

    bool operator==(const SessionSettings&) const = default;
};

// The modes in the order the menu shows them, and the word telbo.ini stores for each.
inline constexpr ReplayGainMode kReplayGainModes[] = {ReplayGainMode::Off, ReplayGainMode::Track,
                                                      ReplayGainMode::Album, ReplayGainMode::Auto};
QString ReplayGainModeName(ReplayGainMode mode);

// The file's bytes (UTF-8, LF line ends), readable by QSettings::IniFormat.
QByteArray WriteSessionText(const SessionSettings& s);

// The settings a file's text holds, every value checked; defaults for anything missing or
// unusable.
SessionSettings ReadSessionText(const QByteArray& text);
// The file at `path` (its first kMaxSessionFileBytes); all defaults for a missing or
// unreadable file.
SessionSettings ReadSessionFile(const QString& path);
inline constexpr qint64 kMaxSessionFileBytes = 1024 * 1024;

// Replaces the file atomically (a crash leaves the old file or the new one). False when the
// new content is not in place.
bool WriteSessionFile(const QString& path, const SessionSettings& s);

// The one that holds settings of `candidates` (existing files only): the newest, so that a
// start reads where the last save went. Empty when none exists.
QString NewestFile(const QStringList& candidates);

} // namespace telbo
