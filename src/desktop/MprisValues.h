#pragma once
// What the desktop's media controls read (MPRIS), computed from plain facts about the player:
// no bus, no window. Times on the bus are microseconds; the player counts whole seconds.

#include "core/Modes.h"
#include "core/PlayerFacts.h"
#include "core/SettingsTable.h"
#include "decoder/Records.h"

#include <QDBusObjectPath>
#include <QString>
#include <QVariantMap>
#include <QtGlobal>

#include <optional>

namespace telbo::mpris {

inline constexpr qint64 kMicrosPerSecond = 1'000'000;

// The facts the service reads from the player (core/PlayerFacts.h).
using PlayModes = telbo::PlayModes;
using PlayerFacts = telbo::PlayerFacts;

// "Track" in the play mode that repeats the track ("Repert"), "Playlist" where the end of the
// list starts it again (end-of-list "Repert"), else "None".
QString LoopStatusText(const PlayModes& modes);
// The random play modes ("Shuffle", "Random", "RandomAllList").
bool ShuffleOn(PlayMode playType);
// The modes a desktop asks for by setting LoopStatus or Shuffle, changing as little as it can:
// "Track" is "Repert"; "Playlist" repeats the list (leaving a random mode on); "None" turns
// both repeats off; shuffle on picks "Shuffle" unless a random mode is on, off goes "Normal".
// An unknown loop status asks for nothing.
std::optional<PlayModes> ModesForLoopStatus(const QString& status, const PlayModes& now);
PlayModes ModesForShuffle(bool on, const PlayModes& now);

// "Next" leads to another track: along the list, at its end by the end-of-list action, or by
// a random draw among several tracks or lists. "Rev" does when a track lies before the current.
bool CanGoNext(const PlayerFacts& facts);
bool CanGoPrevious(const PlayerFacts& facts);

// "Playing", "Paused" or "Stopped". Nothing open is "Stopped". An open track the decoder reads
// as stopped has just ended (or did not play) and the next tick of the play clock moves on,
// so it still counts as "Playing": the status does not flicker between two tracks.
QString PlaybackStatusText(PlaybackState state, bool trackOpen);

// "/org/telbo/track/<slot>"; the MPRIS "no track" path for a slot below 0.
QDBusObjectPath TrackId(int slot);

// A tag field's text without the record's padding (trailing blanks, NULs and what follows).
template <std::size_t Width> QString TagFieldText(const FixedText<Width>& field) {
    QString text = QString::fromStdString(field.Shown());
    qsizetype end = text.size();
    while (end > 0 && text.at(end - 1) == u' ')
        --end;
    text.truncate(end);
    return text;
}

// The track's metadata: trackid, title (the tag's, or the name the track list shows when the
// tag has none), artist as a one-name list and album when the tag has them, the file:// url,
// the length when it is known (lengthSeconds > 0) and the cover's file:// url when there is
// one. Only the no-track id for a slot < 0.
QVariantMap TrackMetadata(int slot, const QString& path, const TagRecord& tag, qint64 lengthSeconds,
                          const QString& coverPath = {});

// Every org.mpris.MediaPlayer2.Player property that is announced when it changes (all but
// Position), by its bus name.
QVariantMap PlayerProperties(const PlayerFacts& facts);

// The entries of `after` whose value differs from `before` (or that `before` lacks).
QVariantMap ChangedValues(const QVariantMap& before, const QVariantMap& after);

// Volume slider 0..100 <-> bus volume 0.0..1.0. A requested volume is clamped to 0..1 and
// rounded to the slider's step; NaN asks for nothing.
double VolumeFromSlider(int value);
std::optional<int> SliderFromVolume(double volume);

// Speed slider hundredths <-> bus rate. A requested rate is clamped to the slider's
// 0.20..3.00; NaN, zero and negative rates give no speed (zero means pause to the caller).
inline constexpr double kMinimumRate = SettingNamed(u"PlaySpeed").low / 100.0;
inline constexpr double kMaximumRate = SettingNamed(u"PlaySpeed").high / 100.0;
double RateFromSpeed(int hundredths);
std::optional<int> SpeedFromRate(double rate);

// Whole microseconds of a whole number of seconds.
qint64 MicrosFromSeconds(qint64 seconds);

// Where a relative seek leads: a second to seek to, or past the end the next track.
struct SeekStep {
    enum Kind { Ignore, SeekTo, NextTrack } kind = Ignore;
    int second = 0;
};
// Seek by `offset` microseconds from `elapsed` in a track of `lengthSeconds`: before the start
// goes to 0, past the end is the next track; nothing with an unknown length.
SeekStep RelativeSeek(qint64 elapsedMicros, qint64 offsetMicros, qint64 lengthSeconds);
// The second for an absolute position; nothing for a position outside 0..length.
std::optional<int> AbsoluteSeek(qint64 positionMicros, qint64 lengthSeconds);

} // namespace telbo::mpris
