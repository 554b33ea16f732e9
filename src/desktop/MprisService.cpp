#include "desktop/MprisService.h"

#include "core/Remote.h"
#include "desktop/MprisAdaptors.h"

#include <QCoreApplication>
#include <QDBusMessage>
#include <QUrl>

namespace telbo {

std::unique_ptr<MprisService> MprisService::Start(Remote& player, const QDBusConnection& bus) {
    if (!bus.isConnected()) return nullptr;
    std::unique_ptr<MprisService> s(new MprisService(player, bus));
    // Another service on the same connection keeps its object: only what was registered here
    // is ever taken off again.
    s->objectRegistered_ = s->bus_.registerObject(QString::fromLatin1(kObjectPath), s.get(),
                                                  QDBusConnection::ExportAdaptors);
    if (!s->objectRegistered_) return nullptr;
    const QString base = QString::fromLatin1(kBaseName);
    const QString instance =
        base + QStringLiteral(".instance") + QString::number(QCoreApplication::applicationPid());
    for (const QString& name : {base, instance}) {
        if (s->bus_.registerService(name)) {
            s->name_ = name;
            return s;
        }
    }
    return nullptr; // the destructor takes the object off the bus again
}

MprisService::MprisService(Remote& player, const QDBusConnection& bus) : player(player), bus_(bus) {
    new MprisRootAdaptor(*this);
    player_ = new MprisPlayerAdaptor(*this);
    facts_ = player.Facts();
    announced_ = mpris::PlayerProperties(facts_);
    Subscribe();
}

void MprisService::Subscribe() {
    connect(&player, &Remote::trackChanged, this, &MprisService::Refresh);
    connect(&player, &Remote::stateChanged, this, &MprisService::Refresh);
    connect(&player, &Remote::settingsChanged, this, &MprisService::Refresh);
    connect(&player, &Remote::collectionsChanged, this, &MprisService::Refresh);
    // Queued: the title line, rebuilt after all the files of one edit are written, reads the
    // same new tag, and the desktop's copy is taken once, after it.
    connect(&player, &Remote::tagSaved, this, &MprisService::Refresh, Qt::QueuedConnection);
    connect(&player, &Remote::seeked, this,
            [this](int second) { emit player_->Seeked(mpris::MicrosFromSeconds(second)); });
    connect(&player, &Remote::shutDown, this, &MprisService::Withdraw);
}

MprisService::~MprisService() {
    Withdraw();
}

void MprisService::Withdraw() {
    if (withdrawn_) return;
    withdrawn_ = true;
    disconnect(&player, nullptr, this, nullptr);
    if (!name_.isEmpty()) bus_.unregisterService(name_);
    if (objectRegistered_) bus_.unregisterObject(QString::fromLatin1(kObjectPath));
}

bool MprisService::Live() const { return !withdrawn_ && player.Live(); }

void MprisService::Refresh() {
    if (withdrawn_) return;
    if (!player.Live()) {
        Withdraw();
        return;
    }
    facts_ = player.Facts();
    const QVariantMap now = mpris::PlayerProperties(facts_);
    const QVariantMap changed = mpris::ChangedValues(announced_, now);
    announced_ = now;
    if (!changed.isEmpty()) {
        QDBusMessage signal = QDBusMessage::createSignal(
            QString::fromLatin1(kObjectPath), QStringLiteral("org.freedesktop.DBus.Properties"),
            QStringLiteral("PropertiesChanged"));
        signal << QStringLiteral("org.mpris.MediaPlayer2.Player") << changed << QStringList();
        bus_.send(signal);
    }
}

QVariant MprisService::Value(const QString& name) {
    Refresh();
    return announced_.value(name);
}

qint64 MprisService::Position() {
    if (!Live()) return 0;
    return mpris::MicrosFromSeconds(player.ElapsedSeconds());
}

void MprisService::Raise() {
    if (Live()) player.ShowWindow();
}

void MprisService::Quit() {
    // Queued by the player, so the caller has its answer before the program ends.
    if (Live()) player.Quit();
}

void MprisService::Next() {
    if (!Live()) return;
    player.Next();
    Refresh();
}

void MprisService::Previous() {
    if (!Live()) return;
    player.Previous();
    Refresh();
}

void MprisService::Stop() {
    if (!Live()) return;
    player.Stop();
    Refresh();
}

void MprisService::Play() {
    if (!Live()) return;
    player.Play();
    Refresh();
}

void MprisService::Pause() {
    if (!Live()) return;
    player.Pause();
    Refresh();
}

void MprisService::PlayPause() {
    if (!Live()) return;
    const PlayerFacts now = player.Facts();
    if (!now.trackOpen)
        player.Play();
    else if (now.state == PlaybackState::Paused)
        player.Resume();
    else
        player.Pause();
    Refresh();
}

void MprisService::Seek(qint64 offsetMicros) {
    if (!Live()) return;
    const PlayerFacts now = player.Facts();
    if (!now.trackOpen) return;
    const mpris::SeekStep step = mpris::RelativeSeek(
        mpris::MicrosFromSeconds(player.ElapsedSeconds()), offsetMicros, now.lengthSeconds);
    if (step.kind == mpris::SeekStep::SeekTo)
        player.SeekTo(step.second);
    else if (step.kind == mpris::SeekStep::NextTrack)
        player.Next();
    Refresh();
}

void MprisService::SetPosition(const QDBusObjectPath& trackId, qint64 positionMicros) {
    if (!Live()) return;
    const PlayerFacts now = player.Facts();
    // A position meant for a track that is no longer current is stale.
    if (!now.trackOpen || now.slot < 0 || trackId != mpris::TrackId(now.slot)) return;
    if (const auto second = mpris::AbsoluteSeek(positionMicros, now.lengthSeconds))
        player.SeekTo(*second);
    Refresh();
}

bool MprisService::OpenUri(const QString& uri) {
    const bool opened = Open(uri);
    if (!opened && calledFromDBus())
        sendErrorReply(
            QDBusError::NotSupported,
            QStringLiteral("Telbo opens existing local audio files and .m3u lists only"));
    return opened;
}

bool MprisService::Open(const QString& uri) {
    if (!Live()) return false;
    const QUrl url(uri);
    if (!url.isLocalFile() || !player.AddAndPlay(url.toLocalFile())) return false;
    Refresh();
    return true;
}

void MprisService::SetVolume(double volume) {
    if (!Live()) return;
    if (const auto value = mpris::SliderFromVolume(volume)) player.SetVolume(*value);
    Refresh();
}

void MprisService::SetLoopStatus(const QString& status) {
    if (!Live()) return;
    if (const auto want = mpris::ModesForLoopStatus(status, player.Facts().modes))
        player.SetModes(*want);
    Refresh();
}

void MprisService::SetShuffle(bool on) {
    if (!Live()) return;
    player.SetModes(mpris::ModesForShuffle(on, player.Facts().modes));
    Refresh();
}

void MprisService::SetRate(double rate) {
    if (!Live()) return;
    if (rate == 0.0) {
        Pause(); // a rate of zero asks for a pause
        return;
    }
    if (const auto speed = mpris::SpeedFromRate(rate)) player.SetSpeed(*speed);
    Refresh();
}

} // namespace telbo
