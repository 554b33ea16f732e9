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
            const double v = tone.amplitude * std::sin(step * static_cast<double>(tone.firstFrame + static_cast<std::int64_t>(start + i)));
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

std::vector<std::uint8_t> TextContent(const std::string& text, int encoding) {
    std::vector<std::uint8_t> out{static_cast<std::uint8_t>(encoding)};
    if (encoding == 1) {
        const TagLib::ByteVector utf16 = Utf8(text).data(TagLib::String::UTF16);
        out.insert(out.end(), utf16.begin(), utf16.end());
    } else {
        out.insert(out.end(), text.begin(), text.end());
    }
    return out;
}

std::vector<std::uint8_t> CommentContent(const std::string& description, const std::string& text,
                                         const std::string& language) {
    std::vector<std::uint8_t> out{0};
    out.insert(out.end(), language.begin(), language.end());
    out.insert(out.end(), description.begin(), description.end());
    out.push_back(0);
    out.insert(out.end(), text.begin(), text.end());
    return out;
}

namespace {

void PutSize(std::vector<std::uint8_t>& out, std::size_t size, int bytes, bool synchsafe) {
    const int bits = synchsafe ? 7 : 8;
    for (int i = bytes - 1; i >= 0; --i)
        out.push_back(static_cast<std::uint8_t>((size >> (bits * i)) & ((1u << bits) - 1)));
}

std::size_t GetSize(const std::uint8_t* p, int bytes, bool synchsafe) {
    std::size_t v = 0;
    for (int i = 0; i < bytes; ++i) v = (v << (synchsafe ? 7 : 8)) | p[i];
    return v;
}

std::size_t Id3v2Size(const std::vector<std::uint8_t>& b) {
    if (b.size() < 10 || b[0] != 'I' || b[1] != 'D' || b[2] != '3') return 0;
    return 10 + GetSize(&b[6], 4, true);
}

} // namespace

void PrependId3v2(const fs::path& file, int major, const std::vector<RawFrame>& frames,
                  std::size_t padding) {
    std::vector<std::uint8_t> body;
    for (const RawFrame& f : frames) {
        body.insert(body.end(), f.id.begin(), f.id.end());
        if (major == 2) {
            PutSize(body, f.content.size(), 3, false);
        } else {
            PutSize(body, f.content.size(), 4, major == 4);
            body.push_back(static_cast<std::uint8_t>(f.flags >> 8));
            body.push_back(static_cast<std::uint8_t>(f.flags));
        }
        body.insert(body.end(), f.content.begin(), f.content.end());
    }
    body.resize(body.size() + padding, 0);
    std::vector<std::uint8_t> out = {'I', 'D', '3', static_cast<std::uint8_t>(major), 0, 0};
    PutSize(out, body.size(), 4, true);
    out.insert(out.end(), body.begin(), body.end());
    const std::vector<std::uint8_t> old = ReadBytes(file);
    out.insert(out.end(), old.begin() + static_cast<std::ptrdiff_t>(Id3v2Size(old)), old.end());
    WriteBytes(file, out);
}

std::vector<RawFrame> ReadId3v2Frames(const fs::path& file, int* major) {
    const std::vector<std::uint8_t> b = ReadBytes(file);
    const std::size_t end = Id3v2Size(b);
    if (major) *major = end ? b[3] : 0;
    std::vector<RawFrame> frames;
    if (!end || end > b.size()) return frames;
    const int v = b[3];
    const std::size_t header = v == 2 ? 6 : 10, idBytes = v == 2 ? 3 : 4;
    for (std::size_t at = 10; at + header <= end && b[at] != 0;) {
        RawFrame f;
        f.id.assign(b.begin() + static_cast<std::ptrdiff_t>(at),
                    b.begin() + static_cast<std::ptrdiff_t>(at + idBytes));
        const std::size_t size =
            v == 2 ? GetSize(&b[at + 3], 3, false) : GetSize(&b[at + 4], 4, v == 4);
        if (v != 2) f.flags = static_cast<std::uint16_t>(b[at + 8] << 8 | b[at + 9]);
        if (at + header + size > end) Fail("a frame runs past its tag in " + file.string());
        f.content.assign(b.begin() + static_cast<std::ptrdiff_t>(at + header),
                         b.begin() + static_cast<std::ptrdiff_t>(at + header + size));
        frames.push_back(std::move(f));
        at += header + size;
    }
    return frames;
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
