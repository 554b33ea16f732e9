// Writes the seed corpus of fuzz_tag_io into the folder named by its argument: short files of
// every format, tagged in the ways other programs tag them, and ID3v2 tags in every layout
// the editor must keep (unsynchronised, extended headers, a footer, compressed and encrypted
// frames, a tag with no room left in its padding).
#include "support/AudioFixture.h"
#include "support/Mp3Fixture.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;
using namespace telbo::test;

void PutBe(Bytes& out, std::size_t v, int bytes, bool synchsafe) {
    for (int i = bytes - 1; i >= 0; --i)
        out.push_back(static_cast<std::uint8_t>(synchsafe ? (v >> (7 * i)) & 0x7F : v >> (8 * i)));
}

void PutLe32(Bytes& out, std::size_t v) {
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

Bytes Text(const std::string& s) {
    return Bytes(s.begin(), s.end());
}

// A literal's bytes, NULs inside included.
template <std::size_t N> Bytes Lit(const char (&s)[N]) {
    return Bytes(s, s + N - 1);
}

Bytes Frame(int major, const std::string& id, const Bytes& content, std::uint16_t flags = 0) {
    Bytes f = Text(id);
    PutBe(f, content.size(), major == 2 ? 3 : 4, major == 4);
    if (major != 2) PutBe(f, flags, 2, false);
    f.insert(f.end(), content.begin(), content.end());
    return f;
}

// Content stored whole in a zlib stream (deflate's stored block): what a compressed frame holds.
Bytes Zlib(const Bytes& data) {
    Bytes z = {0x78, 0x01, 0x01};
    z.push_back(static_cast<std::uint8_t>(data.size()));
    z.push_back(static_cast<std::uint8_t>(data.size() >> 8));
    z.push_back(static_cast<std::uint8_t>(~data.size()));
    z.push_back(static_cast<std::uint8_t>(~data.size() >> 8));
    z.insert(z.end(), data.begin(), data.end());
    std::uint32_t a = 1, b = 0;
    for (const std::uint8_t c : data) {
        a = (a + c) % 65521;
        b = (b + a) % 65521;
    }
    PutBe(z, b << 16 | a, 4, false);
    return z;
}

Bytes Unsynchronised(const Bytes& in) {
    Bytes out;
    for (std::size_t i = 0; i < in.size(); ++i) {
        out.push_back(in[i]);
        if (in[i] == 0xFF && (i + 1 == in.size() || in[i + 1] == 0 || in[i + 1] >= 0xE0))
            out.push_back(0);
    }
    return out;
}

// A whole tag: `extended` goes before the frames, `padding` zeros after them.
Bytes Tag(int major, std::uint8_t flags, const Bytes& extended, const std::vector<Bytes>& frames,
          std::size_t padding) {
    Bytes body = extended;
    for (const Bytes& f : frames)
        body.insert(body.end(), f.begin(), f.end());
    body.resize(body.size() + padding, 0);
    if (major <= 3 && (flags & 0x80)) body = Unsynchronised(body);
    Bytes tag = {'I', 'D', '3', static_cast<std::uint8_t>(major), 0, flags};
    PutBe(tag, body.size(), 4, true);
    tag.insert(tag.end(), body.begin(), body.end());
    if (flags & 0x10) {
        tag.insert(tag.end(), {'3', 'D', 'I', static_cast<std::uint8_t>(major), 0, flags});
        PutBe(tag, body.size(), 4, true);
    }
    return tag;
}

Bytes Read(const fs::path& file) {
    std::ifstream f(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

void Write(const fs::path& file, const Bytes& b) {
    std::ofstream(file, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
}

void Prepend(const fs::path& file, const Bytes& tag) {
    Bytes b = tag;
    const Bytes rest = Read(file);
    b.insert(b.end(), rest.begin(), rest.end());
    Write(file, b);
}

// RIFF INFO (a LIST chunk) appended to a WAV file.
void AppendInfo(const fs::path& file) {
    Bytes b = Read(file);
    Bytes list = Text("INFO");
    for (const auto& [id, text] : {std::pair<std::string, std::string>{"INAM", "Info title"},
                                   {"IART", "Info artist"},
                                   {"ICRD", "2004"},
                                   {"IGNR", "Rock"}}) {
        list.insert(list.end(), id.begin(), id.end());
        PutLe32(list, text.size() + 1);
        list.insert(list.end(), text.begin(), text.end());
        list.push_back(0);
        if (list.size() & 1) list.push_back(0);
    }
    b.insert(b.end(), {'L', 'I', 'S', 'T'});
    PutLe32(b, list.size());
    b.insert(b.end(), list.begin(), list.end());
    Bytes size;
    PutLe32(size, b.size() - 8);
    std::copy(size.begin(), size.end(), b.begin() + 4);
    Write(file, b);
}

// The comment block of a FLAC file (fLaC at its start) replaced by `entries`, declared
// `cut` bytes shorter than it is.
void SetFlacComment(const fs::path& file, const std::vector<std::string>& entries,
                    std::size_t cut) {
    const Bytes b = Read(file);
    Bytes out = Text("fLaC");
    std::size_t at = 4;
    for (bool last = false; !last && at + 4 <= b.size();) {
        last = b[at] & 0x80;
        const std::size_t length = std::size_t{b[at + 1]} << 16 | b[at + 2] << 8 | b[at + 3];
        if ((b[at] & 0x7F) != 4) {
            out.push_back(b[at] & 0x7F);
            out.insert(out.end(), b.begin() + static_cast<std::ptrdiff_t>(at + 1),
                       b.begin() + static_cast<std::ptrdiff_t>(at + 4 + length));
        }
        at += 4 + length;
    }
    Bytes comment;
    PutLe32(comment, 5);
    comment.insert(comment.end(), {'s', 'e', 'e', 'd', 's'});
    PutLe32(comment, entries.size());
    for (const std::string& e : entries) {
        PutLe32(comment, e.size());
        comment.insert(comment.end(), e.begin(), e.end());
    }
    out.push_back(0x84);
    PutBe(out, comment.size() - cut, 3, false);
    out.insert(out.end(), comment.begin(), comment.end());
    out.insert(out.end(), b.begin() + static_cast<std::ptrdiff_t>(at), b.end());
    Write(file, out);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 2;
    }
    const fs::path folder = argv[1];
    fs::create_directories(folder);
    ToneSpec tone;
    tone.seconds = 0.2; // a few frames of about 100 bytes
    tone.sampleRate = 11025;
    tone.channels = 1;
    tone.bitrateKbps = 16;
    tone.xingHeader = false; // it does not fit in frames this small
    auto tone_file = [&](const std::string& name) { return WriteToneMp3(folder, name, tone); };

    tone_file("bare.mp3");
    WriteTags(tone_file("v24.mp3"),
              TagSpec{"Title", "Artist", "Album", "note", "Rock", 1999, 4, false, false});
    WriteTags(tone_file("v23-v1-ape.mp3"),
              TagSpec{"Caf\xc3\xa9", "Artist", "", "c", "Shoegaze", 99, 3, true, true});
    WriteTags(tone_file("v1.mp3"), TagSpec{"Only v1", "", "", "", "Jazz", 1987, 0, true, false});
    const auto described = tone_file("described.mp3");
    PrependId3v2(described, 3,
                 {RawFrame{"TIT2", TextContent("\xe6\x9d\xb1\xe4\xba\xac", 1), 0},
                  RawFrame{"COMM", CommentContent("iTunNORM", " 0000"), 0},
                  RawFrame{"COMM", CommentContent("", "plain"), 0},
                  RawFrame{"TXXX", TextContent(std::string("GAIN\0-1 dB", 10)), 0x4000}},
                 16);
    PrependId3v2(tone_file("v22.mp3"), 2,
                 {RawFrame{"TT2", TextContent("Old"), 0}, RawFrame{"TYE", TextContent("85"), 0},
                  RawFrame{"RVA", {3, 16, 1, 0, 1, 0}, 0}},
                 8);

    // ID3v2 layouts, in front of the same MP3 stream.
    const Bytes title = Lit("\0Old \xff\xe0 title"); // 0xFF needs unsync
    const Bytes priv = Lit("owner\0\xff\x00\xff\xf1\xff");
    const Bytes text = Lit("\0Compressed");
    Bytes compressed3 = {0, 0, 0, static_cast<std::uint8_t>(text.size())}; // size before
    const Bytes z = Zlib(text);
    compressed3.insert(compressed3.end(), z.begin(), z.end());
    Bytes compressed4 = compressed3; // the data length indicator, synchsafe
    const Bytes encrypted = {0x80, 0x12, 0x34, 0x56, 0x78};
    struct Layout {
        const char* name;
        Bytes tag;
    };
    const Layout layouts[] = {
        {"v23-unsync.mp3", Tag(3, 0x80, {}, {Frame(3, "TIT2", title), Frame(3, "PRIV", priv)}, 32)},
        {"v22-unsync.mp3", Tag(2, 0x80, {}, {Frame(2, "TT2", title), Frame(2, "TAL", title)}, 8)},
        // Extended headers: ID3v2.3's with a CRC, ID3v2.4's with "tag is an update".
        {"v23-extended.mp3",
         Tag(3, 0x40, {0, 0, 0, 10, 0x80, 0, 0, 0, 0, 16, 0xDE, 0xAD, 0xBE, 0xEF},
             {Frame(3, "TIT2", title), Frame(3, "TPE1", Lit("\0Artist"))}, 16)},
        {"v24-extended.mp3", Tag(4, 0x40, {0, 0, 0, 7, 1, 0x40, 0}, {Frame(4, "TIT2", title)}, 16)},
        {"v24-footer.mp3", Tag(4, 0x10, {}, {Frame(4, "TIT2", title), Frame(4, "PRIV", priv)}, 0)},
        {"v23-compressed-encrypted.mp3",
         Tag(3, 0, {},
             {Frame(3, "TIT2", compressed3, 0x0080), Frame(3, "TPE1", encrypted, 0x0040),
              Frame(3, "TALB", Lit("\x01Grouped"), 0x0020)},
             16)},
        {"v24-compressed-encrypted.mp3",
         Tag(4, 0, {},
             {Frame(4, "TIT2", compressed4, 0x0009), Frame(4, "TPE1", encrypted, 0x0004),
              Frame(4, "TALB", Lit("\0Un\xff\x00sync"), 0x0002)},
             16)},
        // No padding left: any longer field must grow the tag.
        {"outgrown.mp3", Tag(3, 0, {}, {Frame(3, "TIT2", Lit("\0T"))}, 0)},
    };
    for (const Layout& l : layouts)
        Prepend(tone_file(l.name), l.tag);

    // The other formats, as short as their encoders allow.
    AudioSpec sound;
    sound.sampleRate = 8000;
    sound.channels = 1;
    sound.frames = 800;
    for (const Container c :
         {Container::Wav, Container::Aiff, Container::Flac, Container::Vorbis, Container::Opus}) {
        sound.container = c;
        WriteAudio(folder, "plain." + ExtensionOf(c), sound);
    }
    sound.container = Container::Wav;
    AppendInfo(WriteAudio(folder, "info.wav", sound));
    const fs::path rf64 = WriteAudio(folder, "rf64.wav", sound);
    Bytes b = Read(rf64);
    std::copy_n("RF64", 4, b.begin());
    Write(rf64, b);
    sound.container = Container::Flac;
    const std::vector<std::string> entries = {"TITLE=T", "ARTIST=A", "DATE=2001-05-12",
                                              std::string("NOTE=a\0b", 8)};
    SetFlacComment(WriteAudio(folder, "comment.flac", sound), entries, 0);
    SetFlacComment(WriteAudio(folder, "short-block.flac", sound), entries, 9);
    Prepend(WriteAudio(folder, "id3-front.flac", sound),
            Tag(3, 0, {}, {Frame(3, "TIT2", title), Frame(3, "PRIV", priv)}, 16));
    return 0;
}
