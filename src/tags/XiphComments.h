#pragma once
// A Vorbis comment (FLAC's comment block, the second header packet of Ogg Vorbis and Opus) as
// its raw entries, so that a write changes the fields it means to and keeps every other entry
// byte for byte: TagLib cuts a value at a NUL and re-encodes what is not valid UTF-8.

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace telbo::tags {

class XiphComment {
public:
    // A new, empty comment.
    XiphComment() = default;
    // Parses a comment (without the codec's packet marker). Nothing when the lengths it
    // declares run past the end of `data`: the comment is damaged.
    static std::optional<XiphComment> Parse(std::span<const std::uint8_t> data);

    // The values of `key` (any case), in order.
    std::vector<std::string> Values(std::string_view key) const;
    // Gives the first entry of `key` (any case) the value and removes the others; an empty
    // value removes them all. A new key goes to the end.
    void Set(std::string_view key, const std::string& value);

    // Sets the fields marked in `change` (title, artist, album, year, genre, comment, as in
    // TagRead) to `wanted`, under the keys other programs read them from. A year keeps the
    // month and day of a full date.
    void SetFields(const std::array<std::string, 6>& wanted, const std::array<bool, 6>& change);

    std::vector<std::uint8_t> Render() const;

private:
    std::string vendor_ = "Telbo";
    std::vector<std::string> entries_; // "KEY=value" as stored
    // What follows the entries: Vorbis's framing bit, Opus's extra data.
    std::vector<std::uint8_t> tail_;
};

} // namespace telbo::tags
