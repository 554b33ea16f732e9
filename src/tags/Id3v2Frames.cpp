#include "tags/Id3v2Frames.h"

#include "tags/FileProbe.h"

#include <taglib/tstring.h>

#include <algorithm>

namespace telbo::tags {

namespace {

constexpr std::uint8_t kUnsync = 0x80;
constexpr std::uint8_t kExtendedHeader = 0x40; // ID3v2.2: compression
constexpr std::uint8_t kFooter = 0x10;
constexpr std::uint64_t kPadding = 1024;

enum Encoding : std::uint8_t { kLatin1 = 0, kUtf16 = 1, kUtf16BE = 2, kUtf8 = 3 };

std::uint32_t BigEndian(const std::uint8_t* p, int bytes) {
    std::uint32_t v = 0;
    for (int i = 0; i < bytes; ++i) v = v << 8 | p[i];
    return v;
}

void PutSynchsafe(std::vector<std::uint8_t>& out, std::uint64_t v) {
    for (int shift = 21; shift >= 0; shift -= 7)
        out.push_back(static_cast<std::uint8_t>((v >> shift) & 0x7F));
}

void PutBigEndian(std::vector<std::uint8_t>& out, std::uint64_t v, int bytes) {
    for (int i = bytes - 1; i >= 0; --i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

bool IsIdChar(std::uint8_t c) { return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'); }

void Append(std::vector<std::uint8_t>& out, const TagLib::ByteVector& v) {
    out.insert(out.end(), v.begin(), v.end());
}

// Removes the 0x00 that unsynchronisation puts after each 0xFF.
std::vector<std::uint8_t> Resynchronised(std::span<const std::uint8_t> data) {
    std::vector<std::uint8_t> out;
    out.reserve(data.size());
    for (std::size_t i = 0; i < data.size(); ++i) {
        out.push_back(data[i]);
        if (data[i] == 0xFF && i + 1 < data.size() && data[i + 1] == 0x00) ++i;
    }
    return out;
}

// Puts a 0x00 after each 0xFF that is followed by 0x00 or by 0xE0 and above, and after a
// final 0xFF.
std::vector<std::uint8_t> Unsynchronised(std::span<const std::uint8_t> data) {
    std::vector<std::uint8_t> out;
    out.reserve(data.size() + data.size() / 64);
    for (std::size_t i = 0; i < data.size(); ++i) {
        out.push_back(data[i]);
        if (data[i] == 0xFF && (i + 1 == data.size() || data[i + 1] == 0x00 || data[i + 1] >= 0xE0))
            out.push_back(0x00);
    }
    return out;
}

} // namespace

std::optional<Id3v2Frames> Id3v2Frames::Parse(std::span<const std::uint8_t> tag,
                                              std::string& error) {
    const Id3v2Header h = ParseId3v2Header(tag);
    if (!h.Known() || h.size > tag.size()) {
        error = "damaged ID3v2 tag";
        return std::nullopt;
    }
    if (h.major == 2 && (h.flags & kExtendedHeader)) {
        error = "compressed ID3v2.2 tag";
        return std::nullopt;
    }
    Id3v2Frames t(h.major);
    t.revision_ = tag[4];
    t.flags_ = h.flags;
    const bool footer = h.major == 4 && (h.flags & kFooter);
    const std::size_t bodyEnd = static_cast<std::size_t>(h.size) - (footer ? 10 : 0);
    t.bodySize_ = bodyEnd - 10;
    std::vector<std::uint8_t> body(tag.begin() + 10, tag.begin() + static_cast<std::ptrdiff_t>(bodyEnd));
    // Up to ID3v2.3 unsynchronisation covers the whole body; from 2.4 on each frame says so.
    if (h.major <= 3 && (h.flags & kUnsync)) body = Resynchronised(body);

    std::size_t pos = 0;
    if (h.major >= 3 && (h.flags & kExtendedHeader)) {
        if (body.size() < 4) {
            error = "damaged ID3v2 tag";
            return std::nullopt;
        }
        pos = h.major == 3 ? 4 + std::size_t{BigEndian(body.data(), 4)} : Synchsafe(body.data());
        if (pos > body.size()) {
            error = "damaged ID3v2 tag";
            return std::nullopt;
        }
    }
    const std::size_t headerBytes = t.HeaderBytes();
    const std::size_t idBytes = h.major == 2 ? 3 : 4;
    while (pos + headerBytes <= body.size()) {
        const std::uint8_t* p = body.data() + pos;
        if (!std::all_of(p, p + idBytes, IsIdChar)) break;
        std::uint64_t size = 0;
        if (h.major == 2) size = BigEndian(p + 3, 3);
        else if (h.major == 3) size = BigEndian(p + 4, 4);
        else size = Synchsafe(p + 4);
        if (size > body.size() - pos - headerBytes) break;
        Id3v2Frame f;
        f.id.assign(p, p + idBytes);
        f.bytes.assign(p, p + headerBytes + size);
        t.frames_.push_back(std::move(f));
        pos += headerBytes + static_cast<std::size_t>(size);
    }
    std::size_t tailEnd = body.size();
    while (tailEnd > pos && body[tailEnd - 1] == 0) --tailEnd;
    t.tail_.assign(body.begin() + static_cast<std::ptrdiff_t>(pos),
                   body.begin() + static_cast<std::ptrdiff_t>(tailEnd));
    return t;
}

std::vector<std::uint8_t> Id3v2Frames::Render(std::uint64_t minBody) const {
    std::vector<std::uint8_t> body;
    for (const Id3v2Frame& f : frames_) body.insert(body.end(), f.bytes.begin(), f.bytes.end());
    body.insert(body.end(), tail_.begin(), tail_.end());
    std::uint8_t flags = flags_ & ~kExtendedHeader; // an old CRC would no longer match
    if (major_ == 4) flags &= ~kUnsync; // the kept frames carry their own unsync flags
    if (major_ <= 3 && (flags & kUnsync)) body = Unsynchronised(body);
    // A footer only helps find a tag from a file's end. TagLib does not read the last ten bytes
    // of frames of a tag that has one, and it forbids padding: the tags written here go without.
    flags &= ~kFooter;
    body.resize(body.size() <= minBody ? minBody : body.size() + kPadding, 0);

    std::vector<std::uint8_t> out = {'I', 'D', '3', static_cast<std::uint8_t>(major_), revision_,
                                     flags};
    PutSynchsafe(out, body.size());
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

std::vector<std::uint8_t> Id3v2Frames::Frame(const std::string& id,
                                             std::vector<std::uint8_t> content) const {
    std::vector<std::uint8_t> out(id.begin(), id.end());
    if (major_ == 2) {
        PutBigEndian(out, content.size(), 3);
    } else {
        if (major_ == 3) PutBigEndian(out, content.size(), 4);
        else PutSynchsafe(out, content.size());
        out.push_back(0);
        out.push_back(0);
    }
    out.insert(out.end(), content.begin(), content.end());
    return out;
}

std::vector<std::uint8_t> Id3v2Frames::TextFrame(const std::string& id,
                                                 const std::string& text) const {
    const TagLib::String s(text, TagLib::String::UTF8);
    std::vector<std::uint8_t> content;
    if (s.isLatin1()) {
        content.push_back(kLatin1);
        Append(content, s.data(TagLib::String::Latin1));
    } else if (major_ == 4) {
        content.push_back(kUtf8);
        Append(content, s.data(TagLib::String::UTF8));
    } else {
        content.push_back(kUtf16);
        Append(content, s.data(TagLib::String::UTF16)); // with its byte order mark
    }
    return Frame(id, std::move(content));
}

std::vector<std::uint8_t> Id3v2Frames::CommentFrame(const std::string& language,
                                                    const std::string& text) const {
    const TagLib::String s(text, TagLib::String::UTF8);
    std::vector<std::uint8_t> content;
    const std::uint8_t encoding = s.isLatin1() ? kLatin1 : major_ == 4 ? kUtf8 : kUtf16;
    content.push_back(encoding);
    content.insert(content.end(), language.begin(), language.end());
    if (encoding == kUtf16) {
        content.insert(content.end(), {0xFF, 0xFE, 0, 0}); // empty description
        Append(content, s.data(TagLib::String::UTF16));
    } else {
        content.push_back(0);
        Append(content, s.data(encoding == kLatin1 ? TagLib::String::Latin1 : TagLib::String::UTF8));
    }
    return Frame(major_ == 2 ? "COM" : "COMM", std::move(content));
}

namespace {

// The content of a frame, with grouping byte, data length and unsynchronisation undone;
// nothing for compressed or encrypted frames.
std::optional<std::vector<std::uint8_t>> Content(int major, const Id3v2Frame& f) {
    const std::size_t header = major == 2 ? 6 : 10;
    if (f.bytes.size() < header) return std::nullopt;
    std::size_t skip = 0;
    bool unsync = false;
    if (major == 3) {
        const std::uint8_t format = f.bytes[9];
        if (format & 0xC0) return std::nullopt;
        if (format & 0x20) skip = 1;
    } else if (major == 4) {
        const std::uint8_t format = f.bytes[9];
        if (format & 0x0C) return std::nullopt;
        if (format & 0x40) skip += 1;
        if (format & 0x01) skip += 4;
        unsync = format & 0x02;
    }
    if (f.bytes.size() < header + skip) return std::nullopt;
    const std::span<const std::uint8_t> data(f.bytes.data() + header + skip,
                                             f.bytes.size() - header - skip);
    if (unsync) return Resynchronised(data);
    return std::vector<std::uint8_t>(data.begin(), data.end());
}

} // namespace

bool Id3v2Frames::IsPlainComment(const Id3v2Frame& frame, std::string* language) const {
    if (frame.id != (major_ == 2 ? "COM" : "COMM")) return false;
    const auto c = Content(major_, frame);
    if (!c || c->size() < 5) return false;
    const std::vector<std::uint8_t>& d = *c;
    bool plain = false;
    switch (d[0]) {
    case kLatin1:
    case kUtf8:
        plain = d[4] == 0;
        break;
    case kUtf16:
    case kUtf16BE: {
        std::size_t at = 4;
        if (d.size() >= 6 && ((d[4] == 0xFF && d[5] == 0xFE) || (d[4] == 0xFE && d[5] == 0xFF)))
            at = 6;
        plain = d.size() >= at + 2 && d[at] == 0 && d[at + 1] == 0;
        break;
    }
    default:
        break;
    }
    if (plain && language) language->assign(d.begin() + 1, d.begin() + 4);
    return plain;
}

std::optional<std::string> Id3v2Frames::SimpleText(const Id3v2Frame& frame) const {
    const auto c = Content(major_, frame);
    if (!c || c->empty() || ((*c)[0] != kLatin1 && (*c)[0] != kUtf8)) return std::nullopt;
    std::string text(c->begin() + 1, c->end());
    return text.substr(0, text.find('\0'));
}

void SetFields(Id3v2Frames& tag, const std::array<std::string, 6>& wanted,
               const std::array<bool, 6>& change) {
    enum { kYear = 3, kComment = 5, kFields = 6 };
    const bool v22 = tag.Major() == 2;
    const std::array<std::string, kFields> ids =
        v22 ? std::array<std::string, kFields>{"TT2", "TP1", "TAL", "TYE", "TCO", "COM"}
            : std::array<std::string, kFields>{"TIT2", "TPE1", "TALB",
                                               tag.Major() == 3 ? "TYER" : "TDRC", "TCON", "COMM"};
    for (int i = 0; i < kFields; ++i) {
        if (!change[static_cast<std::size_t>(i)]) continue;
        const std::string& value = wanted[static_cast<std::size_t>(i)];
        if (i == kComment) {
            std::string language = "XXX";
            for (const Id3v2Frame& f : tag.Frames())
                if (tag.IsPlainComment(f, &language)) break;
            if (language.size() != 3) language = "XXX";
            tag.Replace([&](const Id3v2Frame& f) { return tag.IsPlainComment(f); },
                        value.empty() ? std::vector<std::uint8_t>{} : tag.CommentFrame(language, value));
            continue;
        }
        std::string text = value;
        if (i == kYear && tag.Major() == 4 && !value.empty()) {
            // A full date keeps its month and day.
            for (const Id3v2Frame& f : tag.Frames()) {
                if (f.id != "TDRC") continue;
                const auto old = tag.SimpleText(f);
                if (old && old->size() > 4 && (*old)[4] == '-') text += old->substr(4);
                break;
            }
        }
        const std::string& id = ids[static_cast<std::size_t>(i)];
        tag.Replace(
            [&](const Id3v2Frame& f) {
                return f.id == id || (i == kYear && !v22 && (f.id == "TYER" || f.id == "TDRC"));
            },
            text.empty() ? std::vector<std::uint8_t>{} : tag.TextFrame(id, text));
    }
}

} // namespace telbo::tags
