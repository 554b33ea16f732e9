// Embedded covers: which picture each format's tags give, and which pictures are passed over.

#include "engine/CoverArt.h"
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
using engine::ReadCoverArt;
using namespace std::string_literals;

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
const std::string kOversize = Image("\xFF\xD8\xFF\xE0", 'o', engine::kMaxCoverBytes + 1);

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
        for (const Pic& p : pics) {
            if (p.holder == Holder::FlacBlock)
                f.addPicture(FlacPicture(p));
            else
                AddToXiph(f.xiphComment(true), p);
        }
        EXPECT_TRUE(f.save());
    } else if (ext == "ogg") {
        TagLib::Ogg::Vorbis::File f(file.c_str());
        for (const Pic& p : pics)
            AddToXiph(f.tag(), p);
        EXPECT_TRUE(f.save());
    } else {
        TagLib::Ogg::Opus::File f(file.c_str());
        for (const Pic& p : pics)
            AddToXiph(f.tag(), p);
        EXPECT_TRUE(f.save());
    }
    return file;
}

TEST(CoverArtTest, EachFormatGivesItsFrontCoverElseAnyGoodPicture) {
    TempFolder dir;
    const struct {
        const char* name;
        const char* ext;
        std::vector<Pic> pics;
        const std::string* want; // null: no cover
        const char* mime;
    } cases[] = {
        {"apic front after other",
         "mp3",
         {{Holder::Apic, false, &kPng}, {Holder::Apic, true, &kJpeg}},
         &kJpeg,
         "image/jpeg"},
        {"apic other only", "mp3", {{Holder::Apic, false, &kPng}}, &kPng, "image/png"},
        {"apic damaged front",
         "mp3",
         {{Holder::Apic, true, &kDamaged}, {Holder::Apic, false, &kWebp}},
         &kWebp,
         "image/webp"},
        {"apic oversize front",
         "mp3",
         {{Holder::Apic, true, &kOversize}, {Holder::Apic, false, &kPng}},
         &kPng,
         "image/png"},
        {"apic damaged only", "mp3", {{Holder::Apic, true, &kDamaged}}, nullptr, ""},
        {"mp3 no picture", "mp3", {}, nullptr, ""},
        {"flac picture block",
         "flac",
         {{Holder::FlacBlock, false, &kJpeg}, {Holder::FlacBlock, true, &kPng}},
         &kPng,
         "image/png"},
        {"flac no picture", "flac", {}, nullptr, ""},
        {"vorbis block picture",
         "ogg",
         {{Holder::XiphPicture, true, &kJpeg}},
         &kJpeg,
         "image/jpeg"},
        {"opus block picture", "opus", {{Holder::XiphPicture, false, &kPng}}, &kPng, "image/png"},
        {"vorbis coverart", "ogg", {{Holder::CoverArtEntry, false, &kJpeg}}, &kJpeg, "image/jpeg"},
        {"opus block beats coverart",
         "opus",
         {{Holder::CoverArtEntry, false, &kJpeg}, {Holder::XiphPicture, true, &kWebp}},
         &kWebp,
         "image/webp"},
        {"vorbis damaged coverart",
         "ogg",
         {{Holder::CoverArtEntry, false, &kDamaged}},
         nullptr,
         ""},
    };
    int n = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const fs::path file = MakeFile(dir.Path(), "f" + std::to_string(n++), c.ext, c.pics);
        const std::optional<CoverPicture> got = ReadCoverArt(file.string());
        if (!c.want) {
            EXPECT_FALSE(got);
            continue;
        }
        ASSERT_TRUE(got);
        EXPECT_EQ(got->mime, c.mime);
        EXPECT_TRUE(std::string(got->bytes.begin(), got->bytes.end()) == *c.want);
    }
    // Not audio, or not there: nothing, and no exception.
    EXPECT_FALSE(ReadCoverArt((dir.Path() / "missing.mp3").string()));
    EXPECT_FALSE(
        ReadCoverArt(WriteDamagedMp3(dir.Path(), "junk.mp3", Damage::RandomBytes).string()));
}

TEST(CoverArtTest, ImageMimeGoesByTheFirstBytes) {
    const struct {
        std::string bytes;
        const char* mime;
    } cases[] = {
        {kJpeg, "image/jpeg"},
        {kPng, "image/png"},
        {kWebp, "image/webp"},
        {"GIF89a....", "image/gif"},
        {"GIF87a", "image/gif"},
        {"RIFF\0\0\0\0WAVE"s, ""},
        {"\xFF\xD8", ""},
        {"\x89PNG", ""},
        {"", ""},
        {kDamaged, ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(engine::ImageMime(c.bytes), c.mime) << c.bytes.substr(0, 8);
}

} // namespace
} // namespace telbo::test
