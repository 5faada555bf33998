#pragma once
// A program running beside ours: started without a shell, its stdout and stderr collected, stopped by
// a signal. Scripts and tests use it to run the simulated unit next to the program.

#include <string>
#include <utility>
#include <vector>

namespace vostrel::platform {

class BackgroundProcess {
public:
    BackgroundProcess() = default;
    // A process still running is killed and reaped, so none outlives its owner.
    ~BackgroundProcess();
    BackgroundProcess(const BackgroundProcess&) = delete;
    BackgroundProcess& operator=(const BackgroundProcess&) = delete;

    // extraEnv entries are set (name, value) on top of our environment. stdin is /dev/null.
    bool Start(const std::string& program, const std::vector<std::string>& args,
               const std::vector<std::pair<std::string, std::string>>& extraEnv, std::string* error);
    bool Running();

    // Collects output until stderr holds a line containing text (true, the line in *line) or the
    // process ends or timeoutMs pass (false).
    bool WaitForStderrLine(const std::string& text, int timeoutMs, std::string* line = nullptr);

    // Asks the process to stop (SIGTERM) or interrupts it (SIGINT).
    void Terminate();
    void Interrupt();
    // Waits up to timeoutMs for the end, collecting output; answers the exit code, 128 + signal
    // number for a process ended by a signal, or -1 while it still runs.
    int Wait(int timeoutMs);

    const std::string& out() const { return out_; }
    const std::string& err() const { return err_; }

private:
    void Pump(int timeoutMs);
    void Reap(bool block);

    int pid_ = -1;
    int outFd_ = -1;
    int errFd_ = -1;
    int exitCode_ = -1;
    std::string out_;
    std::string err_;
};

}  // namespace vostrel::platform
