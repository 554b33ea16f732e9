#pragma once
// The one header the player and the decoding engine share. No Qt here: paths and texts are
// UTF-8 std::strings.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace telbo {

// Number of UTF-8 code points in the first `maxChars` characters of `s`, as a byte length.
std::size_t Utf8PrefixBytes(std::string_view s, std::size_t maxChars) noexcept;
// Number of code points in `s`.
std::size_t Utf8Length(std::string_view s) noexcept;

// A tag text field of a fixed width in characters. A new field is all NULs (a zero-filled
// record). The player stores texts cut or blank-padded to the width; the engine hands over
// what the file holds followed by NULs, as a C library filling a buffer would.
template <std::size_t Width> class FixedText {
public:
    static constexpr std::size_t width = Width;

    FixedText() : raw_(Width, '\0') {}

    // Player-side store: cut to the width, or pad with blanks to it.
    void Store(std::string_view text) {
        const std::size_t bytes = Utf8PrefixBytes(text, Width);
        raw_.assign(text.substr(0, bytes));
        const std::size_t chars = Utf8Length(raw_);
        if (chars < Width) raw_.append(Width - chars, ' ');
    }
    // Library-side fill: cut to the width, the rest NULs.
    void Fill(std::string_view text) {
        const std::size_t bytes = Utf8PrefixBytes(text, Width);
        raw_.assign(text.substr(0, bytes));
        const std::size_t chars = Utf8Length(raw_);
        if (chars < Width) raw_.append(Width - chars, '\0');
    }
    // The whole field, padding and NULs included.
    const std::string& Raw() const noexcept { return raw_; }
    // The field up to its first NUL (all of it when it has none).
    std::string Shown() const { return raw_.substr(0, raw_.find('\0')); }
    void Clear() { raw_.assign(Width, '\0'); }

    bool operator==(const FixedText&) const = default;

private:
    std::string raw_;
};

struct TagRecord {
    FixedText<128> Title;
    FixedText<128> Artist;
    FixedText<128> Album;
    FixedText<5> Year;
    FixedText<128> Comment;
    std::int32_t GenreNumber = 0;
    FixedText<128> GenreName;

    bool operator==(const TagRecord&) const = default;
};

struct OpenInfoRecord {
    std::int32_t SampleRate = 0; // output frames per second after the decode options
    std::int32_t Channels = 0;   // output channels after the decode options
    std::int32_t Bitrate = 0;    // kbit/s of the first frame, 0 when unknown
    std::int32_t TotalSeconds = 0;
};

struct DecodeOptions {
    std::int32_t SamplingRate = 0; // 0 "1/1", 1 "1/2", 2 "1/4"
    std::int32_t StereoConf = 0;   // 0 stereo, 1 mono
    std::int32_t Third = 0;        // always 24000; unused by this engine

    bool operator==(const DecodeOptions&) const = default;
};

using EqualizerBands = std::array<std::int32_t, 10>;

// The decoding and playback library. One file at a time. All calls come from the player's
// user-interface thread; implementations may run threads of their own behind them.
// Results other than vbmp3_getState and those of the tag write are informational: the player
// ignores them by design.
class Decoder {
public:
    virtual ~Decoder() = default;

    // First step of start-up / of shut-down.
    virtual bool vbmp3_init() = 0;
    virtual void vbmp3_free() = 0;

    // Opens `path`, replacing (and stopping) whatever was open. Fills `info`; on failure
    // `info.TotalSeconds` is 0, nothing is open and the state reads 0.
    virtual bool vbmp3_open(const std::string& path, OpenInfoRecord& info) = 0;
    // Plays the open file from its start.
    virtual bool vbmp3_play() = 0;
    // Stops; the state then reads 0 and the elapsed seconds 0. Harmless with nothing open.
    virtual void vbmp3_stop() = 0;
    // Releases the open file. Harmless with nothing open.
    virtual void vbmp3_close() = 0;
    // Pause / resume a paused track; no effect with nothing open.
    virtual void vbmp3_pause() = 0;
    virtual void vbmp3_restart() = 0;
    // Playback goes on from `second`, clamped to the track.
    virtual void vbmp3_seek(int second) = 0;
    // 0 stopped (also after the end of a track and for a file that did not play),
    // 1 playing, 2 paused. `elapsedSeconds` receives the whole seconds of track time heard
    // so far while playing or paused, and 0 whenever the state is 0 (after the end of a
    // track too, never the time where it ended).
    virtual int vbmp3_getState(std::int32_t& elapsedSeconds) = 0;

    // Loudness 0..100 per channel.
    virtual void vbmp3_setVolume(int left, int right) = 0;
    // Speed in hundredths, 20..300, 100 normal (speed and pitch together).
    virtual void vbmp3_setPitch(int hundredths) = 0;
    // Used from the next open on.
    virtual void vbmp3_setDecodeOption(const DecodeOptions& options) = 0;
    // Kept; applied to the playing track by vbmp3_reload. Gains -120..120 (tenths of dB).
    virtual void vbmp3_setEqualizer(const EqualizerBands& bands) = 0;
    virtual void vbmp3_reload() = 0;

    // Reads the tag of `path` into `tag`. On failure the record is left zero-filled.
    virtual bool vbmp3_getFileTagInfo(const std::string& path, TagRecord& tag) = 0;
    // Writes `tag` into the file's tag. The file is replaced whole or not at all; false when
    // nothing was written.
    virtual bool vbmp3_setTagInfo(const std::string& path, const TagRecord& tag, int a, int b) = 0;
    // What the last vbmp3_setTagInfo could not store, in a few words for the user ("not an
    // MP3 file", "year not stored"); "" when it stored the whole record.
    virtual std::string vbmp3_getTagError() { return {}; }
    // Fills tag.GenreName with the name of tag.GenreNumber (0..147); empty for others.
    virtual void vbmp3_getGenre(TagRecord& tag) = 0;
};

} // namespace telbo
