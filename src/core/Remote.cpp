#include "core/Remote.h"

#include "core/PathNames.h"
#include "decoder/AudioEngine.h"
#include "decoder/TagStore.h"
#include "platform/Platform.h"
#include "ui/Telbo.h"

#include <QUrl>

namespace telbo {

Remote::Remote(Telbo& w) : w(w) {
    connect(&w, &Telbo::trackChanged, this, &Remote::trackChanged);
    connect(&w, &Telbo::stateChanged, this, &Remote::stateChanged);
    connect(&w, &Telbo::settingsChanged, this, &Remote::settingsChanged);
    connect(&w, &Telbo::collectionsChanged, this, &Remote::collectionsChanged);
    connect(&w, &Telbo::tagSaved, this, [this](const QString& path) {
        if (path == tagFor_) tagFor_.clear();
        emit tagSaved(path);
    });
    connect(&w, &Telbo::seeked, this, &Remote::seeked);
    connect(&w, &Telbo::shutDown, this, &Remote::shutDown);
}

bool Remote::Live() const { return !w.lifecycle.shutDownDone(); }

bool Remote::TrackOpen() const { return w.transport.status() != Transport::Status::Stopped; }

int Remote::CurrentSlot() const {
    const int slot = w.st.PlayPoint;
    return slot >= 0 && slot < w.st.KO && slot < kSlots ? slot : -1;
}

PlayerFacts Remote::Facts() {
    const PlayerState& st = w.st;
    PlayerFacts f;
    f.state = w.transport.status() == Transport::Status::Paused ? PlaybackState::Paused
                                                                 : PlaybackState::Playing;
    f.trackOpen = TrackOpen();
    f.slot = CurrentSlot();
    if (f.slot >= 0) f.path = st.TitleFiles[static_cast<std::size_t>(f.slot)];
    if (const TagRecord* shown = w.titleBuilder.TitleTagOf(f.path)) {
        f.tag = *shown;
    } else if (!f.path.isEmpty()) {
        if (f.path != tagFor_) {
            tag_ = TagRecord{};
            // A file without a tag leaves the record zero-filled.
            w.tags.Read(f.path.toStdString(), tag_);
            tagFor_ = f.path;
        }
        f.tag = tag_;
    }
    // Once per track: the cover does not change with the tag fields the editor writes.
    if (f.path != coverFor_) {
        coverPath_ = w.coverArt.CoverFor(w.tags, f.path);
        coverFor_ = f.path;
    }
    f.coverPath = coverPath_;
    f.lengthSeconds = st.OpenInfo.TotalSeconds;
    f.trackCount = st.KO;
    f.volume = st.Volume;
    f.speed = st.PlaySpeed;
    f.playPoint = st.PlayPoint;
    f.listCount = st.ListKO;
    f.modes = {st.PlayTypeFlag, st.NextTypeFlag};
    return f;
}

int Remote::ElapsedSeconds() {
    if (!Live() || !TrackOpen()) return 0;
    std::int32_t elapsed = 0;
    w.engine.State(elapsed);
    return elapsed;
}

void Remote::Play() {
    if (!Live()) return;
    if (!TrackOpen()) {
        w.transport.lblPlaySet_Click(Transport::Play);
        return;
    }
    // Playing already, or between two tracks (the clock starts the next one): nothing.
    Resume();
}

void Remote::Stop() {
    if (Live()) w.transport.lblPlaySet_Click(Transport::Stop);
}

void Remote::Next() {
    if (Live()) w.transport.lblPlaySet_Click(Transport::Next);
}

void Remote::Previous() {
    if (Live()) w.transport.lblPlaySet_Click(Transport::Rev);
}

void Remote::Pause() {
    // The window's Pause judges by the last tick of the clock; two presses within one tick
    // must still pause and resume, so the transport's own state decides here.
    if (Live() && w.transport.status() == Transport::Status::Playing) w.transport.PauseTrack();
}

void Remote::Resume() {
    if (Live() && w.transport.status() == Transport::Status::Paused) w.transport.ResumeTrack();
}

void Remote::SeekTo(int second) {
    if (Live() && TrackOpen()) w.transport.SeekTo(second);
}

bool Remote::AddAndPlay(const QString& path) {
    if (!Live()) return false;
    const PathKind kind = ClassifyPath(path);
    if (kind == PathKind::Other || !w.platform.fileExists(path)) return false;
    // A full collection would take nothing: say so rather than pretend it opened.
    if (kind == PathKind::Track && w.st.KO >= kSlots) return false;
    if (kind == PathKind::ListFile && w.st.ListKO >= kSlots) return false;
    // The way of a file dropped on the header band: added, then played.
    w.fileAdder.FilesDropped(0, {QUrl::fromLocalFile(path)});
    return true;
}

void Remote::SetVolume(int value) {
    if (Live()) w.settingsPanel.SetVolume(value);
}

void Remote::SetSpeed(int hundredths) {
    if (Live()) w.settingsPanel.SetSpeed(hundredths);
}

void Remote::SetModes(const PlayModes& modes) {
    if (!Live()) return;
    w.settingsPanel.SetPlayMode(modes.playType);
    w.settingsPanel.SetListEndAction(modes.nextType);
}

void Remote::ShowWindow() {
    if (!Live()) return;
    w.show();
    w.setWindowState(w.windowState() & ~Qt::WindowMinimized);
    w.raise();
    w.activateWindow();
}

void Remote::Quit() {
    if (!Live()) return;
    QMetaObject::invokeMethod(
        &w, [&win = w] { win.close(); }, Qt::QueuedConnection);
}

} // namespace telbo
