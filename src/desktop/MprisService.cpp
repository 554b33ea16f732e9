#include "desktop/MprisService.h"

#include "desktop/MprisAdaptors.h"
#include "platform/Platform.h"
#include "playback/Decoder.h"
#include "playback/TimeText.h"
#include "playback/Transport.h"
#include "playlist/PathNames.h"
#include "ui/Telbo.h"

#include <QCoreApplication>
#include <QDBusMessage>
#include <QScrollBar>
#include <QUrl>

namespace telbo {

namespace {
constexpr int kIdleRefreshMs = 250;
constexpr std::int16_t kPlaying = 1;
constexpr std::int16_t kPaused = 2;
// Rows of the settings panel whose sliders the bus may set.
constexpr int kVolumeRow = 0;
constexpr int kSpeedRow = 1;
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

    // Connected after the hub's own handlers, so the tick and the seek have run when these do.
    connect(w.ui.tmrTime, &QTimer::timeout, this, &MprisService::Refresh);
    connect(w.ui.sclNowTime, &QScrollBar::sliderMoved, this,
            [this](int second) { emit player_->Seeked(mpris::MicrosFromSeconds(second)); });
    // While the clock runs its ticks bring the service to look; the rest of the time (the
    // window's Stop, its sliders, list edits) a light timer does.
    idle_.setInterval(kIdleRefreshMs);
    connect(&idle_, &QTimer::timeout, this, [this] {
        if (!TrackOpen()) Refresh();
    });
    idle_.start();
}

MprisService::~MprisService() {
    Withdraw();
}

void MprisService::Withdraw() {
    if (withdrawn_) return;
    withdrawn_ = true;
    idle_.stop();
    if (!name_.isEmpty()) bus_.unregisterService(name_);
    if (objectRegistered_) bus_.unregisterObject(QString::fromLatin1(kObjectPath));
}

bool MprisService::Live() const {
    return !withdrawn_ && !w.lifecycle.shutDownDone();
}

bool MprisService::TrackOpen() const {
    return w.ui.tmrTime->isActive();
}

int MprisService::CurrentSlot() const {
    const int slot = w.st.PlayPoint;
    return slot >= 0 && slot < w.st.KO && slot < kSlots ? slot : -1;
}

mpris::PlayerFacts MprisService::ReadFacts() {
    const PlayerState& st = w.st;
    mpris::PlayerFacts f;
    std::int32_t elapsed = 0;
    f.decoderState = w.decoder.vbmp3_getState(elapsed);
    f.trackOpen = TrackOpen();
    f.slot = CurrentSlot();
    if (f.slot >= 0) f.path = st.TitleFiles[static_cast<std::size_t>(f.slot)];
    if (f.path != tagPath_ || st.TitleTag != titleTagSeen_) {
        tag_ = TagRecord{};
        // The result is not looked at: a file without a tag leaves the record zero-filled.
        if (!f.path.isEmpty()) w.decoder.vbmp3_getFileTagInfo(f.path.toStdString(), tag_);
        tagPath_ = f.path;
        titleTagSeen_ = st.TitleTag;
    }
    f.tag = tag_;
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
    w.decoder.vbmp3_getState(elapsed);
    return mpris::MicrosFromSeconds(elapsed);
}

int MprisService::DecoderState() {
    std::int32_t elapsed = 0;
    return w.decoder.vbmp3_getState(elapsed);
}

void MprisService::PauseOrResume(int decoderState) {
    if (decoderState == w.st.PlayState) {
        w.transport.lblPlaySet_Click(Transport::Pause);
    } else if (decoderState == kPlaying) {
        w.decoder.vbmp3_pause();
    } else if (decoderState == kPaused) {
        w.decoder.vbmp3_restart();
    }
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
        if (DecoderState() == kPaused) PauseOrResume(kPaused);
    }
    Refresh();
}

void MprisService::Pause() {
    if (!Live()) return;
    if (TrackOpen() && DecoderState() == kPlaying) PauseOrResume(kPlaying);
    Refresh();
}

void MprisService::PlayPause() {
    if (!Live()) return;
    if (!TrackOpen()) {
        w.transport.lblPlaySet_Click(Transport::Play);
    } else {
        PauseOrResume(DecoderState());
    }
    Refresh();
}

void MprisService::SeekTo(int second) {
    // As a drag of the position slider's thumb: the thumb moves, then the seek.
    w.ui.sclNowTime->setValue(SliderValue(second, w.ui.sclNowTime->maximum()));
    w.transport.sclNowTime_Scroll(second);
    emit player_->Seeked(mpris::MicrosFromSeconds(second));
}

void MprisService::Seek(qint64 offsetMicros) {
    if (!Live() || !TrackOpen()) return;
    std::int32_t elapsed = 0;
    w.decoder.vbmp3_getState(elapsed);
    const mpris::SeekStep step = mpris::RelativeSeek(mpris::MicrosFromSeconds(elapsed),
                                                     offsetMicros, w.st.OpenInfo.TotalSeconds);
    if (step.kind == mpris::SeekStep::SeekTo)
        SeekTo(step.second);
    else if (step.kind == mpris::SeekStep::NextTrack)
        w.transport.lblPlaySet_Click(Transport::Next);
    Refresh();
}

void MprisService::SetPosition(const QDBusObjectPath& trackId, qint64 positionMicros) {
    if (!Live() || !TrackOpen()) return;
    // A position meant for a track that is no longer current is stale.
    if (CurrentSlot() < 0 || trackId != mpris::TrackId(CurrentSlot())) return;
    if (const auto second = mpris::AbsoluteSeek(positionMicros, w.st.OpenInfo.TotalSeconds))
        SeekTo(*second);
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
    // The slider's change handler sets the volume, its label and the decoder.
    if (const auto value = mpris::SliderFromVolume(volume))
        w.ui.sclConfig[kVolumeRow]->setValue(*value);
    Refresh();
}

void MprisService::SelectModes(const mpris::PlayModes& want) {
    // The panel's value labels step through their values; each click runs its handler, as
    // the user's own clicks would. Five clicks at most go round either list.
    for (int i = 0; i < 5 && w.st.PlayTypeFlag != want.playType; ++i)
        w.settingsPanel.lblConfValue_Click(kPlayModeRow);
    for (int i = 0; i < 5 && w.st.NextTypeFlag != want.nextType; ++i)
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
    if (const auto speed = mpris::SpeedFromRate(rate)) w.ui.sclConfig[kSpeedRow]->setValue(*speed);
    Refresh();
}

} // namespace telbo
