// The probe on bytes made by hand: frame headers, the stream's confirmation, and the layout of
// small files (ID3v2 headers, tags in front and behind, container marks).

#include "tags/FileProbe.h"
#include "support/Mp3Fixture.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <fstream>

namespace telbo::test {
namespace {

using Bytes = std::vector<std::uint8_t>;
using tags::FileKind;

// MPEG-1 layer III, 44.1 kHz, 128 kbit/s, stereo: frames of 417 bytes (418 padded).
constexpr std::uint8_t kFrame[4] = {0xFF, 0xFB, 0x90, 0x00};

Bytes Frames(int count, std::uint8_t bitrateBits = 0x90, std::size_t length = 417) {
    Bytes b;
    for (int i = 0; i < count; ++i) {
        const std::size_t at = b.size();
        b.resize(at + length, 0);
        std::copy(kFrame, kFrame + 4, b.begin() + static_cast<std::ptrdiff_t>(at));
        b[at + 2] = bitrateBits;
    }
    return b;
}

Bytes Id3(int major, std::size_t body, std::uint8_t flags = 0) {
    Bytes t = {'I', 'D', '3', static_cast<std::uint8_t>(major), 0, flags};
    for (int shift = 21; shift >= 0; shift -= 7)
        t.push_back(static_cast<std::uint8_t>((body >> shift) & 0x7F));
    t.resize(t.size() + body, 0);
    return t;
}

Bytes operator+(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

TEST(FileProbeTest, FrameHeadersAndTheirStreamsAreReadAsTheDecoderReadsThem) {
    const auto f = tags::ParseMpegFrame(kFrame);
    ASSERT_TRUE(f);
    EXPECT_EQ(f->length, 417u);
    EXPECT_EQ(f->rate, 44100);
    EXPECT_EQ(f->channels, 2);
    for (const Bytes& reserved : {Bytes{0xFF, 0xEB, 0x90, 0}, Bytes{0xFF, 0xF9, 0x90, 0},
                                  Bytes{0xFF, 0xFB, 0xF0, 0}, Bytes{0xFF, 0xFB, 0x9C, 0}})
        EXPECT_FALSE(tags::ParseMpegFrame(reserved.data()));
    EXPECT_EQ(tags::ParseMpegFrame(Bytes{0xFF, 0xFB, 0x00, 0}.data())->length, 0u); // free

    const std::size_t npos = static_cast<std::size_t>(-1);
    const Bytes junk = {0xFF, 0xFB, 0x90, 0x00, 1, 2, 3}; // a header the next one fails
    struct Case {
        const char* what;
        Bytes data;
        std::size_t searchEnd;
        std::size_t at;
    } cases[] = {
        {"two frames", Frames(2), 1000, 0},
        {"behind junk", junk + Frames(2), 1000, junk.size()},
        {"one frame is no stream", Frames(1), 1000, npos},
        {"found only from searchEnd on", junk + Frames(2), 3, npos},
        {"free format", Frames(3, 0x00, 384), 1000, 0},
        {"nothing", Bytes(2000, 0xFF), 2000, npos},
    };
    for (const Case& c : cases)
        EXPECT_EQ(tags::FindMpegStream(c.data, c.searchEnd), c.at) << c.what;
}

TEST(FileProbeTest, FilesAreTakenApartTagsStreamAndTrailers) {
    TempFolder dir;
    Bytes v1 = {'T', 'A', 'G'};
    v1.resize(128, 0);
    Bytes lying = {'I', 'D', '3', 4, 0, 0, 0x7F, 0x7F, 0x7F, 0x7F};
    Bytes wav = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E'};
    Bytes avi = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'A', 'V', 'I', ' '};
    struct Case {
        const char* what;
        Bytes bytes;
        FileKind kind;
        int tags;
        std::uint64_t audioStart, tagsEnd, streamStart, trailerStart;
    } cases[] = {
        {"bare", Frames(3), FileKind::Mp3, 0, 0, 0, 0, 1251},
        {"a chain of tags and ID3v1", Id3(3, 20) + Id3(4, 30) + Frames(2) + v1, FileKind::Mp3, 2,
         30, 70, 70, 70 + 834},
        {"a lying tag", lying + Frames(3), FileKind::Mp3, 0, 0, 10, 10, 1261},
        {"a version we do not know", Id3(9, 20) + Frames(3), FileKind::Mp3, 1, 0, 30, 30, 1281},
        {"a footer", Id3(4, 20, 0x10) + Bytes(10, 0) + Frames(2), FileKind::Mp3, 1, 40, 40, 40,
         874},
        {"no footer before 2.4", Id3(3, 20, 0x10) + Frames(2), FileKind::Mp3, 1, 30, 30, 30, 864},
        {"no synchsafe size", Bytes{'I', 'D', '3', 3, 0, 0, 0, 0, 0x80, 0} + Frames(2),
         FileKind::Mp3, 0, 0, 0, 10, 844},
        {"frames in another RIFF", avi + Frames(3), FileKind::Unknown, 0, 0, 0, 0, 1263},
        {"WAV", wav, FileKind::Wav, 0, 0, 0, 0, 12},
        {"FLAC behind a tag", Id3(3, 5) + Bytes{'f', 'L', 'a', 'C'}, FileKind::Flac, 1, 15, 15, 0,
         19},
        {"no stream", Id3(3, 5) + Bytes(5000, 0), FileKind::Unknown, 1, 15, 15, 0, 5015},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const auto file = dir.Path() / "f";
        std::ofstream(file, std::ios::binary | std::ios::trunc)
            .write(reinterpret_cast<const char*>(c.bytes.data()),
                   static_cast<std::streamsize>(c.bytes.size()));
        const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
        tags::FileProbe p;
        ASSERT_TRUE(tags::ProbeFile(fd, p));
        ::close(fd);
        EXPECT_EQ(p.kind, c.kind);
        EXPECT_EQ(p.id3v2Tags, c.tags);
        EXPECT_EQ(p.audioStart, c.audioStart);
        EXPECT_EQ(p.tagsEnd, c.tagsEnd);
        EXPECT_EQ(p.mpeg ? p.streamStart : 0, c.streamStart);
        EXPECT_EQ(p.trailerStart, c.trailerStart);
    }
}

} // namespace
} // namespace telbo::test
