#include "desktop/MprisService.h"

#include "decoder/AudioEngine.h"
#include "decoder/TagStore.h"
#include "desktop/MprisAdaptors.h"
#include "platform/Platform.h"
#include "decoder/Records.h"
#include "playback/Transport.h"
#include "core/PathNames.h"
#include "ui/Telbo.h"

#include <QCoreApplication>
#include <QDBusMessage>
#include <QUrl>

namespace telbo {

namespace {
// Value labels of the play mode and the end-of-list action.
constexpr int kPlayModeRow = 7;
constexpr int kNextTypeRow = 8;
} // namespace

std::unique_ptr<MprisService> MprisService::Start(Telbo& w, const QDBusConnection& bus) {
    if (!bus.isConnected()) return nullptr;
    std::unique_ptr<MprisService> s(new MprisService(w, bus));
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

MprisService::MprisService(Telbo& w, const QDBusConnection& bus) : w(w), bus_(bus) {
    new MprisRootAdaptor(*this);
    player_ = new MprisPlayerAdaptor(*this);
    announced_ = mpris::PlayerProperties(ReadFacts());
    Subscribe();
}

void MprisService::Subscribe() {
    connect(&w, &Telbo::trackChanged, this, &MprisService::Refresh);
    connect(&w, &Telbo::stateChanged, this, &MprisService::Refresh);
    connect(&w, &Telbo::settingsChanged, this, &MprisService::Refresh);
    connect(&w, &Telbo::collectionsChanged, this, &MprisService::Refresh);
    // Queued: the title line, rebuilt after all the files of one edit are written, reads the
    // same new tag, and the desktop's copy is read once, after it.
    connect(
        &w, &Telbo::tagSaved, this,
        [this](const QString& path) {
            if (path == tagPath_) tagPath_.clear();
            Refresh();
        },
        Qt::QueuedConnection);
    connect(&w, &Telbo::seeked, this,
            [this](int second) { emit player_->Seeked(mpris::MicrosFromSeconds(second)); });
    connect(&w, &Telbo::shutDown, this, &MprisService::Withdraw);
}

MprisService::~MprisService() {
    Withdraw();
}

void MprisService::Withdraw() {
    if (withdrawn_) return;
    withdrawn_ = true;
    disconnect(&w, nullptr, this, nullptr);
    if (!name_.isEmpty()) bus_.unregisterService(name_);
    if (objectRegistered_) bus_.unregisterObject(QString::fromLatin1(kObjectPath));
}

bool MprisService::Live() const {
    return !withdrawn_ && !w.lifecycle.shutDownDone();
}

bool MprisService::TrackOpen() const {
    return w.transport.status() != Transport::Status::Stopped;
}

int MprisService::CurrentSlot() const {
    const int slot = w.st.PlayPoint;
    return slot >= 0 && slot < w.st.KO && slot < kSlots ? slot : -1;
}

mpris::PlayerFacts MprisService::ReadFacts() {
    const PlayerState& st = w.st;
    mpris::PlayerFacts f;
    f.decoderState = w.transport.status() == Transport::Status::Paused ? PlaybackState::Paused : PlaybackState::Playing;
    f.trackOpen = TrackOpen();
    f.slot = CurrentSlot();
    if (f.slot >= 0) f.path = st.TitleFiles[static_cast<std::size_t>(f.slot)];
    if (f.path != tagPath_ || st.TitleTag != titleTagSeen_) {
        tag_ = TagRecord{};
        // The result is not looked at: a file without a tag leaves the record zero-filled.
        if (!f.path.isEmpty()) w.tags.Read(f.path.toStdString(), tag_);
        // Once per track: the cover does not change with the tag fields the editor writes.
        if (f.path != tagPath_) cover_ = w.coverArt.CoverFor(w.tags, f.path);
        tagPath_ = f.path;
        titleTagSeen_ = st.TitleTag;
    }
    f.tag = tag_;
    f.coverPath = cover_;
    f.lengthSeconds = st.OpenInfo.TotalSeconds;
    f.trackCount = st.KO;
    f.volume = st.Volume;
    f.speed = st.PlaySpeed;
    f.playPoint = st.PlayPoint;
    f.listCount = st.ListKO;
    f.modes = {st.PlayTypeFlag, st.NextTypeFlag};
    return f;
}

void MprisService::Refresh() {
    if (withdrawn_) return;
    if (w.lifecycle.shutDownDone()) {
        Withdraw();
        return;
    }
    const QVariantMap now = mpris::PlayerProperties(ReadFacts());
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
    if (!Live() || !TrackOpen()) return 0;
    std::int32_t elapsed = 0;
    w.engine.State(elapsed);
    return mpris::MicrosFromSeconds(elapsed);
}

void MprisService::Raise() {
    if (!Live()) return;
    w.show();
    w.setWindowState(w.windowState() & ~Qt::WindowMinimized);
    w.raise();
    w.activateWindow();
}

void MprisService::Quit() {
    if (!Live()) return;
    // Queued, so the caller has its answer before the program ends.
    QMetaObject::invokeMethod(
        &w, [&win = w] { win.close(); }, Qt::QueuedConnection);
}

void MprisService::Next() {
    if (!Live()) return;
    w.transport.lblPlaySet_Click(Transport::Next);
    Refresh();
}

void MprisService::Previous() {
    if (!Live()) return;
    w.transport.lblPlaySet_Click(Transport::Rev);
    Refresh();
}

void MprisService::Stop() {
    if (!Live()) return;
    w.transport.lblPlaySet_Click(Transport::Stop);
    Refresh();
}

void MprisService::Play() {
    if (!Live()) return;
    if (!TrackOpen()) {
        w.transport.lblPlaySet_Click(Transport::Play);
    } else {
        // Playing already, or between two tracks (the clock starts the next one): nothing.
        if (w.transport.status() == Transport::Status::Paused) w.transport.ResumeTrack();
    }
    Refresh();
}

void MprisService::Pause() {
    if (!Live()) return;
    if (w.transport.status() == Transport::Status::Playing) w.transport.PauseTrack();
    Refresh();
}

void MprisService::PlayPause() {
    if (!Live()) return;
    // The window's Pause judges by the last tick of the clock; two presses within one tick
    // must still pause and resume, so the transport's own state decides here.
    switch (w.transport.status()) {
    case Transport::Status::Stopped:
        w.transport.lblPlaySet_Click(Transport::Play);
        break;
    case Transport::Status::Playing:
        w.transport.PauseTrack();
        break;
    case Transport::Status::Paused:
        w.transport.ResumeTrack();
        break;
    }
    Refresh();
}

void MprisService::Seek(qint64 offsetMicros) {
    if (!Live() || !TrackOpen()) return;
    std::int32_t elapsed = 0;
    w.engine.State(elapsed);
    const mpris::SeekStep step = mpris::RelativeSeek(mpris::MicrosFromSeconds(elapsed),
                                                     offsetMicros, w.st.OpenInfo.TotalSeconds);
    if (step.kind == mpris::SeekStep::SeekTo)
        w.transport.SeekTo(step.second);
    else if (step.kind == mpris::SeekStep::NextTrack)
        w.transport.lblPlaySet_Click(Transport::Next);
    Refresh();
}

void MprisService::SetPosition(const QDBusObjectPath& trackId, qint64 positionMicros) {
    if (!Live() || !TrackOpen()) return;
    // A position meant for a track that is no longer current is stale.
    if (CurrentSlot() < 0 || trackId != mpris::TrackId(CurrentSlot())) return;
    if (const auto second = mpris::AbsoluteSeek(positionMicros, w.st.OpenInfo.TotalSeconds))
        w.transport.SeekTo(*second);
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
    if (!url.isLocalFile()) return false;
    const QString path = url.toLocalFile();
    const PathKind kind = ClassifyPath(path);
    if (kind == PathKind::Other || !w.platform.fileExists(path)) return false;
    // A full collection would take nothing: say so rather than pretend it opened.
    if (kind == PathKind::Track && w.st.KO >= kSlots) return false;
    if (kind == PathKind::ListFile && w.st.ListKO >= kSlots) return false;
    // The way of a file dropped on the header band: added, then played.
    w.fileAdder.FilesDropped(0, {url});
    Refresh();
    return true;
}

void MprisService::SetVolume(double volume) {
    if (!Live()) return;
    if (const auto value = mpris::SliderFromVolume(volume)) w.settingsPanel.SetVolume(*value);
    Refresh();
}

void MprisService::SelectModes(const mpris::PlayModes& want) {
    // The panel's value labels step through their values; each click runs its handler, as
    // the user's own clicks would. One round of either list at most.
    for (int i = 0; i < kModeCount<PlayMode> && w.st.PlayTypeFlag != want.playType; ++i)
        w.settingsPanel.lblConfValue_Click(kPlayModeRow);
    for (int i = 0; i < kModeCount<ListEndAction> && w.st.NextTypeFlag != want.nextType; ++i)
        w.settingsPanel.lblConfValue_Click(kNextTypeRow);
}

void MprisService::SetLoopStatus(const QString& status) {
    if (!Live()) return;
    const mpris::PlayModes now{w.st.PlayTypeFlag, w.st.NextTypeFlag};
    if (const auto want = mpris::ModesForLoopStatus(status, now)) SelectModes(*want);
    Refresh();
}

void MprisService::SetShuffle(bool on) {
    if (!Live()) return;
    SelectModes(mpris::ModesForShuffle(on, {w.st.PlayTypeFlag, w.st.NextTypeFlag}));
    Refresh();
}

void MprisService::SetRate(double rate) {
    if (!Live()) return;
    if (rate == 0.0) {
        Pause(); // a rate of zero asks for a pause
        return;
    }
    if (const auto speed = mpris::SpeedFromRate(rate)) w.settingsPanel.SetSpeed(*speed);
    Refresh();
}

} // namespace telbo
