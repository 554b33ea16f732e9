#include "FakeEngine.h"

namespace telbo::test {

namespace {
QString Q(const std::string& s) { return QString::fromStdString(s); }
} // namespace

QStringList FakeEngine::callsStartingWith(const QString& prefix) const {
    QStringList out;
    for (const QString& c : calls)
        if (c.startsWith(prefix)) out << c;
    return out;
}

void FakeEngine::DropQueued() {
    queuedPath.clear();
    changed_ = false;
    decodedOn_ = false;
}

OpenInfoRecord FakeEngine::InfoOf(const std::string& path) const {
    OpenInfoRecord info;
    const auto it = lengths.find(path);
    info.TotalSeconds = it == lengths.end() ? 180 : it->second;
    info.SampleRate = 44100;
    info.Channels = 2;
    return info;
}

bool FakeEngine::QueueNext(const std::string& path) {
    calls << QStringLiteral("queueNext ") + Q(path);
    if (decodedOn_) return false; // moved on to the queued one already
    // As the engine: only while a track plays, and only a file that opens.
    queuedPath.clear();
    if (!acceptNext || state == PlaybackState::Stopped || unplayable.count(path)) return false;
    queuedPath = path;
    return true;
}

bool FakeEngine::ClearNext() {
    calls << QStringLiteral("clearNext");
    if (decodedOn_) return false;
    queuedPath.clear();
    return !changed_;
}

bool FakeEngine::TakeTrackChange(OpenInfoRecord& info) {
    if (!changed_) return false;
    changed_ = false;
    info = InfoOf(openPath);
    return true;
}

bool FakeEngine::decodeOn() {
    if (queuedPath.empty()) return false;
    decodedOn_ = true;
    return true;
}

bool FakeEngine::moveOn() {
    if (queuedPath.empty()) return false;
    decodedOn_ = false;
    openPath = queuedPath;
    queuedPath.clear();
    state = PlaybackState::Playing;
    elapsed = 0;
    changed_ = true;
    return true;
}

bool FakeEngine::Init() {
    calls << QStringLiteral("init");
    return true;
}
void FakeEngine::Shutdown() { calls << QStringLiteral("shutdown"); }

bool FakeEngine::Open(const std::string& path, OpenInfoRecord& info) {
    calls << QStringLiteral("open ") + Q(path);
    DropQueued();
    info = OpenInfoRecord{};
    if (unplayable.count(path)) {
        openPath.clear();
        state = PlaybackState::Stopped;
        return false;
    }
    openPath = path;
    info = InfoOf(path);
    state = PlaybackState::Stopped;
    elapsed = 0;
    return true;
}
bool FakeEngine::Play() {
    calls << QStringLiteral("play");
    DropQueued();
    if (openPath.empty()) return false;
    state = PlaybackState::Playing;
    elapsed = 0;
    return true;
}
void FakeEngine::SetReplayGain(const ReplayGainOptions& o) {
    replayGains.append({QStringLiteral("replayGain %1 %2").arg(static_cast<int>(o.Mode)).arg(o.AutoAlbum ? "album" : "track"),
                        calls.size()});
}
bool FakeEngine::PlayFrom(int second, bool paused) {
    calls << QStringLiteral("playFrom %1%2").arg(second).arg(paused ? " paused" : "");
    DropQueued();
    if (openPath.empty()) return false;
    state = paused ? PlaybackState::Paused : PlaybackState::Playing;
    elapsed = second;
    return true;
}
void FakeEngine::Stop() {
    calls << QStringLiteral("stop");
    DropQueued();
    state = PlaybackState::Stopped;
    elapsed = 0;
}
void FakeEngine::Close() {
    calls << QStringLiteral("close");
    DropQueued();
    openPath.clear();
}
void FakeEngine::Pause() {
    calls << QStringLiteral("pause");
    if (state == PlaybackState::Playing) state = PlaybackState::Paused;
}
void FakeEngine::Resume() {
    calls << QStringLiteral("resume");
    if (state == PlaybackState::Paused) state = PlaybackState::Playing;
}
void FakeEngine::Seek(int second) {
    calls << QStringLiteral("seek %1").arg(second);
    if (!decodedOn_) elapsed = second; // the track sought in has no more to play
}
PlaybackState FakeEngine::State(std::int32_t& elapsedSeconds) {
    elapsedSeconds = state == PlaybackState::Stopped ? 0 : elapsed;
    return state;
}
void FakeEngine::SetVolume(int left, int right) {
    calls << QStringLiteral("setVolume %1 %2").arg(left).arg(right);
}
void FakeEngine::SetSpeed(int hundredths) { calls << QStringLiteral("setSpeed %1").arg(hundredths); }
void FakeEngine::SetDecodeOptions(const DecodeOptions& o) {
    options = o;
    calls << QStringLiteral("setDecodeOptions %1 %2")
                 .arg(static_cast<int>(o.SamplingRate))
                 .arg(static_cast<int>(o.StereoConf));
}
void FakeEngine::SetEqualizer(const EqualizerBands& b) {
    bands = b;
    QStringList parts;
    for (auto v : b) parts << QString::number(v);
    calls << QStringLiteral("setEqualizer ") + parts.join(u',');
}
void FakeEngine::ApplyEqualizer() { calls << QStringLiteral("applyEqualizer"); }

bool FakeEngine::Read(const std::string& path, TagRecord& tag) {
    calls << QStringLiteral("readTag ") + Q(path);
    const auto it = tags.find(path);
    if (it == tags.end()) {
        tag = TagRecord{};
        return false;
    }
    tag = it->second;
    return true;
}
TagWriteResult FakeEngine::Write(const std::string& path, const TagRecord& tag) {
    calls << QStringLiteral("writeTag ") + Q(path);
    const auto error = tagErrors.find(path);
    TagWriteResult result{false, error == tagErrors.end() ? std::string() : error->second};
    if (failWrites.count(path)) return result;
    written[path].push_back(tag);
    tags[path] = tag;
    result.written = true;
    return result;
}
void FakeEngine::FillGenreName(TagRecord& tag) {
    if (tag.GenreNumber >= 0 && tag.GenreNumber <= 147) tag.GenreName.Fill(GenreName(tag.GenreNumber));
    else tag.GenreName.Fill("");
}

std::string FakeEngine::GenreName(int n) { return "Genre " + std::to_string(n); }

} // namespace telbo::test
