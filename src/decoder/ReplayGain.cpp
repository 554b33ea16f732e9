#include "decoder/ReplayGain.h"

#include <string_view>

namespace telbo {

namespace {

std::string_view Folder(std::string_view path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? std::string_view() : path.substr(0, slash);
}

std::string_view Trimmed(std::string_view s) {
    s = s.substr(0, s.find('\0'));
    while (!s.empty() && s.back() == ' ')
        s.remove_suffix(1);
    return s;
}

} // namespace

bool SameAlbum(const AlbumPlace& a, const AlbumPlace& b) {
    const std::string_view album = Trimmed(a.album);
    return !album.empty() && album == Trimmed(b.album) && Folder(a.path) == Folder(b.path);
}

bool AlbumGainApplies(const AlbumPlace* previous, const AlbumPlace& current,
                      const AlbumPlace* next) {
    return (previous && SameAlbum(*previous, current)) || (next && SameAlbum(current, *next));
}

} // namespace telbo
