// Broken and hostile input: never a crash or a hang; the state reads stopped in the end.

#include "EngineTestSupport.h"

#include "engine/Engine.h"
#include "tags/TagFiles.h"
#include "support/AudioFixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <random>
#include <string_view>
#include <thread>

namespace telbo::test {
namespace {

// What an open may read of any file: a few search windows, never the whole of a huge file.
constexpr std::uint64_t kMostRead = 16u << 20;

using namespace std::chrono_literals;
using enum PlaybackState;

Engine::Options Fast() {
    Engine::Options o;
    o.nullAudio = true;
    o.nullSpeedup = 20;
    return o;
}

PlaybackState State(Engine& e) {
    std::int32_t elapsed = 0;
    return e.State(elapsed);
}

TEST(BrokenInputTest, UnplayableFilesDoNotOpenAndReadAsStopped) {
    TempFolder dir;
    std::filesystem::create_directory(dir.Path() / "folder.mp3");
    const std::vector<std::filesystem::path> files = {
        WriteDamagedMp3(dir.Path(), "empty.mp3", Damage::Empty),
        WriteDamagedMp3(dir.Path(), "text.mp3", Damage::Text),
        WriteDamagedMp3(dir.Path(), "random.mp3", Damage::RandomBytes),
        dir.Path() / "missing.mp3",
        dir.Path() / "folder.mp3",
    };
    Engine e(Fast());
    tags::TagFiles tags;
    e.Init();
    for (const auto& f : files) {
        SCOPED_TRACE(f.filename().string());
        OpenInfoRecord info;
        info.TotalSeconds = 99;
        EXPECT_FALSE(e.Open(f.string(), info));
        EXPECT_EQ(info.TotalSeconds, 0);
        EXPECT_FALSE(e.Play());
        EXPECT_EQ(State(e), Stopped);
        e.Seek(2);
        e.Pause();
        EXPECT_EQ(State(e), Stopped);
        TagRecord tag;
        tag.Title.Store("x");
        const bool read = tags.Read(f.string(), tag);
        if (!read) {
            EXPECT_EQ(tag, TagRecord{}); // failure leaves the record zero-filled
        }
        if (f.filename() == "missing.mp3" || f.filename() == "folder.mp3") {
            EXPECT_FALSE(read);
        }
        tags.Write(f.string(), tag); // must merely not crash
    }
}

TEST(BrokenInputTest, DamagedButPlayableFilesEndOnce) {
    TempFolder dir;
    struct Case {
        Damage damage;
        double minSeconds, maxSeconds; // where the end is heard
    };
    const Case cases[] = {
        {Damage::Truncated, 1.0, 2.0},       // 40% of a 4 s file
        {Damage::GarbageInMiddle, 3.9, 4.2}, // the decoder resyncs past the junk
        {Damage::HugeId3v2, 0.0, 1.1},       // the tag size lies; the audio behind it is 1 s
    };
    Engine e(Fast());
    for (const Case& c : cases) {
        const auto file = WriteDamagedMp3(dir.Path(), "damaged.mp3", c.damage);
        SCOPED_TRACE(static_cast<int>(c.damage));
        OpenInfoRecord info;
        if (!e.Open(file.string(), info)) {
            // Refusing the file is fine too, as long as it reads as stopped.
            EXPECT_NE(c.damage, Damage::Truncated);
            EXPECT_EQ(State(e), Stopped);
            continue;
        }
        ASSERT_TRUE(e.Play());
        std::vector<PlaybackState> seen{State(e)};
        ASSERT_TRUE(WaitUntil(
            [&] {
                const PlaybackState s = State(e);
                if (s != seen.back()) seen.push_back(s);
                return s == Stopped;
            },
            20s));
        for (int i = 0; i < 20; ++i) {
            const PlaybackState s = State(e);
            if (s != seen.back()) seen.push_back(s);
            std::this_thread::sleep_for(1ms);
        }
        EXPECT_EQ(seen, (std::vector<PlaybackState>{Playing, Stopped}));
        EXPECT_GE(e.HeardSeconds(), c.minSeconds);
        EXPECT_LE(e.HeardSeconds(), c.maxSeconds);
    }
}

// Bytes written at `offset` of `file`, which is then `size` bytes long: the rest reads as zeros
// and takes no disk space, like a download that was allocated and never finished.
std::filesystem::path Sparse(const std::filesystem::path& file, std::int64_t offset,
                             const std::vector<std::uint8_t>& bytes, std::int64_t size) {
    {
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        out.seekp(offset);
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
    }
    std::filesystem::resize_file(file, static_cast<std::uintmax_t>(size));
    return file;
}

TEST(BrokenInputTest, OpeningAnyFileReadsAFewMegabytesAtMost) {
    TempFolder dir;
    constexpr std::int64_t kMiB = 1 << 20;
    ToneSpec tone;
    tone.seconds = 3.0;
    const auto audio = ReadBytes(WriteToneMp3(dir.Path(), "tone.mp3", tone));
    const std::vector<std::uint8_t> tag = {'I', 'D', '3', 3, 0, 0, 0, 0, 8, 0}; // 1 KB of tag
    const std::vector<std::uint8_t> head(audio.begin(), audio.begin() + audio.size() * 6 / 10);
    struct Case {
        std::filesystem::path file;
        bool plays;
    };
    const Case cases[] = {
        {Sparse(dir.Path() / "zeros.mp3", 0, {}, 2048 * kMiB), false},
        {Sparse(dir.Path() / "tagged-zeros.mp3", 0, tag, 2048 * kMiB), false},
        {Sparse(dir.Path() / "audio-too-far.mp3", 5 * kMiB, audio, 6 * kMiB), false},
        // The first 60% of the track arrived; the rest of its 512 MiB never did.
        {Sparse(dir.Path() / "partial.mp3", 0, head, 512 * kMiB), true},
    };
    Engine e(Fast());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file.filename().string());
        OpenInfoRecord info;
        const std::uint64_t before = BytesRead();
        const bool opened = e.Open(c.file.string(), info);
        EXPECT_LT(BytesRead() - before, kMostRead);
        EXPECT_EQ(opened, c.plays);
        if (!opened) {
            EXPECT_EQ(info.TotalSeconds, 0);
            continue;
        }
        // What is there plays, and the track ends soon after it.
        ASSERT_TRUE(e.Play());
        ASSERT_TRUE(WaitUntil([&] { return State(e) == Stopped; }, 20s));
        EXPECT_NEAR(e.HeardSeconds(), 1.8, 0.2);
    }
}

// A 4 s tone with 20 KB of random bytes in the middle.
std::filesystem::path WithJunk(const std::filesystem::path& folder, unsigned seed) {
    ToneSpec tone;
    tone.seconds = 4.0;
    auto bytes = ReadBytes(WriteToneMp3(folder, "clean.mp3", tone));
    std::mt19937 rng(seed);
    std::vector<std::uint8_t> junk(20 * 1024);
    for (auto& b : junk) b = static_cast<std::uint8_t>(rng());
    bytes.insert(bytes.begin() + static_cast<std::ptrdiff_t>(bytes.size() / 2), junk.begin(),
                 junk.end());
    return Sparse(folder / ("junk" + std::to_string(seed) + ".mp3"), 0, bytes,
                  static_cast<std::int64_t>(bytes.size()));
}

TEST(BrokenInputTest, JunkAndGluedStreamsPlayWhatTheirLengthSaysAtEverySetting) {
    TempFolder dir;
    struct Case {
        std::filesystem::path file;
        double seconds;
    };
    std::vector<Case> cases;
    for (unsigned seed = 1; seed <= 6; ++seed) cases.push_back({WithJunk(dir.Path(), seed), 4.0});
    // Two files glued: only the first one's frames play (those of the second are taken for
    // stray headers), and the length says so.
    ToneSpec first, second;
    first.seconds = second.seconds = 2.0;
    second.sampleRate = 22050;
    auto glued = ReadBytes(WriteToneMp3(dir.Path(), "a.mp3", first));
    const auto tail = ReadBytes(WriteToneMp3(dir.Path(), "b.mp3", second));
    glued.insert(glued.end(), tail.begin(), tail.end());
    cases.push_back({Sparse(dir.Path() / "glued.mp3", 0, glued,
                            static_cast<std::int64_t>(glued.size())),
                     2.0});

    const StderrCapture stderrText;
    for (const Case& c : cases) {
        for (const int down : {0, 1, 2}) {
            SCOPED_TRACE(c.file.filename().string() + " at 1/" + std::to_string(1 << down));
            const DecodeOptions options{static_cast<DecodeRate>(down), DecodeChannels::Stereo};
            auto chain = engine::DecodeChain::Open(c.file.string(), options);
            ASSERT_TRUE(chain);
            const Decoded d = DecodeAll(c.file, options);
            EXPECT_EQ(chain->Info().TotalSeconds, static_cast<int>(c.seconds));
            // Resyncing after junk loses a few frames, the same few at every setting.
            EXPECT_NEAR(static_cast<double>(d.Frames()) / d.rate, c.seconds, 0.15);
            EXPECT_NEAR(static_cast<double>(d.Frames()), static_cast<double>(chain->LengthFrames()),
                        1152 >> down);
        }
    }
    EXPECT_EQ(stderrText.Text(), "");
}

TEST(BrokenInputTest, ChainFinishesOnEveryDamage) {
    TempFolder dir;
    for (const Damage d : {Damage::Empty, Damage::Text, Damage::Truncated,
                           Damage::GarbageInMiddle, Damage::RandomBytes, Damage::HugeId3v2}) {
        const auto file = WriteDamagedMp3(dir.Path(), "d.mp3", d);
        const Decoded decoded = DecodeAll(file); // returns, whatever it finds
        EXPECT_LT(decoded.Frames(), 44100u * 5);
    }
}

// Each format beside MP3, whole and damaged: the whole file plays its length; a damaged one is
// refused at once or plays what decodes and ends. Never a crash, a hang or a stuck clock.
TEST(BrokenInputTest, DamagedFilesOfEveryFormatAreRefusedOrEndOnce) {
    TempFolder dir;
    constexpr std::int64_t kMiB = 1 << 20;
    std::mt19937 rng(7);
    Engine e(Fast());
    for (const Container c : {Container::Wav, Container::Aiff, Container::Flac, Container::Vorbis,
                              Container::Opus}) {
        const std::string ext = "." + ExtensionOf(c);
        AudioSpec sound;
        sound.container = c;
        sound.frames = 5 * 44100;
        const auto whole = ReadBytes(WriteAudio(dir.Path(), "whole" + ext, sound));
        auto bytes = [&](const std::string& name, std::vector<std::uint8_t> content) {
            return Sparse(dir.Path() / (name + ext), 0, content,
                          static_cast<std::int64_t>(content.size()));
        };
        std::vector<std::uint8_t> random(64 * 1024), header = whole;
        for (auto& b : random) b = static_cast<std::uint8_t>(rng());
        // The format's mark, then nonsense where its header's fields belong.
        for (std::size_t i = 4; i < 64; ++i) header[i] = static_cast<std::uint8_t>(rng());
        const std::vector<std::uint8_t> head(whole.begin(), whole.begin() + whole.size() * 7 / 10);
        struct Case {
            std::filesystem::path file;
            double minSeconds, maxSeconds; // heard; a negative minimum: may be refused
        };
        const Case cases[] = {
            {dir.Path() / ("whole" + ext), 4.95, 5.0},
            // A download cut short plays what arrived (Ogg's last page is cut in half); the
            // headers take a part of the bytes.
            {bytes("truncated", head), 1.0, 3.6},
            {bytes("random", random), -1, 0},
            {bytes("header", header), -1, 5.0},
            {bytes("empty", {}), -1, 0},
            // The first 70% arrived; the rest of its 512 MiB never did.
            {Sparse(dir.Path() / ("partial" + ext), 0, head, 512 * kMiB), 1.0, 3.6},
        };
        for (const Case& k : cases) {
            SCOPED_TRACE(k.file.filename().string());
            OpenInfoRecord info;
            const std::uint64_t before = BytesRead();
            const bool opened = e.Open(k.file.string(), info);
            EXPECT_LT(BytesRead() - before, kMostRead);
            if (k.file.stem() == "whole") {
                EXPECT_EQ(info.TotalSeconds, 5);
            }
            if (k.minSeconds >= 0) {
                ASSERT_TRUE(opened);
            }
            if (!opened) {
                EXPECT_EQ(info.TotalSeconds, 0);
                EXPECT_EQ(State(e), Stopped);
                continue;
            }
            EXPECT_GT(k.maxSeconds, 0) << "opened";
            ASSERT_TRUE(e.Play());
            std::vector<PlaybackState> seen{State(e)};
            ASSERT_TRUE(WaitUntil(
                [&] {
                    const PlaybackState s = State(e);
                    if (s != seen.back()) seen.push_back(s);
                    return s == Stopped;
                },
                20s));
            EXPECT_EQ(seen, (std::vector<PlaybackState>{Playing, Stopped}));
            EXPECT_LE(e.HeardSeconds(), k.maxSeconds + 0.05);
            EXPECT_GE(e.HeardSeconds(), k.minSeconds);
        }
    }
}

// Headers whose sizes and lengths are not the truth. A WAV whose recording was cut off (its
// data size 0 or 0xFFFFFFFF) plays to the end of the file; a container that does not decode
// is refused rather than read as MP3; lengths too large for the file's bytes (up to 2^63)
// are damage, never overflowing, and no file plays longer than the length it announces.
TEST(BrokenInputTest, HeadersThatLieAboutTheirSizesAreReadAsTheBytesAllow) {
    TempFolder dir;
    constexpr int kRate = 44100;
    constexpr std::int64_t kFrames = 22050;
    std::vector<std::int16_t> pcm;
    std::vector<float> written;
    for (std::int64_t i = 0; i < kFrames * 2; ++i) {
        pcm.push_back(static_cast<std::int16_t>((i * 37) % 20000 - 10000));
        written.push_back(static_cast<float>(pcm.back()) / 32768.0f);
    }
    auto write = [&](const std::string& name, const std::vector<std::uint8_t>& bytes) {
        const auto file = dir.Path() / name;
        std::ofstream(file, std::ios::binary | std::ios::trunc)
            .write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
        return file;
    };
    auto le = [](std::vector<std::uint8_t>& b, std::size_t at, std::uint64_t v, int bytes) {
        for (int i = 0; i < bytes; ++i)
            b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
    };
    // Puts `granule` into the last page of an Ogg file, as a damaged tail would have it.
    auto lastGranule = [&](const std::filesystem::path& from, std::uint64_t granule) {
        std::vector<std::uint8_t> b = ReadBytes(from);
        const std::string_view view(reinterpret_cast<const char*>(b.data()), b.size());
        le(b, view.rfind("OggS") + 6, granule, 8);
        return b;
    };

    const auto plain = WriteWav16(dir.Path() / "plain.wav", kRate, 2, pcm);
    const auto cutOff = WriteWav16(dir.Path() / "cut-off.wav", kRate, 2, pcm, 0u);
    std::vector<std::uint8_t> streamedBytes =
        ReadBytes(WriteWav16(dir.Path() / "streamed.wav", kRate, 2, pcm, 0xFFFFFFFFu));
    le(streamedBytes, 4, 0xFFFFFFFFu, 4); // the RIFF size unknown too
    const auto streamed = write("streamed.wav", streamedBytes);
    // Empty, with an INFO list behind its data chunk: not a recording cut off.
    std::vector<std::uint8_t> empty = ReadBytes(WriteWav16(dir.Path() / "e.wav", kRate, 2, {}));
    for (const char c : std::string("LIST\x08\0\0\0INFOabcd", 16))
        empty.push_back(static_cast<std::uint8_t>(c));
    le(empty, 4, empty.size() - 8, 4);
    // A RIFF file whose "WAVEfmt " is gone, and an MP3 stream inside it.
    std::vector<std::uint8_t> noFormat = {'R', 'I', 'F', 'F', 0, 0, 0, 0};
    ToneSpec tone;
    tone.seconds = 1;
    const std::vector<std::uint8_t> mp3 = ReadBytes(WriteToneMp3(dir.Path(), "t.mp3", tone));
    noFormat.insert(noFormat.end(), mp3.begin(), mp3.end());
    // RF64 whose ds64 chunk gives the data 2^63-1 bytes.
    std::vector<std::uint8_t> rf64 = ReadBytes(plain);
    {
        std::vector<std::uint8_t> ds64(8 + 28, 0);
        std::copy_n("ds64", 4, ds64.begin());
        le(ds64, 4, 28, 4);
        le(ds64, 8, rf64.size() + ds64.size() - 8, 8);
        le(ds64, 16, 0x7FFFFFFFFFFFFFFFull, 8);
        le(ds64, 24, kFrames, 8);
        rf64.insert(rf64.begin() + 12, ds64.begin(), ds64.end());
        std::copy_n("RF64", 4, rf64.begin());
        le(rf64, 4, 0xFFFFFFFFu, 4);
        le(rf64, 12 + ds64.size() + 24 + 4, 0xFFFFFFFFu, 4); // the data chunk's own size
    }
    AudioSpec two;
    two.frames = 2 * kRate;
    two.container = Container::Flac;
    std::vector<std::uint8_t> flac = ReadBytes(WriteAudio(dir.Path(), "two.flac", two));
    flac[21] |= 0x0F; // STREAMINFO: 2^36 - 1 samples
    le(flac, 22, 0xFFFFFFFFu, 4);
    two.container = Container::Opus;
    const auto opus = WriteAudio(dir.Path(), "two.opus", two);
    two.container = Container::Vorbis;
    const auto vorbis = WriteAudio(dir.Path(), "two.ogg", two);

    struct Case {
        std::filesystem::path file;
        std::int64_t frames; // decoded, all of the audio that is there; -1: refused
        int mostSeconds;     // the length it may announce
    };
    const Case cases[] = {
        {plain, kFrames, 1},
        {cutOff, kFrames, 1},
        {streamed, kFrames, 1},
        {write("empty-then-list.wav", empty), -1, 0},
        {write("no-format.wav", noFormat), -1, 0},
        {write("huge.rf64", rf64), kFrames, 1},
        {write("huge.flac", flac), 2 * kRate, 2},
        {write("huge-granule.opus", lastGranule(opus, 0x7FFFFFFFFFFFF000ull)), -1, 0},
        {write("huge-granule.ogg", lastGranule(vorbis, 0x7FFFFFFFFFFFF000ull)), -1, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file.filename().string());
        auto chain = engine::DecodeChain::Open(c.file.string(), {});
        ASSERT_EQ(chain != nullptr, c.frames >= 0);
        if (!chain) continue;
        EXPECT_LE(chain->Info().TotalSeconds, c.mostSeconds);
        const Decoded d = DecodeAll(c.file);
        EXPECT_EQ(static_cast<std::int64_t>(d.Frames()), c.frames);
        EXPECT_LE(static_cast<std::int64_t>(d.Frames()), chain->LengthFrames());
        if (c.frames == kFrames) {
            EXPECT_TRUE(d.samples == written); // to the last sample
        }
    }
    // A tag write needs a WAV's true layout: one with an open-ended data chunk is left alone.
    tags::TagFiles tags;
    for (const auto& file : {cutOff, streamed}) {
        const std::vector<std::uint8_t> before = ReadBytes(file);
        TagRecord tag;
        tag.Title.Store("x");
        const TagWriteResult written = tags.Write(file.string(), tag);
        EXPECT_FALSE(written.written);
        EXPECT_EQ(written.problem, "damaged WAV file");
        EXPECT_TRUE(ReadBytes(file) == before);
    }
}

} // namespace
} // namespace telbo::test
