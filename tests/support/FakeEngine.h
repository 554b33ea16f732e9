#pragma once
// An engine and tag store that plays nothing and records every call, with a scriptable state.

#include "decoder/AudioEngine.h"
#include "decoder/TagStore.h"

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

class FakeEngine final : public AudioEngine, public TagStore {
public:
    // Every call as text, in order: "open /a.mp3", "play", "stop", "setVolume 80 80", ...
    QStringList calls;
    // Scripted answers of State. As the engine does, Stopped reads 0 seconds whatever
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
    // The problem a write of the path reports (a failed or a partial one).
    std::map<std::string, std::string> tagErrors;
    // Embedded covers by path; every ReadCoverArt call is counted in coverReads.
    std::map<std::string, CoverPicture> covers;
    int coverReads = 0;
    std::string openPath;
    DecodeOptions options{};
    EqualizerBands bands{};

    // The queued following track ("" for none), and whether QueueNext takes one. Recorded as
    // "queueNext /b.mp3" and "clearNext"; TakeTrackChange, polled on every tick, is not.
    std::string queuedPath;
    bool acceptNext = true;
    // Plays on into the queued track as the engine does at the end of a track: the queued
    // file becomes the open one and the next TakeTrackChange reports it. False with none.
    bool moveOn();
    // The engine's step before that: it has decoded past the end into the queued file, which
    // is not heard yet. The queue can no longer be cleared or replaced, a seek is ignored,
    // and TakeTrackChange waits for moveOn. False with nothing queued.
    bool decodeOn();

    void clearCalls() { calls.clear(); }
    // The calls whose text starts with `prefix`.
    QStringList callsStartingWith(const QString& prefix) const;

    bool Init() override;
    void Shutdown() override;
    bool Open(const std::string& path, OpenInfoRecord& info) override;
    bool Play() override;
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
    void Stop() override;
    void Close() override;
    void Pause() override;
    void Resume() override;
    void Seek(int second) override;
    PlaybackState State(std::int32_t& elapsedSeconds) override;
    void SetVolume(int left, int right) override;
    void SetSpeed(int hundredths) override;
    void SetDecodeOptions(const DecodeOptions& options) override;
    void SetEqualizer(const EqualizerBands& bands) override;
    void ApplyEqualizer() override;
    bool Read(const std::string& path, TagRecord& tag) override;
    TagWriteResult Write(const std::string& path, const TagRecord& tag) override;
    void FillGenreName(TagRecord& tag) override;
    std::optional<CoverPicture> ReadCoverArt(const std::string& path) override {
        ++coverReads;
        const auto it = covers.find(path);
        return it == covers.end() ? std::nullopt : std::optional<CoverPicture>(it->second);
    }
    bool QueueNext(const std::string& path) override;
    bool ClearNext() override;
    bool TakeTrackChange(OpenInfoRecord& info) override;

    // "Genre 0" .. "Genre 147", distinct from the real names so tests see where they came from.
    static std::string GenreName(int n);

private:
    OpenInfoRecord InfoOf(const std::string& path) const;
    void DropQueued(); // as open, play, stop and close do

    bool changed_ = false;
    bool decodedOn_ = false;
};

} // namespace telbo::test
