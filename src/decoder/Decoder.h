#pragma once
// The seam between the player and what decodes and plays: the records they exchange and the
// Decoder interface. The engine implements it; tests put a fake in its place. No Qt here:
// paths and texts are UTF-8 std::strings.

#include "decoder/ReplayGain.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

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
    std::int32_t TotalSeconds = 0; // the track's length; 0 when the open failed
};

// What vbmp3_getState reports. The numbers are the interface's.
enum class PlaybackState : std::int32_t {
    Stopped = 0, // nothing open, stopped, a file that did not play, or played to its end
    Playing = 1,
    Paused = 2,
};

// The rate a track is decoded at, as a share of the file's own: the "1/1", "1/2" and "1/4"
// choices. The numbers are stored in the settings file.
enum class DecodeRate : std::int32_t { Full = 0, Half = 1, Quarter = 2 };

// Both channels, or the two mixed into one. The numbers are stored in the settings file.
enum class DecodeChannels : std::int32_t { Stereo = 0, Mono = 1 };

struct DecodeOptions {
    DecodeRate SamplingRate = DecodeRate::Full;
    DecodeChannels StereoConf = DecodeChannels::Stereo;
    // A value whose meaning is the decoder's own; the player always sends 24000. The engine
    // does not read it.
    std::int32_t DecoderReserved = 0;

    bool operator==(const DecodeOptions&) const = default;
};

// A sound output the desktop's sound server offers: its name (what telbo.ini keeps) and what
// the user is shown.
struct OutputDevice {
    std::string Name;
    std::string Description;

    bool operator==(const OutputDevice&) const = default;
};

// Gains in tenths of a dB, -120..120, 0 flat; band 0 is the lowest frequency.
using EqualizerBands = std::array<std::int32_t, 10>;
// The centre frequency of each band in Hz: the engine's filters and the player's sliders.
inline constexpr std::array<int, 10> kEqualizerBandHz = {60,   170,  310,   600,   1000,
                                                         3000, 6000, 12000, 14000, 16000};

// An embedded picture: its bytes as stored and its type ("image/jpeg", "image/png",
// "image/webp", "image/gif"), taken from the bytes themselves.
struct CoverPicture {
    std::string mime;
    std::vector<unsigned char> bytes;
};

// Decodes and plays one file at a time, and reads and writes tags.
//
// Threads: every call comes from the player's user-interface thread, one at a time, so an
// implementation needs no locking against its caller. It may run threads of its own behind
// the calls (decoding, the sound output); none of its work calls back into the player. The
// window waits on every call, so each should return within a fraction of a second: slow
// set-up belongs on the implementation's own threads.
//
// States: vbmp3_getState is the player's only view of playback. It reads Stopped until
// vbmp3_play succeeds, Playing or Paused while the track lasts, and Stopped again after
// vbmp3_stop, vbmp3_close, a new vbmp3_open, or when the track has played to its end. The
// player polls it on a clock and moves on to the next track when it reads Stopped.
//
// Failure: no call throws. Results other than those of vbmp3_getState, vbmp3_setTagInfo and
// vbmp3_getTagError are informational and the player ignores them; a failure must therefore
// leave a state the next calls can work from: a file that cannot be opened or played reads Stopped, so the player
// moves past it; a tag that cannot be read leaves the record zero-filled.
class Decoder {
public:
    virtual ~Decoder() = default;

    // The first call at start-up; it must return at once (slow set-up goes on behind it).
    virtual bool vbmp3_init() = 0;
    // The first call at shut-down: stops, releases the open file and every output.
    virtual void vbmp3_free() = 0;

    // Opens `path`, replacing (and stopping) whatever was open. Fills `info`. On failure
    // `info.TotalSeconds` is 0, nothing is open and the state reads Stopped.
    virtual bool vbmp3_open(const std::string& path, OpenInfoRecord& info) = 0;
    // Plays the open file from its start; false, and no change, with nothing open.
    virtual bool vbmp3_play() = 0;
    // Plays the open file from `second` (clamped to the track), or holds it paused there when
    // `paused`: the state then reads Paused and vbmp3_restart lets it play. What comes before
    // `second` is never heard. False, and no change, with nothing open.
    virtual bool PlayFrom(int second, bool paused) {
        if (!vbmp3_play()) return false;
        if (second > 0) vbmp3_seek(second);
        if (paused) vbmp3_pause();
        return true;
    }
    // Stops; the state then reads Stopped and the elapsed seconds 0. Harmless with nothing
    // open.
    virtual void vbmp3_stop() = 0;
    // Stops and releases the open file. Harmless with nothing open.
    virtual void vbmp3_close() = 0;
    // Pauses a playing track / resumes a paused one; no effect in any other state.
    virtual void vbmp3_pause() = 0;
    virtual void vbmp3_restart() = 0;
    // Playback goes on from `second`, clamped to the track. Ignored in the moment between the
    // decoder moving on to a queued track and its first frame heard (when vbmp3_clearNext
    // returns false): the track that was sought in has no more to play.
    virtual void vbmp3_seek(int second) = 0;
    // The state now. `elapsedSeconds` receives the whole seconds of track time heard so far
    // while Playing or Paused, and 0 whenever the state is Stopped (after the end of a track
    // too, never the time where it ended).
    virtual PlaybackState vbmp3_getState(std::int32_t& elapsedSeconds) = 0;

    // Gapless track changes. A decoder that does without them keeps these defaults: nothing
    // is ever queued, and the player opens and plays each track itself.
    //
    // Opens `path` ahead as the track that follows the playing one: when the playing track
    // ends, the next one plays on in the same output, not a sample dropped, repeated or
    // inserted, with the open file's volume, speed and equalizer. Replaces a file queued
    // before, unless the decoder has already moved on to that one. False when nothing was
    // queued (nothing playing, a file that does not open, the decoder moved on already):
    // the player then opens and plays the next track itself when the state reads Stopped.
    // vbmp3_open, vbmp3_play, vbmp3_stop and vbmp3_close drop a queued file.
    virtual bool vbmp3_setNext(const std::string& path) {
        (void)path;
        return false;
    }
    // Drops the queued file. False when it is too late: the decoder has moved on to it (it
    // may not be heard yet) and vbmp3_takeTrackChange will still report the change.
    virtual bool vbmp3_clearNext() { return true; }
    // True once per change, at the moment the first frame of the queued track is heard;
    // `info` then receives the new track's record, as vbmp3_open would have filled it. From
    // then on vbmp3_getState's elapsed seconds count in the new track, whose end reads
    // Stopped as any track's. The player polls it on its clock.
    virtual bool vbmp3_takeTrackChange(OpenInfoRecord& info) {
        (void)info;
        return false;
    }

    // Loudness 0..100 per channel, from now on (the playing track too).
    virtual void vbmp3_setVolume(int left, int right) = 0;
    // Speed in hundredths, 20..300, 100 normal (speed and pitch together), from now on.
    virtual void vbmp3_setPitch(int hundredths) = 0;
    // Used from the next vbmp3_open on; the open track keeps the options it was opened with.
    virtual void vbmp3_setDecodeOption(const DecodeOptions& options) = 0;
    // Kept; applied to the playing track by vbmp3_reload and to every track played after.
    virtual void vbmp3_setEqualizer(const EqualizerBands& bands) = 0;
    virtual void vbmp3_reload() = 0;
    // Loudness normalisation, used for each file opened (vbmp3_open) or queued
    // (vbmp3_setNext) from now on; the open track keeps the gain it was opened with. In Auto
    // mode the player sets `AutoAlbum` before each open or queue (AlbumGainApplies for that
    // file's neighbours in play order). The gain is read from the file's tags when it opens
    // and is one factor in the volume stage: volume, equalizer, speed and the decode options
    // work on top of it, and a queued file's gain starts exactly at its first frame. A decoder
    // without it keeps this default.
    virtual void SetReplayGain(const ReplayGainOptions& options) { (void)options; }

    // The cover picture stored in the file at `path` (an ID3v2 front cover before any other
    // picture, a FLAC picture block, an Ogg comment's picture), checked to be an image by its
    // first bytes; nothing when it has none, or only an oversize or damaged one. Reads the
    // file's tags only, on the calling thread. A decoder without it keeps this default.
    virtual std::optional<CoverPicture> ReadCoverArt(const std::string& path) {
        (void)path;
        return std::nullopt;
    }

    // The choice of sound output. A decoder without one keeps these defaults: it plays on the
    // default output and offers no other.
    //
    // The outputs of the sound server in use, in its order, for the user to choose from.
    // Waits for the server a bounded time (under half a second); empty when there is no
    // choice (no sound server, a server that did not answer in time, a silent test output),
    // and the default is then the only output.
    virtual std::vector<OutputDevice> ListOutputs() { return {}; }
    // Plays on the output `name` (an OutputDevice::Name) from now on, "" for the server's
    // default, which follows the desktop's choice. Takes effect at once while a track plays,
    // without reopening it or a break in the sound, and for every output opened later
    // (start-up too: call it before the first play). Returns at once; an output that is not
    // there leaves the sound on the default, and OutputMissing says so.
    virtual void SetOutputDevice(const std::string& name) { (void)name; }
    // True once after the chosen output was found missing (at start-up, at a move, or when
    // the output was reopened) and the default plays instead; false otherwise. Asked again
    // for the same choice, false: the user is told once. The player polls it on its clock.
    virtual bool OutputMissing() { return false; }

    // Reads the tag of `path` into `tag`; false, and the record zero-filled, when the file or
    // its tag cannot be read.
    virtual bool vbmp3_getFileTagInfo(const std::string& path, TagRecord& tag) = 0;
    // Writes `tag` into the file's tag. The file is replaced whole or not at all; false when
    // nothing was written. The two selectors are the decoder's own; the player always passes
    // 1 and 1, and the engine writes the same way whatever they hold.
    virtual bool vbmp3_setTagInfo(const std::string& path, const TagRecord& tag,
                                  int reservedSelector1, int reservedSelector2) = 0;
    // What the last vbmp3_setTagInfo could not store, in a few words for the user ("not an
    // MP3 file", "year not stored"); "" when it stored the whole record.
    virtual std::string vbmp3_getTagError() = 0;
    // Fills tag.GenreName with the name of tag.GenreNumber (0..147); empty for others.
    virtual void vbmp3_getGenre(TagRecord& tag) = 0;
};

} // namespace telbo
