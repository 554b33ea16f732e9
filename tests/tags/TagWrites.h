#pragma once
// What the tag tests share: the store the player uses, with what its last write said.

#include "tags/TagFiles.h"

#include <string>

namespace telbo::test {

class TagWrites {
protected:
    tags::TagFiles tags_;
    TagWriteResult last_;
    // Writes through the store and keeps what it said.
    bool WriteTag(const std::string& path, const TagRecord& record) {
        last_ = tags_.Write(path, record);
        return last_.written;
    }
    const std::string& Problem() const { return last_.problem; }
};

} // namespace telbo::test
