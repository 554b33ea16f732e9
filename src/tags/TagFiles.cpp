#include "tags/TagFiles.h"
#include "tags/CoverArt.h"
#include "tags/TagRead.h"
#include "tags/TagWrite.h"

namespace telbo::tags {

bool TagFiles::Read(const std::string& path, TagRecord& tag) { return ReadTags(path, tag); }

TagWriteResult TagFiles::Write(const std::string& path, const TagRecord& tag) {
    return WriteTags(path, tag);
}

void TagFiles::FillGenreName(TagRecord& tag) { tag.GenreName.Fill(GenreName(tag.GenreNumber)); }

std::optional<CoverPicture> TagFiles::ReadCoverArt(const std::string& path) {
    return tags::ReadCoverArt(path);
}

} // namespace telbo::tags
