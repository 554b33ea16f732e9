// Writes the seed corpus of fuzz_tag_io into the folder named by its argument: short MP3 files
// tagged in the ways other programs tag them.
#include "support/Mp3Fixture.h"

#include <cstdio>
#include <filesystem>
#include <string>

int main(int argc, char** argv) {
    using namespace telbo::test;
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 2;
    }
    const std::filesystem::path folder = argv[1];
    std::filesystem::create_directories(folder);
    ToneSpec tone;
    tone.seconds = 0.2; // a few frames of about 100 bytes
    tone.sampleRate = 11025;
    tone.channels = 1;
    tone.bitrateKbps = 16;
    tone.xingHeader = false; // it does not fit in frames this small
    auto tone_file = [&](const std::string& name) { return WriteToneMp3(folder, name, tone); };

    tone_file("bare.mp3");
    WriteTags(tone_file("v24.mp3"), TagSpec{"Title", "Artist", "Album", "note", "Rock", 1999, 4, false, false});
    WriteTags(tone_file("v23-v1-ape.mp3"),
              TagSpec{"Caf\xc3\xa9", "Artist", "", "c", "Shoegaze", 99, 3, true, true});
    WriteTags(tone_file("v1.mp3"), TagSpec{"Only v1", "", "", "", "Jazz", 1987, 0, true, false});
    const auto described = tone_file("described.mp3");
    PrependId3v2(described, 3,
                 {RawFrame{"TIT2", TextContent("\xe6\x9d\xb1\xe4\xba\xac", 1), 0},
                  RawFrame{"COMM", CommentContent("iTunNORM", " 0000"), 0},
                  RawFrame{"COMM", CommentContent("", "plain"), 0},
                  RawFrame{"TXXX", TextContent(std::string("GAIN\0-1 dB", 10)), 0x4000}},
                 16);
    PrependId3v2(tone_file("v22.mp3"), 2,
                 {RawFrame{"TT2", TextContent("Old"), 0}, RawFrame{"TYE", TextContent("85"), 0},
                  RawFrame{"RVA", {3, 16, 1, 0, 1, 0}, 0}},
                 8);
    return 0;
}
