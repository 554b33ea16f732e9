// The player on a real sound server: a private PulseAudio server with a null sink (started
// here, ended here), telbo-play in a process of its own, and `mpv --no-video --ao=pulse` on
// the same generated 1 kHz MP3 in the same run. Figures:
//  (a) CPU (user + sys) per minute of playing, player + server, against mpv + server;
//  (b) CPU per minute of the paused player, and how soon the server's sink leaves RUNNING;
//  (c) the server killed and started again 4 s later: how soon the sound is back;
//  (d) pause and resume: how soon the sound stops and starts, measured on the sink's monitor.
// Usage: sound_bench [--play-seconds N] (default 30, scaled to a minute)

#include "SoundServer.h"
#include "support/Mp3Fixture.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using telbo::test::Child;
using telbo::test::Listener;
using telbo::test::SoundServer;

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

// utime + stime of a process, in seconds; -1 when it is gone.
double CpuSeconds(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string stat;
    if (!std::getline(in, stat)) return -1;
    const auto close = stat.rfind(')');
    if (close == std::string::npos) return -1;
    std::istringstream fields(stat.substr(close + 2));
    std::string skip;
    for (int i = 0; i < 11; ++i) fields >> skip; // state .. cmajflt
    long utime = 0, stime = 0;
    fields >> utime >> stime;
    return static_cast<double>(utime + stime) / static_cast<double>(::sysconf(_SC_CLK_TCK));
}

std::string FindMpv() {
    for (const char* path : {"/usr/bin/mpv", "/usr/local/bin/mpv"})
        if (::access(path, X_OK) == 0) return path;
    return {};
}

struct Cpu {
    double player = 0, server = 0;
};

// CPU per minute of `player` and of the server over `seconds`, after a second to settle.
Cpu Measure(pid_t player, pid_t server, double seconds) {
    std::this_thread::sleep_for(1s);
    const double p0 = CpuSeconds(player), s0 = CpuSeconds(server);
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
    const double p1 = CpuSeconds(player), s1 = CpuSeconds(server);
    if (p0 < 0 || p1 < 0 || s0 < 0 || s1 < 0) {
        std::fprintf(stderr, "sound_bench: a process ended while measured\n");
        std::exit(1);
    }
    return {(p1 - p0) * 60 / seconds, (s1 - s0) * 60 / seconds};
}

} // namespace

int main(int argc, char** argv) {
    double playSeconds = 30;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--play-seconds") == 0 && i + 1 < argc) {
            playSeconds = std::max(3.0, std::atof(argv[++i]));
        } else {
            std::fprintf(stderr, "usage: sound_bench [--play-seconds N]\n");
            return 2;
        }
    }
    const std::string mpv = FindMpv();
    if (mpv.empty()) {
        std::fprintf(stderr, "sound_bench: mpv is missing (bench/sound.sh installs it)\n");
        return 1;
    }
    telbo::test::TempFolder dir;
    SoundServer server(dir.Path() / "server");
    if (!server.Start()) {
        std::fprintf(stderr, "sound_bench: %s\n", server.error.c_str());
        return 1;
    }
    telbo::test::ToneSpec tone;
    tone.frequencyHz = 1000;
    tone.seconds = playSeconds + 60;
    const std::string file = telbo::test::WriteToneMp3(dir.Path(), "tone.mp3", tone).string();
    const std::vector<std::string> playArgs = {"--server", server.Address(), file};

    // (a) playing, the player and mpv one after the other on the same server.
    Cpu telbo, other;
    {
        Child player(TELBO_PLAY_TOOL, playArgs);
        telbo = Measure(player.Pid(), server.Pid(), playSeconds);
    }
    {
        const std::string serverEnv = "PULSE_SERVER=" + server.Address();
        const std::string cookieEnv = "PULSE_COOKIE=" + (dir.Path() / "mpv-cookie").string();
        const std::string homeEnv = "HOME=" + dir.Path().string();
        std::vector<char*> env;
        for (char** e = environ; *e; ++e)
            if (std::strncmp(*e, "PULSE_", 6) != 0 && std::strncmp(*e, "HOME=", 5) != 0)
                env.push_back(*e);
        env.push_back(const_cast<char*>(serverEnv.c_str()));
        env.push_back(const_cast<char*>(cookieEnv.c_str()));
        env.push_back(const_cast<char*>(homeEnv.c_str()));
        env.push_back(nullptr);
        const char* args[] = {mpv.c_str(), "--no-config", "--no-video", "--ao=pulse",
                              "--really-quiet", "--no-terminal", file.c_str(), nullptr};
        pid_t pid = 0;
        if (posix_spawn(&pid, mpv.c_str(), nullptr, nullptr, const_cast<char**>(args),
                        env.data()) != 0) {
            std::fprintf(stderr, "sound_bench: cannot run mpv\n");
            return 1;
        }
        other = Measure(pid, server.Pid(), playSeconds);
        ::kill(pid, SIGTERM);
        ::waitpid(pid, nullptr, 0);
    }

    // (b) paused: the player's CPU, and the sink's state.
    Cpu paused;
    double sinkRests = -1;
    {
        Listener watcher;
        watcher.Connect(server.Address(), false);
        Child player(TELBO_PLAY_TOOL, playArgs);
        std::this_thread::sleep_for(2s);
        const auto t0 = Clock::now();
        player.Send("pause");
        while (Clock::now() - t0 < 10s) {
            if (watcher.State() != Listener::SinkState::Running) {
                sinkRests = Seconds(Clock::now() - t0);
                break;
            }
            std::this_thread::sleep_for(10ms);
        }
        paused = Measure(player.Pid(), server.Pid(), playSeconds / 2);
    }

    // (c) the server killed while playing, started again 4 s later.
    double back = -1;
    {
        Child player(TELBO_PLAY_TOOL, playArgs);
        std::this_thread::sleep_for(2s);
        server.Kill();
        std::this_thread::sleep_for(4s);
        if (!server.Start()) {
            std::fprintf(stderr, "sound_bench: %s\n", server.error.c_str());
            return 1;
        }
        const auto t0 = Clock::now();
        Listener ear;
        if (ear.Connect(server.Address(), true) && ear.WaitForSound(true, 10s, 20ms))
            back = Seconds(Clock::now() - t0);
    }

    // (d) pause and resume, five times each, on the monitor's recording.
    std::vector<double> stops, starts;
    {
        Listener ear;
        ear.Connect(server.Address(), true);
        Child player(TELBO_PLAY_TOOL, playArgs);
        ear.WaitForSound(true, 5s);
        for (int i = 0; i < 5; ++i) {
            std::this_thread::sleep_for(700ms);
            const auto pause = Clock::now();
            player.Send("pause");
            std::this_thread::sleep_for(500ms);
            const auto resume = Clock::now();
            player.Send("resume");
            std::this_thread::sleep_for(500ms);
            const std::vector<float> heard = ear.Samples();
            const std::size_t p = ear.FrameAt(pause), r = ear.FrameAt(resume);
            std::size_t lastSound = p, firstSound = r;
            for (std::size_t f = p; f < r; ++f)
                if (telbo::test::Peak(heard, f, f + 1) > 0.01f) lastSound = f;
            while (firstSound < heard.size() / 2 && telbo::test::Peak(heard, firstSound, firstSound + 1) <= 0.01f)
                ++firstSound;
            stops.push_back(static_cast<double>(lastSound - p) / Listener::kRate);
            starts.push_back(static_cast<double>(firstSound - r) / Listener::kRate);
        }
    }

    const double ratio = (telbo.player + telbo.server) / (other.player + other.server);
    std::printf("sound server: PulseAudio with a null sink; %.0f s of play scaled to a minute\n\n",
                playSeconds);
    std::printf("| figure | Telbo | mpv --ao=pulse | target |\n|---|---|---|---|\n");
    std::printf("| (a) playing: CPU s/min, player + server | %.2f (player %.2f, server %.2f) | "
                "%.2f (player %.2f, server %.2f) | <= 0.5x: %.2fx %s |\n",
                telbo.player + telbo.server, telbo.player, telbo.server,
                other.player + other.server, other.player, other.server, ratio,
                ratio <= 0.5 ? "ok" : "MISSED");
    std::printf("| (b) paused: CPU s/min of the player | %.3f | | <= 0.05 %s |\n", paused.player,
                paused.player <= 0.05 ? "ok" : "MISSED");
    std::printf("| (b) paused: the sink leaves RUNNING after | %.2f s | | <= 5 s %s |\n", sinkRests,
                sinkRests >= 0 && sinkRests <= 5 ? "ok" : "MISSED");
    std::printf("| (c) server back after 4 s away: sound after | %.2f s | | <= 2 s %s |\n", back,
                back >= 0 && back <= 2 ? "ok" : "MISSED");
    auto all = [](std::vector<double> v) {
        std::sort(v.begin(), v.end());
        std::string s;
        for (const double x : v) s += (s.empty() ? "" : ", ") + std::to_string(std::lround(x * 1000));
        return s;
    };
    const double stop = *std::max_element(stops.begin(), stops.end());
    const double start = *std::max_element(starts.begin(), starts.end());
    std::printf("| (d) pause: sound stops after, ms (5 times) | %s | | <= 100 %s |\n",
                all(stops).c_str(), stop <= 0.1 ? "ok" : "MISSED");
    std::printf("| (d) resume: sound starts after, ms (5 times) | %s | | <= 100 %s |\n",
                all(starts).c_str(), start <= 0.1 ? "ok" : "MISSED");
    return 0;
}
