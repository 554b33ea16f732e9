#pragma once
// Inside the engine's tag code only (it brings TagLib in): a TagLib file on a stream, to read
// one tag at a given place and nothing else.

#include <taglib/tfile.h>

namespace telbo::tags {

class RawFile final : public TagLib::File {
public:
    explicit RawFile(TagLib::IOStream* stream) : TagLib::File(stream) {}
    TagLib::Tag* tag() const override { return nullptr; }
    TagLib::AudioProperties* audioProperties() const override { return nullptr; }
    bool save() override { return false; }
};

} // namespace telbo::tags
