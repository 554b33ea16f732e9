// How long the calls the window waits on take on the worst files: Init, an open of 2 GiB
// without audio, an open of a 512 MiB download of which 60% arrived, a tag read of a 2 GiB
// file holding a 256 MB tag and nothing else. The tests bound what these calls read; this
// gives the time, best of several runs, in milliseconds.
// Usage: open_bench [--runs N]

#include "engine/Engine.h"
#include "support/Mp3Fixture.h"
#include "tags/TagRead.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

// `size` bytes, `head` at the start, the rest a hole.
fs::path Sparse(const fs::path& file, const std::string& head, std::uintmax_t size) {
    std::ofstream(file, std::ios::binary).write(head.data(), static_cast<std::streamsize>(head.size()));
    fs::resize_file(file, size);
    return file;
}

double BestMs(int runs, const std::function<void()>& call) {
    double best = 1e9;
    for (int i = 0; i < runs; ++i) {
        const auto t0 = Clock::now();
        call();
        best = std::min(best, std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
    }
    return best;
}

} // namespace

int main(int argc, char** argv) {
    int runs = 5;
    for (int i = 1; i + 1 < argc; ++i)
        if (std::string(argv[i]) == "--runs") runs = std::max(1, std::atoi(argv[i + 1]));
    char pattern[] = "/tmp/telbo-open-bench-XXXXXX";
    if (!::mkdtemp(pattern)) return 1;
    const fs::path dir = pattern;
    constexpr std::uintmax_t kMiB = 1u << 20;
    telbo::test::ToneSpec tone;
    tone.seconds = 3.0;
    const fs::path mp3 = telbo::test::WriteToneMp3(dir, "tone.mp3", tone);
    std::ifstream in(mp3, std::ios::binary);
    const std::string audio((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const fs::path zeros = Sparse(dir / "zeros.mp3", "", 2048 * kMiB);
    const fs::path partial = Sparse(dir / "partial.mp3", audio.substr(0, audio.size() * 6 / 10), 512 * kMiB);
    const fs::path hugeTag = Sparse(dir / "huge-tag.mp3", std::string("ID3\x03\0\0\x7f\x7f\x7f\x7f", 10), 2048 * kMiB);

    telbo::Engine::Options o;
    o.nullAudio = true;
    std::printf("Init                          %7.2f ms\n", BestMs(runs, [&] {
                    telbo::Engine e(o);
                    e.Init();
                }));
    telbo::Engine e(o);
    e.Init();
    telbo::OpenInfoRecord info;
    std::printf("Open, 2 GiB without audio     %7.2f ms\n",
                BestMs(runs, [&] { e.Open(zeros.string(), info); }));
    std::printf("Open, 512 MiB, 60%% arrived    %7.2f ms\n",
                BestMs(runs, [&] { e.Open(partial.string(), info); }));
    telbo::TagRecord tag;
    std::printf("Tag read, 2 GiB, 256 MB tag   %7.2f ms\n",
                BestMs(runs, [&] { telbo::tags::ReadTags(hugeTag.string(), tag); }));
    e.Shutdown();
    fs::remove_all(dir);
    return 0;
}
