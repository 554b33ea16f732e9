// The raw ID3v2 frame editor, through a real tag write: random tags of every version, with
// random frames, sizes and flags; writing a record and reading it back gives the record, and
// every frame the record does not own stays byte for byte.

#include "EngineTestSupport.h"

#include "TagWrites.h"

#include <gtest/gtest.h>

#include <fstream>
#include <random>
#include <set>

namespace telbo::test {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

struct Frame {
    std::string id;
    Bytes bytes; // header and content
    bool operator==(const Frame&) const = default;
};

void PutSize(Bytes& out, std::size_t v, int bytes, bool synchsafe) {
    for (int i = bytes - 1; i >= 0; --i)
        out.push_back(static_cast<std::uint8_t>(synchsafe ? (v >> (7 * i)) & 0x7F : v >> (8 * i)));
}

std::size_t GetSize(const std::uint8_t* p, int bytes, bool synchsafe) {
    std::size_t v = 0;
    for (int i = 0; i < bytes; ++i)
        v = (v << (synchsafe ? 7 : 8)) | p[i];
    return v;
}

// Written here rather than borrowed from the engine, so that both cannot share a mistake.
Bytes Unsync(const Bytes& in) {
    Bytes out;
    for (std::size_t i = 0; i < in.size(); ++i) {
        out.push_back(in[i]);
        if (in[i] == 0xFF && (i + 1 == in.size() || in[i + 1] == 0 || in[i + 1] >= 0xE0))
            out.push_back(0);
    }
    return out;
}

Bytes Resync(const Bytes& in) {
    Bytes out;
    for (std::size_t i = 0; i < in.size(); ++i) {
        out.push_back(in[i]);
        if (in[i] == 0xFF && i + 1 < in.size() && in[i + 1] == 0) ++i;
    }
    return out;
}

Frame MakeFrame(int major, const std::string& id, const Bytes& content, std::uint16_t flags) {
    Frame f{id, Bytes(id.begin(), id.end())};
    PutSize(f.bytes, content.size(), major == 2 ? 3 : 4, major == 4);
    if (major != 2) {
        f.bytes.push_back(static_cast<std::uint8_t>(flags >> 8));
        f.bytes.push_back(static_cast<std::uint8_t>(flags));
    }
    f.bytes.insert(f.bytes.end(), content.begin(), content.end());
    return f;
}

// The frames of the tag a file begins with.
std::vector<Frame> FramesOf(const Bytes& file, int& major) {
    major = file.size() >= 10 && file[0] == 'I' && file[1] == 'D' && file[2] == '3' ? file[3] : 0;
    if (!major) return {};
    const std::size_t size = GetSize(&file[6], 4, true);
    Bytes body(file.begin() + 10, file.begin() + 10 + static_cast<std::ptrdiff_t>(size));
    if (major <= 3 && (file[5] & 0x80)) body = Resync(body);
    std::size_t at = 0;
    if (major >= 3 && (file[5] & 0x40))
        at = major == 3 ? 4 + GetSize(body.data(), 4, false) : GetSize(body.data(), 4, true);
    const std::size_t header = major == 2 ? 6 : 10, idBytes = major == 2 ? 3 : 4;
    std::vector<Frame> frames;
    while (at + header <= body.size() && body[at] != 0) {
        const std::size_t n = GetSize(&body[at + idBytes], major == 2 ? 3 : 4, major == 4);
        if (at + header + n > body.size()) break;
        frames.push_back({std::string(body.begin() + static_cast<std::ptrdiff_t>(at),
                                      body.begin() + static_cast<std::ptrdiff_t>(at + idBytes)),
                          Bytes(body.begin() + static_cast<std::ptrdiff_t>(at),
                                body.begin() + static_cast<std::ptrdiff_t>(at + header + n))});
        at += header + n;
    }
    return frames;
}

class Id3v2PropertyTest : public ::testing::TestWithParam<int>, protected TagWrites {
protected:
    TempFolder dir_;
};

TEST_P(Id3v2PropertyTest, WritingARecordReadsBackAndKeepsEveryOtherFrame) {
    const int major = GetParam();
    ToneSpec tone;
    tone.seconds = 0.3;
    const Bytes audio = ReadBytes(WriteToneMp3(dir_.Path(), "tone.mp3", tone));
    const std::set<std::string> owned =
        major == 2 ? std::set<std::string>{"TT2", "TP1", "TAL", "TYE", "TCO", "COM"}
                   : std::set<std::string>{"TIT2", "TPE1", "TALB", "TYER", "TDRC", "TCON", "COMM"};
    const std::vector<std::string> others =
        major == 2 ? std::vector<std::string>{"TXX", "TRK", "PIC", "ULT", "WXX", "XYZ"}
                   : std::vector<std::string>{"TXXX", "TRCK", "APIC", "PRIV", "GEOB", "XABC"};
    const std::vector<std::string> texts = {"", "Plain", "Caf\xc3\xa9", "\xe6\x97\xa5\xe6\x9c\xac",
                                            std::string(128, 'L')};
    std::mt19937 random(static_cast<unsigned>(major) * 7919u);
    auto pick = [&](std::size_t n) {
        return std::uniform_int_distribution<std::size_t>(0, n - 1)(random);
    };

    for (int round = 0; round < 60; ++round) {
        SCOPED_TRACE("version " + std::to_string(major) + ", round " + std::to_string(round));
        std::vector<Frame> frames;
        if (pick(2))
            frames.push_back(MakeFrame(major, major == 2 ? "TT2" : "TIT2", {0, 'O', 'l', 'd'}, 0));
        for (std::size_t i = pick(6); i > 0; --i) {
            Bytes content(pick(300) + 1);
            for (auto& b : content)
                b = static_cast<std::uint8_t>(pick(4) == 0 ? 0xFF : pick(256));
            // Any status flags; format flags for grouping, compression, encryption,
            // unsynchronisation and a data length, as the version has them.
            const auto flags = static_cast<std::uint16_t>(
                major == 2 ? 0
                           : (pick(256) << 8 & (major == 3 ? 0xE000 : 0x7000)) |
                                 (pick(256) & (major == 3 ? 0xE0 : 0x4F)));
            frames.push_back(MakeFrame(major, others[pick(others.size())], content, flags));
        }
        Bytes body;
        if (major >= 3 && pick(3) == 0) { // an extended header
            body = major == 3 ? Bytes{0, 0, 0, 6, 0, 0, 0, 0, 0, 0} : Bytes{0, 0, 0, 6, 1, 0};
        }
        std::uint8_t flags = body.empty() ? 0 : 0x40;
        for (const Frame& f : frames)
            body.insert(body.end(), f.bytes.begin(), f.bytes.end());
        const bool footer = major == 4 && pick(3) == 0;
        if (!footer) body.resize(body.size() + pick(3) * pick(40), 0); // often too little padding
        if (major <= 3 && pick(2)) {
            body = Unsync(body);
            flags |= 0x80;
        }
        if (footer) flags |= 0x10;
        Bytes file = {'I', 'D', '3', static_cast<std::uint8_t>(major), 0, flags};
        PutSize(file, body.size(), 4, true);
        file.insert(file.end(), body.begin(), body.end());
        if (footer) {
            file.insert(file.end(), {'3', 'D', 'I', 4, 0, flags});
            PutSize(file, body.size(), 4, true);
        }
        file.insert(file.end(), audio.begin(), audio.end());
        const fs::path path = dir_.Path() / "t.mp3";
        std::ofstream(path, std::ios::binary | std::ios::trunc)
            .write(reinterpret_cast<const char*>(file.data()),
                   static_cast<std::streamsize>(file.size()));

        TagRecord r;
        r.Title.Fill(texts[pick(texts.size())]);
        r.Artist.Fill(texts[pick(texts.size())]);
        r.Album.Fill(texts[pick(texts.size())]);
        r.Comment.Fill(texts[pick(texts.size())]);
        r.Year.Fill(std::vector<std::string>{"", "1999", "2024"}[pick(3)]);
        r.GenreNumber = std::vector<int>{-1, 17, 79}[pick(3)];
        r.GenreName.Fill(r.GenreNumber == 17 ? "Rock" : r.GenreNumber == 79 ? "Hard Rock" : "");
        ASSERT_TRUE(WriteTag(path.string(), r))
            << Problem();
        TagRecord read;
        ASSERT_TRUE(tags_.Read(path.string(), read));
        EXPECT_EQ(read.Title.Shown(), r.Title.Shown());
        EXPECT_EQ(read.Artist.Shown(), r.Artist.Shown());
        EXPECT_EQ(read.Album.Shown(), r.Album.Shown());
        EXPECT_EQ(read.Comment.Shown(), r.Comment.Shown());
        EXPECT_EQ(read.Year.Shown(), r.Year.Shown());
        EXPECT_EQ(read.GenreNumber, r.GenreNumber);

        const Bytes after = ReadBytes(path);
        int now = 0;
        std::vector<Frame> kept = FramesOf(after, now);
        std::erase_if(kept, [&](const Frame& f) { return owned.count(f.id) != 0; });
        std::erase_if(frames, [&](const Frame& f) { return owned.count(f.id) != 0; });
        if (!kept.empty() || !frames.empty()) {
            EXPECT_EQ(now, major);
        }
        EXPECT_TRUE(kept == frames);
        ASSERT_GE(after.size(), audio.size());
        EXPECT_TRUE(std::equal(audio.begin(), audio.end(),
                               after.end() - static_cast<std::ptrdiff_t>(audio.size())));
    }
}

INSTANTIATE_TEST_SUITE_P(EveryVersion, Id3v2PropertyTest, ::testing::Values(2, 3, 4));

} // namespace
} // namespace telbo::test
