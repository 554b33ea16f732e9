#include "tags/CoverArt.h"
#include "tags/TagFormats.h"

#include <taglib/aifffile.h>
#include <taglib/attachedpictureframe.h>
#include <taglib/flacfile.h>
#include <taglib/flacpicture.h>
#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>
#include <taglib/opusfile.h>
#include <taglib/vorbisfile.h>
#include <taglib/wavfile.h>
#include <taglib/xiphcomment.h>

#include <fcntl.h>
#include <unistd.h>

#include <vector>

namespace telbo::tags {

namespace {

// One candidate as the file stores it; `front` marks a front cover.
struct Candidate {
    TagLib::ByteVector data;
    bool front = false;
};

// The first good front cover, else the first good picture of any other kind, in file order.
std::optional<CoverPicture> Choose(const std::vector<Candidate>& found) {
    for (const bool wantFront : {true, false}) {
        for (const Candidate& c : found) {
            if (wantFront && !c.front) continue;
            if (c.data.size() > kMaxCoverBytes) continue;
            const std::string_view bytes(c.data.data(), c.data.size());
            std::string mime = ImageMime(bytes);
            if (mime.empty()) continue;
            return CoverPicture{std::move(mime), {bytes.begin(), bytes.end()}};
        }
    }
    return std::nullopt;
}

void AddId3v2(TagLib::ID3v2::Tag* tag, std::vector<Candidate>& found) {
    if (!tag) return;
    for (const TagLib::ID3v2::Frame* frame : tag->frameList("APIC")) {
        const auto* apic = dynamic_cast<const TagLib::ID3v2::AttachedPictureFrame*>(frame);
        if (apic)
            found.push_back(
                {apic->picture(), apic->type() == TagLib::ID3v2::AttachedPictureFrame::FrontCover});
    }
}

void AddPictures(const TagLib::List<TagLib::FLAC::Picture*>& pictures,
                 std::vector<Candidate>& found) {
    for (const TagLib::FLAC::Picture* p : pictures)
        found.push_back({p->data(), p->type() == TagLib::FLAC::Picture::FrontCover});
}

void AddXiph(TagLib::Ogg::XiphComment* xiph, std::vector<Candidate>& found) {
    if (!xiph) return;
    AddPictures(xiph->pictureList(), found);
    // The older form: the image itself in base64, no picture type (taken as a front cover
    // only when nothing newer says otherwise, so after the picture entries).
    const auto fields = xiph->fieldListMap();
    const auto it = fields.find("COVERART");
    if (it == fields.end()) return;
    for (const TagLib::String& text : it->second) {
        // Base64 is 4/3 of the bytes: a larger text cannot hold a picture we would take.
        if (text.size() / 4 * 3 > kMaxCoverBytes) continue;
        found.push_back({TagLib::ByteVector::fromBase64(text.data(TagLib::String::Latin1)), false});
    }
}

TagFormat FormatOf(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return TagFormat::None;
    const TagFormat format = TagFormatOf(fd);
    ::close(fd);
    return format;
}

} // namespace

std::string ImageMime(std::string_view b) noexcept {
    const auto starts = [&](std::size_t at, std::string_view magic) {
        return b.size() >= at + magic.size() && b.substr(at, magic.size()) == magic;
    };
    if (starts(0, "\xFF\xD8\xFF")) return "image/jpeg";
    if (starts(0, "\x89PNG\r\n\x1A\n")) return "image/png";
    if (starts(0, "RIFF") && starts(8, "WEBP")) return "image/webp";
    if (starts(0, "GIF87a") || starts(0, "GIF89a")) return "image/gif";
    return {};
}

std::optional<CoverPicture> ReadCoverArt(const std::string& path) {
    try {
        std::vector<Candidate> found;
        const TagLib::FileName name(path.c_str());
        switch (FormatOf(path)) {
        case TagFormat::Flac: {
            TagLib::FLAC::File f(name, false);
            if (!f.isValid()) return std::nullopt;
            AddPictures(f.pictureList(), found);
            AddXiph(f.xiphComment(), found);
            AddId3v2(f.ID3v2Tag(), found);
            break;
        }
        case TagFormat::OggVorbis: {
            TagLib::Ogg::Vorbis::File f(name, false);
            if (!f.isValid()) return std::nullopt;
            AddXiph(f.tag(), found);
            break;
        }
        case TagFormat::OggOpus: {
            TagLib::Ogg::Opus::File f(name, false);
            if (!f.isValid()) return std::nullopt;
            AddXiph(f.tag(), found);
            break;
        }
        case TagFormat::Wav: {
            TagLib::RIFF::WAV::File f(name, false);
            if (!f.isValid()) return std::nullopt;
            AddId3v2(f.ID3v2Tag(), found);
            break;
        }
        case TagFormat::Aiff: {
            TagLib::RIFF::AIFF::File f(name, false);
            if (!f.isValid()) return std::nullopt;
            AddId3v2(f.tag(), found);
            break;
        }
        case TagFormat::None: {
            TagLib::MPEG::File f(name, false);
            if (!f.isValid()) return std::nullopt;
            AddId3v2(f.ID3v2Tag(), found);
            break;
        }
        }
        return Choose(found);
    } catch (...) {
        // A damaged tag that TagLib gives up on has no cover for us.
        return std::nullopt;
    }
}

} // namespace telbo::tags
