// ReplayGain: the factor each mode gives, Auto's album choice, the tag values of every format
// as the engine plays them, the gain change at a gapless join, and the scan that writes them.

#include "EngineTestSupport.h"

#include "support/AudioFixture.h"

#include "decoder/ReplayGain.h"
#include "engine/AudioSink.h"
#include "engine/Engine.h"
#include "engine/Playhead.h"
#include "engine/ReplayGainScale.h"
#include "engine/ReplayGainScan.h"
#include "tags/ReplayGainTags.h"
#include "tags/TagRead.h"
#include "tags/TagWrite.h"
#include "support/CaptureSink.h"

#include <gtest/gtest.h>
#include <taglib/apetag.h>
#include <taglib/flacfile.h>
#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>
#include <taglib/opusfile.h>
#include <taglib/relativevolumeframe.h>
#include <taglib/textidentificationframe.h>
#include <taglib/vorbisfile.h>
#include <taglib/wavfile.h>

#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <mutex>
#include <thread>

namespace telbo::test {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using engine::ReplayGainScale;
using Mode = ReplayGainMode;

// ---- the factor ----

TEST(ReplayGainScaleTest, ModesPreampsAndClipPrevention) {
    const ReplayGainValues tagged{-6.0, 0.5, -9.0, 0.9};
    const ReplayGainValues trackOnly{-6.0, 0.5, {}, {}};
    const ReplayGainValues loud{10.0, 0.5, {}, {}};
    const ReplayGainValues noPeak{10.0, {}, {}, {}};
    auto opts = [](Mode m, double pre, double untagged, bool clip, bool autoAlbum = false) {
        return ReplayGainOptions{m, pre, untagged, clip, autoAlbum};
    };
    const struct {
        const char* name;
        ReplayGainValues values;
        ReplayGainOptions options;
        double db;
    } cases[] = {
        {"off ignores tags and preamps", tagged, opts(Mode::Off, 5, 5, false), 0},
        {"track", tagged, opts(Mode::Track, 0, 0, true), -6},
        {"album", tagged, opts(Mode::Album, 0, 0, true), -9},
        {"album falls back to track", trackOnly, opts(Mode::Album, 0, 0, true), -6},
        {"auto on an album", tagged, opts(Mode::Auto, 0, 0, true, true), -9},
        {"auto elsewhere", tagged, opts(Mode::Auto, 0, 0, true, false), -6},
        {"preamp adds", tagged, opts(Mode::Track, 3, -4, true), -3},
        {"preamp is held to 15 dB", tagged, opts(Mode::Track, 40, 0, false), 9},
        {"peak limits", loud, opts(Mode::Track, 0, 0, true), 20 * std::log10(2.0)},
        {"no clip prevention", loud, opts(Mode::Track, 0, 0, false), 10},
        {"unknown peak of a tagged file", noPeak, opts(Mode::Track, 0, 0, true), 10},
        {"album peak with album gain", ReplayGainValues{-6, 0.5, 5.0, 0.9},
         opts(Mode::Album, 0, 0, true), 20 * std::log10(1 / 0.9)},
        {"untagged preamp", {}, opts(Mode::Track, 6, -5, true), -5},
        {"untagged never above 1 when clipping is prevented", {}, opts(Mode::Album, 0, 6, true), 0},
        {"untagged boost without clip prevention", {}, opts(Mode::Track, 0, 6, false), 6},
        {"a NaN preamp counts as 0", tagged, opts(Mode::Track, std::nan(""), 0, true), -6},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_NEAR(20 * std::log10(ReplayGainScale(c.values, c.options)), c.db, 1e-9);
    }
}

TEST(ReplayGainAutoTest, AlbumGainAppliesOnlyBetweenTracksOfOneAlbum) {
    const AlbumPlace a1{"/m/a/01.mp3", "Blue"}, a2{"/m/a/02.mp3", "Blue   "},
        other{"/m/a/03.mp3", "Red"}, elsewhere{"/m/b/01.mp3", "Blue"}, none1{"/m/a/04.mp3", ""},
        none2{"/m/a/05.mp3", ""};
    const struct {
        const char* name;
        const AlbumPlace *previous, &current, *next;
        bool album;
    } cases[] = {
        {"next of the same album (padding ignored)", nullptr, a1, &a2, true},
        {"previous of the same album", &a1, a2, &other, true},
        {"neighbours of other albums", &other, a1, &other, false},
        {"same album tag in another folder", &elsewhere, a1, nullptr, false},
        {"no album tag is no album", &none1, none2, &none1, false},
        {"alone", nullptr, a1, nullptr, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(AlbumGainApplies(c.previous, c.current, c.next), c.album);
    }
}

TEST(ReplayGainTagsTest, ValuesParseLenientlyAndJunkIsRefused) {
    using tags::ParseGainDb;
    const struct {
        const char* text;
        std::optional<double> gain;
    } gains[] = {
        {"-6.50 dB", -6.5}, {"+1.2 dB", 1.2},    {"-6.5", -6.5},   {" 3 db ", 3},
        {"0.00 DB", 0},     {"-59.9 dB", -59.9}, {"-60.1 dB", {}}, {"nan", {}},
        {"inf dB", {}},     {"1e3", {}},         {"", {}},         {"dB", {}},
        {"-6,5 dB", {}},    {"loud", {}},        {"--6 dB", {}},   {"6 dB!", {}},
    };
    for (const auto& c : gains) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(ParseGainDb(c.text), c.gain);
    }
    EXPECT_EQ(tags::ParsePeak("0.988547"), 0.988547);
    EXPECT_EQ(tags::ParsePeak("1.5"), 1.5);
    EXPECT_EQ(tags::ParsePeak("0"), std::nullopt);
    EXPECT_EQ(tags::ParsePeak("-0.5"), std::nullopt);
    EXPECT_EQ(tags::ParseR128Gain("-2816"), -6.0); // -11 dB against -23 LUFS
    EXPECT_EQ(tags::ParseR128Gain("+256"), 6.0);
    EXPECT_EQ(tags::ParseR128Gain("-2816.5"), std::nullopt);
    EXPECT_EQ(tags::ParseR128Gain("40000"), std::nullopt);
}

// ---- tagging the test files ----

TagLib::String S(const std::string& s) {
    return TagLib::String(s, TagLib::String::UTF8);
}

void AddTxxx(TagLib::ID3v2::Tag& tag, const std::string& name, const std::string& value) {
    tag.addFrame(
        new TagLib::ID3v2::UserTextIdentificationFrame(S(name), TagLib::StringList(S(value))));
}

void TagMp3(const fs::path& file, const std::function<void(TagLib::MPEG::File&)>& edit, int tags) {
    TagLib::MPEG::File f(file.c_str());
    edit(f);
    ASSERT_TRUE(
        f.save(tags, TagLib::File::StripOthers, TagLib::ID3v2::v4, TagLib::File::DoNotDuplicate));
}

void TagXiph(const fs::path& file, Container c,
             const std::vector<std::pair<std::string, std::string>>& fields) {
    std::unique_ptr<TagLib::File> f;
    TagLib::Ogg::XiphComment* x = nullptr;
    if (c == Container::Flac) {
        auto* flac = new TagLib::FLAC::File(file.c_str());
        x = flac->xiphComment(true);
        f.reset(flac);
    } else if (c == Container::Vorbis) {
        auto* v = new TagLib::Ogg::Vorbis::File(file.c_str());
        x = v->tag();
        f.reset(v);
    } else {
        auto* o = new TagLib::Ogg::Opus::File(file.c_str());
        x = o->tag();
        f.reset(o);
    }
    for (const auto& [k, v] : fields)
        x->addField(S(k), S(v), true);
    ASSERT_TRUE(f->save());
}

void TagWavTxxx(const fs::path& file, const std::string& name, const std::string& value) {
    TagLib::RIFF::WAV::File f(file.c_str());
    AddTxxx(*f.ID3v2Tag(), name, value);
    ASSERT_TRUE(f.save());
}

// The Opus header's output gain (Q7.8 dB), with the page's checksum made good again.
void SetOpusHeaderGain(const fs::path& file, std::int16_t q78) {
    std::vector<std::uint8_t> b = ReadBytes(file);
    ASSERT_GT(b.size(), 64u);
    const std::size_t segments = b[26], body = 27 + segments;
    std::size_t pageEnd = body;
    for (std::size_t i = 0; i < segments; ++i)
        pageEnd += b[27 + i];
    ASSERT_EQ(std::string(b.begin() + body, b.begin() + body + 8), "OpusHead");
    b[body + 16] = static_cast<std::uint8_t>(q78 & 0xff);
    b[body + 17] = static_cast<std::uint8_t>((q78 >> 8) & 0xff);
    for (int i = 22; i < 26; ++i)
        b[i] = 0;
    std::uint32_t crc = 0;
    for (std::size_t i = 0; i < pageEnd; ++i) {
        crc ^= std::uint32_t{b[i]} << 24;
        for (int k = 0; k < 8; ++k)
            crc = (crc & 0x80000000u) ? (crc << 1) ^ 0x04c11db7u : crc << 1;
    }
    for (int i = 0; i < 4; ++i)
        b[22 + i] = static_cast<std::uint8_t>(crc >> (8 * i));
    std::ofstream(file, std::ios::binary)
        .write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
}

// ---- playing through the engine ----


// What the engine plays of `files`, the second one queued behind the first.
std::vector<float> Play(const std::vector<fs::path>& files, const ReplayGainOptions& options) {
    CaptureSink* sink = nullptr;
    Engine::Options o;
    o.nullAudio = true;
    o.makeSink = [&](engine::Playhead& p) -> std::unique_ptr<engine::AudioSink> {
        auto s = std::make_unique<CaptureSink>(p);
        sink = s.get();
        return s;
    };
    Engine e(o);
    e.Init();
    e.SetReplayGain(options);
    OpenInfoRecord info;
    EXPECT_TRUE(e.Open(files[0].string(), info));
    EXPECT_TRUE(e.Play());
    if (files.size() > 1) {
        EXPECT_TRUE(e.QueueNext(files[1].string()));
    }
    std::size_t changes = 0;
    EXPECT_TRUE(WaitUntil([&] {
        std::int32_t elapsed = 0;
        OpenInfoRecord next;
        if (e.TakeTrackChange(next)) ++changes;
        return e.State(elapsed) == PlaybackState::Stopped;
    }));
    EXPECT_EQ(changes, files.size() - 1);
    std::vector<float> heard = sink->Captured();
    e.Shutdown();
    return heard;
}

double Peak(const std::vector<float>& s) {
    float p = 0;
    for (const float v : s)
        p = std::max(p, std::fabs(v));
    return p;
}

TEST(ReplayGainTest, EveryFormatPlaysAtItsTaggedGain) {
    TempFolder dir;
    const ReplayGainOptions track{Mode::Track, 0, 0, true, false};
    const ReplayGainOptions album{Mode::Album, 0, 0, true, false};
    ReplayGainOptions noClip = track;
    noClip.ClipPrevention = false;
    ReplayGainOptions boost = track;
    boost.UntaggedPreamp = 6;
    // RVA2 for the track at -3 dB and the album at -6 dB, optionally a TXXX track gain.
    auto rva2 = [](const char* txxx) {
        return [txxx](const fs::path& f) {
            TagMp3(
                f,
                [txxx](auto& m) {
                    for (const auto& [id, db] : {std::pair{"track", -3.0f}, {"album", -6.0f}}) {
                        auto* r = new TagLib::ID3v2::RelativeVolumeFrame();
                        r->setIdentification(id);
                        r->setVolumeAdjustment(db);
                        m.ID3v2Tag(true)->addFrame(r);
                    }
                    if (txxx) AddTxxx(*m.ID3v2Tag(true), "REPLAYGAIN_TRACK_GAIN", txxx);
                },
                TagLib::MPEG::File::ID3v2);
        };
    };
    const struct {
        const char* name;
        std::string ext;
        std::function<void(const fs::path&)> tag;
        ReplayGainOptions options;
        double db;       // against the same file played without ReplayGain
        double headerDb; // the Opus header gain, heard with ReplayGain off too
    } cases[] = {
        {"MP3 TXXX", "mp3",
         [](const fs::path& f) {
             TagMp3(
                 f,
                 [](auto& m) { AddTxxx(*m.ID3v2Tag(true), "replaygain_track_gain", "-6.00 dB"); },
                 TagLib::MPEG::File::ID3v2);
         },
         track, -6, 0},
        {"MP3 APE behind an ID3v2 tag", "mp3",
         [](const fs::path& f) {
             TagMp3(
                 f,
                 [](auto& m) {
                     m.ID3v2Tag(true)->setTitle("t");
                     m.APETag(true)->addValue("REPLAYGAIN_TRACK_GAIN", "-6.00 dB");
                 },
                 TagLib::MPEG::File::ID3v2 | TagLib::MPEG::File::APE);
         },
         track, -6, 0},
        {"MP3 RVA2 track", "mp3", rva2(nullptr), track, -3, 0},
        {"MP3 RVA2 album", "mp3", rva2(nullptr), album, -6, 0},
        {"MP3 TXXX over RVA2", "mp3", rva2("-2 dB"), track, -2, 0},
        {"FLAC track", "flac",
         [](const fs::path& f) {
             TagXiph(f, Container::Flac,
                     {{"REPLAYGAIN_TRACK_GAIN", "-6.00 dB"}, {"REPLAYGAIN_ALBUM_GAIN", "-9 dB"}});
         },
         track, -6, 0},
        {"FLAC album", "flac",
         [](const fs::path& f) {
             TagXiph(f, Container::Flac,
                     {{"REPLAYGAIN_TRACK_GAIN", "-6.00 dB"}, {"REPLAYGAIN_ALBUM_GAIN", "-9 dB"}});
         },
         album, -9, 0},
        {"FLAC old REPLAYGAIN_GAIN", "flac",
         [](const fs::path& f) {
             TagXiph(f, Container::Flac, {{"REPLAYGAIN_GAIN", "-6"}});
         },
         album, -6, 0},
        {"FLAC clipping prevented by the peak", "flac",
         [](const fs::path& f) {
             TagXiph(f, Container::Flac,
                     {{"REPLAYGAIN_TRACK_GAIN", "+10 dB"}, {"REPLAYGAIN_TRACK_PEAK", "0.5"}});
         },
         track, 20 * std::log10(2.0), 0},
        {"FLAC without clip prevention", "flac",
         [](const fs::path& f) {
             TagXiph(f, Container::Flac,
                     {{"REPLAYGAIN_TRACK_GAIN", "+3 dB"}, {"REPLAYGAIN_TRACK_PEAK", "0.5"}});
         },
         noClip, 3, 0},
        {"Ogg Vorbis", "ogg",
         [](const fs::path& f) {
             TagXiph(f, Container::Vorbis, {{"REPLAYGAIN_TRACK_GAIN", "-6.00 dB"}});
         },
         track, -6, 0},
        {"Opus R128 with a header gain", "opus",
         [](const fs::path& f) {
             SetOpusHeaderGain(f, 3 * 256);
             TagXiph(f, Container::Opus, {{"R128_TRACK_GAIN", "-2816"}});
         },
         track, -6, 3},
        {"Opus with REPLAYGAIN comments only", "opus",
         [](const fs::path& f) {
             TagXiph(f, Container::Opus, {{"REPLAYGAIN_TRACK_GAIN", "-6.00 dB"}});
         },
         track, -6, 0},
        {"WAV ID3v2", "wav",
         [](const fs::path& f) { TagWavTxxx(f, "REPLAYGAIN_TRACK_GAIN", "-6.00 dB"); }, track, -6,
         0},
        {"untagged WAV: a boost stops at full scale", "wav", [](const fs::path&) {}, boost, 0, 0},
    };
    int n = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string name = "tone" + std::to_string(n++) + "." + c.ext;
        fs::path file;
        AudioSpec sound;
        sound.frames = 44100;
        sound.frequencies = {1000.0};
        if (c.ext == "mp3") {
            ToneSpec t;
            t.frequencyHz = 1000;
            file = WriteToneMp3(dir.Path(), name, t);
        } else {
            sound.container = c.ext == "flac"   ? Container::Flac
                             : c.ext == "ogg"  ? Container::Vorbis
                             : c.ext == "opus" ? Container::Opus
                                               : Container::Wav;
            file = WriteAudio(dir.Path(), name, sound);
        }
        c.tag(file);
        ReplayGainOptions off;
        off.Mode = Mode::Off;
        const std::vector<float> plain = Play({file}, off);
        const std::vector<float> heard = Play({file}, c.options);
        ASSERT_EQ(heard.size(), plain.size());
        ASSERT_GT(heard.size(), 8192u);
        const std::size_t mid = heard.size() / 4;
        const int rate = c.ext == "opus" ? 48000 : 44100;
        const double on = ToneAmplitude(&heard[mid * 2], 4096, 0, 1000, rate);
        const double without = ToneAmplitude(&plain[mid * 2], 4096, 0, 1000, rate);
        std::cout << "[ figures  ] " << c.name << ": " << Db(on / without) << " dB\n";
        EXPECT_NEAR(Db(on / without), c.db, 0.05);
        // The header gain is heard exactly once, with ReplayGain off too (LAME's own level
        // is a few tenths of a dB off the tone's).
        EXPECT_NEAR(Db(without / 0.5), c.headerDb, c.ext == "mp3" ? 0.6 : 0.1);
        if (c.options.ClipPrevention) {
            EXPECT_LE(Peak(heard), 1.0);
        }
    }
}

// A gapless join switches from one file's gain to the next one's at the next file's first
// frame: before it the first file as it is, from it on the second at half its amplitude.
TEST(ReplayGainTest, AQueuedFileTakesItsGainAtItsFirstFrame) {
    TempFolder dir;
    AudioSpec a;
    a.frames = 30011;
    const auto first = WriteAudio(dir.Path(), "first.wav", a);
    a.frames = 20000;
    a.firstFrame = 30011;
    const auto second = WriteAudio(dir.Path(), "second.wav", a);
    TagWavTxxx(second, "REPLAYGAIN_TRACK_GAIN", "-6.0206 dB"); // x0.5
    const Decoded d1 = DecodeAll(first), d2 = DecodeAll(second);
    const std::vector<float> heard = Play({first, second}, ReplayGainOptions{});
    ASSERT_EQ(heard.size(), d1.samples.size() + d2.samples.size());
    for (std::size_t i = 0; i < d1.samples.size(); ++i)
        ASSERT_EQ(heard[i], d1.samples[i]) << i;
    for (std::size_t i = 0; i < d2.samples.size(); ++i)
        ASSERT_NEAR(heard[d1.samples.size() + i], d2.samples[i] * 0.5f, 1e-6) << i;
}

// ---- writing the fields ----

std::vector<std::uint8_t> Utf16(const std::string& ascii) {
    std::vector<std::uint8_t> b{0xFF, 0xFE};
    for (const char c : ascii)
        b.insert(b.end(), {static_cast<std::uint8_t>(c), 0});
    return b;
}

// A field of the same name in any case (and in UTF-16) is replaced, not doubled; what else the
// file holds stays; writing what the file already holds leaves it untouched.
TEST(ReplayGainWriteTest, FieldsOfTheSameNameAreReplacedAndTheRestKept) {
    TempFolder dir;
    const std::string kOld = "+1.00 dB", kNew = "-3.00 dB";
    const struct {
        const char* name;
        std::function<fs::path()> make;
    } cases[] = {
        {"MP3, ID3v2.3 UTF-16 TXXX and an APE tag",
         [&] {
             const fs::path f = WriteToneMp3(dir.Path(), "a.mp3");
             TagSpec t;
             t.id3v2Version = 0;
             t.ape = true;
             t.title = "ape title";
             WriteTags(f, t);
             std::vector<std::uint8_t> txxx{1};
             for (auto part :
                  {Utf16("replaygain_track_gain"), std::vector<std::uint8_t>{0, 0}, Utf16(kOld)})
                 txxx.insert(txxx.end(), part.begin(), part.end());
             PrependId3v2(f, 3, {{"TIT2", TextContent("title")}, {"TXXX", txxx}});
             return f;
         }},
        {"FLAC, lower-case field",
         [&] {
             AudioSpec a;
             a.container = Container::Flac;
             const fs::path f = WriteAudio(dir.Path(), "a.flac", a);
             TagXiph(f, Container::Flac, {{"replaygain_track_gain", kOld}, {"ALBUM", "Blue"}});
             return f;
         }},
        {"Ogg Vorbis",
         [&] {
             AudioSpec a;
             a.container = Container::Vorbis;
             const fs::path f = WriteAudio(dir.Path(), "a.ogg", a);
             TagXiph(f, Container::Vorbis, {{"REPLAYGAIN_TRACK_GAIN", kOld}, {"ALBUM", "Blue"}});
             return f;
         }},
        {"WAV",
         [&] {
             const fs::path f = WriteAudio(dir.Path(), "a.wav", AudioSpec{});
             TagWavTxxx(f, "Replaygain_Track_Gain", kOld);
             return f;
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const fs::path file = c.make();
        const std::vector<std::uint8_t> before = ReadBytes(file);
        const Decoded audio = DecodeAll(file);
        ASSERT_EQ(tags::ReadReplayGain(file.string()).trackGain, 1.0);
        const auto r = tags::WriteFields(file.string(), {{"REPLAYGAIN_TRACK_GAIN", kNew}});
        ASSERT_TRUE(r.written) << r.problem;
        const std::vector<std::uint8_t> after = ReadBytes(file);
        EXPECT_EQ(tags::ReadReplayGain(file.string()).trackGain, -3.0);
        EXPECT_TRUE(DecodeAll(file).samples == audio.samples);
        // One field of that name: the old value is nowhere in the file.
        auto contains = [](const std::vector<std::uint8_t>& b, const std::vector<std::uint8_t>& w) {
            return std::search(b.begin(), b.end(), w.begin(), w.end()) != b.end();
        };
        const std::vector<std::uint8_t> old(kOld.begin(), kOld.end());
        EXPECT_FALSE(contains(after, old) || contains(after, Utf16(kOld)));
        TagRecord tag;
        tags::ReadTags(file.string(), tag);
        if (std::string(c.name).starts_with("MP3")) {
            EXPECT_EQ(tag.Title.Shown(), "title");
            // The APE tag at the end, byte for byte.
            const std::size_t tail = 200;
            EXPECT_TRUE(std::equal(before.end() - tail, before.end(), after.end() - tail));
        } else if (!std::string(c.name).starts_with("WAV")) {
            EXPECT_EQ(tag.Album.Shown(), "Blue");
        }
        ASSERT_TRUE(tags::WriteFields(file.string(), {{"REPLAYGAIN_TRACK_GAIN", kNew}}).written);
        EXPECT_EQ(ReadBytes(file), after);
    }
}

// ---- the scan ----

bool Have(const char* tool) {
    return std::system((std::string("command -v ") + tool + " >/dev/null 2>&1").c_str()) == 0;
}

// Integrated loudness by ffmpeg's own EBU R128 meter.
double FfmpegLoudness(const fs::path& file) {
    const std::string cmd = "ffmpeg -hide_banner -nostats -i '" + file.string() +
                            "' -af ebur128=metadata=1,ametadata=mode=print:key=lavfi.r128.I:file=- "
                            "-f null - 2>/dev/null | tail -n 1";
    std::FILE* p = ::popen(cmd.c_str(), "r");
    char line[256] = {};
    const bool got = p && std::fgets(line, sizeof line, p);
    if (p) ::pclose(p);
    const char* eq = got ? std::strchr(line, '=') : nullptr;
    return eq ? std::atof(eq + 1) : NAN;
}

TEST(ReplayGainScanTest, WrittenGainsAgreeWithFfmpegAndLeaveTheAudioAlone) {
    if (!Have("ffmpeg")) {
        if (const char* ci = std::getenv("CI"); ci && std::string(ci) == "true")
            FAIL() << "ffmpeg is missing";
        GTEST_SKIP() << "ffmpeg is missing";
    }
    TempFolder dir;
    fs::create_directories(dir.Path() / "album");
    fs::create_directories(dir.Path() / "other");
    struct File {
        fs::path path;
        std::string album;
        bool opus = false;
    };
    std::vector<File> files;
    const double amplitudes[] = {0.1, 0.4, 0.8, 0.25, 0.6};
    const Container kinds[] = {Container::Flac, Container::Flac, Container::Vorbis, Container::Opus,
                               Container::Wav};
    for (int i = 0; i < 5; ++i) {
        AudioSpec s;
        s.container = kinds[i];
        s.frames = 44100 * 3;
        s.amplitude = amplitudes[i];
        s.frequencies = {440.0 * (i + 1)};
        const fs::path folder = dir.Path() / (i < 3 ? "album" : "other");
        files.push_back(
            {WriteAudio(folder, "t" + std::to_string(i) + "." + ExtensionOf(s.container), s),
             i < 3 ? "Blue" : "", kinds[i] == Container::Opus});
    }
    ToneSpec t;
    t.amplitude = 0.3;
    t.seconds = 3;
    files.push_back({WriteToneMp3(dir.Path() / "other", "t5.mp3", t), ""});
    TagSpec kept;
    kept.title = "kept";
    kept.ape = true;
    WriteTags(files.back().path, kept);
    for (std::size_t i = 0; i < 3; ++i)
        TagXiph(files[i].path, kinds[i], {{"ALBUM", "Blue"}});
    const std::vector<RawFrame> framesBefore = ReadId3v2Frames(files.back().path);
    std::vector<Decoded> before;
    std::vector<std::string> paths;
    for (const File& f : files) {
        before.push_back(DecodeAll(f.path));
        paths.push_back(f.path.string());
    }
    // A read-only file is refused whole, with a reason.
    const fs::path locked = WriteAudio(dir.Path(), "locked.wav", AudioSpec{});
    ::chmod(locked.c_str(), 0444);
    paths.push_back(locked.string());
    const std::vector<std::uint8_t> lockedBytes = ReadBytes(locked);

    std::vector<std::size_t> progress;
    engine::ReplayGainScanOptions options;
    options.progress = [&](std::size_t done, std::size_t total) {
        EXPECT_EQ(total, paths.size());
        progress.push_back(done);
    };
    const auto results = engine::ScanReplayGain(paths, options);
    ASSERT_EQ(results.size(), paths.size());
    EXPECT_EQ(progress.size(), paths.size());
    EXPECT_EQ(progress.back(), paths.size());
    EXPECT_FALSE(results.back().written);
    EXPECT_EQ(results.back().problem, "file is read-only");
    EXPECT_EQ(ReadBytes(locked), lockedBytes);

    for (std::size_t i = 0; i < files.size(); ++i) {
        SCOPED_TRACE(paths[i]);
        ASSERT_TRUE(results[i].written) << results[i].problem;
        const double reference = FfmpegLoudness(files[i].path);
        std::cout << "[ figures  ] " << fs::path(paths[i]).filename().string() << ": telbo "
                  << *results[i].loudness << " LUFS, ffmpeg " << reference << " LUFS\n";
        EXPECT_NEAR(*results[i].loudness, reference, 0.1);
        const ReplayGainValues read = tags::ReadReplayGain(paths[i]);
        ASSERT_TRUE(read.trackGain);
        EXPECT_NEAR(*read.trackGain, -18 - reference, files[i].opus ? 0.11 : 0.1);
        EXPECT_EQ(read.trackPeak.has_value(), !files[i].opus);
        EXPECT_EQ(read.albumGain.has_value(), !files[i].album.empty());
        // Decoding gives the very samples it gave before.
        EXPECT_TRUE(DecodeAll(files[i].path).samples == before[i].samples);
    }
    // The album lies between its loudest and its quietest track.
    const ReplayGainValues a0 = tags::ReadReplayGain(paths[0]);
    EXPECT_LT(*a0.albumGain, *a0.trackGain);
    EXPECT_GT(*a0.albumGain, *tags::ReadReplayGain(paths[2]).trackGain);
    EXPECT_EQ(*a0.albumPeak, *tags::ReadReplayGain(paths[2]).albumPeak);
    // The MP3's other frames are untouched and in their order; the new TXXX frames come first
    // (a reader that stops at a frame it cannot take still sees them).
    std::vector<RawFrame> after = ReadId3v2Frames(files.back().path);
    ASSERT_EQ(after.size(), framesBefore.size() + 2);
    after.erase(after.begin(), after.begin() + 2);
    EXPECT_EQ(after, framesBefore);

    // A second scan with the flag already set writes nothing.
    std::atomic<bool> cancel{true};
    options.cancel = &cancel;
    options.progress = nullptr;
    const auto bytes = ReadBytes(files[0].path);
    const auto stopped = engine::ScanReplayGain({paths[0]}, options);
    EXPECT_FALSE(stopped[0].written);
    EXPECT_EQ(stopped[0].problem, "cancelled");
    EXPECT_EQ(ReadBytes(files[0].path), bytes);
}

} // namespace
} // namespace telbo::test
