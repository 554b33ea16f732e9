// Tags: reading, writing, keeping what is not ours to change, and failing safely.

#include "EngineTestSupport.h"

#include "TagWrites.h"
#include "support/AudioFixture.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/inotify.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <fstream>
#include <string_view>

namespace telbo::test {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;
using namespace std::string_literals;

std::size_t Count(const Bytes& b, std::string_view what) {
    std::size_t n = 0;
    for (auto it = b.begin();
         (it = std::search(it, b.end(), what.begin(), what.end(),
                           [](std::uint8_t x, char y) { return x == static_cast<std::uint8_t>(y); })) !=
         b.end();
         ++it)
        ++n;
    return n;
}

bool EndsWith(const Bytes& b, const Bytes& tail) {
    return b.size() >= tail.size() && std::equal(tail.begin(), tail.end(), b.end() - static_cast<std::ptrdiff_t>(tail.size()));
}

bool HasId3v1(const Bytes& b) {
    return b.size() >= 128 && b[b.size() - 128] == 'T' && b[b.size() - 127] == 'A' &&
           b[b.size() - 126] == 'G';
}

std::string Id3v1Field(const Bytes& b, std::size_t offset, std::size_t size) {
    const std::size_t base = b.size() - 128 + offset;
    std::string s(b.begin() + static_cast<std::ptrdiff_t>(base),
                  b.begin() + static_cast<std::ptrdiff_t>(base + size));
    return s.substr(0, s.find('\0'));
}

// What a command prints on its standard output.
std::string Output(const std::string& command) {
    std::string out;
    if (std::FILE* p = ::popen(command.c_str(), "r")) {
        for (int c; (c = std::fgetc(p)) != EOF;) out += static_cast<char>(c);
        ::pclose(p);
    }
    return out;
}

std::size_t FilesIn(const fs::path& folder) {
    return static_cast<std::size_t>(std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
}

void PutLe32(Bytes& out, std::size_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

void WriteBytes(const fs::path& file, const Bytes& b) {
    std::ofstream(file, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
}

// Replaces the comment block of a FLAC file (without a tag in front) with one holding
// `entries` as raw bytes, made its last metadata block; its declared length `cut` bytes
// short of what it holds.
void SetFlacComment(const fs::path& file, const std::vector<std::string>& entries,
                    std::size_t cut = 0) {
    const Bytes b = ReadBytes(file);
    ASSERT_EQ(std::string(b.begin(), b.begin() + 4), "fLaC");
    Bytes head = {'f', 'L', 'a', 'C'};
    std::size_t at = 4;
    for (bool last = false; !last;) {
        last = b[at] & 0x80;
        const std::size_t length = std::size_t{b[at + 1]} << 16 | b[at + 2] << 8 | b[at + 3];
        if ((b[at] & 0x7F) != 4) {
            head.push_back(b[at] & 0x7F);
            head.insert(head.end(), b.begin() + static_cast<std::ptrdiff_t>(at + 1),
                        b.begin() + static_cast<std::ptrdiff_t>(at + 4 + length));
        }
        at += 4 + length;
    }
    Bytes comment;
    PutLe32(comment, 6);
    comment.insert(comment.end(), {'v', 'e', 'n', 'd', 'o', 'r'});
    PutLe32(comment, entries.size());
    for (const std::string& e : entries) {
        PutLe32(comment, e.size());
        comment.insert(comment.end(), e.begin(), e.end());
    }
    const std::size_t declared = comment.size() - cut;
    head.insert(head.end(), {0x84, static_cast<std::uint8_t>(declared >> 16),
                             static_cast<std::uint8_t>(declared >> 8),
                             static_cast<std::uint8_t>(declared)});
    head.insert(head.end(), comment.begin(), comment.end());
    head.insert(head.end(), b.begin() + static_cast<std::ptrdiff_t>(at), b.end());
    WriteBytes(file, head);
}

// A WAV file with RIFF INFO `fields` (id, text) appended in a LIST chunk, and an "id3 "
// chunk holding a TIT2 frame of `id3Title` when not empty.
fs::path WavWithInfo(const fs::path& folder, const std::string& name,
                     const std::vector<std::pair<std::string, std::string>>& fields,
                     const std::string& id3Title = "") {
    AudioSpec sound;
    const fs::path file = WriteAudio(folder, name, sound);
    Bytes b = ReadBytes(file);
    Bytes list = {'I', 'N', 'F', 'O'};
    for (const auto& [id, text] : fields) {
        list.insert(list.end(), id.begin(), id.end());
        PutLe32(list, text.size() + 1);
        list.insert(list.end(), text.begin(), text.end());
        list.push_back(0);
        if (list.size() & 1) list.push_back(0);
    }
    b.insert(b.end(), {'L', 'I', 'S', 'T'});
    PutLe32(b, list.size());
    b.insert(b.end(), list.begin(), list.end());
    if (!id3Title.empty()) {
        Bytes frame = {'T', 'I', 'T', '2', 0, 0, 0, static_cast<std::uint8_t>(id3Title.size() + 1), 0, 0, 0};
        frame.insert(frame.end(), id3Title.begin(), id3Title.end());
        Bytes tag = {'I', 'D', '3', 4, 0, 0, 0, 0, 0, static_cast<std::uint8_t>(frame.size())};
        tag.insert(tag.end(), frame.begin(), frame.end());
        if (tag.size() & 1) tag.push_back(0);
        b.insert(b.end(), {'i', 'd', '3', ' '});
        PutLe32(b, tag.size());
        b.insert(b.end(), tag.begin(), tag.end());
    }
    Bytes riffSize;
    PutLe32(riffSize, b.size() - 8);
    std::copy(riffSize.begin(), riffSize.end(), b.begin() + 4);
    WriteBytes(file, b);
    return file;
}

// A small tmpfs for the tests that need a full or read-only disk; needs the superuser.
class TmpfsMount {
public:
    TmpfsMount(const fs::path& at, const std::string& size) : at_(at) {
        fs::create_directory(at_);
        mounted_ = ::mount("tmpfs", at_.c_str(), "tmpfs", MS_NOSUID | MS_NODEV,
                           ("size=" + size).c_str()) == 0;
    }
    ~TmpfsMount() {
        if (mounted_) ::umount2(at_.c_str(), MNT_DETACH);
    }
    TmpfsMount(const TmpfsMount&) = delete;
    TmpfsMount& operator=(const TmpfsMount&) = delete;
    bool Mounted() const { return mounted_; }
    bool MakeReadOnly() {
        return ::mount(nullptr, at_.c_str(), nullptr, MS_REMOUNT | MS_RDONLY | MS_NOSUID | MS_NODEV,
                       nullptr) == 0;
    }

private:
    fs::path at_;
    bool mounted_ = false;
};

class TagTest : public ::testing::Test, protected TagWrites {
protected:
    fs::path Untagged(const std::string& name, const fs::path& folder = {}) {
        ToneSpec t;
        t.seconds = 1.0;
        return WriteToneMp3(folder.empty() ? dir_.Path() : folder, name, t);
    }
    TagRecord Record(const std::string& title) {
        TagRecord r;
        r.Title.Store(title); // blank-padded, as the player stores it
        r.Artist.Store("Björk");
        r.Album.Store("東京 Tōkyō");
        r.Year.Store("1999");
        r.Comment.Store("naïve café");
        r.GenreNumber = 79;
        return r;
    }
    TempFolder dir_;
};

TEST_F(TagTest, RoundTripKeepsUnicodeAndFullWidthFieldsAndLeavesTheAudioAlone) {
    const fs::path file = Untagged("round.mp3");
    const Bytes audio = ReadBytes(file);
    std::string title;
    while (Utf8Length(title) < 128) title += "Ünï日本語-";
    title.resize(Utf8PrefixBytes(title, 128));
    ASSERT_EQ(Utf8Length(title), 128u);

    ASSERT_TRUE(WriteTag(file.string(), Record(title)));
    TagRecord read;
    ASSERT_TRUE(tags_.Read(file.string(), read));
    EXPECT_EQ(read.Title.Shown(), title);
    EXPECT_EQ(read.Artist.Shown(), "Björk");
    EXPECT_EQ(read.Album.Shown(), "東京 Tōkyō");
    EXPECT_EQ(read.Year.Shown(), "1999");
    EXPECT_EQ(read.Comment.Shown(), "naïve café");
    EXPECT_EQ(read.GenreNumber, 79);
    EXPECT_EQ(read.GenreName.Shown(), "Hard Rock");

    Bytes after = ReadBytes(file);
    EXPECT_EQ(std::string(after.begin(), after.begin() + 4), std::string("ID3\x04", 4)); // new: v2.4
    EXPECT_TRUE(EndsWith(after, audio)); // the audio, byte for byte, and no ID3v1 added

    // A shorter second write; the blank padding of the player's fields is not written.
    TagRecord shorter = Record("Short");
    shorter.GenreNumber = -1;
    shorter.Year.Store("");
    ASSERT_TRUE(WriteTag(file.string(), shorter));
    ASSERT_TRUE(tags_.Read(file.string(), read));
    EXPECT_EQ(read.Title.Raw(), "Short" + std::string(123, '\0'));
    EXPECT_EQ(read.GenreNumber, -1);
    EXPECT_EQ(read.Year.Shown(), "");
    after = ReadBytes(file);
    EXPECT_TRUE(EndsWith(after, audio));
    EXPECT_EQ(Count(after, "ID3"), 1u);
}

TEST_F(TagTest, ExistingTagsKeepTheirKindAndVersion) {
    const fs::path file = Untagged("v23.mp3");
    TagSpec tags;
    tags.title = "Old title";
    tags.artist = "Old artist";
    tags.genre = "Rock";
    tags.id3v2Version = 3;
    tags.id3v1 = true;
    tags.ape = true;
    WriteTags(file, tags);
    const Bytes before = ReadBytes(file);
    ASSERT_TRUE(HasId3v1(before));
    const std::size_t apeMarkers = Count(before, "APETAGEX");
    ASSERT_GT(apeMarkers, 0u);

    TagRecord r = Record("Café");
    r.Artist.Store("日本のアーティスト"); // not Latin-1: ID3v1 keeps its old artist
    ASSERT_TRUE(WriteTag(file.string(), r));
    const Bytes after = ReadBytes(file);
    EXPECT_EQ(std::string(after.begin(), after.begin() + 4), std::string("ID3\x03", 4));
    EXPECT_EQ(Count(after, "ID3"), 1u);
    EXPECT_EQ(Count(after, "APETAGEX"), apeMarkers);
    ASSERT_TRUE(HasId3v1(after));
    EXPECT_EQ(Count(after, "TAG") - Count(after, "APETAGEX"), 1u); // one ID3v1 tag
    EXPECT_EQ(Id3v1Field(after, 3, 30), "Caf\xe9");
    EXPECT_EQ(Id3v1Field(after, 33, 30), "Old artist");

    TagRecord read;
    ASSERT_TRUE(tags_.Read(file.string(), read));
    EXPECT_EQ(read.Title.Shown(), "Café");
    EXPECT_EQ(read.Artist.Shown(), "日本のアーティスト"); // ID3v2 is preferred

    // The APE tag follows: a cleared field does not come back from it.
    r.Artist.Store("");
    ASSERT_TRUE(WriteTag(file.string(), r));
    ASSERT_TRUE(tags_.Read(file.string(), read));
    EXPECT_EQ(read.Artist.Shown(), "");
    EXPECT_EQ(read.Title.Shown(), "Café");
    EXPECT_EQ(Count(ReadBytes(file), "APETAGEX"), apeMarkers);
}

TEST_F(TagTest, ReadingFallsBackToId3v1AndNumbersGenres) {
    struct Case {
        std::string genre;
        int number;
    };
    for (const Case& c : {Case{"Rock", 17}, Case{"Chiptune Metal", 255}, Case{"", -1}}) {
        SCOPED_TRACE(c.genre);
        const fs::path file = Untagged("g.mp3");
        TagSpec tags;
        tags.title = "Title";
        tags.genre = c.genre;
        WriteTags(file, tags);
        TagRecord read;
        ASSERT_TRUE(tags_.Read(file.string(), read));
        EXPECT_EQ(read.GenreNumber, c.number);
        EXPECT_EQ(read.GenreName.Shown(), c.genre);
    }
    const fs::path v1 = Untagged("v1.mp3");
    TagSpec tags;
    tags.title = "Only v1";
    tags.year = 1987;
    tags.id3v2Version = 0;
    tags.id3v1 = true;
    WriteTags(v1, tags);
    TagRecord read;
    ASSERT_TRUE(tags_.Read(v1.string(), read));
    EXPECT_EQ(read.Title.Shown(), "Only v1");
    EXPECT_EQ(read.Year.Raw(), "1987\0"s);

    ASSERT_FALSE(tags_.Read((dir_.Path() / "none.mp3").string(), read));
    EXPECT_EQ(read, TagRecord{});
}

TEST_F(TagTest, AYearThatCannotBeStoredIsReportedAndTheRestWritten) {
    const fs::path file = Untagged("year.mp3");
    TagSpec tags;
    tags.title = "Old";
    tags.year = 1987;
    tags.id3v2Version = 3;
    WriteTags(file, tags);
    TagRecord r = Record("New");
    r.Year.Store("19x7");
    EXPECT_TRUE(WriteTag(file.string(), r));
    EXPECT_EQ(Problem(), "year not stored");
    TagRecord read;
    ASSERT_TRUE(tags_.Read(file.string(), read));
    EXPECT_EQ(read.Title.Shown(), "New");
    EXPECT_EQ(read.Year.Shown(), "1987");

    r.Year.Store("");
    EXPECT_TRUE(WriteTag(file.string(), r));
    EXPECT_EQ(Problem(), "");
    ASSERT_TRUE(tags_.Read(file.string(), read));
    EXPECT_EQ(read.Year.Shown(), ""); // an empty year is the user's to choose
}

TEST_F(TagTest, TagReadsOnHugeFilesWithoutAudioReturnAtOnce) {
    // A pre-allocated download: zeros (sparse here), with or without tags at either end.
    constexpr std::uintmax_t kSize = 512u << 20;
    auto zeros = [&](const std::string& name, const std::string& head, const std::string& tail) {
        const fs::path file = dir_.Path() / name;
        {
            std::ofstream f(file, std::ios::binary);
            f.write(head.data(), static_cast<std::streamsize>(head.size()));
        }
        fs::resize_file(file, kSize - tail.size());
        std::ofstream(file, std::ios::binary | std::ios::app)
            .write(tail.data(), static_cast<std::streamsize>(tail.size()));
        return file;
    };
    std::string v1 = "TAG" + "Tail title"s;
    v1.resize(127, '\0');
    v1 += '\x11';
    const std::string huge = "ID3\x03\0\0\x7f\x7f\x7f\x7f"s; // 256 MB of tag: fits, but no audio follows
    struct Case {
        fs::path file;
        std::string title;
    };
    for (const Case& c : {Case{zeros("z.mp3", "", ""), ""}, Case{zeros("t.mp3", "", v1), "Tail title"},
                          Case{zeros("h.mp3", huge, v1), "Tail title"}}) {
        SCOPED_TRACE(c.file.filename().string());
        TagRecord read;
        const std::uint64_t before = BytesRead();
        EXPECT_TRUE(tags_.Read(c.file.string(), read));
        EXPECT_LT(BytesRead() - before, 16u << 20); // a few search windows, not the file
        EXPECT_EQ(read.Title.Shown(), c.title);
        EXPECT_EQ(fs::file_size(c.file), kSize);
    }
}

TEST_F(TagTest, GenreNamesComeFromTheId3v1List) {
    const std::pair<int, const char*> names[] = {
        {0, "Blues"}, {17, "Rock"}, {79, "Hard Rock"}, {147, "Synthpop"}, {148, ""}, {-1, ""}};
    for (const auto& [number, name] : names) {
        TagRecord r;
        r.GenreNumber = number;
        tags_.FillGenreName(r);
        EXPECT_EQ(r.GenreName.Shown(), name) << number;
    }
}

TEST_F(TagTest, WritingThroughASymlinkKeepsTheLink) {
    const fs::path file = Untagged("real.mp3");
    const fs::path link = dir_.Path() / "link.mp3";
    fs::create_symlink(file, link);
    ASSERT_TRUE(WriteTag(link.string(), Record("Linked")));
    EXPECT_TRUE(fs::is_symlink(link));
    TagRecord read;
    ASSERT_TRUE(tags_.Read(file.string(), read));
    EXPECT_EQ(read.Title.Shown(), "Linked");
}

TEST_F(TagTest, EveryFormatTakesTheRecordAndKeepsItsAudioAndOtherFields) {
    for (const Container c : {Container::Wav, Container::Aiff, Container::Flac, Container::Vorbis,
                              Container::Opus}) {
        SCOPED_TRACE(ExtensionOf(c));
        AudioSpec sound;
        sound.container = c;
        const fs::path file = WriteAudio(dir_.Path(), "t." + ExtensionOf(c), sound);
        const std::string quoted = "'" + file.string() + "'";
        // A field the record does not know, as rippers leave them.
        const std::string listTags = c == Container::Flac     ? "metaflac --export-tags-to=- "
                                     : c == Container::Vorbis ? "vorbiscomment -l "
                                                              : "";
        const std::string addTag =
            c == Container::Flac     ? "metaflac --set-tag=REPLAYGAIN_TRACK_GAIN=-3.1 "
            : c == Container::Vorbis ? "vorbiscomment -a -t REPLAYGAIN_TRACK_GAIN=-3.1 "
                                     : "";
        if (!addTag.empty()) {
            ASSERT_EQ(std::system((addTag + quoted).c_str()), 0);
        }
        const Decoded before = DecodeAll(file);
        ASSERT_EQ(before.Frames(), static_cast<std::size_t>(DecodedFrames(sound)));

        for (const std::string title : {"Ⅰ. Allegro", "Second"}) {
            ASSERT_TRUE(WriteTag(file.string(), Record(title)))
                << Problem();
            EXPECT_EQ(Problem(), "");
            TagRecord read;
            ASSERT_TRUE(tags_.Read(file.string(), read));
            EXPECT_EQ(read.Title.Shown(), title);
            EXPECT_EQ(read.Artist.Shown(), "Björk");
            EXPECT_EQ(read.Album.Shown(), "東京 Tōkyō");
            EXPECT_EQ(read.Year.Shown(), "1999");
            EXPECT_EQ(read.Comment.Shown(), "naïve café");
            EXPECT_EQ(read.GenreNumber, 79);
            EXPECT_EQ(read.GenreName.Shown(), "Hard Rock");
        }
        const Bytes bytes = ReadBytes(file);
        // As text; WAV files get it in ID3v2 and in RIFF INFO.
        EXPECT_EQ(Count(bytes, "Hard Rock"), c == Container::Wav ? 2u : 1u);
        EXPECT_EQ(Count(bytes, "Allegro"), 0u);
        EXPECT_EQ(FilesIn(dir_.Path()), 1u);
        EXPECT_TRUE(DecodeAll(file).samples == before.samples);
        if (!listTags.empty()) {
            const std::string tags = Output(listTags + quoted);
            EXPECT_NE(tags.find("REPLAYGAIN_TRACK_GAIN=-3.1"), std::string::npos) << tags;
            EXPECT_NE(tags.find("GENRE=Hard Rock"), std::string::npos) << tags;
        }
        fs::remove(file);
    }

    // Some programs put an ID3v2 tag in front of a FLAC stream: it is read past, not crashed on.
    AudioSpec sound;
    sound.container = Container::Flac;
    const fs::path flac = WriteAudio(dir_.Path(), "front.flac", sound);
    const Bytes stream = ReadBytes(flac);
    std::string front = "ID3\x03\0\0\0\0\0\x10TIT2\0\0\0\x06\0\0\0Front"s;
    front.append(stream.begin(), stream.end());
    std::ofstream(flac, std::ios::binary | std::ios::trunc)
        .write(front.data(), static_cast<std::streamsize>(front.size()));
    TagRecord read;
    EXPECT_TRUE(tags_.Read(flac.string(), read));
    EXPECT_EQ(DecodeAll(flac).Frames(), static_cast<std::size_t>(DecodedFrames(sound)));
}

TEST_F(TagTest, FailedWritesLeaveTheFileByteIdentical) {
    auto expectUntouched = [&](const fs::path& file, const char* why,
                               const char* problem = "cannot write the file") {
        SCOPED_TRACE(why);
        const Bytes before = ReadBytes(file);
        const std::size_t files = FilesIn(file.parent_path());
        EXPECT_FALSE(WriteTag(file.string(), Record("Never written")));
        EXPECT_EQ(Problem(), problem);
        EXPECT_EQ(ReadBytes(file), before);
        EXPECT_EQ(FilesIn(file.parent_path()), files); // no copy left behind
    };

    // Only an MP3 stream gets a tag: anything else named .mp3 would be spoilt by one.
    for (const Damage d : {Damage::Empty, Damage::Text, Damage::RandomBytes})
        expectUntouched(WriteDamagedMp3(dir_.Path(), "odd.mp3", d), "not audio",
                        "not an audio file");
    auto withHead = [&](const std::string& name, std::string head, const Bytes& rest) {
        const fs::path file = dir_.Path() / name;
        head.append(rest.begin(), rest.end()); // before its size is taken
        std::ofstream(file, std::ios::binary)
            .write(head.data(), static_cast<std::streamsize>(head.size()));
        return file;
    };
    const Bytes mp3 = ReadBytes(Untagged("audio.mp3"));
    // Damaged files of the other formats, whatever their names: TagLib would write into them.
    expectUntouched(withHead("wav.mp3", "RIFF\x24\x40\0\0WAVEfmt "s, Bytes(16384, 0x11)), "WAV",
                    "damaged WAV file");
    expectUntouched(withHead("riff.wav", "RIFF\x24\x40\0\0WAVEfmt "s, mp3), "MP3 inside RIFF",
                    "damaged WAV file");
    expectUntouched(withHead("flac.flac", "fLaC\0\0\0\x22"s, Bytes(8192, 0)), "FLAC",
                    "damaged FLAC file");
    // An Ogg stream of a codec we do not play is no audio file of ours.
    expectUntouched(withHead("ogg.ogg", "OggS\0\x02"s, Bytes(8192, 0x20)), "Ogg",
                    "not an audio file");
    // A tag header claiming more than the file: the audio behind it must not be cut.
    expectUntouched(WriteDamagedMp3(dir_.Path(), "huge.mp3", Damage::HugeId3v2), "huge ID3v2 size",
                    "damaged ID3v2 tag");
    expectUntouched(withHead("v5.mp3", "ID3\x05\0\0\0\0\0\0"s, mp3), "unknown ID3v2 version",
                    "damaged ID3v2 tag");

    // A file without write permission: refused even for the superuser.
    const fs::path readOnly = Untagged("ro.mp3");
    fs::permissions(readOnly, fs::perms::owner_read | fs::perms::group_read);
    expectUntouched(readOnly, "read-only file", "file is read-only");

    // A file over its size limit: the copy fits, the grown tag does not (TagLib would have
    // reported success after the short write).
    {
        const fs::path file = Untagged("limit.mp3");
        const auto size = fs::file_size(file);
        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit old{};
        ::getrlimit(RLIMIT_FSIZE, &old);
        rlimit small = old;
        small.rlim_cur = size + 16;
        ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
        expectUntouched(file, "file size limit");
        ::setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, oldHandler);
    }

    // A read-only folder and a full disk.
    if (::geteuid() != 0) {
        const fs::path folder = dir_.Path() / "locked";
        fs::create_directory(folder);
        const fs::path file = Untagged("in-locked.mp3", folder);
        fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec);
        expectUntouched(file, "read-only folder");
        fs::permissions(folder, fs::perms::owner_all);
        GTEST_SKIP() << "mounting a small file system needs the superuser";
    }
    {
        TmpfsMount ro(dir_.Path() / "ro", "1m");
        if (!ro.Mounted()) GTEST_SKIP() << "cannot mount tmpfs here";
        const fs::path file = Untagged("x.mp3", dir_.Path() / "ro");
        ASSERT_TRUE(ro.MakeReadOnly());
        expectUntouched(file, "read-only file system", "file is read-only");
    }
    {
        TmpfsMount full(dir_.Path() / "full", "64k");
        ASSERT_TRUE(full.Mounted());
        const fs::path file = Untagged("y.mp3", dir_.Path() / "full");
        // Fill the disk to the last byte.
        std::ofstream filler(dir_.Path() / "full" / "filler", std::ios::binary);
        const std::vector<char> chunk(512, 'x');
        while (filler.write(chunk.data(), chunk.size()) && filler.flush()) {
        }
        filler.close();
        expectUntouched(file, "full disk");
    }
}

TEST_F(TagTest, ACopyLeftByAKilledWriteIsRemovedByTheNextWriteIntoItsFolder) {
    struct Leftover {
        std::string name;
        bool held; // a live writer's copy, locked as every copy is
        bool removed;
    };
    const Leftover leftovers[] = {
        {".telbo-Ab3xY9", false, true},          // what a killed write left
        {".telbo-Held42", true, false},          // being written right now
        {".telbo-Ab3xY", false, false},          // not our name
        {".telbo-Ab3xY90", false, false},        //
        {".telbo-0123abcd.tmp", false, false},   // the settings' temporaries are not this code's
        {"telbo-Ab3xY9", false, false},          //
    };
    AudioSpec wav;
    for (const fs::path& file : {Untagged("a.mp3"), WriteAudio(dir_.Path(), "w.wav", wav)}) {
        SCOPED_TRACE(file.filename().string());
        std::vector<int> locks;
        for (const Leftover& l : leftovers) {
            std::ofstream(dir_.Path() / l.name, std::ios::binary) << std::string(4096, 'x');
            if (!l.held) continue;
            const int fd = ::open((dir_.Path() / l.name).c_str(), O_RDWR | O_CLOEXEC);
            ASSERT_GE(fd, 0);
            ASSERT_EQ(::flock(fd, LOCK_EX), 0);
            locks.push_back(fd);
        }
        ASSERT_TRUE(WriteTag(file.string(), Record(file.filename().string())))
            << Problem();
        for (const Leftover& l : leftovers)
            EXPECT_EQ(fs::exists(dir_.Path() / l.name), !l.removed) << l.name;
        for (const int fd : locks) ::close(fd);
        for (const Leftover& l : leftovers) fs::remove(dir_.Path() / l.name);
    }
}

TEST_F(TagTest, TheCopyIsWrittenWithoutANameInTheFolder) {
    {
        const int fd = ::open(dir_.Path().c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
        if (fd < 0) GTEST_SKIP() << "this file system has no anonymous files";
        ::close(fd);
    }
    AudioSpec flac;
    flac.container = Container::Flac;
    for (const fs::path& file : {Untagged("a.mp3"), WriteAudio(dir_.Path(), "f.flac", flac)}) {
        SCOPED_TRACE(file.filename().string());
        const int watch = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        ASSERT_GE(watch, 0);
        ASSERT_GE(::inotify_add_watch(watch, dir_.Path().c_str(), IN_CREATE | IN_MODIFY | IN_MOVED_FROM),
                  0);
        const std::size_t files = FilesIn(dir_.Path());
        ASSERT_TRUE(WriteTag(file.string(), Record("Anonymous")))
            << Problem();
        // Every name made during the write is renamed straight away, none written under.
        std::vector<std::string> created, written, moved;
        alignas(inotify_event) char buf[1 << 16];
        for (ssize_t n; (n = ::read(watch, buf, sizeof buf)) > 0;) {
            for (char* p = buf; p < buf + n;) {
                const auto* e = reinterpret_cast<const inotify_event*>(p);
                const std::string name = e->len ? e->name : "";
                // The anonymous file shows up as "#inode": no name anyone sees.
                if (name.rfind('#', 0) == 0) {
                    p += sizeof(inotify_event) + e->len;
                    continue;
                }
                if (e->mask & IN_CREATE) created.push_back(name);
                if (e->mask & IN_MODIFY) written.push_back(name);
                if (e->mask & IN_MOVED_FROM) moved.push_back(name);
                p += sizeof(inotify_event) + e->len;
            }
        }
        ::close(watch);
        EXPECT_EQ(created, moved);
        EXPECT_TRUE(written.empty()) << written.front();
        EXPECT_EQ(FilesIn(dir_.Path()), files);
        fs::remove(file);
    }
}

TEST_F(TagTest, WavFilesWithRiffInfoShowItAndTakeLatin1EditsThere) {
    const std::vector<std::pair<std::string, std::string>> info = {
        {"INAM", "Info title"}, {"IART", "Info artist"}, {"IPRD", "Info album"},
        {"ICRD", "2004"},       {"IGNR", "Rock"},        {"ICMT", "Info note"}};
    struct Case {
        const char* name;
        std::string id3Title; // an ID3v2 tag beside the INFO
        std::string shownTitle;
    };
    for (const Case& c : {Case{"info.wav", "", "Info title"}, Case{"both.wav", "Id3 title", "Id3 title"}}) {
        SCOPED_TRACE(c.name);
        const fs::path file = WavWithInfo(dir_.Path(), c.name, info, c.id3Title);
        TagRecord read;
        ASSERT_TRUE(tags_.Read(file.string(), read));
        EXPECT_EQ(read.Title.Shown(), c.shownTitle); // ID3v2 first, INFO for the rest
        EXPECT_EQ(read.Artist.Shown(), "Info artist");
        EXPECT_EQ(read.Album.Shown(), "Info album");
        EXPECT_EQ(read.Year.Shown(), "2004");
        EXPECT_EQ(read.GenreNumber, 17);
        EXPECT_EQ(read.Comment.Shown(), "Info note");

        TagRecord edit = read;
        edit.Title.Store("Café del Mar");
        edit.Artist.Store("");
        ASSERT_TRUE(WriteTag(file.string(), edit)) << Problem();
        ASSERT_TRUE(tags_.Read(file.string(), read));
        EXPECT_EQ(read.Title.Shown(), "Café del Mar");
        EXPECT_EQ(read.Artist.Shown(), "");
        EXPECT_EQ(read.Album.Shown(), "Info album");
        const Bytes bytes = ReadBytes(file);
        // Latin-1 needs no ID3v2 tag
        EXPECT_EQ(Count(bytes, "ID3\x04"s), c.id3Title.empty() ? 0u : 1u);
        EXPECT_EQ(Count(bytes, "Info artist"), 0u);
    }

    // RF64 plays, but is not written; refusing keeps it byte for byte.
    const fs::path rf64 = WavWithInfo(dir_.Path(), "big.wav", info);
    Bytes b = ReadBytes(rf64);
    std::copy_n("RF64", 4, b.begin());
    WriteBytes(rf64, b);
    EXPECT_FALSE(WriteTag(rf64.string(), Record("Never")));
    EXPECT_EQ(Problem(), "RF64 files cannot be tagged");
    EXPECT_EQ(ReadBytes(rf64), b);
}

TEST_F(TagTest, XiphWritesKeepWhatTheRecordDoesNotOwn) {
    const std::string nul = "NOTE=before\0after \xff\xfe"s; // a NUL, and bytes that are no UTF-8
    struct Case {
        Container container;
        std::string tagger; // how the date and the odd entry get in
    };
    for (const Case& c : {Case{Container::Flac, ""}, Case{Container::Vorbis, "vorbiscomment -w -R "}}) {
        SCOPED_TRACE(ExtensionOf(c.container));
        AudioSpec sound;
        sound.container = c.container;
        const fs::path file = WriteAudio(dir_.Path(), "x." + ExtensionOf(c.container), sound);
        const std::vector<std::string> entries = {"TITLE=Old", "DATE=2001-05-12", "ARTIST=A"};
        if (c.container == Container::Flac) {
            std::vector<std::string> all = entries;
            all.push_back(nul);
            SetFlacComment(file, all);
        } else {
            std::string args;
            for (const std::string& e : entries) args += " -t '" + e + "'";
            ASSERT_EQ(std::system((c.tagger + args + " '" + file.string() + "'").c_str()), 0);
        }
        TagRecord r;
        ASSERT_TRUE(tags_.Read(file.string(), r));
        EXPECT_EQ(r.Year.Shown(), "2001");
        r.Title.Store("New");
        r.Year.Store("1999");
        ASSERT_TRUE(WriteTag(file.string(), r)) << Problem();
        const Bytes bytes = ReadBytes(file);
        EXPECT_EQ(Count(bytes, "DATE=1999-05-12"), 1u);
        EXPECT_EQ(Count(bytes, "TITLE=New"), 1u);
        EXPECT_EQ(Count(bytes, "ARTIST=A"), 1u);
        if (c.container == Container::Flac) {
            EXPECT_EQ(Count(bytes, nul), 1u);
        }
        TagRecord read;
        ASSERT_TRUE(tags_.Read(file.string(), read));
        EXPECT_EQ(read.Title.Shown(), "New");
        EXPECT_EQ(read.Year.Shown(), "1999");
    }

    // An ID3v2.3 tag in front of a FLAC stream takes the record too, in its version, and keeps
    // its other frames as they were; so does an ID3v1 tag at its end.
    AudioSpec sound;
    sound.container = Container::Flac;
    const fs::path flac = WriteAudio(dir_.Path(), "front.flac", sound);
    const RawFrame gain{"TXXX", TextContent("GAIN\0-1 dB"s), 0x4000};
    PrependId3v2(flac, 3, {RawFrame{"TIT2", TextContent("Front"), 0}, gain}, 64);
    std::string v1 = "TAGFront";
    v1.resize(128, '\0');
    std::ofstream(flac, std::ios::binary | std::ios::app).write(v1.data(), 128);
    const Decoded before = DecodeAll(flac);
    ASSERT_TRUE(WriteTag(flac.string(), Record("Both")))
        << Problem();
    int major = 0;
    const std::vector<RawFrame> frames = ReadId3v2Frames(flac, &major);
    EXPECT_EQ(major, 3);
    auto has = [&](const RawFrame& f) { return std::find(frames.begin(), frames.end(), f) != frames.end(); };
    EXPECT_TRUE(has(RawFrame{"TIT2", TextContent("Both"), 0}));
    EXPECT_TRUE(has(gain));
    EXPECT_EQ(std::count_if(frames.begin(), frames.end(), [](const RawFrame& f) { return f.id == "TIT2"; }), 1);
    EXPECT_EQ(Count(ReadBytes(flac), "TITLE=Both"), 1u);
    EXPECT_EQ(Id3v1Field(ReadBytes(flac), 3, 30), "Both"); // and the ID3v1 tag at the end
    TagRecord read;
    ASSERT_TRUE(tags_.Read(flac.string(), read));
    EXPECT_EQ(read.Title.Shown(), "Both");
    EXPECT_TRUE(DecodeAll(flac).samples == before.samples);
}

TEST_F(TagTest, ADamagedFlacCommentBlockIsNotRewritten) {
    AudioSpec sound;
    sound.container = Container::Flac;
    const fs::path file = WriteAudio(dir_.Path(), "damaged.flac", sound);
    // The block declares fewer bytes than its six entries take.
    SetFlacComment(file, {"TITLE=T", "ARTIST=A", "ALBUM=B", "DATE=2001", "GENRE=Rock",
                          "TRACKNUMBER=3"},
                   20);
    const Bytes before = ReadBytes(file);
    EXPECT_FALSE(WriteTag(file.string(), Record("Only this")));
    EXPECT_EQ(Problem(), "damaged FLAC comment block");
    EXPECT_EQ(ReadBytes(file), before);
    EXPECT_EQ(FilesIn(dir_.Path()), 1u);
}

} // namespace
} // namespace telbo::test
