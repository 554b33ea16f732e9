#pragma once
// The real engine, with a record of what the player had it play: each opened track (by file
// name) and how much of it was heard before the next open or stop.

#include "engine/Engine.h"

#include <string>
#include <vector>

namespace telbo::test {

class RecordingEngine final : public AudioEngine {
public:
    struct Played {
        std::string name;        // the file name
        double heardSeconds = 0; // track time heard while it was the open track
        bool joined = false;     // followed the one before without a stop (queued)
    };

    explicit RecordingEngine(Engine& engine) : engine_(engine) {}

    std::vector<Played> played;
    // The file name queued to follow, "" when none.
    const std::string& Queued() const { return queued_; }
    // The file names of `played`, in order.
    std::vector<std::string> Names() const;

    bool Init() override { return engine_.Init(); }
    void Shutdown() override;
    bool Open(const std::string& path, OpenInfoRecord& info) override;
    bool Play() override { return engine_.Play(); }
    bool PlayFrom(int second, bool paused) override { return engine_.PlayFrom(second, paused); }
    void Stop() override;
    void Close() override { engine_.Close(); }
    void Pause() override { engine_.Pause(); }
    void Resume() override { engine_.Resume(); }
    void Seek(int second) override { engine_.Seek(second); }
    PlaybackState State(std::int32_t& elapsedSeconds) override;
    void SetVolume(int left, int right) override { engine_.SetVolume(left, right); }
    void SetSpeed(int hundredths) override { engine_.SetSpeed(hundredths); }
    void SetDecodeOptions(const DecodeOptions& o) override {
        engine_.SetDecodeOptions(o);
    }
    void SetEqualizer(const EqualizerBands& b) override { engine_.SetEqualizer(b); }
    void ApplyEqualizer() override { engine_.ApplyEqualizer(); }
    bool QueueNext(const std::string& path) override;
    bool ClearNext() override;
    bool TakeTrackChange(OpenInfoRecord& info) override;

private:
    // Notes what the open track has been heard up to (the engine forgets it on stop and open).
    void NoteHeard();

    Engine& engine_;
    bool open_ = false;
    std::string next_;   // the file name last handed to the engine
    std::string queued_; // and still queued
};

} // namespace telbo::test
