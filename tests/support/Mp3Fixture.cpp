#include "support/Mp3Fixture.h"

#include <lame/lame.h>
#include <taglib/apetag.h>
#include <taglib/id3v1tag.h>
#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>
#include <taglib/tstring.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <numbers>
#include <random>
#include <stdexcept>

namespace telbo::test {

namespace fs = std::filesystem;

namespace {

struct LameDeleter {
    void operator()(lame_global_flags* gf) const noexcept { lame_close(gf); }
};
using LamePtr = std::unique_ptr<lame_global_flags, LameDeleter>;

void Fail(const std::string& what) { throw std::runtime_error("Mp3Fixture: " + what); }

std::vector<std::uint8_t> Encode(const ToneSpec& tone) {
    if (tone.channels != 1 && tone.channels != 2) Fail("channels must be 1 or 2");
    LamePtr gf(lame_init());
    if (!gf) Fail("lame_init");
    lame_set_in_samplerate(gf.get(), tone.sampleRate);
    lame_set_out_samplerate(gf.get(), tone.sampleRate);
    lame_set_num_channels(gf.get(), tone.channels);
    lame_set_mode(gf.get(), tone.channels == 1 ? MONO : JOINT_STEREO);
    lame_set_quality(gf.get(), 7); // fast; the tests measure lengths and levels, not finesse
    if (tone.vbr) {
        lame_set_VBR(gf.get(), vbr_default);
        lame_set_VBR_quality(gf.get(), 4);
    } else {
        lame_set_VBR(gf.get(), vbr_off);
        lame_set_brate(gf.get(), tone.bitrateKbps);
    }
    lame_set_bWriteVbrTag(gf.get(), tone.xingHeader ? 1 : 0);
    if (lame_init_params(gf.get()) < 0) Fail("lame_init_params");

    const auto frames = static_cast<std::size_t>(std::llround(tone.seconds * tone.sampleRate));
    std::vector<std::uint8_t> out;
    std::vector<short> pcm;
    std::vector<unsigned char> mp3(1 << 16);
    const double step = 2.0 * std::numbers::pi * tone.frequencyHz / tone.sampleRate;
    constexpr std::size_t kChunk = 4096;
    for (std::size_t start = 0; start < frames; start += kChunk) {
        const std::size_t n = std::min(kChunk, frames - start);
        pcm.assign(n * tone.channels, 0);
        for (std::size_t i = 0; i < n; ++i) {
            const double v = tone.amplitude * std::sin(step * static_cast<double>(start + i));
            const auto s = static_cast<short>(std::lround(v * 32767.0));
            for (int c = 0; c < tone.channels; ++c) pcm[i * tone.channels + c] = s;
        }
        const int bytes =
            tone.channels == 1
                ? lame_encode_buffer(gf.get(), pcm.data(), pcm.data(), static_cast<int>(n),
                                     mp3.data(), static_cast<int>(mp3.size()))
                : lame_encode_buffer_interleaved(gf.get(), pcm.data(), static_cast<int>(n),
                                                 mp3.data(), static_cast<int>(mp3.size()));
        if (bytes < 0) Fail("lame_encode_buffer");
        out.insert(out.end(), mp3.begin(), mp3.begin() + bytes);
    }
    const int tail = lame_encode_flush(gf.get(), mp3.data(), static_cast<int>(mp3.size()));
    if (tail < 0) Fail("lame_encode_flush");
    out.insert(out.end(), mp3.begin(), mp3.begin() + tail);

    if (tone.xingHeader) {
        // LAME reserved the first frame for this header; it is only complete after the flush.
        const std::size_t size = lame_get_lametag_frame(gf.get(), mp3.data(), mp3.size());
        if (size == 0 || size > out.size()) Fail("lame_get_lametag_frame");
        std::copy(mp3.begin(), mp3.begin() + static_cast<std::ptrdiff_t>(size), out.begin());
    }
    return out;
}

void WriteBytes(const fs::path& file, const std::vector<std::uint8_t>& bytes) {
    std::ofstream f(file, std::ios::binary | std::ios::trunc);
    f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!f) Fail("cannot write " + file.string());
}

std::vector<std::uint8_t> RandomBytes(std::size_t n, unsigned seed) {
    std::mt19937 rng(seed);
    std::vector<std::uint8_t> v(n);
    for (auto& b : v) b = static_cast<std::uint8_t>(rng());
    return v;
}

TagLib::String Utf8(const std::string& s) { return TagLib::String(s, TagLib::String::UTF8); }

} // namespace

fs::path WriteToneMp3(const fs::path& folder, const std::string& name, const ToneSpec& tone) {
    const fs::path file = folder / name;
    WriteBytes(file, Encode(tone));
    return file;
}

void WriteTags(const fs::path& file, const TagSpec& tags) {
    TagLib::MPEG::File f(file.c_str(), false);
    if (!f.isValid()) Fail("TagLib cannot open " + file.string());
    auto fill = [&](TagLib::Tag* t) {
        t->setTitle(Utf8(tags.title));
        t->setArtist(Utf8(tags.artist));
        t->setAlbum(Utf8(tags.album));
        t->setComment(Utf8(tags.comment));
        t->setGenre(Utf8(tags.genre));
        t->setYear(tags.year);
    };
    int which = 0;
    if (tags.id3v2Version != 0) {
        fill(f.ID3v2Tag(true));
        which |= TagLib::MPEG::File::ID3v2;
    }
    if (tags.id3v1) {
        fill(f.ID3v1Tag(true));
        which |= TagLib::MPEG::File::ID3v1;
    }
    if (tags.ape) {
        fill(f.APETag(true));
        which |= TagLib::MPEG::File::APE;
    }
    const auto version = tags.id3v2Version == 3 ? TagLib::ID3v2::v3 : TagLib::ID3v2::v4;
    if (!f.save(which, TagLib::File::StripOthers, version, TagLib::File::DoNotDuplicate))
        Fail("TagLib cannot save " + file.string());
}

fs::path WriteDamagedMp3(const fs::path& folder, const std::string& name, Damage damage) {
    const fs::path file = folder / name;
    ToneSpec tone;
    tone.seconds = 4.0;
    switch (damage) {
    case Damage::Empty:
        WriteBytes(file, {});
        break;
    case Damage::Text: {
        const std::string text = "This is not music.\nJust a few lines of text.\n";
        WriteBytes(file, std::vector<std::uint8_t>(text.begin(), text.end()));
        break;
    }
    case Damage::Truncated: {
        auto bytes = Encode(tone);
        bytes.resize(bytes.size() * 4 / 10);
        WriteBytes(file, bytes);
        break;
    }
    case Damage::GarbageInMiddle: {
        auto bytes = Encode(tone);
        const auto garbage = RandomBytes(20 * 1024, 7);
        bytes.insert(bytes.begin() + static_cast<std::ptrdiff_t>(bytes.size() / 2),
                     garbage.begin(), garbage.end());
        WriteBytes(file, bytes);
        break;
    }
    case Damage::RandomBytes:
        WriteBytes(file, RandomBytes(64 * 1024, 11));
        break;
    case Damage::HugeId3v2: {
        // Synchsafe size 0x7F 0x7F 0x7F 0x7F: 256 MB of tag that is not there.
        std::vector<std::uint8_t> bytes = {'I', 'D', '3', 4, 0, 0, 0x7F, 0x7F, 0x7F, 0x7F};
        tone.seconds = 1.0;
        const auto audio = Encode(tone);
        bytes.insert(bytes.end(), audio.begin(), audio.end());
        WriteBytes(file, bytes);
        break;
    }
    }
    return file;
}

std::vector<std::uint8_t> ReadBytes(const fs::path& file) {
    std::ifstream f(file, std::ios::binary);
    if (!f) Fail("cannot read " + file.string());
    return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

TempFolder::TempFolder() {
    std::string pattern = (fs::temp_directory_path() / "telbo-test-XXXXXX").string();
    if (!mkdtemp(pattern.data())) Fail("mkdtemp");
    path_ = pattern;
}

TempFolder::~TempFolder() {
    std::error_code ec;
    // Tests may leave read-only folders behind; make them removable first.
    for (auto it = fs::recursive_directory_iterator(path_, ec); !ec && it != fs::end(it);
         it.increment(ec))
        if (it->is_directory(ec))
            fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(path_, ec);
}

} // namespace telbo::test
