#include "sim/unit/Daemon.h"

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "platform/DaemonSupport.h"
#include "platform/LocalSocket.h"
#include "platform/PortNames.h"
#include "platform/Pty.h"
#include "platform/SystemClock.h"
#include "sim/Control.h"
#include "sim/unit/Engine.h"
#include "sim/unit/PortLink.h"

namespace vostrel::unit {

namespace {

// The host flushes the port right after opening it, throwing away what arrived before; the banner
// goes out as soon as that flush is seen. For a host that never flushes it goes this long after the
// open, well inside the program's 40 ms look.
constexpr int kBannerDelayMs = 3;
// Opens wake the unit at once; this poll only backs that up.
constexpr int kAttachPollMs = 20;
constexpr int kIdleWaitMs = 200;
// A control client gets this long to send its line before it is dropped.
constexpr int kControlLineMs = 2000;
constexpr std::size_t kControlLineMax = 4096;
constexpr int kClientTimeoutMs = 10000;

std::string Trim(const std::string& s) {
    const auto first = s.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) return {};
    return s.substr(first, s.find_last_not_of(" \t\r\n") - first + 1);
}

struct ControlConnection {
    int handle;
    std::string received;
    std::int64_t openedMs;
};

class Daemon {
public:
    Daemon(const Options& options, std::unique_ptr<sim::Unit> unit, const std::string& runtimeDir,
           std::string controlPath)
        : options_(options),
          unit_(std::move(unit)),
          link_(runtimeDir, options.port),
          controlPath_(std::move(controlPath)) {}

    int Run() {
        std::string error;
        if (!link_.Claim(&error) || !Plug(&error) || !server_.Listen(controlPath_, &error)) {
            std::cerr << "vostrel-unit: " << error << '\n';
            return 1;
        }
        std::cerr << "vostrel-unit: control channel " << controlPath_ << '\n';
        AnnounceReady("");
        while (!platform::StopRequested() && !stop_) Step();
        Shutdown();
        std::cerr << "vostrel-unit: stopped, " << options_.port << " removed from the port map\n";
        return 0;
    }

private:
    void AnnounceReady(const std::string& prefix) {
        std::cerr << "vostrel-unit: " << prefix << SocketText(*unit_) << " on " << options_.port << " ("
                  << pty_.slavePath() << ")" << std::endl;
    }

    bool Plug(std::string* error) {
        if (!pty_.Create(error)) return false;
        if (!link_.Link(pty_.slavePath(), error)) {
            pty_.Close();
            return false;
        }
        return true;
    }

    // As if the cable were pulled: the host's port goes dead and the name leaves the port map.
    void Unplug() {
        unit_->Unplug();
        link_.Unlink();
        pty_.Close();
        HostGone();
    }

    void HostGone() {
        if (attached_) unit_->PortClosed(platform::SystemClock::NowUs());
        attached_ = false;
        bannerDueUs_ = -1;
    }

    void Shutdown() {
        for (auto& c : connections_) platform::CloseConnection(c.handle);
        connections_.clear();
        server_.Close();
        pty_.Close();
        link_.Release();
    }

    void Step() {
        TrackHost(platform::SystemClock::NowUs());
        if (attached_) ServeHost();
        if (pty_.IsOpen() && !unit_->Plugged()) {
            Unplug();
            std::cerr << "vostrel-unit: unplugged by fault" << std::endl;
        }
        ServeControl(clock_.NowMs());
        Wait();
    }

    void TrackHost(std::int64_t nowUs) {
        const int opens = pty_.IsOpen() ? pty_.TakeHostOpens() : 0;
        const int flushes = pty_.IsOpen() ? pty_.TakeHostFlushes() : 0;
        const bool present = pty_.IsOpen() && pty_.HostAttached();
        if (present && (!attached_ || opens > 0)) {
            // Every open is a new session, even one that followed a close too fast to see.
            if (attached_) HostGone();
            attached_ = true;
            hostSpoke_ = false;
            bannerDueUs_ = nowUs + kBannerDelayMs * 1000;
        } else if (!present && attached_) {
            HostGone();
        }
        // A flush before the host's first packet threw away any banner sent so far: (re)send it now.
        if (attached_ && flushes > 0 && !hostSpoke_) bannerDueUs_ = nowUs;
        if (bannerDueUs_ >= 0 && nowUs >= bannerDueUs_) {
            bannerDueUs_ = -1;
            unit_->PortOpened(nowUs);
        }
    }

    void ServeHost() {
        std::uint8_t buffer[2048];
        for (int n; (n = pty_.Read(buffer, sizeof buffer)) > 0;) {
            hostSpoke_ = true;
            unit_->Receive(buffer, n, platform::SystemClock::NowUs());
        }
        const auto due = unit_->TakeDue(platform::SystemClock::NowUs());
        if (!due.empty()) pty_.Write(due.data(), static_cast<int>(due.size()));
    }

    void ServeControl(std::int64_t now) {
        for (int h; (h = server_.Accept()) >= 0;) connections_.push_back({h, {}, now});
        for (auto it = connections_.begin(); it != connections_.end();) {
            const bool open = platform::ReceiveAvailable(it->handle, &it->received);
            const auto newline = it->received.find('\n');
            const bool complete = newline != std::string::npos || !open;
            if (complete || it->received.size() > kControlLineMax || now - it->openedMs > kControlLineMs) {
                std::string answer;
                if (it->received.size() > kControlLineMax)
                    answer = "error: command line too long";
                else if (complete)
                    answer = Execute(Trim(it->received.substr(0, newline)));
                else
                    answer = "error: no command received";
                if (!answer.empty() && answer.back() != '\n') answer += '\n';
                platform::SendAll(it->handle, answer);
                platform::CloseConnection(it->handle);
                it = connections_.erase(it);
            } else {
                ++it;
            }
        }
    }

    std::string Execute(const std::string& line) {
        const auto blank = line.find_first_of(" \t");
        const std::string command = line.substr(0, blank);
        const std::string argument = blank == std::string::npos ? "" : Trim(line.substr(blank));
        if (command.empty()) return "error: empty command (try \"help\")";
        if (command == "unplug") {
            if (!pty_.IsOpen()) return "error: already unplugged";
            Unplug();
            std::cerr << "vostrel-unit: unplugged" << std::endl;
            return "unplugged " + options_.port;
        }
        if (command == "replug") {
            if (pty_.IsOpen()) return "error: already plugged in";
            unit_->Replug();
            std::string error;
            if (!Plug(&error)) {
                unit_->Unplug();
                return "error: " + error;
            }
            AnnounceReady("replugged, ");
            return "replugged " + options_.port + " (" + pty_.slavePath() + ")";
        }
        if (command == "stop") {
            stop_ = true;
            return "stopping";
        }
        if (command == "status") {
            const std::string line = "port: " + options_.port + "; " +
                                     (pty_.IsOpen() ? pty_.slavePath() + (attached_ ? ", host attached" : ", no host")
                                                    : std::string("unplugged"));
            return line + "\n" + sim::RunControl(*unit_, command, argument);
        }
        if (command == "help") return HelpText();
        return sim::RunControl(*unit_, command, argument);
    }

    void Wait() {
        const std::int64_t nowUs = platform::SystemClock::NowUs();
        std::int64_t timeoutUs = kIdleWaitMs * 1000;
        if (pty_.IsOpen() && !attached_) timeoutUs = kAttachPollMs * 1000;
        if (bannerDueUs_ >= 0) timeoutUs = std::min(timeoutUs, bannerDueUs_ - nowUs);
        if (const std::int64_t next = unit_->NextDueUs(); attached_ && next >= 0)
            timeoutUs = std::min(timeoutUs, next - nowUs);
        if (!connections_.empty()) timeoutUs = std::min<std::int64_t>(timeoutUs, 50000);
        // poll counts whole milliseconds: round up, so a byte is never sent before its time.
        const int timeoutMs = static_cast<int>(std::max<std::int64_t>(0, (timeoutUs + 999) / 1000));
        std::vector<int> handles {server_.handle(), attached_ ? pty_.handle() : -1, pty_.eventHandle()};
        for (const auto& c : connections_) handles.push_back(c.handle);
        platform::WaitForInput(handles, timeoutMs, nullptr);
    }

    const Options& options_;
    std::unique_ptr<sim::Unit> unit_;
    PortLink link_;
    std::string controlPath_;
    platform::PtyMaster pty_;
    platform::LocalServer server_;
    platform::SystemClock clock_;
    std::vector<ControlConnection> connections_;
    bool attached_ = false;
    bool hostSpoke_ = false;  // the host has sent bytes in this session
    bool stop_ = false;
    std::int64_t bannerDueUs_ = -1;
};

std::string ControlPathFor(const Options& options) {
    return options.controlPath.empty() ? DefaultControlPath(platform::RuntimeDir(), options.port)
                                       : options.controlPath;
}

}  // namespace

int RunDaemon(const Options& options) {
    platform::CatchStopSignals();
    // A real unit answers at once; on a busy machine an ordinary process may be scheduled too late
    // for the program's 40 ms look for the banner.
    platform::RaiseOwnPriority();
    std::string error;
    auto unit = MakeUnit(options, &error);
    if (!unit) {
        std::cerr << "vostrel-unit: " << error << '\n';
        return 1;
    }
    Daemon daemon(options, std::move(unit), platform::RuntimeDir(), ControlPathFor(options));
    return daemon.Run();
}

int RunClient(const Options& options) {
    std::string line = Trim(options.send);
    // The unit runs in a folder of its own: a file named relative to ours must reach it whole.
    const auto blank = line.find_first_of(" \t");
    const std::string command = line.substr(0, blank);
    if ((command == "load" || command == "dump") && blank != std::string::npos) {
        std::error_code ec;
        const auto path = std::filesystem::absolute(Trim(line.substr(blank)), ec);
        if (!ec) line = command + " " + path.string();
    }
    const std::string path = ControlPathFor(options);
    std::string reply;
    std::string error;
    if (!platform::SendLocalRequest(path, line, kClientTimeoutMs, &reply, &error)) {
        std::cerr << "vostrel-unit: no unit answers on " << path << " (" << error << ")\n";
        return 1;
    }
    std::cout << reply;
    if (!reply.empty() && reply.back() != '\n') std::cout << '\n';
    return reply.rfind("error", 0) == 0 ? 1 : 0;
}

}  // namespace vostrel::unit
