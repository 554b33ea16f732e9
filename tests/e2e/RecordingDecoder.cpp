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
    played.push_back({std::filesystem::path(path).filename().string(), 0});
    open_ = true;
    return engine_.vbmp3_open(path, info);
}

void RecordingDecoder::vbmp3_stop() {
    NoteHeard();
    open_ = false;
    engine_.vbmp3_stop();
}

PlaybackState RecordingDecoder::vbmp3_getState(std::int32_t& elapsedSeconds) {
    const PlaybackState state = engine_.vbmp3_getState(elapsedSeconds);
    NoteHeard();
    return state;
}

} // namespace telbo::test
