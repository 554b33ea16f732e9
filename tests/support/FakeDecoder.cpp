#include "FakeDecoder.h"

namespace telbo::test {

namespace {
QString Q(const std::string& s) { return QString::fromStdString(s); }
} // namespace

QStringList FakeDecoder::callsStartingWith(const QString& prefix) const {
    QStringList out;
    for (const QString& c : calls)
        if (c.startsWith(prefix)) out << c;
    return out;
}

void FakeDecoder::DropQueued() {
    queuedPath.clear();
    changed_ = false;
}

OpenInfoRecord FakeDecoder::InfoOf(const std::string& path) const {
    OpenInfoRecord info;
    const auto it = lengths.find(path);
    info.TotalSeconds = it == lengths.end() ? 180 : it->second;
    info.SampleRate = 44100;
    info.Channels = 2;
    return info;
}

bool FakeDecoder::vbmp3_setNext(const std::string& path) {
    calls << QStringLiteral("setNext ") + Q(path);
    // As the engine: only while a track plays, and only a file that opens.
    queuedPath.clear();
    if (!acceptNext || state == PlaybackState::Stopped || unplayable.count(path)) return false;
    queuedPath = path;
    return true;
}

bool FakeDecoder::vbmp3_clearNext() {
    calls << QStringLiteral("clearNext");
    queuedPath.clear();
    return !changed_;
}

bool FakeDecoder::vbmp3_takeTrackChange(OpenInfoRecord& info) {
    if (!changed_) return false;
    changed_ = false;
    info = InfoOf(openPath);
    return true;
}

bool FakeDecoder::moveOn() {
    if (queuedPath.empty()) return false;
    openPath = queuedPath;
    queuedPath.clear();
    state = PlaybackState::Playing;
    elapsed = 0;
    changed_ = true;
    return true;
}

bool FakeDecoder::vbmp3_init() {
    calls << QStringLiteral("init");
    return true;
}
void FakeDecoder::vbmp3_free() { calls << QStringLiteral("free"); }

bool FakeDecoder::vbmp3_open(const std::string& path, OpenInfoRecord& info) {
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
bool FakeDecoder::vbmp3_play() {
    calls << QStringLiteral("play");
    DropQueued();
    if (openPath.empty()) return false;
    state = PlaybackState::Playing;
    elapsed = 0;
    return true;
}
void FakeDecoder::SetReplayGain(const ReplayGainOptions& o) {
    replayGains.append({QStringLiteral("replayGain %1 %2").arg(static_cast<int>(o.Mode)).arg(o.AutoAlbum ? "album" : "track"),
                        calls.size()});
}
bool FakeDecoder::PlayFrom(int second, bool paused) {
    calls << QStringLiteral("playFrom %1%2").arg(second).arg(paused ? " paused" : "");
    DropQueued();
    if (openPath.empty()) return false;
    state = paused ? PlaybackState::Paused : PlaybackState::Playing;
    elapsed = second;
    return true;
}
void FakeDecoder::vbmp3_stop() {
    calls << QStringLiteral("stop");
    DropQueued();
    state = PlaybackState::Stopped;
    elapsed = 0;
}
void FakeDecoder::vbmp3_close() {
    calls << QStringLiteral("close");
    DropQueued();
    openPath.clear();
}
void FakeDecoder::vbmp3_pause() {
    calls << QStringLiteral("pause");
    if (state == PlaybackState::Playing) state = PlaybackState::Paused;
}
void FakeDecoder::vbmp3_restart() {
    calls << QStringLiteral("restart");
    if (state == PlaybackState::Paused) state = PlaybackState::Playing;
}
void FakeDecoder::vbmp3_seek(int second) {
    calls << QStringLiteral("seek %1").arg(second);
    elapsed = second;
}
PlaybackState FakeDecoder::vbmp3_getState(std::int32_t& elapsedSeconds) {
    elapsedSeconds = state == PlaybackState::Stopped ? 0 : elapsed;
    return state;
}
void FakeDecoder::vbmp3_setVolume(int left, int right) {
    calls << QStringLiteral("setVolume %1 %2").arg(left).arg(right);
}
void FakeDecoder::vbmp3_setPitch(int hundredths) { calls << QStringLiteral("setPitch %1").arg(hundredths); }
void FakeDecoder::vbmp3_setDecodeOption(const DecodeOptions& o) {
    options = o;
    calls << QStringLiteral("setDecodeOption %1 %2 %3")
                 .arg(static_cast<int>(o.SamplingRate))
                 .arg(static_cast<int>(o.StereoConf))
                 .arg(o.DecoderReserved);
}
void FakeDecoder::vbmp3_setEqualizer(const EqualizerBands& b) {
    bands = b;
    QStringList parts;
    for (auto v : b) parts << QString::number(v);
    calls << QStringLiteral("setEqualizer ") + parts.join(u',');
}
void FakeDecoder::vbmp3_reload() { calls << QStringLiteral("reload"); }

bool FakeDecoder::vbmp3_getFileTagInfo(const std::string& path, TagRecord& tag) {
    calls << QStringLiteral("getFileTagInfo ") + Q(path);
    const auto it = tags.find(path);
    if (it == tags.end()) {
        tag = TagRecord{};
        return false;
    }
    tag = it->second;
    return true;
}
bool FakeDecoder::vbmp3_setTagInfo(const std::string& path, const TagRecord& tag,
                                   int reservedSelector1, int reservedSelector2) {
    calls << QStringLiteral("setTagInfo %1 %2 %3")
                 .arg(Q(path))
                 .arg(reservedSelector1)
                 .arg(reservedSelector2);
    const auto error = tagErrors.find(path);
    lastTagError_ = error == tagErrors.end() ? std::string() : error->second;
    if (failWrites.count(path)) return false;
    written[path].push_back(tag);
    tags[path] = tag;
    return true;
}
void FakeDecoder::vbmp3_getGenre(TagRecord& tag) {
    if (tag.GenreNumber >= 0 && tag.GenreNumber <= 147) tag.GenreName.Fill(GenreName(tag.GenreNumber));
    else tag.GenreName.Fill("");
}

std::string FakeDecoder::GenreName(int n) { return "Genre " + std::to_string(n); }

} // namespace telbo::test
