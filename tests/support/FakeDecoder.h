#pragma once
// A decoder that plays nothing and records every call, with a scriptable state.

#include "decoder/Decoder.h"

#include <QString>
#include <QList>
#include <QPair>
#include <QStringList>

#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace telbo::test {

class FakeDecoder final : public Decoder {
public:
    // Every call as text, in order: "open /a.mp3", "play", "stop", "setVolume 80 80", ...
    QStringList calls;
    // Scripted answers of getState. As the engine does, Stopped reads 0 seconds whatever
    // `elapsed` holds (a test ends a track by setting state = Stopped alone).
    PlaybackState state = PlaybackState::Stopped;
    std::int32_t elapsed = 0;
    // Lengths by path (default 180 s), tags by path, paths that fail to open.
    std::map<std::string, std::int32_t> lengths;
    std::map<std::string, TagRecord> tags;
    std::set<std::string> unplayable;
    // Every record written, by path, in order.
    std::map<std::string, std::vector<TagRecord>> written;
    // Paths whose tag write fails.
    std::set<std::string> failWrites;
    // What getTagError reports after a write of the path (a failed or a partial one).
    std::map<std::string, std::string> tagErrors;
    // Embedded covers by path; every ReadCoverArt call is counted in coverReads.
    std::map<std::string, CoverPicture> covers;
    int coverReads = 0;
    std::string openPath;
    DecodeOptions options{};
    EqualizerBands bands{};

    // The queued following track ("" for none), and whether setNext takes one. Recorded as
    // "setNext /b.mp3" and "clearNext"; takeTrackChange, polled on every tick, is not.
    std::string queuedPath;
    bool acceptNext = true;
    // Plays on into the queued track as the engine does at the end of a track: the queued
    // file becomes the open one and the next takeTrackChange reports it. False with none.
    bool moveOn();

    void clearCalls() { calls.clear(); }
    // The calls whose text starts with `prefix`.
    QStringList callsStartingWith(const QString& prefix) const;

    bool vbmp3_init() override;
    void vbmp3_free() override;
    bool vbmp3_open(const std::string& path, OpenInfoRecord& info) override;
    bool vbmp3_play() override;
    // Recorded as "playFrom 40" or "playFrom 40 paused".
    bool PlayFrom(int second, bool paused) override;
    // Recorded in replayGains, not in calls, as "replayGain 3 album" (the mode's number, then
    // Auto's choice) together with the index in `calls` it came before.
    void SetReplayGain(const ReplayGainOptions& options) override;
    QList<QPair<QString, qsizetype>> replayGains;
    // What ListOutputs offers; each SetOutputDevice, in order; OutputMissing answers true
    // once after outputMissing is set. Not in `calls`: the start-up sets the output.
    std::vector<OutputDevice> outputs;
    std::vector<std::string> outputChoices;
    bool outputMissing = false;
    std::vector<OutputDevice> ListOutputs() override { return outputs; }
    void SetOutputDevice(const std::string& name) override { outputChoices.push_back(name); }
    bool OutputMissing() override { return std::exchange(outputMissing, false); }
    void vbmp3_stop() override;
    void vbmp3_close() override;
    void vbmp3_pause() override;
    void vbmp3_restart() override;
    void vbmp3_seek(int second) override;
    PlaybackState vbmp3_getState(std::int32_t& elapsedSeconds) override;
    void vbmp3_setVolume(int left, int right) override;
    void vbmp3_setPitch(int hundredths) override;
    void vbmp3_setDecodeOption(const DecodeOptions& options) override;
    void vbmp3_setEqualizer(const EqualizerBands& bands) override;
    void vbmp3_reload() override;
    bool vbmp3_getFileTagInfo(const std::string& path, TagRecord& tag) override;
    bool vbmp3_setTagInfo(const std::string& path, const TagRecord& tag, int reservedSelector1,
                          int reservedSelector2) override;
    void vbmp3_getGenre(TagRecord& tag) override;
    std::optional<CoverPicture> ReadCoverArt(const std::string& path) override {
        ++coverReads;
        const auto it = covers.find(path);
        return it == covers.end() ? std::nullopt : std::optional<CoverPicture>(it->second);
    }
    std::string vbmp3_getTagError() override { return lastTagError_; }
    bool vbmp3_setNext(const std::string& path) override;
    bool vbmp3_clearNext() override;
    bool vbmp3_takeTrackChange(OpenInfoRecord& info) override;

    // "Genre 0" .. "Genre 147", distinct from the real names so tests see where they came from.
    static std::string GenreName(int n);

private:
    OpenInfoRecord InfoOf(const std::string& path) const;
    void DropQueued(); // as open, play, stop and close do

    std::string lastTagError_;
    bool changed_ = false;
};

} // namespace telbo::test
