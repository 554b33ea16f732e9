#include "desktop/MprisValues.h"

#include "core/PathNames.h"

#include <QStringList>
#include <QUrl>

#include <algorithm>
#include <cmath>
#include <limits>

namespace telbo::mpris {

namespace {

constexpr int kSliderVolumeMax = SettingNamed(u"Volume").high;

// Nearest whole second of a non-negative time.
qint64 RoundedSeconds(qint64 micros) {
    return micros / kMicrosPerSecond + (micros % kMicrosPerSecond >= kMicrosPerSecond / 2 ? 1 : 0);
}

// a + b without overflow: a client may send any 64-bit offset.
qint64 SaturatingAdd(qint64 a, qint64 b) {
    qint64 sum = 0;
    if (!__builtin_add_overflow(a, b, &sum)) return sum;
    return b > 0 ? std::numeric_limits<qint64>::max() : std::numeric_limits<qint64>::min();
}

// A second within the track, as the decoder takes it.
int WholeSecond(qint64 seconds, qint64 lengthSeconds) {
    return static_cast<int>(
        std::min({seconds, lengthSeconds, qint64{std::numeric_limits<int>::max()}}));
}

} // namespace

QString PlaybackStatusText(PlaybackState state, bool trackOpen) {
    if (!trackOpen) return QStringLiteral("Stopped");
    return state == PlaybackState::Paused ? QStringLiteral("Paused") : QStringLiteral("Playing");
}

QDBusObjectPath TrackId(int slot) {
    if (slot < 0)
        return QDBusObjectPath(QStringLiteral("/org/mpris/MediaPlayer2/TrackList/NoTrack"));
    return QDBusObjectPath(QStringLiteral("/org/telbo/track/%1").arg(slot));
}

QVariantMap TrackMetadata(int slot, const QString& path, const TagRecord& tag, qint64 lengthSeconds,
                          const QString& coverPath) {
    QVariantMap m;
    m.insert(QStringLiteral("mpris:trackid"), QVariant::fromValue(TrackId(slot)));
    if (slot < 0) return m;

    const QString title = TagFieldText(tag.Title);
    m.insert(QStringLiteral("xesam:title"), title.isEmpty() ? DisplayName(path) : title);
    const QString artist = TagFieldText(tag.Artist);
    if (!artist.isEmpty()) m.insert(QStringLiteral("xesam:artist"), QStringList{artist});
    const QString album = TagFieldText(tag.Album);
    if (!album.isEmpty()) m.insert(QStringLiteral("xesam:album"), album);
    m.insert(QStringLiteral("xesam:url"), QString::fromUtf8(QUrl::fromLocalFile(path).toEncoded()));
    if (lengthSeconds > 0)
        m.insert(QStringLiteral("mpris:length"),
                 QVariant::fromValue(MicrosFromSeconds(lengthSeconds)));
    if (!coverPath.isEmpty())
        m.insert(QStringLiteral("mpris:artUrl"),
                 QString::fromUtf8(QUrl::fromLocalFile(coverPath).toEncoded()));
    return m;
}

QVariantMap PlayerProperties(const PlayerFacts& f) {
    const bool hasTrack = f.slot >= 0 && !f.path.isEmpty();
    const bool hasTracks = f.trackCount > 0;
    QVariantMap p;
    p.insert(QStringLiteral("PlaybackStatus"), PlaybackStatusText(f.state, f.trackOpen));
    p.insert(QStringLiteral("Metadata"),
             TrackMetadata(hasTrack ? f.slot : -1, f.path, f.tag, f.trackOpen ? f.lengthSeconds : 0,
                           f.coverPath));
    p.insert(QStringLiteral("Volume"), VolumeFromSlider(f.volume));
    p.insert(QStringLiteral("Rate"), RateFromSpeed(f.speed));
    p.insert(QStringLiteral("CanGoNext"), CanGoNext(f));
    p.insert(QStringLiteral("CanGoPrevious"), CanGoPrevious(f));
    p.insert(QStringLiteral("LoopStatus"), LoopStatusText(f.modes));
    p.insert(QStringLiteral("Shuffle"), ShuffleOn(f.modes.playType));
    p.insert(QStringLiteral("CanPlay"), hasTracks);
    p.insert(QStringLiteral("CanPause"), hasTracks);
    p.insert(QStringLiteral("CanSeek"), f.trackOpen && f.lengthSeconds > 0);
    return p;
}

QString LoopStatusText(const PlayModes& modes) {
    if (modes.playType == PlayMode::Repert) return QStringLiteral("Track");
    if (modes.nextType == ListEndAction::Repert) return QStringLiteral("Playlist");
    return QStringLiteral("None");
}

bool ShuffleOn(PlayMode playType) {
    switch (playType) {
    case PlayMode::Normal:
    case PlayMode::Repert:
        return false;
    case PlayMode::Shuffle:
    case PlayMode::Random:
    case PlayMode::RandomAllList:
        return true;
    }
    return false;
}

std::optional<PlayModes> ModesForLoopStatus(const QString& status, const PlayModes& now) {
    PlayModes want = now;
    if (status == QLatin1String("Track")) {
        want.playType = PlayMode::Repert;
    } else if (status == QLatin1String("Playlist")) {
        if (want.playType == PlayMode::Repert) want.playType = PlayMode::Normal;
        want.nextType = ListEndAction::Repert;
    } else if (status == QLatin1String("None")) {
        if (want.playType == PlayMode::Repert) want.playType = PlayMode::Normal;
        if (want.nextType == ListEndAction::Repert) want.nextType = ListEndAction::Stop;
    } else {
        return std::nullopt;
    }
    return want;
}

PlayModes ModesForShuffle(bool on, const PlayModes& now) {
    PlayModes want = now;
    if (on && !ShuffleOn(now.playType)) want.playType = PlayMode::Shuffle;
    if (!on && ShuffleOn(now.playType)) want.playType = PlayMode::Normal;
    return want;
}

bool CanGoNext(const PlayerFacts& f) {
    const int tracks = f.trackCount;
    switch (f.modes.playType) {
    case PlayMode::Normal:
    case PlayMode::Repert:
        if (f.playPoint + 1 < tracks) return true;
        if (f.playPoint + 1 > tracks) return false;
        // The end of the list: its action decides.
        if (f.modes.nextType == ListEndAction::Repert) return tracks > 1;
        return f.modes.nextType != ListEndAction::Stop && f.listCount > 0;
    case PlayMode::Shuffle:
    case PlayMode::Random:
        return tracks > 1;
    case PlayMode::RandomAllList:
        return f.listCount > 0 || tracks > 1;
    }
    return false;
}

bool CanGoPrevious(const PlayerFacts& f) {
    return f.playPoint > 0 && f.playPoint <= f.trackCount;
}

QVariantMap ChangedValues(const QVariantMap& before, const QVariantMap& after) {
    QVariantMap changed;
    for (auto it = after.cbegin(); it != after.cend(); ++it) {
        const auto old = before.constFind(it.key());
        if (old == before.cend() || old.value() != it.value()) changed.insert(it.key(), it.value());
    }
    return changed;
}

double VolumeFromSlider(int value) {
    return std::clamp(value, 0, kSliderVolumeMax) / double(kSliderVolumeMax);
}

std::optional<int> SliderFromVolume(double volume) {
    if (std::isnan(volume)) return std::nullopt;
    return static_cast<int>(std::lround(std::clamp(volume, 0.0, 1.0) * kSliderVolumeMax));
}

double RateFromSpeed(int hundredths) {
    return hundredths / 100.0;
}

std::optional<int> SpeedFromRate(double rate) {
    if (std::isnan(rate) || rate <= 0.0) return std::nullopt;
    return static_cast<int>(std::lround(std::clamp(rate, kMinimumRate, kMaximumRate) * 100.0));
}

qint64 MicrosFromSeconds(qint64 seconds) {
    constexpr qint64 limit = std::numeric_limits<qint64>::max() / kMicrosPerSecond;
    return std::clamp(seconds, -limit, limit) * kMicrosPerSecond;
}

SeekStep RelativeSeek(qint64 elapsedMicros, qint64 offsetMicros, qint64 lengthSeconds) {
    if (lengthSeconds <= 0) return {};
    const qint64 target = SaturatingAdd(elapsedMicros, offsetMicros);
    if (target < 0) return {SeekStep::SeekTo, 0};
    if (target > MicrosFromSeconds(lengthSeconds)) return {SeekStep::NextTrack, 0};
    return {SeekStep::SeekTo, WholeSecond(RoundedSeconds(target), lengthSeconds)};
}

std::optional<int> AbsoluteSeek(qint64 positionMicros, qint64 lengthSeconds) {
    if (lengthSeconds <= 0 || positionMicros < 0 ||
        positionMicros > MicrosFromSeconds(lengthSeconds))
        return std::nullopt;
    return WholeSecond(RoundedSeconds(positionMicros), lengthSeconds);
}

} // namespace telbo::mpris
