#include "SoundServer.h"

#include <pulse/pulseaudio.h>

#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <limits>
#include <thread>

namespace telbo::test {

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// fork + exec whose child dies with the thread that started it. Everything the child needs is
// prepared before the fork: only async-signal-safe calls after it.
pid_t Spawn(const std::vector<std::string>& argv, const std::vector<std::string>& env,
            int stdinFd, const std::filesystem::path& log = {}) {
    std::vector<char*> args, envp;
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    for (const auto& e : env) envp.push_back(const_cast<char*>(e.c_str()));
    envp.push_back(nullptr);
    const pid_t parent = ::getpid();
    const int devnull = ::open("/dev/null", O_RDWR | O_CLOEXEC);
    const int logFd =
        log.empty() ? -1 : ::open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (::getppid() != parent) ::_exit(127); // the test is already gone
        ::dup2(stdinFd >= 0 ? stdinFd : devnull, STDIN_FILENO);
        ::dup2(devnull, STDOUT_FILENO);
        if (logFd >= 0) ::dup2(logFd, STDERR_FILENO);
        // No environment given: the test's own.
        ::execve(args[0], args.data(), env.empty() ? environ : envp.data());
        ::_exit(127);
    }
    if (devnull >= 0) ::close(devnull);
    if (logFd >= 0) ::close(logFd);
    return pid;
}

// waitpid with a deadline; true when the process has ended (and was reaped).
bool WaitEnd(pid_t pid, std::chrono::milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    for (;;) {
        int status = 0;
        const pid_t r = ::waitpid(pid, &status, WNOHANG);
        if (r == pid || r < 0) return true;
        if (Clock::now() > deadline) return false;
        std::this_thread::sleep_for(5ms);
    }
}

std::string FindProgram(const std::string& name) {
    for (const char* dir : {"/usr/bin", "/usr/local/bin", "/bin"}) {
        const std::string path = std::string(dir) + "/" + name;
        if (::access(path.c_str(), X_OK) == 0) return path;
    }
    return {};
}

bool Answers(const std::filesystem::path& socketPath) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::strncpy(addr.sun_path, socketPath.c_str(), sizeof addr.sun_path - 1);
    const bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
    ::close(fd);
    return ok;
}

} // namespace

const char* SoundServer::Name(Kind kind) {
    return kind == Kind::PipeWire ? "PipeWire" : "PulseAudio";
}

bool SoundServer::Installed(Kind kind) {
    if (kind == Kind::PulseAudio) return !FindProgram("pulseaudio").empty();
    for (const char* program : {"pipewire", "wireplumber", "pipewire-pulse", "dbus-daemon"})
        if (FindProgram(program).empty()) return false;
    return true;
}

SoundServer::SoundServer(std::filesystem::path folder, Kind kind)
    : folder_(std::move(folder)), kind_(kind) {
    // The clients of this process (the engine, the listener) keep their cookie here, not in
    // the user's home.
    ::setenv("PULSE_COOKIE", (folder_ / "client-cookie").c_str(), 1);
}

SoundServer::~SoundServer() {
    Reap(SIGTERM);
    if (bus_ > 0) {
        ::kill(bus_, SIGTERM);
        if (!WaitEnd(bus_, 3s)) {
            ::kill(bus_, SIGKILL);
            WaitEnd(bus_, 3s);
        }
    }
}

// PipeWire's PulseAudio service answers before its sinks are there: clients are given a link
// to its socket, made once they are.
std::string SoundServer::Address() const { return "unix:" + (folder_ / "native").string(); }

std::filesystem::path SoundServer::Socket() const {
    return kind_ == Kind::PipeWire ? folder_ / "run" / "pulse" / "native" : folder_ / "native";
}

std::vector<pid_t> SoundServer::Pids() const {
    std::vector<pid_t> pids = helpers_;
    if (pid_ > 0) pids.push_back(pid_);
    return pids;
}

std::string SoundServer::Pactl(const std::string& args) const {
    const std::string command =
        "pactl -s 'unix:" + Socket().string() + "' " + args + " 2>/dev/null";
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) return {};
    std::string out;
    char buffer[4096];
    while (const std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe))
        out.append(buffer, n);
    return ::pclose(pipe) == 0 ? out : std::string();
}

std::vector<std::string> SoundServer::Environment() const {
    const auto home = folder_ / "home";
    return {
        "PATH=/usr/bin:/bin",
        "HOME=" + home.string(),
        "XDG_RUNTIME_DIR=" + (folder_ / "run").string(),
        "XDG_CONFIG_HOME=" + (home / ".config").string(),
        "XDG_STATE_HOME=" + (home / ".state").string(),
        "XDG_DATA_HOME=" + (home / ".data").string(),
        kind_ == Kind::PipeWire ? "DBUS_SESSION_BUS_ADDRESS=unix:path=" + (folder_ / "bus").string()
                                : "DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent/telbo-test-bus",
        "DBUS_SYSTEM_BUS_ADDRESS=unix:path=/nonexistent/telbo-test-bus",
        "LANG=C",
    };
}

bool SoundServer::Start() {
    Reap(SIGTERM);
    const auto run = folder_ / "run";
    std::filesystem::create_directories(run);
    std::filesystem::create_directories(folder_ / "home");
    ::chmod(run.c_str(), 0700);
    return kind_ == Kind::PipeWire ? StartPipeWire() : StartPulseAudio();
}

bool SoundServer::StartPulseAudio() {
    const std::string program = FindProgram("pulseaudio");
    if (program.empty()) {
        error = "pulseaudio is not installed";
        return false;
    }
    std::filesystem::remove(folder_ / "native");
    // No configuration scripts, no real devices, no real-time scheduling, no bus: a null sink
    // and the socket. --system=false lets root run it as a user's server.
    std::vector<std::string> argv = {
        program,
        "--daemonize=no",
        "--system=false",
        "-n",
        "--use-pid-file=false",
        "--exit-idle-time=-1",
        "--no-cpu-limit",
        "--realtime=false",
        "--high-priority=false",
        "--log-target=stderr",
        "--log-level=error",
        "-L", "module-null-sink sink_name=probe rate=44100 channels=2",
        "-L", "module-suspend-on-idle timeout=1",
        "-L", "module-native-protocol-unix auth-anonymous=1 socket=" + (folder_ / "native").string(),
    };
    for (const std::string& sink : moreSinks) {
        argv.push_back("-L");
        argv.push_back("module-null-sink sink_name=" + sink + " rate=44100 channels=2");
    }
    pid_ = Spawn(argv, Environment(), -1);
    if (pid_ <= 0) {
        error = "cannot start pulseaudio";
        return false;
    }
    const auto deadline = Clock::now() + 10s;
    while (Clock::now() < deadline) {
        if (Answers(folder_ / "native")) {
            if (moreSinks.empty()) return true;
            Pactl("set-default-sink probe");
            if (Pactl("get-default-sink") == "probe\n") return true;
            error = "pactl cannot set the default sink";
            return false;
        }
        int status = 0;
        if (::waitpid(pid_, &status, WNOHANG) == pid_) {
            pid_ = -1;
            error = "pulseaudio exited at start";
            return false;
        }
        std::this_thread::sleep_for(10ms);
    }
    Reap(SIGKILL);
    error = "pulseaudio did not answer within 10 s";
    return false;
}

namespace {
// Waits until `socketPath` answers, or `pid` has ended.
bool AwaitSocket(const std::filesystem::path& socketPath, pid_t pid, std::chrono::seconds timeout) {
    const auto deadline = Clock::now() + timeout;
    while (Clock::now() < deadline) {
        if (Answers(socketPath)) return true;
        int status = 0;
        if (::waitpid(pid, &status, WNOHANG) == pid) return false;
        std::this_thread::sleep_for(10ms);
    }
    return false;
}
} // namespace

bool SoundServer::StartPipeWire() {
    if (!Installed(Kind::PipeWire)) {
        error = "pipewire, wireplumber, pipewire-pulse or dbus-daemon is not installed";
        return false;
    }
    const auto run = folder_ / "run";
    std::filesystem::remove(folder_ / "native");
    // A killed server leaves its sockets and locks behind.
    for (const char* stale : {"pipewire-0", "pipewire-0.lock", "pipewire-0-manager",
                              "pipewire-0-manager.lock", "pulse"})
        std::filesystem::remove_all(run / stale);
    const std::vector<std::string> env = Environment();
    // WirePlumber does not run without a session bus.
    if (bus_ <= 0) {
        std::filesystem::remove(folder_ / "bus");
        bus_ = Spawn({FindProgram("dbus-daemon"), "--session", "--nofork", "--nopidfile",
                      "--address=unix:path=" + (folder_ / "bus").string()},
                     env, -1, folder_ / "bus.log");
        if (bus_ <= 0 || !AwaitSocket(folder_ / "bus", bus_, 10s)) {
            error = "the session bus did not start";
            return false;
        }
    }
    // Their notes go to files beside them, not into the test's output.
    const pid_t graph = Spawn({FindProgram("pipewire")}, env, -1, folder_ / "pipewire.log");
    if (graph > 0) helpers_.push_back(graph);
    if (graph <= 0 || !AwaitSocket(run / "pipewire-0", graph, 10s)) {
        Reap(SIGKILL);
        error = "pipewire did not answer within 10 s";
        return false;
    }
    const pid_t session = Spawn({FindProgram("wireplumber")}, env, -1, folder_ / "wireplumber.log");
    if (session > 0) helpers_.push_back(session);
    pid_ = Spawn({FindProgram("pipewire-pulse")}, env, -1, folder_ / "pipewire-pulse.log");
    if (session <= 0 || pid_ <= 0 || !AwaitSocket(run / "pulse" / "native", pid_, 10s)) {
        Reap(SIGKILL);
        error = "pipewire-pulse did not answer within 10 s";
        return false;
    }
    std::error_code linked;
    if (LoadSinks()) std::filesystem::create_symlink(Socket(), folder_ / "native", linked);
    if (!linked && std::filesystem::is_symlink(folder_ / "native")) return true;
    if (linked) error = "cannot link the socket: " + linked.message();
    Reap(SIGKILL);
    return false;
}

// PipeWire's sinks come through its PulseAudio service, the default chosen by WirePlumber.
bool SoundServer::LoadSinks() {
    std::vector<std::string> sinks{"probe"};
    sinks.insert(sinks.end(), moreSinks.begin(), moreSinks.end());
    for (const std::string& sink : sinks) {
        // Suspended a second after it idles, as the PulseAudio server's sinks are.
        if (Pactl("load-module module-null-sink sink_name=" + sink +
                  " channels=2 sink_properties=session.suspend-timeout-seconds=1")
                .empty()) {
            error = "pactl cannot load a null sink";
            return false;
        }
    }
    const auto deadline = Clock::now() + 10s;
    while (Clock::now() < deadline) {
        Pactl("set-default-sink probe");
        if (Pactl("get-default-sink") == "probe\n") return true;
        std::this_thread::sleep_for(50ms);
    }
    error = "the null sink did not become the default within 10 s";
    return false;
}

void SoundServer::Kill() { Reap(SIGKILL); }

void SoundServer::Reap(int signal) {
    std::vector<pid_t> all = Pids();
    for (const pid_t pid : all) ::kill(pid, signal);
    for (const pid_t pid : all) {
        if (!WaitEnd(pid, 3s)) {
            ::kill(pid, SIGKILL);
            WaitEnd(pid, 3s);
        }
    }
    helpers_.clear();
    pid_ = -1;
}

// --- Child ------------------------------------------------------------------------------------

Child::Child(const std::string& program, const std::vector<std::string>& args) {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) return;
    std::vector<std::string> argv{program};
    argv.insert(argv.end(), args.begin(), args.end());
    pid_ = Spawn(argv, {}, fds[0]);
    ::close(fds[0]);
    input_ = fds[1];
    if (pid_ <= 0) pid_ = -1;
}

Child::~Child() {
    if (input_ >= 0) ::close(input_); // the end of its input: it quits
    if (pid_ <= 0) return;
    ::kill(pid_, SIGCONT);
    if (!WaitEnd(pid_, 5s)) {
        ::kill(pid_, SIGKILL);
        WaitEnd(pid_, 3s);
    }
}

void Child::Send(const std::string& line) {
    const std::string text = line + "\n";
    if (input_ >= 0) [[maybe_unused]] const auto n = ::write(input_, text.data(), text.size());
}

// --- Listener ---------------------------------------------------------------------------------

struct Listener::Loop {
    pa_threaded_mainloop* loop = nullptr;
    pa_context* context = nullptr;
    pa_stream* record = nullptr;

    std::mutex mutex; // the recording, read by the test's thread
    std::vector<float> samples;
    std::vector<std::pair<Clock::time_point, std::size_t>> arrivals; // frames recorded by then

    Loop() : loop(pa_threaded_mainloop_new()) {}
    ~Loop() {
        if (!loop) return;
        pa_threaded_mainloop_stop(loop);
        if (record) {
            pa_stream_disconnect(record);
            pa_stream_unref(record);
        }
        if (context) {
            pa_context_disconnect(context);
            pa_context_unref(context);
        }
        pa_threaded_mainloop_free(loop);
    }

    static void Signal(void* self) { pa_threaded_mainloop_signal(static_cast<Loop*>(self)->loop, 0); }

    static void OnRead(pa_stream* s, std::size_t, void* self) {
        auto* l = static_cast<Loop*>(self);
        while (pa_stream_readable_size(s) > 0) {
            const void* data = nullptr;
            std::size_t bytes = 0;
            if (pa_stream_peek(s, &data, &bytes) < 0 || bytes == 0) return;
            {
                std::lock_guard lock(l->mutex);
                const std::size_t n = bytes / sizeof(float);
                if (data) {
                    const auto* f = static_cast<const float*>(data);
                    l->samples.insert(l->samples.end(), f, f + n);
                } else {
                    l->samples.insert(l->samples.end(), n, 0.0f); // a hole
                }
                l->arrivals.emplace_back(Clock::now(), l->samples.size() / 2);
            }
            pa_stream_drop(s);
        }
    }

    // Runs `op` (made under the lock) to its end.
    bool Finish(pa_operation* op) {
        if (!op) return false;
        while (pa_operation_get_state(op) == PA_OPERATION_RUNNING) pa_threaded_mainloop_wait(loop);
        const bool done = pa_operation_get_state(op) == PA_OPERATION_DONE;
        pa_operation_unref(op);
        return done;
    }
};

Listener::Listener() : loop_(std::make_unique<Loop>()) {}
Listener::~Listener() = default;

bool Listener::Connect(const std::string& address, bool record) {
    Loop& l = *loop_;
    if (!l.loop || l.context) return false;
    l.context = pa_context_new(pa_threaded_mainloop_get_api(l.loop), "telbo-test-listener");
    pa_context_set_state_callback(l.context, [](pa_context*, void* self) { Loop::Signal(self); }, &l);
    if (pa_context_connect(l.context, address.c_str(), PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0)
        return false;
    pa_threaded_mainloop_lock(l.loop);
    pa_threaded_mainloop_start(l.loop);
    auto ready = [&] {
        for (;;) {
            const pa_context_state_t s = pa_context_get_state(l.context);
            if (s == PA_CONTEXT_READY) return true;
            if (!PA_CONTEXT_IS_GOOD(s)) return false;
            pa_threaded_mainloop_wait(l.loop);
        }
    };
    bool ok = ready();
    if (ok && record) {
        const pa_sample_spec format{PA_SAMPLE_FLOAT32NE, kRate, 2};
        l.record = pa_stream_new(l.context, "monitor", &format, nullptr);
        pa_stream_set_state_callback(l.record, [](pa_stream*, void* self) { Loop::Signal(self); }, &l);
        pa_stream_set_read_callback(l.record, &Loop::OnRead, &l);
        pa_buffer_attr attr{};
        attr.maxlength = static_cast<std::uint32_t>(-1);
        // Small enough that an idle PulseAudio sink works no more than this ahead of the
        // clock, large enough that PipeWire's graph still runs its longest cycles (2048
        // frames).
        attr.fragsize =
            static_cast<std::uint32_t>(pa_usec_to_bytes(50 * PA_USEC_PER_MSEC, &format));
        ok = pa_stream_connect_record(l.record, "probe.monitor", &attr,
                                      static_cast<pa_stream_flags_t>(
                                          PA_STREAM_ADJUST_LATENCY | PA_STREAM_INTERPOLATE_TIMING |
                                          PA_STREAM_AUTO_TIMING_UPDATE)) == 0;
        while (ok && pa_stream_get_state(l.record) != PA_STREAM_READY) {
            if (!PA_STREAM_IS_GOOD(pa_stream_get_state(l.record))) ok = false;
            else pa_threaded_mainloop_wait(l.loop);
        }
    }
    if (ok && record) {
        // An idle null sink works far ahead (up to two seconds). Suspended and resumed, it
        // starts again from now at the pace the recording asks, and its monitor follows
        // what it plays closely.
        ok = l.Finish(pa_context_suspend_sink_by_name(
                 l.context, "probe", 1, [](pa_context*, int, void* self) { Loop::Signal(self); }, &l)) &&
             l.Finish(pa_context_suspend_sink_by_name(
                 l.context, "probe", 0, [](pa_context*, int, void* self) { Loop::Signal(self); }, &l));
    }
    pa_threaded_mainloop_unlock(l.loop);
    return ok;
}

Listener::SinkState Listener::State() {
    Loop& l = *loop_;
    if (!l.context) return SinkState::Unknown;
    struct Result {
        Loop* loop;
        SinkState state = SinkState::Unknown;
    } result{&l};
    pa_threaded_mainloop_lock(l.loop);
    l.Finish(pa_context_get_sink_info_by_name(
        l.context, "probe",
        [](pa_context*, const pa_sink_info* info, int, void* self) {
            auto* r = static_cast<Result*>(self);
            if (info) {
                r->state = info->state == PA_SINK_RUNNING     ? SinkState::Running
                           : info->state == PA_SINK_IDLE      ? SinkState::Idle
                           : info->state == PA_SINK_SUSPENDED ? SinkState::Suspended
                                                               : SinkState::Unknown;
            }
            Loop::Signal(r->loop);
        },
        &result));
    pa_threaded_mainloop_unlock(l.loop);
    return result.state;
}

std::int64_t Listener::StreamIndex() {
    Loop& l = *loop_;
    if (!l.context) return -1;
    struct Result {
        Loop* loop;
        std::vector<std::int64_t> streams;
    } result{&l, {}};
    pa_threaded_mainloop_lock(l.loop);
    l.Finish(pa_context_get_sink_input_info_list(
        l.context,
        [](pa_context*, const pa_sink_input_info* info, int, void* self) {
            auto* r = static_cast<Result*>(self);
            if (info) r->streams.push_back(info->index);
            Loop::Signal(r->loop);
        },
        &result));
    pa_threaded_mainloop_unlock(l.loop);
    return result.streams.size() == 1 ? result.streams[0] : -1;
}

int Listener::StreamCorked() {
    Loop& l = *loop_;
    if (!l.context) return -1;
    struct Result {
        Loop* loop;
        std::vector<int> corked;
    } result{&l, {}};
    pa_threaded_mainloop_lock(l.loop);
    l.Finish(pa_context_get_sink_input_info_list(
        l.context,
        [](pa_context*, const pa_sink_input_info* info, int, void* self) {
            auto* r = static_cast<Result*>(self);
            if (info) r->corked.push_back(info->corked ? 1 : 0);
            Loop::Signal(r->loop);
        },
        &result));
    pa_threaded_mainloop_unlock(l.loop);
    return result.corked.size() == 1 ? result.corked[0] : -1;
}

std::vector<float> Listener::Samples() {
    std::lock_guard lock(loop_->mutex);
    return loop_->samples;
}

std::size_t Listener::FrameAt(Clock::time_point when) {
    std::lock_guard lock(loop_->mutex);
    const auto& a = loop_->arrivals;
    if (a.empty()) return 0;
    // A frame arrives after it was played, and the earliest arrivals come soonest after: the
    // least of (arrival - frames before it) is when the recording's first frame was played.
    double start = std::numeric_limits<double>::infinity();
    for (const auto& [at, frames] : a)
        start = std::min(start, std::chrono::duration<double>(at - a.front().first).count() -
                                    static_cast<double>(frames) / kRate);
    const double seconds = std::chrono::duration<double>(when - a.front().first).count() - start;
    return seconds <= 0 ? 0 : static_cast<std::size_t>(seconds * kRate);
}

bool Listener::WaitForSound(bool sound, std::chrono::milliseconds timeout,
                            std::chrono::milliseconds window, float level) {
    const auto frames = static_cast<std::size_t>(window.count() * kRate / 1000);
    const auto deadline = Clock::now() + timeout;
    do {
        {
            std::lock_guard lock(loop_->mutex);
            const std::size_t total = loop_->samples.size() / 2;
            if (total >= frames &&
                (Peak(loop_->samples, total - frames, total) > level) == sound)
                return true;
        }
        std::this_thread::sleep_for(5ms);
    } while (Clock::now() < deadline);
    return false;
}

bool ServerRequired() {
    const char* ci = std::getenv("CI");
    return ci && std::string(ci) == "true";
}

double ContextSwitches(pid_t pid, bool besidesFirst) {
    const auto tasks = std::filesystem::path("/proc") / std::to_string(pid) / "task";
    std::error_code ec;
    std::filesystem::directory_iterator it(tasks, ec);
    if (ec) return -1;
    double total = 0;
    for (const auto& task : it) {
        if (besidesFirst && task.path().filename() == std::to_string(pid)) continue;
        std::ifstream in(task.path() / "status");
        for (std::string line; std::getline(in, line);)
            if (line.rfind("voluntary_ctxt_switches:", 0) == 0 ||
                line.rfind("nonvoluntary_ctxt_switches:", 0) == 0)
                total += std::atof(line.c_str() + line.find(':') + 1);
    }
    return total;
}

// --- measures --------------------------------------------------------------------------------

float Peak(const std::vector<float>& stereo, std::size_t from, std::size_t to) {
    to = std::min(to, stereo.size() / 2);
    float peak = 0;
    for (std::size_t i = from * 2; i < to * 2; ++i) peak = std::max(peak, std::abs(stereo[i]));
    return peak;
}

float LargestStep(const std::vector<float>& stereo, std::size_t from, std::size_t to) {
    to = std::min(to, stereo.size() / 2);
    float step = 0;
    for (std::size_t i = from + 1; i < to; ++i)
        for (std::size_t c = 0; c < 2; ++c)
            step = std::max(step, std::abs(stereo[i * 2 + c] - stereo[(i - 1) * 2 + c]));
    return step;
}

double Frequency(const std::vector<float>& stereo, std::size_t from, std::size_t to, int rate) {
    to = std::min(to, stereo.size() / 2);
    std::size_t first = 0, last = 0, crossings = 0;
    for (std::size_t i = from + 1; i < to; ++i) {
        if (stereo[(i - 1) * 2] < 0 && stereo[i * 2] >= 0) {
            if (crossings == 0) first = i;
            last = i;
            ++crossings;
        }
    }
    if (crossings < 2) return 0;
    return static_cast<double>(crossings - 1) * rate / static_cast<double>(last - first);
}

std::size_t SoundingFrames(const std::vector<float>& stereo, std::size_t from, std::size_t to,
                           float level) {
    constexpr std::size_t kBlock = Listener::kRate / 200; // 5 ms
    to = std::min(to, stereo.size() / 2);
    std::size_t sounding = 0;
    for (std::size_t at = from; at < to; at += kBlock) {
        const std::size_t end = std::min(at + kBlock, to);
        if (Peak(stereo, at, end) > level) sounding += end - at;
    }
    return sounding;
}

} // namespace telbo::test
