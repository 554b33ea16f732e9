#pragma once
// MP3 files made on the spot for tests: sine tones encoded with libmp3lame, optionally tagged
// with TagLib, and a few kinds of damaged files. No Qt; every function writes only into the
// folder it is given and throws std::runtime_error when it cannot.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace telbo::test {

struct ToneSpec {
    double frequencyHz = 440.0;
    double seconds = 1.0;
    int sampleRate = 44100; // a rate MP3 knows: 8000..48000
    int channels = 2;       // 1 or 2; both channels carry the same tone
    double amplitude = 0.5; // peak, as a fraction of full scale
    bool vbr = false;       // VBR (quality 4) instead of CBR
    int bitrateKbps = 128;  // CBR only
    bool xingHeader = true; // the Xing/LAME frame that carries the exact length
    std::int64_t firstFrame = 0; // where in a longer tone this one starts (its phase)
};

struct TagSpec {
    std::string title, artist, album, comment, genre; // UTF-8
    unsigned year = 0;                                 // 0: none
    int id3v2Version = 4;                              // 3 or 4; 0 writes no ID3v2 tag
    bool id3v1 = false;                                // an ID3v1 tag too (Latin-1 only)
    bool ape = false;                                  // an APE tag too
};

enum class Damage {
    Empty,           // zero bytes
    Text,            // a text file with an .mp3 name
    Truncated,       // a 4 s tone cut after 40% of its bytes (its Xing header claims 4 s)
    GarbageInMiddle, // a 4 s tone with 20 KB of random bytes in the middle
    RandomBytes,     // 64 KB of random bytes
    HugeId3v2,       // an ID3v2 header claiming 256 MB, followed by a short tone
};

// Encodes `tone` into folder/name and returns the path.
std::filesystem::path WriteToneMp3(const std::filesystem::path& folder, const std::string& name,
                                   const ToneSpec& tone = {});

// Replaces the tags of an existing file with `tags` (other tag types are removed).
void WriteTags(const std::filesystem::path& file, const TagSpec& tags);

// A frame of a hand-made ID3v2 tag: its id (3 characters for ID3v2.2, else 4), its two flag
// bytes (ID3v2.3 and 2.4) and its content.
struct RawFrame {
    std::string id;
    std::vector<std::uint8_t> content;
    std::uint16_t flags = 0;
    bool operator==(const RawFrame&) const = default;
};

// Content of a text frame: encoding 0 (Latin-1, `text` taken byte for byte), 1 (`text` is
// UTF-8, stored as UTF-16 with a byte order mark) or 3 (UTF-8).
std::vector<std::uint8_t> TextContent(const std::string& text, int encoding = 0);
// Content of a comment frame, Latin-1: language, description, text.
std::vector<std::uint8_t> CommentContent(const std::string& description, const std::string& text,
                                         const std::string& language = "eng");

// Puts an ID3v2 tag of version `major` (2, 3 or 4) holding `frames` and `padding` zero bytes
// in front of the file, replacing an ID3v2 tag it begins with. No unsynchronisation.
void PrependId3v2(const std::filesystem::path& file, int major, const std::vector<RawFrame>& frames,
                  std::size_t padding = 0);
// The frames of the ID3v2 tag the file begins with, in order; its version in `major` (0: none).
std::vector<RawFrame> ReadId3v2Frames(const std::filesystem::path& file, int* major = nullptr);

// Writes a damaged file of the given kind into folder/name and returns the path.
std::filesystem::path WriteDamagedMp3(const std::filesystem::path& folder,
                                      const std::string& name, Damage damage);

// Whole contents of a file (for byte-identity checks).
std::vector<std::uint8_t> ReadBytes(const std::filesystem::path& file);

// A fresh folder under the system temporary folder, removed with its contents on destruction.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::filesystem::path& Path() const noexcept { return path_; }

private:
    std::filesystem::path path_;
};

} // namespace telbo::test
