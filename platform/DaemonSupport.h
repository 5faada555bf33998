#pragma once
// What a small service process needs from the system: a clean stop on SIGINT/SIGTERM/SIGHUP,
// waiting on several handles at once, and a lock that says "this name is taken while I run".

#include <string>
#include <vector>

namespace vostrel::platform {

// From now on SIGINT, SIGTERM and SIGHUP only raise StopRequested() (and cut a wait short);
// SIGPIPE is ignored so a vanished peer shows up as a failed write.
void CatchStopSignals();
bool StopRequested();

// Asks the scheduler to run this process ahead of ordinary work, where the system permits it; a
// refusal changes nothing. Answers whether it took.
bool RaiseOwnPriority();

// Waits until one of handles has input (or a hang-up) or timeoutMs pass; ready[i] tells which.
// Negative handles are skipped. Answers false when the wait ended without any ready handle.
bool WaitForInput(const std::vector<int>& handles, int timeoutMs, std::vector<bool>* ready);

// An exclusive advisory lock on a file of its own, held for the object's life; the file is removed
// again on release.
class FileLock {
public:
    FileLock() = default;
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    // False when another process holds the lock or the file cannot be made (reason in *error).
    bool TryLock(const std::string& path, std::string* error);
    void Release();

private:
    int fd_ = -1;
    std::string path_;
};

// Makes a directory with owner-only access; true when it exists afterwards.
bool MakePrivateDir(const std::string& path);

}  // namespace vostrel::platform
