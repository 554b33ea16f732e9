// Writes a tagged MP3 tone for the playerctl test:
//   make_tagged_mp3 <folder> <name> <seconds> <title> <artist> <album>
#include "support/Mp3Fixture.h"

#include <cstdio>
#include <exception>
#include <string>

int main(int argc, char** argv) {
    if (argc != 7) {
        std::fprintf(stderr, "usage: %s folder name seconds title artist album\n", argv[0]);
        return 2;
    }
    try {
        telbo::test::ToneSpec tone;
        tone.seconds = std::stod(argv[3]);
        const auto path = telbo::test::WriteToneMp3(argv[1], argv[2], tone);
        telbo::test::TagSpec tags;
        tags.title = argv[4];
        tags.artist = argv[5];
        tags.album = argv[6];
        telbo::test::WriteTags(path, tags);
        std::printf("%s\n", path.c_str());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "make_tagged_mp3: %s\n", e.what());
        return 1;
    }
    return 0;
}
