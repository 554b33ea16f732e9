// Engine figures on one generated 5-minute 44.1 kHz stereo file:
//  (a) the whole decode chain at default settings, as fast as it goes into nothing, against
//      `mpg123 -q -t` on the same file (ratio of wall times, best of several runs);
//  (b) the same with all ten bands set and speed 1.25;
//  (c) CPU time (user + sys) of playing one minute in real time through the null sink, at
//      defaults and with equalizer + speed.
// Usage: engine_bench [--play-seconds N] [--runs N]   (N play seconds are scaled to a minute)

#include "engine/DecodeChain.h"
#include "engine/Engine.h"
#include "support/Mp3Fixture.h"

#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <vector>
#include <string>
#include <thread>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;
using telbo::engine::ChainControls;
using telbo::engine::DecodeChain;

const telbo::EqualizerBands kBands = {40, 30, 20, -10, -20, 10, 30, 50, 60, 70};

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

double ChainSeconds(const std::string& file, const ChainControls& controls) {
    const auto t0 = Clock::now();
    auto chain = DecodeChain::Open(file, {});
    if (!chain) {
        std::fprintf(stderr, "cannot open %s\n", file.c_str());
        std::exit(1);
    }
    chain->Start(controls, 44100, 0);
    DecodeChain::Piece piece;
    std::size_t frames = 0;
    while (chain->Next(piece)) frames += piece.frames;
    const double s = Seconds(Clock::now() - t0);
    if (frames == 0) std::exit(1);
    return s;
}

double Mpg123Seconds(const std::string& file) {
    const auto t0 = Clock::now();
    pid_t pid = 0;
    const char* argv[] = {"mpg123", "-q", "-t", file.c_str(), nullptr};
    if (posix_spawnp(&pid, "mpg123", nullptr, nullptr, const_cast<char**>(argv), environ) != 0) {
        std::fprintf(stderr, "cannot run mpg123\n");
        std::exit(1);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return Seconds(Clock::now() - t0);
}

double CpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// Context switches of the whole process so far, every thread's: each is a wake-up.
long ContextSwitches() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_nvcsw + u.ru_nivcsw;
}

struct PlayCost {
    double cpuPerMinute = 0;
    double wakeUpsPerSecond = 0;
    // The same from two seconds after Play on: without the first fill of the ring and the
    // sink's start, which a track pays once and a short window counts many times over.
    double steadyCpuPerMinute = 0;
    double steadyWakeUpsPerSecond = 0;
};

PlayCost PlayCpuPerMinute(const std::string& file, double seconds, bool eqAndSpeed,
                          telbo::ReplayGainMode replayGain = telbo::ReplayGainMode::Auto) {
    telbo::Engine::Options o;
    o.nullAudio = true;
    o.nullSpeedup = 1;
    telbo::Engine engine(o);
    engine.Init();
    telbo::ReplayGainOptions rg;
    rg.Mode = replayGain;
    engine.SetReplayGain(rg);
    telbo::OpenInfoRecord info;
    if (!engine.Open(file, info)) std::exit(1);
    if (eqAndSpeed) {
        engine.SetEqualizer(kBands);
        engine.SetSpeed(125);
    }
    const double cpu0 = CpuSeconds();
    const long switches0 = ContextSwitches();
    engine.Play();
    const double settle = std::min(2.0, seconds / 2);
    std::this_thread::sleep_for(std::chrono::duration<double>(settle));
    const double cpu1 = CpuSeconds();
    const long switches1 = ContextSwitches();
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds - settle));
    const double cpu = CpuSeconds() - cpu0;
    // Less those of this thread: each sleep and its waking.
    const long switches = ContextSwitches() - switches0 - 4;
    const double steadyCpu = CpuSeconds() - cpu1;
    const long steadySwitches = ContextSwitches() - switches1 - 2;
    const double steadySeconds = seconds - settle;
    std::int32_t elapsed = 0;
    if (engine.State(elapsed) != telbo::PlaybackState::Playing) std::fprintf(stderr, "warning: not playing at the end\n");
    engine.Stop();
    return {cpu * 60.0 / seconds, static_cast<double>(switches) / seconds,
            steadyCpu * 60.0 / steadySeconds, static_cast<double>(steadySwitches) / steadySeconds};
}

} // namespace

int main(int argc, char** argv) {
    double playSeconds = 60;
    int runs = 5;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string a = argv[i];
        if (a == "--play-seconds") playSeconds = std::atof(argv[i + 1]);
        if (a == "--runs") runs = std::max(0, std::atoi(argv[i + 1]));
    }

    telbo::test::TempFolder dir;
    telbo::test::ToneSpec tone;
    tone.seconds = 300;
    tone.frequencyHz = 1000;
    std::printf("generating a 5-minute 44.1 kHz stereo file...\n");
    const std::string file = telbo::test::WriteToneMp3(dir.Path(), "bench.mp3", tone).string();

    ChainControls defaults;
    ChainControls heavy;
    heavy.SetEqualizer(kBands);
    heavy.speed = 125;

    // Interleaved runs, best of each: the machine is shared, the minimum is the cleanest view.
    double mpg = 1e9, a = 1e9, b = 1e9;
    for (int r = 0; r < runs; ++r) {
        mpg = std::min(mpg, Mpg123Seconds(file));
        a = std::min(a, ChainSeconds(file, defaults));
        b = std::min(b, ChainSeconds(file, heavy));
    }
    if (runs) std::printf("decode 300 s as fast as possible (best of %d):\n", runs);
    if (runs) std::printf("  mpg123 -q -t            %7.3f s\n", mpg);
    if (runs) std::printf("  (a) engine, defaults    %7.3f s   %.2fx mpg123 (target <= 1.1)\n", a, a / mpg);
    if (runs) std::printf("  (b) engine, eq + 1.25x  %7.3f s   %.2fx mpg123 (target <= 2.5)\n", b, b / mpg);

    std::printf("playing %.0f s in real time through the null sink...\n", playSeconds);
    const PlayCost c1 = PlayCpuPerMinute(file, playSeconds, false);
    const PlayCost c2 = PlayCpuPerMinute(file, playSeconds, true);
    std::printf("  (c) CPU per minute played, defaults    %.3f s (target <= 0.06), %.1f wake-ups/s (target <= 10)\n",
                c1.cpuPerMinute, c1.wakeUpsPerSecond);
    std::printf("  (c) CPU per minute played, eq + 1.25x  %.3f s (target <= 0.15), %.1f wake-ups/s\n",
                c2.cpuPerMinute, c2.wakeUpsPerSecond);
    std::printf("      from 2 s after Play on: defaults %.3f s, %.1f wake-ups/s; eq + 1.25x %.3f s, %.1f wake-ups/s\n",
                c1.steadyCpuPerMinute, c1.steadyWakeUpsPerSecond, c2.steadyCpuPerMinute,
                c2.steadyWakeUpsPerSecond);

    // The same tone tagged -6 dB, played with ReplayGain off and on in turn.
    const std::string tagged = (dir.Path() / "tagged.mp3").string();
    std::filesystem::copy_file(file, tagged);
    const std::string txxx = std::string("REPLAYGAIN_TRACK_GAIN") + '\0' + "-6.00 dB";
    std::vector<std::uint8_t> content{0};
    content.insert(content.end(), txxx.begin(), txxx.end());
    telbo::test::PrependId3v2(tagged, 4, {telbo::test::RawFrame{"TXXX", content}});
    double off = 0, on = 0;
    for (int r = 0; r < 2; ++r) {
        off += PlayCpuPerMinute(tagged, playSeconds / 2, false, telbo::ReplayGainMode::Off).cpuPerMinute / 2;
        on += PlayCpuPerMinute(tagged, playSeconds / 2, false, telbo::ReplayGainMode::Track).cpuPerMinute / 2;
    }
    std::printf("  (d) CPU per minute played, ReplayGain off %.3f s, on %.3f s (%.2fx)\n", off, on,
                off > 0 ? on / off : 0.0);
    return 0;
}
