#pragma once
// A PulseAudio server of the test's own, with a null sink "probe" and nothing else: its
// runtime folder, home and socket live in a temporary folder, it runs as root too, and it
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
    // `folder`: an empty temporary folder that outlives the server.
    explicit SoundServer(std::filesystem::path folder);
    ~SoundServer();
    SoundServer(const SoundServer&) = delete;
    SoundServer& operator=(const SoundServer&) = delete;

    // Starts the server (again, on the same socket) and waits until it answers. False, with
    // the reason in `error`, when it does not (not installed, cannot run here).
    bool Start();
    // Ends it at once, as a crash would.
    void Kill();
    pid_t Pid() const { return pid_; }
    // For clients: "unix:<socket>".
    std::string Address() const;
    // pactl's output for `args` against this server; "" when it fails or is not installed.
    std::string Pactl(const std::string& args) const;

    // Null sinks besides "probe", loaded at Start; "probe" stays the default.
    std::vector<std::string> moreSinks;

    std::string error;

private:
    void Reap(int signal);

    std::filesystem::path folder_;
    pid_t pid_ = -1;
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

    // What was recorded so far (stereo interleaved).
    std::vector<float> Samples();
    // The recorded frame heard at `when` (a bit late rather than early).
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
