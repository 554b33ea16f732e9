#pragma once
// The records the player exchanges with what plays (AudioEngine) and what reads and writes
// tags (TagStore). No Qt here: paths and texts are UTF-8 std::strings.

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

// What State reports. The numbers are the interface's.
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

    bool operator==(const DecodeOptions&) const = default;
};

// A sound output the desktop's sound server offers: its name (what telbo.ini keeps) and what
// the user is shown.
struct OutputDevice {
    std::string Name;
    std::string Description;

    bool operator==(const OutputDevice&) const = default;
};

// The ranges of what the player sets and the engine takes: the settings file, the sliders
// and the engine's clamps all use these.
struct ValueRange {
    int low;
    int high;
};
inline constexpr ValueRange kVolumeRange{0, 100};           // per cent
inline constexpr ValueRange kSpeedRange{20, 300};           // hundredths, 100 normal
inline constexpr ValueRange kEqualizerGainRange{-120, 120}; // tenths of a dB, 0 flat

// Gains in tenths of a dB (kEqualizerGainRange), 0 flat; band 0 is the lowest frequency.
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

// What a tag write did: `written` when the file now holds the record (or already did);
// `problem`, for the user, names what was not stored: the whole write ("not an audio file") or
// one field the other fields were written without ("year not stored"); "" when all was.
struct TagWriteResult {
    bool written = false;
    std::string problem;
};

} // namespace telbo
