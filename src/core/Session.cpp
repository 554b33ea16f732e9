#include "core/Session.h"

#include "decoder/AudioEngine.h"
#include "decoder/Records.h"
#include "ui/Telbo.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScrollBar>

namespace telbo {

namespace {
constexpr qint64 kSaveEveryMs = 30'000;
constexpr int kEqualizerRestMs = 500;
constexpr qint64 kSeekSaveEveryMs = 1000;
const QString kFileName = QStringLiteral("telbo.ini");
// Present only while the start-up's auto-play runs.
const QString kMarkerName = QStringLiteral("telbo.starting");

// A file counts as unchanged while its size and modification time are those saved.
void Identify(const QString& path, qint64& size, qint64& modified) {
    const QFileInfo info(path);
    size = info.isFile() ? info.size() : -1;
    modified = info.isFile() ? info.lastModified().toMSecsSinceEpoch() : -1;
}
} // namespace

Session::Session(Telbo& w) : w(w) {
    equalizerSave_.setSingleShot(true);
    equalizerSave_.setInterval(kEqualizerRestMs);
    connect(&equalizerSave_, &QTimer::timeout, this, [this] { Save(); });
    connect(&w, &Telbo::trackChanged, this, [this] { Save(); });
    connect(&w, &Telbo::stateChanged, this, [this] { Save(); });
    connect(&w, &Telbo::positionChanged, this, [this] { Tick(); });
    // A dragged thumb seeks at every step: saved at once now and then, and where it rests.
    connect(&w, &Telbo::seeked, this, [this] {
        if (!sinceSave_.isValid() || sinceSave_.elapsed() >= kSeekSaveEveryMs)
            Save();
        else if (!shutDown_)
            equalizerSave_.start();
    });
    connect(&w, &Telbo::settingsChanged, this, [this] {
        if (!shutDown_) equalizerSave_.start();
    });
}

QString Session::FilePath() const { return QDir(folder_).filePath(kFileName); }
QString Session::MarkerPath() const { return QDir(folder_).filePath(kMarkerName); }

void Session::Load(const QString& path, const QString& saveFolder) {
    folder_ = saveFolder;
    s_ = path.isEmpty() ? SessionSettings{} : ReadSessionFile(path);
    written_ = s_;
    hasWritten_ = path == FilePath() && QFileInfo(path).isFile();
    lastStartCrashed_ = QFileInfo::exists(MarkerPath());
    pendingStart_ = s_.Resume && !s_.Track.isEmpty();

    PlayerState& st = w.st;
    w.transport.SetShowRemaining(s_.TimeRemaining);
    w.engine.SetReplayGain(s_.ReplayGain);
    w.engine.SetOutputDevice(s_.OutputDevice.toStdString());
    if (s_.EqualizerOn) {
        // The sliders take the bands without sending each; then all ten go at once, as a
        // preset chosen from the list does.
        st.EqualizerReady = false;
        {
            const QSignalBlocker block(w.ui.cmbEqualizer);
            w.ui.cmbEqualizer->setCurrentIndex(s_.EqualizerPreset);
        }
        for (std::size_t band = 0; band < s_.Equalizer.size(); ++band)
            w.ui.sclEqualizer[band]->setValue(s_.Equalizer[band]);
        st.EqualizerReady = true;
        w.equalizerPanel.sclEqualizer_Change(0);
        equalizerSave_.stop(); // nothing changed that the file does not hold
    }
}

void Session::AdoptSavedTrack() {
    PlayerState& st = w.st;
    if (!pendingStart_) return;
    const int count = std::min<int>(st.KO, kSlots);
    if (st.PlayPoint >= 0 && st.PlayPoint < count &&
        st.TitleFiles[static_cast<std::size_t>(st.PlayPoint)] == s_.Track)
        return;
    for (int i = 0; i < count; ++i) {
        if (st.TitleFiles[static_cast<std::size_t>(i)] == s_.Track) {
            st.PlayPoint = static_cast<std::int16_t>(i);
            return;
        }
    }
}

Session::Start Session::TakeStart(const QString& path) {
    if (!pendingStart_) return {};
    pendingStart_ = false;
    if (!s_.Resume || path != s_.Track) return {};
    qint64 size = 0, modified = 0;
    Identify(path, size, modified);
    // Rewritten since (a new rip, a trimmed file): its seconds are not the same music.
    if (size != s_.TrackSize || modified != s_.TrackModified) return {};
    // Paused only as the start-up found it; a "Play" means play.
    return {s_.Second, s_.Paused && w.lifecycle.startingUp()};
}

void Session::MarkStarting() {
    if (!w.st.ConfigSave) return;
    QDir().mkpath(folder_);
    QFile marker(MarkerPath());
    if (marker.open(QIODevice::WriteOnly)) marker.close();
}

void Session::StartedSafely() { QFile::remove(MarkerPath()); }

void Session::Capture() {
    PlayerState& st = w.st;
    const bool open = w.transport.status() != Transport::Status::Stopped;
    const bool slot = st.PlayPoint >= 0 && st.PlayPoint < st.KO && st.PlayPoint < kSlots;
    // Before the first open the saved position still stands: a start that plays nothing
    // must not forget where the listener was.
    if (!pendingStart_) {
        s_.Track = slot ? st.TitleFiles[static_cast<std::size_t>(st.PlayPoint)] : QString();
        s_.Second = 0;
        s_.Paused = false;
        if (open) {
            std::int32_t elapsed = 0;
            w.engine.State(elapsed);
            s_.Second = std::max(0, elapsed);
            s_.Paused = w.transport.status() == Transport::Status::Paused;
        }
        Identify(s_.Track, s_.TrackSize, s_.TrackModified);
    }
    s_.TimeRemaining = st.ShowRemaining;
    s_.EqualizerOn = st.EqualizerReady;
    s_.EqualizerPreset = std::max(0, w.ui.cmbEqualizer->currentIndex());
    s_.Equalizer = st.EqualizerBands;
}

void Session::Save() {
    if (shutDown_ || folder_.isEmpty() || w.lifecycle.startingUp()) return;
    equalizerSave_.stop();
    Capture();
    sinceSave_.start();
    if (!w.st.ConfigSave || (hasWritten_ && s_ == written_)) return;
    QDir().mkpath(folder_);
    if (WriteSessionFile(FilePath(), s_)) {
        written_ = s_;
        hasWritten_ = true;
    } else if (!failureShown_) {
        failureShown_ = true;
        w.titleBuilder.ShowNotice(QStringLiteral("Settings cannot be saved in ") + folder_);
    }
}

void Session::Tick() {
    if (w.engine.OutputMissing()) {
        w.titleBuilder.ShowNotice(QStringLiteral("Output '%1' is not there: playing on the default")
                                      .arg(s_.OutputDevice));
    }
    if (!sinceSave_.isValid() || sinceSave_.elapsed() >= kSaveEveryMs) Save();
}

void Session::ShutDown() {
    Save();
    shutDown_ = true;
    equalizerSave_.stop();
}

void Session::SetReplayGain(const ReplayGainOptions& options) {
    s_.ReplayGain = options;
    s_.ReplayGain.AutoAlbum = false;
    w.engine.SetReplayGain(s_.ReplayGain);
    Save();
}

void Session::SetOutputDevice(const QString& name) {
    s_.OutputDevice = name;
    w.engine.SetOutputDevice(name.toStdString());
    Save();
}

void Session::SetResume(bool on) {
    s_.Resume = on;
    if (!on) pendingStart_ = false;
    Save();
}


} // namespace telbo
