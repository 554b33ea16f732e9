// Embedded covers: which picture each format's tags give, and which pictures are passed over.

#include "tags/CoverArt.h"
#include "support/AudioFixture.h"
#include "support/Mp3Fixture.h"

#include <gtest/gtest.h>

#include <taglib/attachedpictureframe.h>
#include <taglib/flacfile.h>
#include <taglib/flacpicture.h>
#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>
#include <taglib/opusfile.h>
#include <taglib/vorbisfile.h>
#include <taglib/xiphcomment.h>

#include <optional>

namespace telbo::test {
namespace {

namespace fs = std::filesystem;
using tags::ReadCoverArt;

// A picture as a file would carry it: only its first bytes matter to the reader.
std::string Image(const char* magic, char fill, std::size_t size = 64) {
    std::string b(magic);
    if (b.starts_with("RIFF")) b += std::string("\x10\0\0\0WEBP", 8);
    b.resize(std::max(size, b.size()), fill);
    return b;
}
const std::string kJpeg = Image("\xFF\xD8\xFF\xE0", 'j');
const std::string kPng = Image("\x89PNG\r\n\x1A\n", 'p');
const std::string kWebp = Image("RIFF", 'w');
const std::string kDamaged = Image("<html>", 'x'); // not an image at all
const std::string kOversize = Image("\xFF\xD8\xFF\xE0", 'o', tags::kMaxCoverBytes + 1);

enum class Holder { Apic, FlacBlock, XiphPicture, CoverArtEntry };
struct Pic {
    Holder holder;
    bool front;
    const std::string* bytes;
};

TagLib::ByteVector Vector(const std::string& s) {
    return TagLib::ByteVector(s.data(), static_cast<unsigned int>(s.size()));
}

TagLib::FLAC::Picture* FlacPicture(const Pic& p) {
    auto* picture = new TagLib::FLAC::Picture;
    picture->setType(p.front ? TagLib::FLAC::Picture::FrontCover : TagLib::FLAC::Picture::Other);
    picture->setMimeType("image/jpeg"); // what a careless tagger writes for any image
    picture->setData(Vector(*p.bytes));
    return picture;
}

void AddToXiph(TagLib::Ogg::XiphComment* xiph, const Pic& p) {
    if (p.holder == Holder::CoverArtEntry)
        xiph->addField("COVERART",
                       TagLib::String(Vector(*p.bytes).toBase64(), TagLib::String::Latin1), false);
    else
        xiph->addPicture(FlacPicture(p));
}

template <class OggFile> void TagXiph(const fs::path& file, const std::vector<Pic>& pics) {
    OggFile f(file.c_str());
    for (const Pic& p : pics)
        AddToXiph(f.tag(), p);
    EXPECT_TRUE(f.save());
}

// A file of the kind `ext` ("mp3", "flac", "ogg", "opus") holding `pics`.
fs::path MakeFile(const fs::path& dir, const std::string& name, const std::string& ext,
                  const std::vector<Pic>& pics) {
    fs::path file;
    if (ext == "mp3") {
        file = WriteToneMp3(dir, name + ".mp3");
        TagLib::MPEG::File f(file.c_str());
        for (const Pic& p : pics) {
            auto* frame = new TagLib::ID3v2::AttachedPictureFrame;
            frame->setType(p.front ? TagLib::ID3v2::AttachedPictureFrame::FrontCover
                                   : TagLib::ID3v2::AttachedPictureFrame::BackCover);
            frame->setMimeType("image/jpeg");
            frame->setPicture(Vector(*p.bytes));
            f.ID3v2Tag(true)->addFrame(frame);
        }
        EXPECT_TRUE(f.save(TagLib::MPEG::File::ID3v2));
        return file;
    }
    AudioSpec s;
    s.container = ext == "flac"  ? Container::Flac
                  : ext == "ogg" ? Container::Vorbis
                                 : Container::Opus;
    s.frames = 4410;
    file = WriteAudio(dir, name + "." + ext, s);
    if (ext == "flac") {
        TagLib::FLAC::File f(file.c_str());
        for (const Pic& p : pics)
            f.addPicture(FlacPicture(p));
        EXPECT_TRUE(f.save());
    } else if (ext == "ogg") {
        TagXiph<TagLib::Ogg::Vorbis::File>(file, pics);
    } else {
        TagXiph<TagLib::Ogg::Opus::File>(file, pics);
    }
    return file;
}

TEST(CoverArtTest, EachFormatGivesItsFrontCoverElseAnyGoodPicture) {
    TempFolder dir;
    using H = Holder;
    const struct {
        const char* ext;
        std::vector<Pic> pics;
        const std::string* want; // null: no cover
        const char* mime;
    } cases[] = {
        {"mp3", {{H::Apic, false, &kPng}, {H::Apic, true, &kJpeg}}, &kJpeg, "image/jpeg"},
        {"mp3", {{H::Apic, false, &kPng}}, &kPng, "image/png"},
        {"mp3", {{H::Apic, true, &kDamaged}, {H::Apic, false, &kWebp}}, &kWebp, "image/webp"},
        {"mp3", {{H::Apic, true, &kOversize}, {H::Apic, false, &kPng}}, &kPng, "image/png"},
        {"mp3", {{H::Apic, true, &kDamaged}}, nullptr, ""},
        {"flac", {{H::FlacBlock, false, &kJpeg}, {H::FlacBlock, true, &kPng}}, &kPng, "image/png"},
        {"flac", {}, nullptr, ""},
        {"ogg", {{H::XiphPicture, true, &kJpeg}}, &kJpeg, "image/jpeg"},
        {"opus", {{H::XiphPicture, false, &kPng}}, &kPng, "image/png"},
        {"ogg", {{H::CoverArtEntry, false, &kJpeg}}, &kJpeg, "image/jpeg"},
        {"opus", {{H::CoverArtEntry, false, &kJpeg}, {H::XiphPicture, true, &kWebp}}, &kWebp,
         "image/webp"},
        {"ogg", {{H::CoverArtEntry, false, &kDamaged}}, nullptr, ""},
    };
    int n = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "case " << n << " " << c.ext);
        const fs::path file = MakeFile(dir.Path(), "f" + std::to_string(n++), c.ext, c.pics);
        const std::optional<CoverPicture> got = ReadCoverArt(file.string());
        ASSERT_EQ(got.has_value(), c.want != nullptr);
        if (!got) continue;
        EXPECT_EQ(got->mime, c.mime);
        EXPECT_TRUE(std::string(got->bytes.begin(), got->bytes.end()) == *c.want);
    }
    // Not audio, or not there: nothing, and no exception.
    EXPECT_FALSE(ReadCoverArt((dir.Path() / "missing.mp3").string()));
    EXPECT_FALSE(
        ReadCoverArt(WriteDamagedMp3(dir.Path(), "junk.mp3", Damage::RandomBytes).string()));
}

} // namespace
} // namespace telbo::test
