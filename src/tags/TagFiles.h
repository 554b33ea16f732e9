#pragma once
// The player's TagStore: the tags of files on disk, through this library.

#include "decoder/TagStore.h"

namespace telbo::tags {

class TagFiles final : public TagStore {
public:
    bool Read(const std::string& path, TagRecord& tag) override;
    TagWriteResult Write(const std::string& path, const TagRecord& tag) override;
    void FillGenreName(TagRecord& tag) override;
    std::optional<CoverPicture> ReadCoverArt(const std::string& path) override;
};

} // namespace telbo::tags
