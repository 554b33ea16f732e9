// Playback and the tag writer take the same files for audio: every file the engine opens, the
// writer tags (or refuses for a reason of its own), and every file it cannot open, the writer
// refuses as no audio. Over the files the engine's tests make, the fuzzers' seeds and a few
// layouts where two separate readers used to part ways.

#include "EngineTestSupport.h"

#include "engine/DecodeChain.h"
#include "support/AudioFixture.h"
#include "tags/TagFiles.h"
#include "tags/TagFormats.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>

namespace telbo::test {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

void Write(const fs::path& file, const Bytes& bytes) {
    std::ofstream(file, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
}

Bytes Id3v2Tag(std::size_t bodyBytes) {
    Bytes tag = {'I', 'D', '3', 3, 0, 0};
    for (int shift = 21; shift >= 0; shift -= 7)
        tag.push_back(static_cast<std::uint8_t>((bodyBytes >> shift) & 0x7F));
    tag.resize(tag.size() + bodyBytes, 0);
    return tag;
}

Bytes Joined(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

// The same stream with every frame header saying "free format" (bitrate index 0). At 48 kHz
// and 128 kbit/s frames need no padding, so their lengths stay as they were.
Bytes FreeFormat(Bytes mp3) {
    for (std::size_t at = 0; at + 4 <= mp3.size(); at += 384) {
        if (mp3[at] != 0xFF || (mp3[at + 1] & 0xE0) != 0xE0) break;
        mp3[at + 2] &= 0x0F;
    }
    return mp3;
}

// Runs a seed maker of the fuzzers into `folder`.
void MakeSeeds(const char* tool, const fs::path& folder) {
    const std::string command = std::string("'") + tool + "' '" + folder.string() + "' >/dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
}

tags::TagFormat TagFormatOf(const fs::path& file) {
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    const tags::TagFormat format = tags::TagFormatOf(fd);
    ::close(fd);
    return format;
}

std::vector<fs::path> FilesIn(const fs::path& folder) {
    std::vector<fs::path> files;
    for (const auto& e : fs::recursive_directory_iterator(folder))
        if (e.is_regular_file()) files.push_back(e.path());
    std::sort(files.begin(), files.end());
    return files;
}

TEST(ProbeAgreementTest, TheEnginePlaysExactlyWhatTheTagWriterTakesForAudio) {
    TempFolder dir;
    const fs::path made = dir.Path() / "made";
    fs::create_directories(made);
    auto tone = [](int rate, int channels, double seconds, int kbps, bool vbr, bool xing) {
        ToneSpec t;
        t.sampleRate = rate;
        t.channels = channels;
        t.seconds = seconds;
        t.bitrateKbps = kbps;
        t.vbr = vbr;
        t.xingHeader = xing;
        return t;
    };
    const struct {
        const char* name;
        ToneSpec tone;
    } tones[] = {
        {"cbr.mp3", tone(44100, 2, 0.5, 128, false, true)},
        {"vbr.mp3", tone(48000, 2, 0.5, 0, true, true)},
        {"mpeg2-mono.mp3", tone(22050, 1, 0.5, 32, false, false)},
        {"mpeg25.mp3", tone(8000, 1, 0.5, 8, false, false)},
        {"few-frames.mp3", tone(11025, 1, 0.01, 16, false, false)},
        {"free.mp3", tone(48000, 2, 0.5, 128, false, false)},
    };
    for (const auto& t : tones)
        WriteToneMp3(made, t.name, t.tone);
    WriteTags(WriteToneMp3(made, "tagged.mp3"),
              TagSpec{"T", "A", "B", "c", "Rock", 2001, 3, true, true});
    const Bytes mp3 = ReadBytes(made / "mpeg2-mono.mp3");
    Write(made / "free.mp3", FreeFormat(ReadBytes(made / "free.mp3")));
    // A second tag holding a large picture: the stream begins past the first few MiB after
    // the first tag, but right behind the second.
    Write(made / "big-second-tag.mp3", Joined({Id3v2Tag(64), Id3v2Tag(5u << 20), mp3}));
    Write(made / "lying-tag.mp3",
          Joined({Bytes{'I', 'D', '3', 4, 0, 0, 0x7F, 0x7F, 0x7F, 0x7F}, mp3}));
    Write(made / "far.mp3", Joined({Id3v2Tag(64), Bytes(5u << 20, 0), mp3}));
    Write(made / "zeros.mp3", Bytes(1u << 20, 0));
    Write(made / "tag-only.mp3", Id3v2Tag(4096));
    // One frame (a 32 kbit/s MPEG-1 frame of 104 bytes at 44.1 kHz), then an ID3v1 tag: the
    // decoder wants a second header to believe the first.
    Bytes oneFrame = {0xFF, 0xFB, 0x10, 0xC4};
    oneFrame.resize(104, 0);
    Bytes v1 = {'T', 'A', 'G'};
    v1.resize(128, 0);
    Write(made / "one-frame.mp3", Joined({oneFrame, v1}));
    for (const Damage d : {Damage::Empty, Damage::Text, Damage::Truncated, Damage::GarbageInMiddle,
                           Damage::RandomBytes, Damage::HugeId3v2})
        WriteDamagedMp3(made, "damage" + std::to_string(static_cast<int>(d)) + ".mp3", d);
    AudioSpec sound;
    sound.frames = 8000;
    for (const Container c :
         {Container::Wav, Container::Aiff, Container::Flac, Container::Vorbis, Container::Opus}) {
        sound.container = c;
        WriteAudio(made, "tone." + ExtensionOf(c), sound);
    }
    Write(made / "id3-flac.flac", Joined({Id3v2Tag(100), ReadBytes(made / "tone.flac")}));
    Write(made / "id3-wav.wav", Joined({Id3v2Tag(100), ReadBytes(made / "tone.wav")}));
    Write(made / "two-id3-flac.flac",
          Joined({Id3v2Tag(100), Id3v2Tag(50), ReadBytes(made / "tone.flac")}));

    MakeSeeds(TELBO_TAG_SEEDS, dir.Path() / "tag_io");
    const fs::path decodeSeeds = dir.Path() / "engine_decode";
    MakeSeeds(TELBO_DECODE_SEEDS, decodeSeeds);
    // Their first byte picks the decode options; the file is what follows.
    for (const fs::path& f : FilesIn(decodeSeeds)) {
        const Bytes b = ReadBytes(f);
        Write(f, b.empty() ? b : Bytes(b.begin() + 1, b.end()));
    }
    fs::copy(TELBO_FUZZ_CORPUS, dir.Path() / "corpus", fs::copy_options::recursive);

    tags::TagFiles writer;
    int files = 0, disagree = 0;
    for (const fs::path& f : FilesIn(dir.Path())) {
        SCOPED_TRACE(f.lexically_relative(dir.Path()).string());
        const bool plays = engine::DecodeChain::Open(f.string(), {}) != nullptr;
        TagRecord tag;
        tag.Title.Store("Agreement");
        const TagWriteResult r = writer.Write(f.string(), tag);
        const bool noAudio = !r.written && r.problem == "not an audio file";
        // A container the writer knows may be too damaged to play and still take a tag: its
        // audio bytes stay as they were.
        const bool container = TagFormatOf(f) != tags::TagFormat::None;
        const bool apart = plays == noAudio && !(container && !plays);
        EXPECT_FALSE(apart) << (plays ? "plays" : "does not play")
                            << "; tag writer: " << (r.written ? "written" : r.problem);
        ++files;
        disagree += apart;
    }
    std::printf("%d files, %d verdicts apart\n", files, disagree);
    EXPECT_GT(files, 60);
}

} // namespace
} // namespace telbo::test
