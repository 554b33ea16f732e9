// telbo-replaygain: measures files (ReplayGain 2.0, -18 LUFS) and writes their gains into
// their tags; files of one album (same album tag, same folder) also get album values.

#include "engine/ReplayGainScan.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

void Usage() {
    std::fprintf(stderr, "usage: telbo-replaygain [--track-only] [--threads N] FILES...\n"
                         "  --track-only   write track gains only, no album gains\n"
                         "  --threads N    files measured at once (default: one per core)\n");
}

std::string Db(const std::optional<double>& v) {
    return v ? telbo::engine::FormatGainDb(*v) : std::string("-");
}

} // namespace

int main(int argc, char** argv) {
    telbo::engine::ReplayGainScanOptions options;
    std::vector<std::string> files;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--track-only") {
            options.trackOnly = true;
        } else if (a == "--threads" && i + 1 < argc) {
            options.threads = static_cast<std::size_t>(std::max(1, std::atoi(argv[++i])));
        } else if (a == "-h" || a == "--help") {
            Usage();
            return 0;
        } else if (a == "--") {
            for (++i; i < argc; ++i)
                files.emplace_back(argv[i]);
        } else if (!a.empty() && a[0] == '-') {
            Usage();
            return 2;
        } else {
            files.push_back(a);
        }
    }
    if (files.empty()) {
        Usage();
        return 2;
    }
    int failed = 0;
    for (const auto& r : telbo::engine::ScanReplayGain(files, options)) {
        if (!r.written) {
            std::printf("%s: not written: %s\n", r.path.c_str(), r.problem.c_str());
            ++failed;
            continue;
        }
        std::printf("%s: %.2f LUFS, track %s peak %s, album %s peak %s\n", r.path.c_str(),
                    *r.loudness, Db(r.trackGain).c_str(),
                    r.trackPeak ? telbo::engine::FormatPeak(*r.trackPeak).c_str() : "-",
                    Db(r.albumGain).c_str(),
                    r.albumPeak ? telbo::engine::FormatPeak(*r.albumPeak).c_str() : "-");
    }
    return failed ? 1 : 0;
}
