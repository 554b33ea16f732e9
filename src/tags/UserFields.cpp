#include "tags/UserFields.h"
#include "tags/TagLibRawFile.h"

#include "tags/Id3v2Frames.h"
#include "tags/FileProbe.h"
#include "tags/RecordTexts.h"

#include <taglib/aifffile.h>
#include <taglib/flacfile.h>
#include <taglib/id3v2framefactory.h>
#include <taglib/id3v2tag.h>
#include <taglib/opusfile.h>
#include <taglib/textidentificationframe.h>
#include <taglib/tfile.h>
#include <taglib/tfilestream.h>
#include <taglib/vorbisfile.h>
#include <taglib/wavfile.h>
#include <taglib/xiphcomment.h>

#include <unistd.h>

#include <memory>

namespace telbo::tags {

namespace {


std::string Upper(std::string s) {
    for (char& c : s)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return s;
}

std::optional<std::string> FromTxxx(const TagLib::ID3v2::Tag* tag, const std::string& name) {
    if (!tag) return std::nullopt;
    for (const TagLib::ID3v2::Frame* f : tag->frameList("TXXX")) {
        const auto* t = dynamic_cast<const TagLib::ID3v2::UserTextIdentificationFrame*>(f);
        if (!t || Upper(Utf8(t->description())) != Upper(name)) continue;
        const TagLib::StringList list = t->fieldList();
        return list.size() > 1 ? Utf8(list[1]) : std::string();
    }
    return std::nullopt;
}

std::optional<std::string> FromXiph(const TagLib::Ogg::XiphComment* xiph, const std::string& name) {
    if (!xiph) return std::nullopt;
    const auto& map = xiph->fieldListMap();
    const auto it = map.find(FromUtf8(Upper(name)));
    if (it == map.end() || it->second.isEmpty()) return std::nullopt;
    return Utf8(it->second.front());
}

// The description of a TXXX frame in upper case, in any of the four encodings (ASCII is all a
// ReplayGain name needs from UTF-16); nothing for frames it cannot read.
std::optional<std::string> TxxxName(const Id3v2Frames& tag, const Id3v2Frame& frame) {
    const std::size_t header = tag.Major() == 2 ? 6 : 10;
    const bool plain = tag.Major() == 2 ||
                       (frame.bytes.size() >= header && frame.bytes[8] == 0 && frame.bytes[9] == 0);
    if (!plain || frame.bytes.size() <= header) {
        const auto text = tag.SimpleText(frame);
        if (!text) return std::nullopt;
        return Upper(*text);
    }
    const std::uint8_t* p = frame.bytes.data() + header;
    const std::size_t n = frame.bytes.size() - header;
    std::string name;
    if (p[0] == 0 || p[0] == 3) {
        for (std::size_t i = 1; i < n && p[i] != 0; ++i)
            name += static_cast<char>(p[i]);
        return Upper(name);
    }
    // UTF-16: with a byte order mark (1) or big-endian (2).
    bool bigEndian = p[0] == 2;
    std::size_t i = 1;
    if (p[0] == 1 && n >= 3) {
        bigEndian = p[1] == 0xFE && p[2] == 0xFF;
        i = 3;
    }
    for (; i + 1 < n; i += 2) {
        const unsigned unit = bigEndian ? (p[i] << 8) | p[i + 1] : (p[i + 1] << 8) | p[i];
        if (unit == 0) break;
        name += unit < 0x80 ? static_cast<char>(unit) : '?';
    }
    return Upper(name);
}

void SetTxxx(TagLib::ID3v2::Tag& tag, const TagFields& fields) {
    for (const auto& [name, value] : fields) {
        const TagLib::ID3v2::FrameList frames = tag.frameList("TXXX");
        for (TagLib::ID3v2::Frame* f : frames) {
            const auto* t = dynamic_cast<const TagLib::ID3v2::UserTextIdentificationFrame*>(f);
            if (t && Upper(Utf8(t->description())) == Upper(name)) tag.removeFrame(f, true);
        }
        tag.addFrame(new TagLib::ID3v2::UserTextIdentificationFrame(
            FromUtf8(name), TagLib::StringList(FromUtf8(value)), TagLib::String::Latin1));
    }
}

void SetXiph(TagLib::Ogg::XiphComment& xiph, const TagFields& fields) {
    for (const auto& [name, value] : fields)
        xiph.addField(FromUtf8(Upper(name)), FromUtf8(value), true);
}

} // namespace

std::optional<std::string> ReadUserField(int fd, TagFormat format, const FileProbe* layout,
                                         const std::string& name) {
    const int own = ::dup(fd);
    if (own < 0) return std::nullopt;
    ::lseek(own, 0, SEEK_SET);
    TagLib::FileStream stream(own, true);
    if (!stream.isOpen()) return std::nullopt;
    switch (format) {
    case TagFormat::None: {
        if (!layout || !layout->IsMp3() || !layout->id3v2Fits || layout->id3v2.major == 0 ||
            layout->id3v2.size > kMaxId3v2Bytes)
            return std::nullopt;
        RawFile file(&stream);
        const TagLib::ID3v2::Tag tag(&file, 0);
        return FromTxxx(&tag, name);
    }
    case TagFormat::Flac: {
        TagLib::FLAC::File f(&stream, TagLib::ID3v2::FrameFactory::instance(), false);
        return f.isValid() && f.hasXiphComment() ? FromXiph(f.xiphComment(), name) : std::nullopt;
    }
    case TagFormat::OggVorbis: {
        TagLib::Ogg::Vorbis::File f(&stream, false);
        return f.isValid() ? FromXiph(f.tag(), name) : std::nullopt;
    }
    case TagFormat::OggOpus: {
        TagLib::Ogg::Opus::File f(&stream, false);
        return f.isValid() ? FromXiph(f.tag(), name) : std::nullopt;
    }
    case TagFormat::Wav: {
        TagLib::RIFF::WAV::File f(&stream, false);
        return f.isValid() && f.hasID3v2Tag() ? FromTxxx(f.ID3v2Tag(), name) : std::nullopt;
    }
    case TagFormat::Aiff: {
        TagLib::RIFF::AIFF::File f(&stream, false);
        return f.isValid() && f.hasID3v2Tag() ? FromTxxx(f.tag(), name) : std::nullopt;
    }
    }
    return std::nullopt;
}

void SetUserTextFrames(Id3v2Frames& tag, const TagFields& fields) {
    const std::string id = tag.Major() == 2 ? "TXX" : "TXXX";
    for (const auto& [name, value] : fields) {
        const std::string wanted = Upper(name);
        // Encoding, description, NUL, value: a plain text frame's layout with the NUL inside.
        std::vector<std::uint8_t> frame = tag.TextFrame(id, name + std::string(1, '\0') + value);
        tag.Replace(
            [&](const Id3v2Frame& f) {
                if (f.id != id) return false;
                const auto description = TxxxName(tag, f);
                return description && *description == wanted;
            },
            std::move(frame));
    }
}

bool WriteUserFields(int fd, TagFormat format, const TagFields& fields) {
    const int own = ::dup(fd);
    if (own < 0) return false;
    ::lseek(own, 0, SEEK_SET);
    TagLib::FileStream stream(own, false);
    if (!stream.isOpen() || stream.readOnly()) return false;
    switch (format) {
    case TagFormat::Flac: {
        TagLib::FLAC::File f(&stream, TagLib::ID3v2::FrameFactory::instance(), false);
        if (!f.isValid()) return false;
        SetXiph(*f.xiphComment(true), fields);
        return f.save();
    }
    case TagFormat::OggVorbis: {
        TagLib::Ogg::Vorbis::File f(&stream, false);
        if (!f.isValid()) return false;
        SetXiph(*f.tag(), fields);
        return f.save();
    }
    case TagFormat::OggOpus: {
        TagLib::Ogg::Opus::File f(&stream, false);
        if (!f.isValid()) return false;
        SetXiph(*f.tag(), fields);
        return f.save();
    }
    case TagFormat::Wav: {
        TagLib::RIFF::WAV::File f(&stream, false);
        if (!f.isValid()) return false;
        const bool info = f.hasInfoTag();
        const auto version = f.hasID3v2Tag() && f.ID3v2Tag()->header()->majorVersion() == 3
                                 ? TagLib::ID3v2::v3
                                 : TagLib::ID3v2::v4;
        SetTxxx(*f.ID3v2Tag(), fields);
        const auto types = static_cast<TagLib::RIFF::WAV::File::TagTypes>(
            TagLib::RIFF::WAV::File::ID3v2 | (info ? TagLib::RIFF::WAV::File::Info : 0));
        return f.save(types, TagLib::File::StripNone, version);
    }
    case TagFormat::Aiff: {
        TagLib::RIFF::AIFF::File f(&stream, false);
        if (!f.isValid()) return false;
        const bool v3 = f.hasID3v2Tag() && f.tag()->header()->majorVersion() == 3;
        SetTxxx(*f.tag(), fields);
        return f.save(v3 ? TagLib::ID3v2::v3 : TagLib::ID3v2::v4);
    }
    case TagFormat::None:
        break;
    }
    return false;
}

} // namespace telbo::tags
