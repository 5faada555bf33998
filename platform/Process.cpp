#include "platform/Process.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <fstream>

namespace vostrel {

namespace {

bool IsExecutableFile(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && access(path.c_str(), X_OK) == 0;
}

void SleepMs(int ms) {
    timespec pause{ms / 1000, static_cast<long>(ms % 1000) * 1000000L};
    while (nanosleep(&pause, &pause) != 0 && errno == EINTR) {
    }
}

// Everything here runs between fork and exec, so it uses async-signal-safe calls only: the window
// program has threads of its own, and any of them may have held a lock at the moment of the fork.
[[noreturn]] void ExecChild(const char* path, char* const argv[], const char* workingDir, int errorPipe) {
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    struct sigaction byDefault {};
    byDefault.sa_handler = SIG_DFL;
    sigaction(SIGPIPE, &byDefault, nullptr);

    // An emulator that asks for input must not wait on a terminal nobody looks at.
    const int devNull = open("/dev/null", O_RDONLY);
    if (devNull >= 0 && devNull != STDIN_FILENO) {
        dup2(devNull, STDIN_FILENO);
        close(devNull);
    }
    // The link port and the window's sockets are ours alone.
    close_range(3, ~0U, CLOSE_RANGE_CLOEXEC);

    int error = 0;
    if (chdir(workingDir) != 0) {
        error = errno;
    } else {
        execve(path, argv, environ);
        error = errno;
    }
    ssize_t ignored = write(errorPipe, &error, sizeof error);
    (void)ignored;
    _exit(127);
}

void Reap(pid_t pid) {
    while (waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
    }
}

}  // namespace

ProgramKind ProgramKindOf(const std::string& path) {
    struct stat info {};
    if (stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return ProgramKind::Other;
    std::ifstream file(path, std::ios::binary);
    char head[4] = {};
    file.read(head, sizeof head);
    const auto got = file.gcount();
    if (got >= 4 && head[0] == '\x7f' && head[1] == 'E' && head[2] == 'L' && head[3] == 'F') return ProgramKind::Native;
    if (got >= 2 && head[0] == '#' && head[1] == '!') return ProgramKind::Native;
    if (got >= 2 && head[0] == 'M' && head[1] == 'Z') return ProgramKind::Windows;
    return ProgramKind::Other;
}

std::string FindOnPath(const std::string& name) {
    const char* pathList = std::getenv("PATH");
    if (pathList == nullptr || name.empty() || name.find('/') != std::string::npos) return {};
    std::string list(pathList);
    std::size_t start = 0;
    while (start <= list.size()) {
        std::size_t end = list.find(':', start);
        if (end == std::string::npos) end = list.size();
        const std::string folder = list.substr(start, end - start);
        if (!folder.empty()) {
            const std::string candidate = folder + (folder.back() == '/' ? "" : "/") + name;
            if (IsExecutableFile(candidate)) return candidate;
        }
        start = end + 1;
    }
    return {};
}

bool RunAndWait(const std::string& program, const std::vector<std::string>& args,
                const std::string& workingDir, const std::function<void()>& whileWaiting, int pollMs) {
    std::vector<std::string> command;
    switch (ProgramKindOf(program)) {
    case ProgramKind::Native:
        command.push_back(program);
        break;
    case ProgramKind::Windows: {
        const std::string wine = FindOnPath("wine");
        if (wine.empty()) return false;
        command.push_back(wine);
        command.push_back(program);
        break;
    }
    case ProgramKind::Other:
        return false;
    }
    command.insert(command.end(), args.begin(), args.end());

    // Built before the fork: the child may not allocate.
    std::vector<char*> argv;
    for (auto& word : command) argv.push_back(word.data());
    argv.push_back(nullptr);
    const std::string execPath = command.front();
    const std::string dir = workingDir.empty() ? std::string(".") : workingDir;

    int errorPipe[2];
    if (pipe2(errorPipe, O_CLOEXEC) != 0) return false;
    const pid_t pid = fork();
    if (pid < 0) {
        close(errorPipe[0]);
        close(errorPipe[1]);
        return false;
    }
    if (pid == 0) {
        close(errorPipe[0]);
        ExecChild(execPath.c_str(), argv.data(), dir.c_str(), errorPipe[1]);
    }
    close(errorPipe[1]);

    // The pipe closes unread when exec succeeds; an errno arrives when chdir or exec failed.
    int childError = 0;
    ssize_t got;
    do {
        got = read(errorPipe[0], &childError, sizeof childError);
    } while (got < 0 && errno == EINTR);
    close(errorPipe[0]);
    if (got > 0) {
        Reap(pid);
        return false;
    }

    if (!whileWaiting) {
        Reap(pid);
        return true;
    }
    for (;;) {
        const pid_t done = waitpid(pid, nullptr, WNOHANG);
        if (done == pid) break;
        if (done < 0) {
            if (errno == EINTR) continue;
            break;  // reaped elsewhere: it has ended either way
        }
        whileWaiting();
        SleepMs(pollMs > 0 ? pollMs : 1);
    }
    return true;
}

}  // namespace vostrel
