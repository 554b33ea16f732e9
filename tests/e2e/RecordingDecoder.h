#pragma once
// The real engine, with a record of what the player had it play: each opened track (by file
// name) and how much of it was heard before the next open or stop.

#include "engine/Engine.h"

#include <string>
#include <vector>

namespace telbo::test {

class RecordingDecoder final : public Decoder {
public:
    struct Played {
        std::string name;        // the file name
        double heardSeconds = 0; // track time heard while it was the open track
        bool joined = false;     // followed the one before without a stop (queued)
    };

    explicit RecordingDecoder(Engine& engine) : engine_(engine) {}

    std::vector<Played> played;
    // The file name queued to follow, "" when none.
    const std::string& Queued() const { return queued_; }
    // The file names of `played`, in order.
    std::vector<std::string> Names() const;

    bool vbmp3_init() override { return engine_.vbmp3_init(); }
    void vbmp3_free() override;
    bool vbmp3_open(const std::string& path, OpenInfoRecord& info) override;
    bool vbmp3_play() override { return engine_.vbmp3_play(); }
    bool PlayFrom(int second, bool paused) override { return engine_.PlayFrom(second, paused); }
    void vbmp3_stop() override;
    void vbmp3_close() override { engine_.vbmp3_close(); }
    void vbmp3_pause() override { engine_.vbmp3_pause(); }
    void vbmp3_restart() override { engine_.vbmp3_restart(); }
    void vbmp3_seek(int second) override { engine_.vbmp3_seek(second); }
    PlaybackState vbmp3_getState(std::int32_t& elapsedSeconds) override;
    void vbmp3_setVolume(int left, int right) override { engine_.vbmp3_setVolume(left, right); }
    void vbmp3_setPitch(int hundredths) override { engine_.vbmp3_setPitch(hundredths); }
    void vbmp3_setDecodeOption(const DecodeOptions& o) override {
        engine_.vbmp3_setDecodeOption(o);
    }
    void vbmp3_setEqualizer(const EqualizerBands& b) override { engine_.vbmp3_setEqualizer(b); }
    void vbmp3_reload() override { engine_.vbmp3_reload(); }
    bool vbmp3_getFileTagInfo(const std::string& path, TagRecord& tag) override {
        return engine_.vbmp3_getFileTagInfo(path, tag);
    }
    bool vbmp3_setTagInfo(const std::string& path, const TagRecord& tag, int reservedSelector1,
                          int reservedSelector2) override {
        return engine_.vbmp3_setTagInfo(path, tag, reservedSelector1, reservedSelector2);
    }
    void vbmp3_getGenre(TagRecord& tag) override { engine_.vbmp3_getGenre(tag); }
    std::string vbmp3_getTagError() override { return engine_.vbmp3_getTagError(); }
    bool vbmp3_setNext(const std::string& path) override;
    bool vbmp3_clearNext() override;
    bool vbmp3_takeTrackChange(OpenInfoRecord& info) override;

private:
    // Notes what the open track has been heard up to (the engine forgets it on stop and open).
    void NoteHeard();

    Engine& engine_;
    bool open_ = false;
    std::string next_;   // the file name last handed to the engine
    std::string queued_; // and still queued
};

} // namespace telbo::test
