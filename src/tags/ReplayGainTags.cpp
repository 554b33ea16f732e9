#include "tags/ReplayGainTags.h"
#include "tags/TagLibRawFile.h"

#include "tags/TagFormats.h"
#include "tags/FileProbe.h"
#include "tags/RecordTexts.h"

#include <taglib/aifffile.h>
#include <taglib/apetag.h>
#include <taglib/flacfile.h>
#include <taglib/id3v2framefactory.h>
#include <taglib/id3v2tag.h>
#include <taglib/opusfile.h>
#include <taglib/relativevolumeframe.h>
#include <taglib/textidentificationframe.h>
#include <taglib/tfile.h>
#include <taglib/tfilestream.h>
#include <taglib/vorbisfile.h>
#include <taglib/wavfile.h>
#include <taglib/xiphcomment.h>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <memory>
#include <utility>
#include <vector>

namespace telbo::tags {

namespace {

constexpr double kMaxGainDb = 60;
constexpr double kMaxPeak = 100;

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\0'))
        s.remove_suffix(1);
    return s;
}

// A plain decimal number with an optional sign, the whole text; from_chars ignores the locale.
std::optional<double> Number(std::string_view s) {
    bool negative = false;
    if (!s.empty() && (s.front() == '+' || s.front() == '-')) {
        negative = s.front() == '-';
        s.remove_prefix(1);
    }
    if (s.empty() || !(std::isdigit(static_cast<unsigned char>(s.front())) || s.front() == '.'))
        return std::nullopt;
    double v = 0;
    const auto [end, ec] =
        std::from_chars(s.data(), s.data() + s.size(), v, std::chars_format::fixed);
    if (ec != std::errc() || end != s.data() + s.size() || !std::isfinite(v)) return std::nullopt;
    return negative ? -v : v;
}

std::string Upper(std::string s) {
    for (char& c : s)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return s;
}


// Key/value pairs of one tag, keys upper-cased.
using Fields = std::vector<std::pair<std::string, std::string>>;

void Fill(std::optional<double>& into, const std::optional<double>& from) {
    if (!into) into = from;
}

void Fill(ReplayGainValues& into, const ReplayGainValues& from) {
    Fill(into.trackGain, from.trackGain);
    Fill(into.trackPeak, from.trackPeak);
    Fill(into.albumGain, from.albumGain);
    Fill(into.albumPeak, from.albumPeak);
}

// The first sound value under any of `keys`, in the order of the keys.
template <typename Parse>
std::optional<double> First(const Fields& fields, std::initializer_list<const char*> keys,
                            Parse parse) {
    for (const char* key : keys)
        for (const auto& [k, v] : fields)
            if (k == key)
                if (auto value = parse(v)) return value;
    return std::nullopt;
}

ReplayGainValues FromFields(const Fields& fields, bool opus) {
    ReplayGainValues v;
    if (opus) {
        v.trackGain = First(fields, {"R128_TRACK_GAIN"}, ParseR128Gain);
        v.albumGain = First(fields, {"R128_ALBUM_GAIN"}, ParseR128Gain);
    }
    Fill(v.trackGain, First(fields, {"REPLAYGAIN_TRACK_GAIN", "REPLAYGAIN_GAIN"}, ParseGainDb));
    Fill(v.trackPeak, First(fields, {"REPLAYGAIN_TRACK_PEAK", "REPLAYGAIN_PEAK"}, ParsePeak));
    Fill(v.albumGain, First(fields, {"REPLAYGAIN_ALBUM_GAIN"}, ParseGainDb));
    Fill(v.albumPeak, First(fields, {"REPLAYGAIN_ALBUM_PEAK"}, ParsePeak));
    return v;
}

ReplayGainValues FromXiph(const TagLib::Ogg::XiphComment* xiph, bool opus) {
    if (!xiph) return {};
    Fields fields;
    for (const auto& [key, values] : xiph->fieldListMap())
        for (const TagLib::String& value : values)
            fields.emplace_back(Upper(Utf8(key)), Utf8(value));
    return FromFields(fields, opus);
}

ReplayGainValues FromApe(const TagLib::APE::Tag& ape) {
    Fields fields;
    for (const auto& [key, item] : ape.itemListMap())
        if (item.type() == TagLib::APE::Item::Text)
            for (const TagLib::String& value : item.values())
                fields.emplace_back(Upper(Utf8(key)), Utf8(value));
    return FromFields(fields, false);
}

ReplayGainValues FromTxxx(const TagLib::ID3v2::Tag& tag) {
    Fields fields;
    for (const TagLib::ID3v2::Frame* f : tag.frameList("TXXX")) {
        const auto* t = dynamic_cast<const TagLib::ID3v2::UserTextIdentificationFrame*>(f);
        if (!t) continue;
        const TagLib::StringList list = t->fieldList(); // the description, then the values
        for (unsigned i = 1; i < list.size(); ++i)
            fields.emplace_back(Upper(Utf8(t->description())), Utf8(list[i]));
    }
    return FromFields(fields, false);
}

// The master volume of RVA2 frames: "album" ones are album gains, the others track gains.
// Their peaks are left alone (writers disagree on their scale).
ReplayGainValues FromRva2(const TagLib::ID3v2::Tag& tag) {
    ReplayGainValues v;
    for (const TagLib::ID3v2::Frame* f : tag.frameList("RVA2")) {
        const auto* r = dynamic_cast<const TagLib::ID3v2::RelativeVolumeFrame*>(f);
        if (!r) continue;
        const auto channels = r->channels();
        if (std::find(channels.begin(), channels.end(),
                      TagLib::ID3v2::RelativeVolumeFrame::MasterVolume) == channels.end())
            continue;
        const double db = r->volumeAdjustment(TagLib::ID3v2::RelativeVolumeFrame::MasterVolume);
        if (!std::isfinite(db) || std::fabs(db) > kMaxGainDb) continue;
        const bool album = Upper(Utf8(r->identification())) == "ALBUM";
        Fill(album ? v.albumGain : v.trackGain, db);
    }
    return v;
}

ReplayGainValues FromId3v2(const TagLib::ID3v2::Tag* tag) {
    if (!tag) return {};
    ReplayGainValues v = FromTxxx(*tag);
    Fill(v, FromRva2(*tag));
    return v;
}

ReplayGainValues FromMp3(int fd) {
    FileProbe layout;
    if (!ProbeFile(fd, layout) || !layout.IsMp3()) return {};
    TagLib::FileStream stream(::dup(fd), true); // the stream closes its own descriptor
    if (!stream.isOpen()) return {};
    RawFile file(&stream);
    std::unique_ptr<TagLib::ID3v2::Tag> id3v2;
    if (layout.id3v2Fits && layout.id3v2.major != 0 && layout.id3v2.size <= kMaxId3v2Bytes)
        id3v2 = std::make_unique<TagLib::ID3v2::Tag>(&file, 0);
    ReplayGainValues v = id3v2 ? FromTxxx(*id3v2) : ReplayGainValues{};
    if (layout.hasApe)
        Fill(v, FromApe(TagLib::APE::Tag(&file, static_cast<long>(layout.apeFooter))));
    if (id3v2) Fill(v, FromRva2(*id3v2));
    return v;
}

ReplayGainValues FromFormat(int fd, TagFormat format) {
    const int own = ::dup(fd);
    if (own < 0) return {};
    ::lseek(own, 0, SEEK_SET);
    TagLib::FileStream stream(own, true);
    if (!stream.isOpen()) return {};
    switch (format) {
    case TagFormat::Flac: {
        TagLib::FLAC::File f(&stream, TagLib::ID3v2::FrameFactory::instance(), false);
        if (!f.isValid()) return {};
        ReplayGainValues v = FromXiph(f.hasXiphComment() ? f.xiphComment() : nullptr, false);
        if (f.hasID3v2Tag()) Fill(v, FromId3v2(f.ID3v2Tag()));
        return v;
    }
    case TagFormat::OggVorbis: {
        TagLib::Ogg::Vorbis::File f(&stream, false);
        return f.isValid() ? FromXiph(f.tag(), false) : ReplayGainValues{};
    }
    case TagFormat::OggOpus: {
        TagLib::Ogg::Opus::File f(&stream, false);
        return f.isValid() ? FromXiph(f.tag(), true) : ReplayGainValues{};
    }
    case TagFormat::Wav: {
        TagLib::RIFF::WAV::File f(&stream, false);
        return f.isValid() && f.hasID3v2Tag() ? FromId3v2(f.ID3v2Tag()) : ReplayGainValues{};
    }
    case TagFormat::Aiff: {
        TagLib::RIFF::AIFF::File f(&stream, false);
        return f.isValid() && f.hasID3v2Tag() ? FromId3v2(f.tag()) : ReplayGainValues{};
    }
    case TagFormat::None:
        break;
    }
    return {};
}

} // namespace

std::optional<double> ParseGainDb(std::string_view text) {
    std::string_view s = Trim(text);
    if (s.size() >= 2) {
        const std::string unit = Upper(std::string(s.substr(s.size() - 2)));
        if (unit == "DB") s = Trim(s.substr(0, s.size() - 2));
    }
    const auto v = Number(s);
    if (!v || std::fabs(*v) > kMaxGainDb) return std::nullopt;
    return v;
}

std::optional<double> ParsePeak(std::string_view text) {
    const auto v = Number(Trim(text));
    if (!v || *v <= 0 || *v > kMaxPeak) return std::nullopt;
    return v;
}

std::optional<double> ParseR128Gain(std::string_view text) {
    const std::string_view s = Trim(text);
    int q = 0;
    const char* begin = s.data() + (!s.empty() && s.front() == '+' ? 1 : 0);
    const auto [end, ec] = std::from_chars(begin, s.data() + s.size(), q);
    if (s.empty() || ec != std::errc() || end != s.data() + s.size() || q < -32768 || q > 32767)
        return std::nullopt;
    const double db = q / 256.0 + 5.0;
    if (std::fabs(db) > kMaxGainDb) return std::nullopt;
    return db;
}

ReplayGainValues ReadReplayGain(int fd) noexcept {
    try {
        const TagFormat format = TagFormatOf(fd);
        return format == TagFormat::None ? FromMp3(fd) : FromFormat(fd, format);
    } catch (...) {
        return {};
    }
}

ReplayGainValues ReadReplayGain(const std::string& path) noexcept {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return {};
    ReplayGainValues v = ReadReplayGain(fd);
    ::close(fd);
    return v;
}

} // namespace telbo::tags
