#include "tags/RecordTexts.h"
#include "tags/Id3v2Frames.h"
#include "tags/TagLibRawFile.h"

#include <taglib/apetag.h>
#include <taglib/commentsframe.h>
#include <taglib/id3v1genres.h>
#include <taglib/id3v1tag.h>
#include <taglib/id3v2tag.h>
#include <taglib/tbytevectorstream.h>
#include <taglib/tfilestream.h>

#include <optional>
#include <vector>

namespace telbo::tags {

std::string Utf8(const TagLib::String& s) { return s.to8Bit(true); }
TagLib::String FromUtf8(const std::string& s) { return TagLib::String(s, TagLib::String::UTF8); }

int GenreIndexIgnoringCase(const std::string& name, int count) {
    const TagLib::StringList list = TagLib::ID3v1::genreList();
    for (int i = 0; i < count && i < static_cast<int>(list.size()); ++i)
        if (SameIgnoringCase(Utf8(list[static_cast<unsigned>(i)]), name)) return i;
    return -1;
}

Fields ReadMp3Fields(int fd, const FileProbe& layout) {
    Fields out;
    TagLib::FileStream stream(::dup(fd), true); // the stream closes its own descriptor
    if (!stream.isOpen()) return out;
    RawFile file(&stream);
    auto take = [&](const TagLib::Tag& t, const std::string& comment) {
        const std::string values[kFields] = {
            Utf8(t.title()), Utf8(t.artist()), Utf8(t.album()),
            t.year() ? std::to_string(t.year()) : std::string(), Utf8(t.genre()), comment};
        for (int i = 0; i < kFields; ++i)
            if (out[i].empty()) out[i] = values[i];
    };
    auto takeId3v2 = [&](const TagLib::ID3v2::Tag& v2) {
        // Only the comment without a description is the comment: iTunNORM and the like are not.
        std::string comment;
        for (const TagLib::ID3v2::Frame* f : v2.frameList("COMM")) {
            const auto* c = dynamic_cast<const TagLib::ID3v2::CommentsFrame*>(f);
            if (c && c->description().isEmpty()) {
                comment = Utf8(c->text());
                break;
            }
        }
        take(v2, comment);
    };
    if (layout.id3v2Fits && layout.IsMp3() && layout.id3v2.size <= kMaxId3v2Bytes) {
        // TagLib skips an ID3v2.3 extended header by the wrong length and misses the frames
        // in the last ten bytes before a footer: it is given the frames as the editor writes
        // them, without either, so that what a write checks is what the file holds.
        std::vector<std::uint8_t> bytes;
        std::string why;
        std::optional<Id3v2Frames> frames;
        if (ReadAt(fd, 0, static_cast<std::size_t>(layout.id3v2.size), bytes))
            frames = Id3v2Frames::Parse(bytes, why);
        if (frames) {
            const std::vector<std::uint8_t> plain = frames->Render(0);
            TagLib::ByteVectorStream tagStream(TagLib::ByteVector(
                reinterpret_cast<const char*>(plain.data()), static_cast<unsigned>(plain.size())));
            RawFile tagFile(&tagStream);
            takeId3v2(TagLib::ID3v2::Tag(&tagFile, 0));
        } else {
            takeId3v2(TagLib::ID3v2::Tag(&file, 0));
        }
    }
    if (layout.hasApe) {
        const TagLib::APE::Tag ape(&file, static_cast<long>(layout.apeFooter));
        take(ape, Utf8(ape.comment()));
    }
    if (layout.hasId3v1) {
        const TagLib::ID3v1::Tag v1(&file, static_cast<long>(layout.fileSize - 128));
        take(v1, Utf8(v1.comment()));
    }
    return out;
}

} // namespace telbo::tags
