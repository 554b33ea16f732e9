// telbo-play: plays files one after another through the engine, to the output the player
// would use (or the sound server named with --server), and takes commands on standard
// input, one a line: pause, resume, stop, play, seek SECONDS, quit. It ends after the last
// file, on quit, or at the end of its input. For listening, and for measuring the engine
// in a process of its own.

#include "app/EngineSwitches.h"
#include "engine/Engine.h"

#include <poll.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

void Usage() {
    std::fprintf(stderr, "usage: telbo-play [--server ADDRESS] FILE.mp3...\n"
                         "  commands on standard input: pause, resume, stop, play, seek N, quit\n");
}

// One line from standard input, if one is ready within `ms`; `closed` at its end.
bool ReadLine(int ms, std::string& line, bool& closed) {
    static std::string buffer;
    for (;;) {
        const auto newline = buffer.find('\n');
        if (newline != std::string::npos) {
            line = buffer.substr(0, newline);
            buffer.erase(0, newline + 1);
            return true;
        }
        pollfd in{STDIN_FILENO, POLLIN, 0};
        if (closed || ::poll(&in, 1, ms) <= 0) return false;
        char chunk[256];
        const ssize_t n = ::read(STDIN_FILENO, chunk, sizeof chunk);
        if (n <= 0) {
            closed = true;
            return false;
        }
        buffer.append(chunk, static_cast<std::size_t>(n));
        ms = 0;
    }
}

} // namespace

int main(int argc, char** argv) {
    telbo::Engine::Options options;
    std::vector<std::string> files;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--server") == 0 && i + 1 < argc) {
            options.soundServer = argv[++i];
        } else if (argv[i][0] == '-') {
            Usage();
            return 2;
        } else {
            files.emplace_back(argv[i]);
        }
    }
    if (files.empty()) {
        Usage();
        return 2;
    }
    telbo::ApplyEngineSwitches(options);
    telbo::Engine engine(options);
    engine.Init();
    std::size_t next = 0;
    auto playNext = [&] {
        telbo::OpenInfoRecord info;
        while (next < files.size()) {
            const std::string& file = files[next++];
            if (engine.Open(file, info) && engine.Play()) return true;
            std::fprintf(stderr, "telbo-play: cannot play %s\n", file.c_str());
        }
        return false;
    };
    if (!playNext()) return 1;

    bool closed = false;
    bool stopped = false;
    bool paused = false;
    for (;;) {
        std::string line;
        // While playing, a quarter of a second between looks at the state, like the player's
        // clock; nothing to look at otherwise.
        if (ReadLine(stopped || paused ? -1 : 250, line, closed)) {
            if (line == "quit") break;
            if (line == "pause") {
                engine.Pause();
                paused = true;
            }
            if (line == "resume") {
                engine.Resume();
                paused = false;
            }
            if (line == "stop") {
                engine.Stop();
                stopped = true;
            }
            if (line == "play") {
                stopped = !engine.Play();
                paused = false;
            }
            if (line.rfind("seek ", 0) == 0) engine.Seek(std::atoi(line.c_str() + 5));
            continue;
        }
        if (closed) break;
        std::int32_t elapsed = 0;
        if (!stopped && engine.State(elapsed) == telbo::PlaybackState::Stopped && !playNext()) break;
    }
    engine.Shutdown();
    return 0;
}
