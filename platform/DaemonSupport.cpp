#include "platform/DaemonSupport.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace vostrel::platform {

namespace {

volatile sig_atomic_t stopRequested = 0;

void OnStopSignal(int) { stopRequested = 1; }

}  // namespace

void CatchStopSignals() {
    struct sigaction sa {};
    sa.sa_handler = OnStopSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = 0;  // no SA_RESTART: a signal must end a poll at once
    for (int sig : {SIGINT, SIGTERM, SIGHUP}) ::sigaction(sig, &sa, nullptr);
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    ::sigaction(SIGPIPE, &ignore, nullptr);
}

bool StopRequested() { return stopRequested != 0; }

bool RaiseOwnPriority() {
    // The highest weight among ordinary processes: a wake-up preempts busy work at once. Real-time
    // scheduling would do the same, but a fault in a real-time loop would freeze a core.
    return ::setpriority(PRIO_PROCESS, 0, -20) == 0;
}

bool WaitForInput(const std::vector<int>& handles, int timeoutMs, std::vector<bool>* ready) {
    std::vector<pollfd> pfds;
    pfds.reserve(handles.size());
    for (int h : handles) pfds.push_back(pollfd {h, POLLIN, 0});
    const int n = ::poll(pfds.data(), pfds.size(), timeoutMs);
    if (ready) {
        ready->assign(handles.size(), false);
        for (size_t i = 0; n > 0 && i < pfds.size(); ++i)
            (*ready)[i] = handles[i] >= 0 && (pfds[i].revents & (POLLIN | POLLHUP | POLLERR)) != 0;
    }
    return n > 0;
}

FileLock::~FileLock() { Release(); }

bool FileLock::TryLock(const std::string& path, std::string* error) {
    Release();
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) {
        if (error) *error = path + ": " + std::strerror(errno);
        return false;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if (error) *error = path + " is held by another process";
        ::close(fd);
        return false;
    }
    fd_ = fd;
    path_ = path;
    return true;
}

void FileLock::Release() {
    if (fd_ < 0) return;
    ::unlink(path_.c_str());
    ::close(fd_);
    fd_ = -1;
    path_.clear();
}

bool MakePrivateDir(const std::string& path) {
    if (::mkdir(path.c_str(), 0700) == 0) return true;
    struct stat st {};
    return errno == EEXIST && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace vostrel::platform
