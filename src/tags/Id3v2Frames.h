#pragma once
// An ID3v2 tag as a list of raw frames, so that a write changes the frames it means to and
// keeps every other frame byte for byte. TagLib re-renders every frame it saves (blank frame
// flags, text re-encoded, ID3v2.3 dates rebuilt) and cannot write ID3v2.2 at all.

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace telbo::tags {

struct Id3v2Frame {
    std::string id;
    std::vector<std::uint8_t> bytes; // header and content as stored (tag-level unsync removed)
};

class Id3v2Frames {
public:
    // A new, empty tag of version `major` (2, 3 or 4).
    explicit Id3v2Frames(int major) : major_(major) {}
    // Splits a whole tag (header included). Nothing when it is none or cannot be kept whole:
    // `error` then says why.
    static std::optional<Id3v2Frames> Parse(std::span<const std::uint8_t> tag, std::string& error);

    int Major() const noexcept { return major_; }
    const std::vector<Id3v2Frame>& Frames() const noexcept { return frames_; }

    // Removes the frames `matches` accepts and puts `frame` (when not empty) where the first
    // of them was, or first: TagLib stops reading at a frame it cannot take, and a new frame
    // behind one would be lost to it.
    template <typename Match> void Replace(Match matches, std::vector<std::uint8_t> frame);

    // The tag; its body is padded to `minBody` bytes when it fits in them.
    std::vector<std::uint8_t> Render(std::uint64_t minBody) const;
    // The body size (frames and padding) of the parsed tag.
    std::uint64_t BodySize() const noexcept { return bodySize_; }

    // Frame makers for this tag's version. `id` has the version's length; UTF-8 text.
    std::vector<std::uint8_t> TextFrame(const std::string& id, const std::string& text) const;
    std::vector<std::uint8_t> CommentFrame(const std::string& language,
                                           const std::string& text) const;
    // A comment frame without description (what a player shows as "the comment"), and its
    // language. Frames this cannot decode (compressed, encrypted) count as described.
    bool IsPlainComment(const Id3v2Frame& frame, std::string* language = nullptr) const;
    // The Latin-1 or UTF-8 text of a plain text frame; nothing for other encodings or flags.
    std::optional<std::string> SimpleText(const Id3v2Frame& frame) const;

private:
    std::size_t HeaderBytes() const noexcept { return major_ == 2 ? 6 : 10; }
    std::vector<std::uint8_t> Frame(const std::string& id, std::vector<std::uint8_t> content) const;

    int major_;
    std::uint8_t revision_ = 0;
    std::uint8_t flags_ = 0;
    std::uint64_t bodySize_ = 0;
    std::vector<Id3v2Frame> frames_;
    // Bytes after the last frame that are not padding (a damaged frame, a writer's leftovers):
    // kept as they were.
    std::vector<std::uint8_t> tail_;
};

// Sets the frames of the fields marked in `change` (title, artist, album, year, genre,
// comment, as in TagRead) to `wanted`, in the tag's version; every other frame stays as it was.
// A year keeps the month and day of an ID3v2.4 date.
void SetFields(Id3v2Frames& tag, const std::array<std::string, 6>& wanted,
               const std::array<bool, 6>& change);

template <typename Match>
void Id3v2Frames::Replace(Match matches, std::vector<std::uint8_t> frame) {
    std::size_t at = 0;
    bool found = false;
    std::vector<Id3v2Frame> kept;
    for (Id3v2Frame& f : frames_) {
        if (matches(f)) {
            if (!found) at = kept.size();
            found = true;
        } else {
            kept.push_back(std::move(f));
        }
    }
    if (!frame.empty()) {
        Id3v2Frame f;
        f.id.assign(frame.begin(), frame.begin() + (major_ == 2 ? 3 : 4));
        f.bytes = std::move(frame);
        kept.insert(kept.begin() + static_cast<std::ptrdiff_t>(at), std::move(f));
    }
    frames_ = std::move(kept);
}

} // namespace telbo::tags
