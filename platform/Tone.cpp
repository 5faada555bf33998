#include "platform/Tone.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

extern char** environ;

namespace vostrel::platform {

namespace {

constexpr int kRate = 8000;

void PutLe(std::vector<std::uint8_t>& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

// An 8-bit mono WAV: small enough (a few kB) to fit a pipe's buffer, so writing it never blocks.
std::vector<std::uint8_t> ToneWave(int hz, int ms) {
    const int samples = kRate * ms / 1000;
    std::vector<std::uint8_t> wav;
    wav.reserve(44 + static_cast<std::size_t>(samples));
    const auto str = [&](const char* s) { wav.insert(wav.end(), s, s + 4); };
    str("RIFF");
    PutLe(wav, 36 + samples, 4);
    str("WAVE");
    str("fmt ");
    PutLe(wav, 16, 4);
    PutLe(wav, 1, 2);  // PCM
    PutLe(wav, 1, 2);  // mono
    PutLe(wav, kRate, 4);
    PutLe(wav, kRate, 4);
    PutLe(wav, 1, 2);
    PutLe(wav, 8, 2);
    str("data");
    PutLe(wav, samples, 4);
    const double step = 2.0 * 3.14159265358979323846 * hz / kRate;
    for (int i = 0; i < samples; ++i) {
        // Short fades at both ends keep the speaker from clicking.
        const int edge = std::min(i, samples - 1 - i);
        const double fade = edge < 80 ? edge / 80.0 : 1.0;
        wav.push_back(static_cast<std::uint8_t>(128 + 90 * fade * std::sin(step * i)));
    }
    return wav;
}

bool Exists(const std::string& path) {
    struct stat info {};
    return !path.empty() && ::stat(path.c_str(), &info) == 0;
}

// Our own players only: other children of the program (the compiler's emulator) are waited for by
// their own code.
std::vector<pid_t>& Players() {
    static std::vector<pid_t> pids;
    return pids;
}

void CollectFinishedPlayers() {
    auto& pids = Players();
    std::erase_if(pids, [](pid_t pid) { return ::waitpid(pid, nullptr, WNOHANG) != 0; });
}

bool HasSoundServer() {
    if (const char* server = std::getenv("PULSE_SERVER"); server != nullptr && *server != '\0') return true;
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    const std::string dir = runtime != nullptr ? runtime : "";
    return Exists(dir + "/pulse/native") || Exists(dir + "/pipewire-0");
}

// Players that read a WAV from standard input; the first one that starts wins.
bool StartPlayer(const std::vector<const char*>& argv, const std::vector<std::uint8_t>& wav) {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) return false;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[0], 0);
    const int devnull = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (devnull >= 0) {
        posix_spawn_file_actions_adddup2(&actions, devnull, 1);
        posix_spawn_file_actions_adddup2(&actions, devnull, 2);
    }
    pid_t pid = 0;
    std::vector<char*> args;
    for (const char* a : argv) args.push_back(const_cast<char*>(a));
    args.push_back(nullptr);
    const int rc = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (devnull >= 0) ::close(devnull);
    ::close(fds[0]);
    if (rc != 0) {
        ::close(fds[1]);
        return false;
    }
    Players().push_back(pid);
    // A player that died at once must not take the program down with SIGPIPE.
    struct sigaction ignore {}, previous {};
    ignore.sa_handler = SIG_IGN;
    ::sigaction(SIGPIPE, &ignore, &previous);
    const ssize_t written = ::write(fds[1], wav.data(), wav.size());
    ::sigaction(SIGPIPE, &previous, nullptr);
    ::close(fds[1]);
    return written == static_cast<ssize_t>(wav.size());
}

}  // namespace

bool PlayTone(int hz, int ms) {
    // Players of earlier tones are collected here rather than waited for.
    CollectFinishedPlayers();
    if (hz <= 0 || ms <= 0) return false;
    ms = std::min(ms, 2000);
    const auto wav = ToneWave(hz, ms);
    if (HasSoundServer() && StartPlayer({"paplay"}, wav)) return true;
    if (Exists("/dev/snd") && StartPlayer({"aplay", "-q", "-"}, wav)) return true;
    return false;
}

}  // namespace vostrel::platform
