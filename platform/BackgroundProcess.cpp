#include "platform/BackgroundProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>

extern char** environ;

namespace vostrel::platform {

namespace {

std::int64_t NowMs() {
    timespec now {};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::int64_t>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

bool Drain(int fd, std::string* into) {
    char chunk[1024];
    for (;;) {
        const ssize_t got = ::read(fd, chunk, sizeof chunk);
        if (got > 0) {
            into->append(chunk, static_cast<size_t>(got));
            continue;
        }
        if (got < 0 && errno == EINTR) continue;
        return got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK);
    }
}

}  // namespace

BackgroundProcess::~BackgroundProcess() {
    if (pid_ > 0) {
        ::kill(pid_, SIGKILL);
        Reap(true);
    }
    if (outFd_ >= 0) ::close(outFd_);
    if (errFd_ >= 0) ::close(errFd_);
}

bool BackgroundProcess::Start(const std::string& program, const std::vector<std::string>& args,
                              const std::vector<std::pair<std::string, std::string>>& extraEnv,
                              std::string* error) {
    if (pid_ > 0) {
        if (error) *error = "a process is already running";
        return false;
    }
    int outPipe[2];
    int errPipe[2];
    if (::pipe2(outPipe, O_CLOEXEC) != 0) {
        if (error) *error = std::string("pipe: ") + std::strerror(errno);
        return false;
    }
    if (::pipe2(errPipe, O_CLOEXEC) != 0) {
        if (error) *error = std::string("pipe: ") + std::strerror(errno);
        ::close(outPipe[0]);
        ::close(outPipe[1]);
        return false;
    }

    std::vector<std::string> envText;
    for (char** e = environ; e != nullptr && *e != nullptr; ++e) {
        const std::string entry = *e;
        bool replaced = false;
        for (const auto& [name, value] : extraEnv) replaced = replaced || entry.rfind(name + "=", 0) == 0;
        if (!replaced) envText.push_back(entry);
    }
    for (const auto& [name, value] : extraEnv) envText.push_back(name + "=" + value);
    std::vector<char*> envp;
    for (auto& e : envText) envp.push_back(e.data());
    envp.push_back(nullptr);
    std::vector<std::string> argText {program};
    argText.insert(argText.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& a : argText) argv.push_back(a.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    ::posix_spawn_file_actions_init(&actions);
    ::posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    ::posix_spawn_file_actions_adddup2(&actions, outPipe[1], 1);
    ::posix_spawn_file_actions_adddup2(&actions, errPipe[1], 2);
    pid_t pid = -1;
    const int rc = ::posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), envp.data());
    ::posix_spawn_file_actions_destroy(&actions);
    ::close(outPipe[1]);
    ::close(errPipe[1]);
    if (rc != 0) {
        if (error) *error = program + ": " + std::strerror(rc);
        ::close(outPipe[0]);
        ::close(errPipe[0]);
        return false;
    }
    ::fcntl(outPipe[0], F_SETFL, O_NONBLOCK);
    ::fcntl(errPipe[0], F_SETFL, O_NONBLOCK);
    pid_ = pid;
    outFd_ = outPipe[0];
    errFd_ = errPipe[0];
    exitCode_ = -1;
    out_.clear();
    err_.clear();
    return true;
}

void BackgroundProcess::Pump(int timeoutMs) {
    pollfd pfds[2] = {{outFd_, POLLIN, 0}, {errFd_, POLLIN, 0}};
    if (::poll(pfds, 2, timeoutMs) <= 0) return;
    if (outFd_ >= 0 && !Drain(outFd_, &out_)) {
        ::close(outFd_);
        outFd_ = -1;
    }
    if (errFd_ >= 0 && !Drain(errFd_, &err_)) {
        ::close(errFd_);
        errFd_ = -1;
    }
}

void BackgroundProcess::Reap(bool block) {
    if (pid_ <= 0) return;
    int status = 0;
    pid_t r;
    do {
        r = ::waitpid(pid_, &status, block ? 0 : WNOHANG);
    } while (r < 0 && errno == EINTR);
    if (r == pid_ || (r < 0 && errno == ECHILD)) {
        exitCode_ = WIFEXITED(status) ? WEXITSTATUS(status) : WIFSIGNALED(status) ? 128 + WTERMSIG(status) : -1;
        pid_ = -1;
    }
}

bool BackgroundProcess::Running() {
    Reap(false);
    return pid_ > 0;
}

bool BackgroundProcess::WaitForStderrLine(const std::string& text, int timeoutMs, std::string* line) {
    const std::int64_t deadline = NowMs() + timeoutMs;
    for (;;) {
        size_t start = 0;
        for (size_t end; (end = err_.find('\n', start)) != std::string::npos; start = end + 1) {
            const std::string candidate = err_.substr(start, end - start);
            if (candidate.find(text) != std::string::npos) {
                if (line) *line = candidate;
                return true;
            }
        }
        const std::int64_t left = deadline - NowMs();
        if (left <= 0 || (outFd_ < 0 && errFd_ < 0)) return false;
        Pump(static_cast<int>(left < 50 ? left : 50));
    }
}

void BackgroundProcess::Terminate() {
    if (pid_ > 0) ::kill(pid_, SIGTERM);
}

void BackgroundProcess::Interrupt() {
    if (pid_ > 0) ::kill(pid_, SIGINT);
}

int BackgroundProcess::Wait(int timeoutMs) {
    const std::int64_t deadline = NowMs() + timeoutMs;
    for (;;) {
        Reap(false);
        if (pid_ <= 0) {
            Pump(0);
            return exitCode_;
        }
        const std::int64_t left = deadline - NowMs();
        if (left <= 0) return -1;
        if (outFd_ >= 0 || errFd_ >= 0)
            Pump(static_cast<int>(left < 20 ? left : 20));
        else
            ::usleep(5000);
    }
}

}  // namespace vostrel::platform
