#pragma once
// A sound server of the test's own with a null sink "probe" and nothing else: PulseAudio, or
// PipeWire with WirePlumber and its PulseAudio service (and a session bus of its own). Its
// runtime folder, home and sockets live in a temporary folder, it runs as root too, and it
// ends with the process that started it, even one killed by a timeout. A Listener records
// what the sink plays (its monitor) and reads the sink's state.

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace telbo::test {

class SoundServer {
public:
    enum class Kind { PulseAudio, PipeWire };
    // Both kinds, for tests that run against each; a name fit for a test's name.
    static std::vector<Kind> Kinds() { return {Kind::PulseAudio, Kind::PipeWire}; }
    static const char* Name(Kind kind);
    // Whether the programs `kind` needs are there.
    static bool Installed(Kind kind);

    // `folder`: an empty temporary folder that outlives the server.
    explicit SoundServer(std::filesystem::path folder, Kind kind = Kind::PulseAudio);
    ~SoundServer();
    SoundServer(const SoundServer&) = delete;
    SoundServer& operator=(const SoundServer&) = delete;

    // Starts the server (again, on the same socket) and waits until it answers. False, with
    // the reason in `error`, when it does not (not installed, cannot run here).
    bool Start();
    // Ends it at once, as a crash would (PipeWire: all three of its programs).
    void Kill();
    // The process clients talk to (pulseaudio, pipewire-pulse).
    pid_t Pid() const { return pid_; }
    // Every process of the server, for its CPU time (not the session bus).
    std::vector<pid_t> Pids() const;
    Kind kind() const { return kind_; }
    // For clients: "unix:<socket>".
    std::string Address() const;
    // pactl's output for `args` against this server; "" when it fails or is not installed.
    std::string Pactl(const std::string& args) const;

    // Null sinks besides "probe", loaded at Start; "probe" stays the default.
    std::vector<std::string> moreSinks;

    std::string error;

private:
    bool StartPulseAudio();
    bool StartPipeWire();
    bool LoadSinks();
    void Reap(int signal);
    std::vector<std::string> Environment() const;
    std::filesystem::path Socket() const; // where the server itself listens

    std::filesystem::path folder_;
    Kind kind_;
    pid_t pid_ = -1;
    std::vector<pid_t> helpers_; // PipeWire's graph and session manager, beside pid_
    pid_t bus_ = -1;
};

// A program the test runs (a player in a process of its own, to stop and continue), with
// its standard input a pipe; it ends with the test process.
class Child {
public:
    Child(const std::string& program, const std::vector<std::string>& args);
    ~Child();
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;
    bool Running() const { return pid_ > 0; }
    pid_t Pid() const { return pid_; }
    void Send(const std::string& line);

private:
    pid_t pid_ = -1;
    int input_ = -1;
};

class Listener {
public:
    static constexpr int kRate = 44100;
    enum class SinkState { Unknown, Running, Idle, Suspended };

    Listener();
    ~Listener();
    Listener(const Listener&) = delete;
    Listener& operator=(const Listener&) = delete;

    // Connects to `address`; with `record`, records the probe sink's monitor from now on as
    // float stereo at kRate.
    bool Connect(const std::string& address, bool record);
    SinkState State();
    // Index of the one stream playing into the sink, -1 when there is none (or several).
    std::int64_t StreamIndex();
    // Whether that one stream is corked: 1 corked, 0 not, -1 no one stream.
    int StreamCorked();

    // What was recorded so far (stereo interleaved).
    std::vector<float> Samples();
    // The recorded frame heard at `when`, told by the recording's own pace (not by the
    // latency the server reports, which PipeWire's PulseAudio service gets wrong): the sink
    // plays at a steady rate, so the recording's earliest arrivals against their frame
    // counts fix when each frame was played. Late rather than early, by at most about one
    // cycle of the sink.
    std::size_t FrameAt(std::chrono::steady_clock::time_point when);
    // Waits until the last `window` of the recording holds sound above `level` (or, with
    // `sound` false, holds none).
    bool WaitForSound(bool sound, std::chrono::milliseconds timeout,
                      std::chrono::milliseconds window = std::chrono::milliseconds(50),
                      float level = 0.01f);

    struct Loop;

private:
    std::unique_ptr<Loop> loop_;
};

// Whether a sound server that cannot run fails the test (CI=true) rather than skips it.
bool ServerRequired();

// The wake-ups of process `pid` so far: context switches, voluntary and not, of all its
// threads, or only of those besides its first (a tool's own loop runs there). -1 when it is
// gone.
double ContextSwitches(pid_t pid, bool besidesFirst = false);

// Peak of |x| over stereo frames [from, to).
float Peak(const std::vector<float>& stereo, std::size_t from, std::size_t to);
// Largest difference between neighbouring samples of one channel over frames [from, to).
float LargestStep(const std::vector<float>& stereo, std::size_t from, std::size_t to);
// Frequency from the zero crossings of the left channel over frames [from, to).
double Frequency(const std::vector<float>& stereo, std::size_t from, std::size_t to, int rate);
// Frames in [from, to) whose 5 ms neighbourhood holds sound above `level`.
std::size_t SoundingFrames(const std::vector<float>& stereo, std::size_t from, std::size_t to,
                           float level = 0.01f);

} // namespace telbo::test
