#pragma once
// What reading and writing the player's record share: the six fields as texts, the padding
// rules, the genre list, and the MP3 tags' fields as TagLib reads them. Inside the tags
// library only.

#include "decoder/Records.h"
#include "tags/FileProbe.h"

#include <taglib/tstring.h>

#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace telbo::tags {


inline constexpr int kLastClassicGenre = 147;
inline constexpr std::size_t kFieldWidth = 128;

std::string Utf8(const TagLib::String& s);
TagLib::String FromUtf8(const std::string& s);

// The player pads its fields with blanks, a C caller with NULs: neither belongs in the file.
inline std::string Trimmed(const std::string& raw) {
    std::string s = raw.substr(0, raw.find('\0'));
    while (!s.empty() && (s.back() == ' ' || s.back() == '\0')) s.pop_back();
    return s;
}

// A text as the record shows it: cut to the field's width, padding dropped.
inline std::string AsShown(const std::string& text) {
    return Trimmed(text.substr(0, Utf8PrefixBytes(text, kFieldWidth)));
}

inline bool SameIgnoringCase(std::string_view a, std::string_view b) {
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [&](char x, char y) { return lower(x) == lower(y); });
}

// The number of the genre named `name` in any case, among the first `count` of TagLib's list.
int GenreIndexIgnoringCase(const std::string& name, int count);

// The six fields, as texts.
enum Field { kTitle, kArtist, kAlbum, kYear, kGenre, kComment, kFields };
using Fields = std::array<std::string, kFields>;
inline constexpr const char* kFieldNames[kFields] = {"title", "artist", "album", "year", "genre",
                                              "comment"};

inline unsigned YearNumber(const std::string& year) {
    unsigned n = 0;
    for (const char c : year) {
        if (c < '0' || c > '9') return 0;
        n = n * 10 + static_cast<unsigned>(c - '0');
    }
    return n;
}

// A file descriptor that closes itself.
class Fd {
public:
    explicit Fd(int fd) noexcept : fd_(fd) {}
    ~Fd() {
        if (fd_ >= 0) ::close(fd_);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int Get() const noexcept { return fd_; }
    bool Close() noexcept {
        const int fd = fd_;
        fd_ = -1;
        return fd < 0 || ::close(fd) == 0;
    }

private:
    int fd_;
};

// What the MP3 file `fd` shows, field by field: ID3v2, then APE, then ID3v1 (TagLib's own
// order). The year is its number as text, "" for none.
Fields ReadMp3Fields(int fd, const FileProbe& layout);

} // namespace telbo::tags
