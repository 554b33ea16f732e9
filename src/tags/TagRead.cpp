#include "tags/TagRead.h"
#include "tags/RecordTexts.h"
#include "tags/TagFormats.h"

#include <taglib/id3v1genres.h>

#include <fcntl.h>

namespace telbo::tags {

std::string GenreName(int number) {
    if (number < 0 || number > kLastClassicGenre) return {};
    return Utf8(TagLib::ID3v1::genre(number));
}

bool ReadTags(const std::string& path, TagRecord& tag) noexcept {
    try {
        tag = TagRecord{};
        Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
        FileProbe layout;
        if (fd.Get() < 0 || !ProbeFile(fd.Get(), layout)) return false;
        Fields f;
        if (const TagFormat format = TagFormatOf(layout); format != TagFormat::None) {
            if (!ReadFormatTags(fd.Get(), format, f)) return false;
        } else {
            f = ReadMp3Fields(fd.Get(), layout);
        }
        TagRecord r;
        r.Title.Fill(f[kTitle]);
        r.Artist.Fill(f[kArtist]);
        r.Album.Fill(f[kAlbum]);
        r.Comment.Fill(f[kComment]);
        r.Year.Fill(f[kYear]);
        r.GenreName.Fill(f[kGenre]);
        if (f[kGenre].empty()) {
            r.GenreNumber = -1;
        } else {
            const int n = GenreIndexIgnoringCase(f[kGenre], kLastClassicGenre + 1);
            r.GenreNumber = n >= 0 ? n : 255;
        }
        tag = std::move(r);
        return true;
    } catch (...) {
        tag = TagRecord{};
        return false;
    }
}

} // namespace telbo::tags
