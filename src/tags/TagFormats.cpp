#include "tags/TagFormats.h"

#include "tags/FileProbe.h"
#include "tags/Id3v2Frames.h"
#include "tags/RecordTexts.h"
#include "tags/XiphComments.h"
#include "files/ReplacementFile.h"

#include <taglib/aifffile.h>
#include <taglib/flacfile.h>
#include <taglib/id3v2framefactory.h>
#include <taglib/id3v2tag.h>
#include <taglib/infotag.h>
#include <taglib/oggfile.h>
#include <taglib/opusfile.h>
#include <taglib/tfilestream.h>
#include <taglib/vorbisfile.h>
#include <taglib/wavfile.h>
#include <taglib/xiphcomment.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <algorithm>
#include <memory>

namespace telbo::tags {

using files::WriteAll;

namespace {

constexpr std::size_t kTitle = 0, kArtist = 1, kAlbum = 2, kYear = 3, kGenre = 4, kComment = 5;
// Far more pages, chunks or blocks than any real file has: a bound on the walk, not a limit.
constexpr std::size_t kMaxPieces = 1u << 22;


std::uint64_t FileSize(int fd) {
    struct stat st {};
    return ::fstat(fd, &st) == 0 ? static_cast<std::uint64_t>(st.st_size) : 0;
}

std::uint32_t Le32(const std::uint8_t* p) {
    return p[0] | (p[1] << 8) | (p[2] << 16) | (std::uint32_t{p[3]} << 24);
}
std::uint32_t Be32(const std::uint8_t* p) {
    return (std::uint32_t{p[0]} << 24) | (p[1] << 16) | (p[2] << 8) | p[3];
}

// The TagLib file of `format` on its own duplicate of `fd`.
struct Opened {
    std::unique_ptr<TagLib::FileStream> stream;
    std::unique_ptr<TagLib::File> file;
};

Opened Open(int fd, TagFormat format, bool write) {
    Opened o;
    // TagLib reads some formats wrongly from a descriptor that is not at the file's start.
    const int own = ::dup(fd);
    if (own < 0) return {};
    ::lseek(own, 0, SEEK_SET);
    o.stream = std::make_unique<TagLib::FileStream>(own, !write);
    if (!o.stream->isOpen()) return {};
    TagLib::IOStream* s = o.stream.get();
    switch (format) {
    case TagFormat::Flac:
        // The frame factory is not optional: an ID3v2 tag in front of the FLAC stream (some
        // programs write one) is read with it.
        o.file = std::make_unique<TagLib::FLAC::File>(s, TagLib::ID3v2::FrameFactory::instance(),
                                                      false);
        break;
    case TagFormat::OggVorbis:
        o.file = std::make_unique<TagLib::Ogg::Vorbis::File>(s, false);
        break;
    case TagFormat::OggOpus:
        o.file = std::make_unique<TagLib::Ogg::Opus::File>(s, false);
        break;
    case TagFormat::Wav:
        o.file = std::make_unique<TagLib::RIFF::WAV::File>(s, false);
        break;
    case TagFormat::Aiff:
        o.file = std::make_unique<TagLib::RIFF::AIFF::File>(s, false);
        break;
    case TagFormat::None:
        return {};
    }
    if (!o.file->isValid()) return {};
    return o;
}

TagTexts Texts(const TagLib::Tag& t) {
    return {Utf8(t.title()), Utf8(t.artist()),
            Utf8(t.album()), t.year() ? std::to_string(t.year()) : std::string(),
            Utf8(t.genre()), Utf8(t.comment())};
}

void Apply(TagLib::Tag& t, const TagTexts& wanted, const std::array<bool, 6>& change) {
    if (change[kTitle]) t.setTitle(FromUtf8(wanted[kTitle]));
    if (change[kArtist]) t.setArtist(FromUtf8(wanted[kArtist]));
    if (change[kAlbum]) t.setAlbum(FromUtf8(wanted[kAlbum]));
    if (change[kYear])
        t.setYear(static_cast<unsigned>(std::strtoul(wanted[kYear].c_str(), nullptr, 10)));
    // These formats have no genre numbers: the name is the genre.
    if (change[kGenre]) t.setGenre(FromUtf8(wanted[kGenre]));
    if (change[kComment]) t.setComment(FromUtf8(wanted[kComment]));
}

// FLAC: the frames after the last metadata block, up to an ID3v1 tag at the end.
std::optional<std::vector<ByteRange>> FlacRanges(int fd) {
    FileProbe probe;
    if (!ProbeFile(fd, probe, false)) return std::nullopt;
    const std::uint64_t size = probe.fileSize;
    std::uint64_t at = probe.tagsEnd; // past the ID3v2 tags some programs put in front
    std::vector<std::uint8_t> b;
    if (!ReadAt(fd, at, 4, b) || std::memcmp(b.data(), "fLaC", 4) != 0) return std::nullopt;
    at += 4;
    // A FLAC file has a handful of metadata blocks; thousands are damage.
    for (std::size_t n = 0;; ++n) {
        if (n > 4096 || !ReadAt(fd, at, 4, b)) return std::nullopt;
        const bool last = b[0] & 0x80;
        at += 4 + ((std::uint64_t{b[1]} << 16) | (b[2] << 8) | b[3]);
        if (last) break;
    }
    std::uint64_t end = size;
    if (size >= 128 && ReadAt(fd, size - 128, 3, b) && std::memcmp(b.data(), "TAG", 3) == 0)
        end = size - 128;
    if (at >= end) return std::nullopt;
    return std::vector<ByteRange>{{at, end - at}};
}

// Ogg: the bodies of the pages after the header packets (Vorbis has three, Opus two; the
// last of them ends its page). A tag write re-pages the headers, and renumbers what follows.
std::optional<std::vector<ByteRange>> OggRanges(int fd, int headerPackets) {
    const std::uint64_t size = FileSize(fd);
    std::vector<ByteRange> ranges;
    std::vector<std::uint8_t> h, lacing;
    int packets = 0;
    std::uint64_t at = 0;
    while (at < size) {
        if (ranges.size() > kMaxPieces || !ReadAt(fd, at, 27, h) ||
            std::memcmp(h.data(), "OggS", 4) != 0 || !ReadAt(fd, at + 27, h[26], lacing))
            return std::nullopt;
        const bool audio = packets >= headerPackets;
        std::uint64_t body = 0;
        for (const std::uint8_t l : lacing) {
            body += l;
            if (l < 255 && packets < headerPackets) ++packets;
        }
        const std::uint64_t start = at + 27 + h[26];
        if (start + body > size) return std::nullopt;
        if (audio) ranges.push_back({start, body});
        at = start + body;
    }
    return ranges;
}

// RIFF (WAV, little-endian sizes) and FORM (AIFF, big-endian): the chunks that describe and
// hold the audio, headers included.
std::optional<std::vector<ByteRange>> ChunkRanges(int fd, bool bigEndian, const char* format,
                                                  const char* audio) {
    const std::uint64_t size = FileSize(fd);
    std::vector<std::uint8_t> h;
    if (!ReadAt(fd, 0, 12, h)) return std::nullopt;
    std::vector<ByteRange> ranges;
    bool hasFormat = false, hasAudio = false;
    for (std::uint64_t at = 12; at + 8 <= size;) {
        if (ranges.size() > kMaxPieces || !ReadAt(fd, at, 8, h)) return std::nullopt;
        const std::uint64_t length = bigEndian ? Be32(h.data() + 4) : Le32(h.data() + 4);
        if (at + 8 + length > size) return std::nullopt; // a chunk past the end: damaged
        const bool isFormat = std::memcmp(h.data(), format, 4) == 0;
        const bool isAudio = std::memcmp(h.data(), audio, 4) == 0;
        if (isFormat || isAudio) ranges.push_back({at, 8 + length});
        hasFormat = hasFormat || isFormat;
        hasAudio = hasAudio || isAudio;
        at += 8 + length + (length & 1);
    }
    if (!hasFormat || !hasAudio) return std::nullopt;
    return ranges;
}

} // namespace

TagFormat TagFormatOf(const FileProbe& probe) noexcept {
    // TagLib finds a FLAC stream behind ID3v2 tags; the other containers only at the start.
    if (probe.kind == FileKind::Flac) return TagFormat::Flac;
    if (probe.tagsEnd != 0) return TagFormat::None;
    switch (probe.kind) {
    case FileKind::OggVorbis:
        return TagFormat::OggVorbis;
    case FileKind::Opus:
        return TagFormat::OggOpus;
    case FileKind::Wav:
        return TagFormat::Wav;
    case FileKind::Aiff:
        return TagFormat::Aiff;
    default:
        return TagFormat::None;
    }
}

TagFormat TagFormatOf(int fd) noexcept {
    try {
        FileProbe probe;
        return ProbeFile(fd, probe, false) ? TagFormatOf(probe) : TagFormat::None;
    } catch (...) {
        return TagFormat::None;
    }
}

const char* TagFormatName(TagFormat format) noexcept {
    switch (format) {
    case TagFormat::Flac:
        return "FLAC";
    case TagFormat::OggVorbis:
        return "Ogg Vorbis";
    case TagFormat::OggOpus:
        return "Opus";
    case TagFormat::Wav:
        return "WAV";
    case TagFormat::Aiff:
        return "AIFF";
    case TagFormat::None:
        break;
    }
    return "audio";
}

bool ReadFormatTags(int fd, TagFormat format, TagTexts& out) {
    Opened o = Open(fd, format, false);
    if (!o.file) return false;
    const TagLib::Tag* t = o.file->tag();
    if (!t) return false;
    out = Texts(*t);
    if (format == TagFormat::Wav) {
        // TagLib's WAV tag is the ID3v2 tag alone; many recorders write only RIFF INFO.
        const auto& wav = static_cast<const TagLib::RIFF::WAV::File&>(*o.file);
        if (wav.hasInfoTag()) {
            const TagTexts info = Texts(*wav.InfoTag());
            for (std::size_t i = 0; i < out.size(); ++i)
                if (out[i].empty()) out[i] = info[i];
        }
    }
    return true;
}

namespace {

bool CopyTail(int from, std::uint64_t offset, std::uint64_t end, int to) {
    std::vector<std::uint8_t> buf;
    while (offset < end) {
        const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(end - offset, 1 << 16));
        if (!ReadAt(from, offset, n, buf) || !WriteAll(to, buf.data(), n)) return false;
        offset += n;
    }
    return true;
}

constexpr std::uint8_t kStreamInfo = 0, kPadding = 1, kVorbisComment = 4;
constexpr std::uint64_t kMaxBlockBytes = (1u << 24) - 1;

struct FlacBlock {
    std::uint8_t type = 0;
    std::vector<std::uint8_t> data;
};

void PutBlock(std::vector<std::uint8_t>& out, const FlacBlock& b, bool last) {
    out.push_back(static_cast<std::uint8_t>((last ? 0x80 : 0) | b.type));
    for (int shift = 16; shift >= 0; shift -= 8)
        out.push_back(static_cast<std::uint8_t>(b.data.size() >> shift));
    out.insert(out.end(), b.data.begin(), b.data.end());
}

// FLAC: the ID3v2 tag some programs put in front, frame by frame in its own version; the
// comment block entry by entry, the padding giving or taking the difference; the frames and
// an ID3v1 tag at the end as they were.
bool WriteFlac(int in, int out, const TagTexts& wanted, const std::array<bool, 6>& change,
               std::string& problem) {
    FileProbe probe;
    if (!ProbeFile(in, probe, false)) return false;
    const std::uint64_t size = probe.fileSize;
    const std::uint64_t front = probe.audioStart; // the first ID3v2 tag, when it fits
    std::vector<std::uint8_t> head;
    if (front > 0) {
        if (!ReadAt(in, 0, static_cast<std::size_t>(front), head)) return false;
        std::string why;
        if (std::optional<Id3v2Frames> id3 = Id3v2Frames::Parse(head, why)) {
            SetFields(*id3, wanted, change);
            head = id3->Render(id3->BodySize());
        } // else kept as it was: a tag we cannot take apart is not ours to rebuild
    }
    // The tags behind the first stay as they were.
    std::vector<std::uint8_t> b;
    if (!ReadAt(in, front, static_cast<std::size_t>(probe.tagsEnd - front), b)) return false;
    head.insert(head.end(), b.begin(), b.end());
    std::uint64_t at = probe.tagsEnd + 4;
    std::vector<FlacBlock> blocks;
    for (bool last = false; !last;) {
        if (blocks.size() > 4096 || !ReadAt(in, at, 4, b)) return false;
        last = b[0] & 0x80;
        FlacBlock block;
        block.type = b[0] & 0x7F;
        const std::uint64_t length = (std::uint64_t{b[1]} << 16) | (b[2] << 8) | b[3];
        if (at + 4 + length > size || !ReadAt(in, at + 4, static_cast<std::size_t>(length), block.data))
            return false;
        blocks.push_back(std::move(block));
        at += 4 + length;
    }
    if (blocks.empty() || blocks[0].type != kStreamInfo) return false;

    std::size_t commentAt = blocks.size();
    std::optional<XiphComment> comment;
    for (std::size_t i = 0; i < blocks.size(); ++i) {
        if (blocks[i].type != kVorbisComment) continue;
        if (commentAt != blocks.size()) continue; // readers take the first
        commentAt = i;
        comment = XiphComment::Parse(blocks[i].data);
        // Its entries run past the length the block declares: other readers read on, TagLib
        // stops; either way a rewrite would lose fields.
        if (!comment) {
            problem = "damaged FLAC comment block";
            return false;
        }
    }
    const std::size_t oldCommentBytes = commentAt < blocks.size() ? blocks[commentAt].data.size() : 0;
    if (!comment) {
        comment.emplace();
        commentAt = 1;
        blocks.insert(blocks.begin() + 1, FlacBlock{kVorbisComment, {}});
    }
    comment->SetFields(wanted, change);
    blocks[commentAt].data = comment->Render();
    if (blocks[commentAt].data.size() > kMaxBlockBytes) return false;
    // The padding takes up the difference, so that the frames need not move.
    const std::int64_t grown = static_cast<std::int64_t>(blocks[commentAt].data.size()) -
                               static_cast<std::int64_t>(oldCommentBytes) +
                               (oldCommentBytes == 0 ? 4 : 0);
    for (FlacBlock& p : blocks) {
        if (p.type != kPadding) continue;
        const std::int64_t now = static_cast<std::int64_t>(p.data.size()) - grown;
        if (now >= 0 && now <= static_cast<std::int64_t>(kMaxBlockBytes))
            p.data.assign(static_cast<std::size_t>(now), 0);
        break;
    }

    head.insert(head.end(), {'f', 'L', 'a', 'C'});
    for (std::size_t i = 0; i < blocks.size(); ++i) PutBlock(head, blocks[i], i + 1 == blocks.size());
    return ::ftruncate(out, 0) == 0 && ::lseek(out, 0, SEEK_SET) == 0 &&
           WriteAll(out, head.data(), head.size()) && CopyTail(in, at, size, out);
}

} // namespace

bool WriteFormatTags(int in, int out, TagFormat format, const TagTexts& wanted,
                     const std::array<bool, 6>& change, std::string& problem) {
    if (format == TagFormat::Flac) return WriteFlac(in, out, wanted, change, problem);
    Opened o = Open(out, format, true);
    if (!o.file || o.stream->readOnly()) return false;
    switch (format) {
    case TagFormat::Flac:
        return false;
    case TagFormat::Wav: {
        // Into the tags the file has, keeping the ID3v2 version; both when it has none. RIFF
        // INFO holds Latin-1 only: other text needs an ID3v2 tag beside it.
        auto& f = static_cast<TagLib::RIFF::WAV::File&>(*o.file);
        bool latin1 = true;
        for (std::size_t i = 0; i < wanted.size(); ++i)
            latin1 = latin1 && (!change[i] || FromUtf8(wanted[i]).isLatin1());
        const bool v2 = f.hasID3v2Tag() || !f.hasInfoTag() || !latin1;
        const bool info = f.hasInfoTag() || !f.hasID3v2Tag();
        const auto version = f.hasID3v2Tag() && f.ID3v2Tag()->header()->majorVersion() == 3
                                 ? TagLib::ID3v2::v3
                                 : TagLib::ID3v2::v4;
        if (v2) Apply(*f.ID3v2Tag(), wanted, change);
        if (info) Apply(*f.InfoTag(), wanted, change);
        const auto types = static_cast<TagLib::RIFF::WAV::File::TagTypes>(
            (v2 ? TagLib::RIFF::WAV::File::ID3v2 : 0) | (info ? TagLib::RIFF::WAV::File::Info : 0));
        return f.save(types, TagLib::File::StripNone, version);
    }
    case TagFormat::Aiff: {
        auto& f = static_cast<TagLib::RIFF::AIFF::File&>(*o.file);
        const bool v3 = f.hasID3v2Tag() && f.tag()->header()->majorVersion() == 3;
        Apply(*f.tag(), wanted, change);
        return f.save(v3 ? TagLib::ID3v2::v3 : TagLib::ID3v2::v4);
    }
    case TagFormat::OggVorbis:
    case TagFormat::OggOpus: {
        // The comment packet entry by entry; TagLib only pages it.
        auto& ogg = static_cast<TagLib::Ogg::File&>(*o.file);
        const std::string marker = format == TagFormat::OggVorbis ? "\x03vorbis" : "OpusTags";
        const TagLib::ByteVector packet = ogg.packet(1);
        const auto* data = reinterpret_cast<const std::uint8_t*>(packet.data());
        std::optional<XiphComment> comment;
        if (packet.size() >= marker.size() &&
            std::memcmp(data, marker.data(), marker.size()) == 0)
            comment = XiphComment::Parse({data + marker.size(), packet.size() - marker.size()});
        if (!comment) {
            problem = std::string("damaged ") + TagFormatName(format) + " comment";
            return false;
        }
        comment->SetFields(wanted, change);
        const std::vector<std::uint8_t> body = comment->Render();
        TagLib::ByteVector rendered(marker.data(), static_cast<unsigned>(marker.size()));
        rendered.append(TagLib::ByteVector(reinterpret_cast<const char*>(body.data()),
                                           static_cast<unsigned>(body.size())));
        ogg.setPacket(1, rendered);
        return ogg.TagLib::Ogg::File::save(); // not the codec's save, which renders its own
    }
    case TagFormat::None:
        break;
    }
    return false;
}

std::optional<std::vector<ByteRange>> AudioRanges(int fd, TagFormat format) {
    switch (format) {
    case TagFormat::Flac:
        return FlacRanges(fd);
    case TagFormat::OggVorbis:
        return OggRanges(fd, 3);
    case TagFormat::OggOpus:
        return OggRanges(fd, 2);
    case TagFormat::Wav:
        return ChunkRanges(fd, false, "fmt ", "data");
    case TagFormat::Aiff:
        return ChunkRanges(fd, true, "COMM", "SSND");
    case TagFormat::None:
        break;
    }
    return std::nullopt;
}

bool SameBytes(int a, const std::vector<ByteRange>& ra, int b, const std::vector<ByteRange>& rb) {
    std::uint64_t totalA = 0, totalB = 0;
    for (const ByteRange& r : ra)
        totalA += r.size;
    for (const ByteRange& r : rb)
        totalB += r.size;
    if (totalA != totalB) return false;
    std::size_t ia = 0, ib = 0;
    std::uint64_t oa = 0, ob = 0; // offsets inside the current ranges
    std::vector<std::uint8_t> x, y;
    while (ia < ra.size() && ib < rb.size()) {
        if (oa == ra[ia].size) {
            ++ia;
            oa = 0;
            continue;
        }
        if (ob == rb[ib].size) {
            ++ib;
            ob = 0;
            continue;
        }
        const std::size_t n = static_cast<std::size_t>(
            std::min({ra[ia].size - oa, rb[ib].size - ob, std::uint64_t{1} << 16}));
        if (!ReadAt(a, ra[ia].offset + oa, n, x) || !ReadAt(b, rb[ib].offset + ob, n, y) || x != y)
            return false;
        oa += n;
        ob += n;
    }
    return true;
}

} // namespace telbo::tags
