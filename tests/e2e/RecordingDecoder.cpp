#include "RecordingDecoder.h"

#include <algorithm>
#include <filesystem>

namespace telbo::test {

std::vector<std::string> RecordingDecoder::Names() const {
    std::vector<std::string> out;
    for (const Played& p : played)
        out.push_back(p.name);
    return out;
}

void RecordingDecoder::NoteHeard() {
    if (open_ && !played.empty())
        played.back().heardSeconds = std::max(played.back().heardSeconds, engine_.HeardSeconds());
}

void RecordingDecoder::vbmp3_free() {
    NoteHeard();
    open_ = false;
    engine_.vbmp3_free();
}

bool RecordingDecoder::vbmp3_open(const std::string& path, OpenInfoRecord& info) {
    NoteHeard();
    queued_.clear();
    played.push_back({std::filesystem::path(path).filename().string(), 0, false});
    open_ = true;
    return engine_.vbmp3_open(path, info);
}

void RecordingDecoder::vbmp3_stop() {
    NoteHeard();
    queued_.clear();
    open_ = false;
    engine_.vbmp3_stop();
}

bool RecordingDecoder::vbmp3_setNext(const std::string& path) {
    next_ = std::filesystem::path(path).filename().string();
    const bool ok = engine_.vbmp3_setNext(path);
    queued_ = ok ? next_ : std::string();
    return ok;
}

bool RecordingDecoder::vbmp3_takeTrackChange(OpenInfoRecord& info) {
    if (!engine_.vbmp3_takeTrackChange(info)) return false;
    if (!played.empty())
        played.back().heardSeconds = std::max(played.back().heardSeconds, engine_.JoinedFromSeconds());
    queued_.clear();
    played.push_back({next_, 0, true});
    open_ = true;
    return true;
}

bool RecordingDecoder::vbmp3_clearNext() {
    const bool ok = engine_.vbmp3_clearNext();
    if (ok) queued_.clear();
    return ok;
}

PlaybackState RecordingDecoder::vbmp3_getState(std::int32_t& elapsedSeconds) {
    const PlaybackState state = engine_.vbmp3_getState(elapsedSeconds);
    NoteHeard();
    return state;
}

} // namespace telbo::test
