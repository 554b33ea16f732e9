#include "RecordingEngine.h"

#include <algorithm>
#include <filesystem>

namespace telbo::test {

std::vector<std::string> RecordingEngine::Names() const {
    std::vector<std::string> out;
    for (const Played& p : played)
        out.push_back(p.name);
    return out;
}

void RecordingEngine::NoteHeard() {
    if (open_ && !played.empty())
        played.back().heardSeconds = std::max(played.back().heardSeconds, engine_.HeardSeconds());
}

void RecordingEngine::Shutdown() {
    NoteHeard();
    open_ = false;
    engine_.Shutdown();
}

bool RecordingEngine::Open(const std::string& path, OpenInfoRecord& info) {
    NoteHeard();
    queued_.clear();
    played.push_back({std::filesystem::path(path).filename().string(), 0, false});
    open_ = true;
    return engine_.Open(path, info);
}

void RecordingEngine::Stop() {
    NoteHeard();
    queued_.clear();
    open_ = false;
    engine_.Stop();
}

bool RecordingEngine::QueueNext(const std::string& path) {
    next_ = std::filesystem::path(path).filename().string();
    const bool ok = engine_.QueueNext(path);
    queued_ = ok ? next_ : std::string();
    return ok;
}

bool RecordingEngine::TakeTrackChange(OpenInfoRecord& info) {
    if (!engine_.TakeTrackChange(info)) return false;
    if (!played.empty())
        played.back().heardSeconds = std::max(played.back().heardSeconds, engine_.JoinedFromSeconds());
    queued_.clear();
    played.push_back({next_, 0, true});
    open_ = true;
    return true;
}

bool RecordingEngine::ClearNext() {
    const bool ok = engine_.ClearNext();
    if (ok) queued_.clear();
    return ok;
}

PlaybackState RecordingEngine::State(std::int32_t& elapsedSeconds) {
    const PlaybackState state = engine_.State(elapsedSeconds);
    NoteHeard();
    return state;
}

} // namespace telbo::test
