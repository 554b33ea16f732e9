// The player on a real sound server: a private PulseAudio server, and a private PipeWire
// (with WirePlumber and its PulseAudio service), each with a null sink (started here, ended
// here), telbo-play in a process of its own, and `mpv --no-video --ao=pulse` on the same
// generated 1 kHz MP3 in the same run. Figures, per server:
//  (a) CPU (user + sys) per minute of playing, player + server, against mpv + server (the
//      least of three windows each), and the player's wake-ups a second (context switches of
//      all its threads; and of the engine's threads alone, without the tool's own clock);
//  (b) the paused player's CPU and wake-ups, and how soon the server's sink suspends;
//  (c) the server killed and started again 4 s later: how soon the sound is back;
//  (d) pause and resume: how soon the sound stops and starts, on the sink's monitor.
// Usage: sound_bench [--play-seconds N] [--server pulseaudio|pipewire] [--vs OLD_TELBO_PLAY]
// (default: a window of 30 s, scaled to a minute; every server installed). With --vs, another
// build's telbo-play is measured in the same run, its windows interleaved with this one's,
// for (a) and (d).

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
using telbo::test::ContextSwitches;
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

double CpuSeconds(const std::vector<pid_t>& pids) {
    double total = 0;
    for (const pid_t pid : pids) {
        const double s = CpuSeconds(pid);
        if (s < 0) return -1;
        total += s;
    }
    return total;
}

struct Cpu {
    double player = 0, server = 0;
    double wakeups = 0, engineWakeups = 0; // a second, of the player
    double Total() const { return player + server; }
};

// CPU per minute of `player` and of the server's processes over `seconds`, after a second
// to settle; the least of `windows` windows (by the total), or of those and `best`'s.
Cpu Measure(pid_t player, const std::vector<pid_t>& server, double seconds, int windows = 1,
            const Cpu* before = nullptr) {
    std::this_thread::sleep_for(1s);
    Cpu best;
    if (before) best = *before;
    for (int w = 0; w < windows; ++w) {
        const double p0 = CpuSeconds(player), s0 = CpuSeconds(server);
        const double w0 = ContextSwitches(player), e0 = ContextSwitches(player, true);
        std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
        const double p1 = CpuSeconds(player), s1 = CpuSeconds(server);
        const double w1 = ContextSwitches(player), e1 = ContextSwitches(player, true);
        if (p0 < 0 || p1 < 0 || s0 < 0 || s1 < 0) {
            std::fprintf(stderr, "sound_bench: a process ended while measured\n");
            std::exit(1);
        }
        const Cpu c{(p1 - p0) * 60 / seconds, (s1 - s0) * 60 / seconds, (w1 - w0) / seconds,
                    (e1 - e0) / seconds};
        if ((w == 0 && !before) || c.Total() < best.Total()) best = c;
    }
    return best;
}

struct Figures {
    Cpu telbo, other, paused, old;
    double suspended = -1, back = -1;
    std::vector<double> stops, starts, oldStops, oldStarts;
};

// Five pauses and resumes of `tool`: how soon the sound stops and starts, on the recording.
void PauseAndResume(const SoundServer& server, const std::string& tool,
                    const std::vector<std::string>& playArgs, std::vector<double>& stops,
                    std::vector<double>& starts) {
    Listener ear;
    ear.Connect(server.Address(), true);
    Child player(tool, playArgs);
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
        for (std::size_t fr = p; fr < r; ++fr)
            if (telbo::test::Peak(heard, fr, fr + 1) > 0.01f) lastSound = fr;
        while (firstSound < heard.size() / 2 &&
               telbo::test::Peak(heard, firstSound, firstSound + 1) <= 0.01f)
            ++firstSound;
        stops.push_back(static_cast<double>(lastSound - p) / Listener::kRate);
        starts.push_back(static_cast<double>(firstSound - r) / Listener::kRate);
    }
}

// Every figure on one server; false when it cannot run.
bool Run(SoundServer::Kind kind, const std::string& mpv, const std::string& oldTool,
         double playSeconds, Figures& f) {
    telbo::test::TempFolder dir;
    SoundServer server(dir.Path() / "server", kind);
    if (!server.Start()) {
        std::fprintf(stderr, "sound_bench: %s: %s\n", SoundServer::Name(kind),
                     server.error.c_str());
        return false;
    }
    telbo::test::ToneSpec tone;
    tone.frequencyHz = 1000;
    tone.seconds = playSeconds * 3 + 60;
    const std::string file = telbo::test::WriteToneMp3(dir.Path(), "tone.mp3", tone).string();
    const std::vector<std::string> playArgs = {"--server", server.Address(), file};

    // (a) playing, the player and mpv one after the other on the same server; the other
    // build's player, when given, in turns with this one, a fresh process each window.
    if (oldTool.empty()) {
        Child player(TELBO_PLAY_TOOL, playArgs);
        f.telbo = Measure(player.Pid(), server.Pids(), playSeconds, 3);
    } else {
        for (int w = 0; w < 3; ++w) {
            {
                Child player(TELBO_PLAY_TOOL, playArgs);
                f.telbo = Measure(player.Pid(), server.Pids(), playSeconds, 1, w ? &f.telbo : nullptr);
            }
            Child old(oldTool, playArgs);
            f.old = Measure(old.Pid(), server.Pids(), playSeconds, 1, w ? &f.old : nullptr);
        }
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
            return false;
        }
        f.other = Measure(pid, server.Pids(), playSeconds, 3);
        ::kill(pid, SIGTERM);
        ::waitpid(pid, nullptr, 0);
    }

    // (b) paused: the player's CPU and wake-ups after a second, and the sink's state.
    {
        Listener watcher;
        watcher.Connect(server.Address(), false);
        Child player(TELBO_PLAY_TOOL, playArgs);
        std::this_thread::sleep_for(2s);
        const auto t0 = Clock::now();
        player.Send("pause");
        while (Clock::now() - t0 < 15s) {
            if (watcher.State() == Listener::SinkState::Suspended) {
                f.suspended = Seconds(Clock::now() - t0);
                break;
            }
            std::this_thread::sleep_for(10ms);
        }
        f.paused = Measure(player.Pid(), server.Pids(), playSeconds / 2);
    }

    // (c) the server killed while playing, started again 4 s later.
    {
        Child player(TELBO_PLAY_TOOL, playArgs);
        std::this_thread::sleep_for(2s);
        server.Kill();
        std::this_thread::sleep_for(4s);
        if (!server.Start()) {
            std::fprintf(stderr, "sound_bench: %s\n", server.error.c_str());
            return false;
        }
        const auto t0 = Clock::now();
        Listener ear;
        if (ear.Connect(server.Address(), true) && ear.WaitForSound(true, 10s, 20ms))
            f.back = Seconds(Clock::now() - t0);
    }

    // (d) pause and resume, five times each, on the monitor's recording.
    PauseAndResume(server, TELBO_PLAY_TOOL, playArgs, f.stops, f.starts);
    if (!oldTool.empty()) PauseAndResume(server, oldTool, playArgs, f.oldStops, f.oldStarts);
    return true;
}

std::string Ms(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    std::string s;
    for (const double x : v) s += (s.empty() ? "" : ", ") + std::to_string(std::lround(x * 1000));
    return s;
}

const char* Verdict(bool ok) { return ok ? "ok" : "MISSED"; }

} // namespace

int main(int argc, char** argv) {
    double playSeconds = 30;
    std::vector<SoundServer::Kind> kinds;
    std::string oldTool;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--play-seconds") == 0 && i + 1 < argc) {
            playSeconds = std::max(3.0, std::atof(argv[++i]));
        } else if (std::strcmp(argv[i], "--server") == 0 && i + 1 < argc) {
            const std::string name = argv[++i];
            kinds.push_back(name == "pipewire" ? SoundServer::Kind::PipeWire
                                               : SoundServer::Kind::PulseAudio);
        } else if (std::strcmp(argv[i], "--vs") == 0 && i + 1 < argc) {
            oldTool = argv[++i];
        } else {
            std::fprintf(stderr, "usage: sound_bench [--play-seconds N] "
                                 "[--server pulseaudio|pipewire] [--vs OLD_TELBO_PLAY]\n");
            return 2;
        }
    }
    if (kinds.empty())
        for (const auto kind : SoundServer::Kinds())
            if (SoundServer::Installed(kind)) kinds.push_back(kind);
    const std::string mpv = FindMpv();
    if (mpv.empty()) {
        std::fprintf(stderr, "sound_bench: mpv is missing (bench/sound.sh installs it)\n");
        return 1;
    }
    int failed = 0;
    for (const auto kind : kinds) {
        Figures f;
        if (!Run(kind, mpv, oldTool, playSeconds, f)) {
            ++failed;
            continue;
        }
        const double ratio = f.telbo.Total() / f.other.Total();
        std::printf("\n%s with a null sink; least of three %.0f s windows, scaled to a minute\n\n",
                    SoundServer::Name(kind), playSeconds);
        std::printf("| figure | Telbo | mpv --ao=pulse | target |\n|---|---|---|---|\n");
        std::printf("| (a) playing: CPU s/min, player + server | %.2f (player %.2f, server %.2f) | "
                    "%.2f (player %.2f, server %.2f) | <= 0.3x: %.2fx %s |\n",
                    f.telbo.Total(), f.telbo.player, f.telbo.server, f.other.Total(),
                    f.other.player, f.other.server, ratio, Verdict(ratio <= 0.3));
        std::printf("| (a) playing: CPU s/min of the player | %.3f | %.3f | <= 0.1 %s |\n",
                    f.telbo.player, f.other.player, Verdict(f.telbo.player <= 0.1));
        std::printf("| (a) playing: wake-ups/s of the player (engine threads) | %.1f (%.1f) | %.1f "
                    "| <= 10 %s |\n",
                    f.telbo.wakeups, f.telbo.engineWakeups, f.other.wakeups,
                    Verdict(f.telbo.engineWakeups <= 10));
        std::printf("| (b) paused: CPU s/min of the player | %.3f | | <= 0.05 %s |\n",
                    f.paused.player, Verdict(f.paused.player <= 0.05));
        std::printf("| (b) paused: wake-ups/s of the player | %.2f | | 0 %s |\n",
                    f.paused.wakeups, Verdict(f.paused.wakeups < 0.1));
        std::printf("| (b) paused: the sink suspends after | %.2f s | | <= 6 s %s |\n", f.suspended,
                    Verdict(f.suspended >= 0 && f.suspended <= 6));
        std::printf("| (c) server back after 4 s away: sound after | %.2f s | | <= 2 s %s |\n",
                    f.back, Verdict(f.back >= 0 && f.back <= 2));
        const double stop = *std::max_element(f.stops.begin(), f.stops.end());
        const double start = *std::max_element(f.starts.begin(), f.starts.end());
        std::printf("| (d) pause: sound stops after, ms (5 times) | %s | | <= 100 %s |\n",
                    Ms(f.stops).c_str(), Verdict(stop <= 0.1));
        std::printf("| (d) resume: sound starts after, ms (5 times) | %s | | <= 100 %s |\n",
                    Ms(f.starts).c_str(), Verdict(start <= 0.1));
        if (!oldTool.empty()) {
            std::printf("| the other build (--vs): (a) CPU s/min, player + server | %.2f (player "
                        "%.3f, server %.2f), %.2fx mpv; this build / it: player %.2fx, total "
                        "%.2fx | | |\n",
                        f.old.Total(), f.old.player, f.old.server, f.old.Total() / f.other.Total(),
                        f.telbo.player / f.old.player, f.telbo.Total() / f.old.Total());
            std::printf("| the other build: (a) wake-ups/s (engine threads) | %.1f (%.1f) | | |\n",
                        f.old.wakeups, f.old.engineWakeups);
            std::printf("| the other build: (d) pause, resume ms | %s; %s | | |\n",
                        Ms(f.oldStops).c_str(), Ms(f.oldStarts).c_str());
        }
        std::fflush(stdout);
    }
    return failed ? 1 : 0;
}
