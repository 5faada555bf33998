// Program and Verify against the simulated unit over a pseudo-terminal, with the unit's timing model
// on (wire time at 115200 baud, programming pulses, erase times), through the real serial port and
// clock. Next to the wall time stands the limit the unit computes for the same packets, and the
// ratio of the two: what the host adds on top of the physics.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <random>
#include <string>

#include "app/RunState.h"
#include "app/Startup.h"
#include "device/DeviceTable.h"
#include "platform/BackgroundProcess.h"
#include "platform/PosixSerialPort.h"
#include "platform/SystemClock.h"
#include "programmer/DeviceOperations.h"
#include "support/OfflineBench.h"

namespace vostrel::bench {
namespace {

const std::string kUnit = std::string(VOSTREL_BIN_DIR) + "/vostrel-unit";

// The window as the operations see it when nobody looks: the log kept, everything else ignored.
struct QuietWindow : test::RecordingWindow {
    void ServiceEvents() override {}
};

class UnitSession {
public:
    explicit UnitSession(const std::string& chip) {
        std::string error;
        ok_ = unit_.Start(kUnit, {"--timing", "--chip", chip}, {{"XDG_RUNTIME_DIR", env_.runtimeDir}}, &error) &&
              unit_.WaitForStderrLine(" on COM0 (", 5000);
        ok_ = ok_ && FindProgrammer(state);
    }
    ~UnitSession() {
        port.Close();
        unit_.Terminate();
        unit_.Wait(5000);
    }
    bool ok() const { return ok_; }

    // A control command, as `vostrel-unit --send` gives it.
    std::string Send(const std::string& command) {
        platform::BackgroundProcess client;
        std::string error;
        if (!client.Start(kUnit, {"--send", command}, {{"XDG_RUNTIME_DIR", env_.runtimeDir}}, &error)) return "";
        client.Wait(5000);
        return client.out();
    }
    // The physical time of the packets since the last reset-log, in microseconds.
    double PhysicalUs() {
        const std::string text = Send("physical");
        const auto at = text.find("total ");
        return at == std::string::npos ? -1 : std::stod(text.substr(at + 6));
    }

private:
    // A runtime dir of our own, so the port map holds the simulated unit and nothing of the machine.
    static platform::PortMapEnv PrivateMap(const test::ScratchDir& dir) {
        std::filesystem::permissions(dir.path(), std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::replace);
        platform::PortMapEnv env;
        env.runtimeDir = dir.path().string();
        env.devDir = (dir.path() / "nodev").string();
        return env;
    }

    test::ScratchDir dir_{"vostrel-bench-unit"};
    platform::PortMapEnv env_ = PrivateMap(dir_);
    platform::BackgroundProcess unit_;
    bool ok_ = false;

public:
    QuietWindow window;
    platform::PosixSerialPort port{env_};
    platform::SystemClock clock;
    RunState state{window, port, clock};
};

double PacketCount(const std::string& status) {
    const auto at = status.find("packets: ");
    return at == std::string::npos ? 0 : std::stod(status.substr(at + 9));
}

bool Succeeded(const test::RecordingWindow& w) {
    return std::count(w.logLines.begin(), w.logLines.end(), "*** SUCCESS ***") > 0;
}

void ProgramAndVerify(benchmark::State& st, const std::string& chip, DeviceCode code) {
    UnitSession s(chip);
    if (!s.ok()) {
        st.SkipWithError("the simulated unit did not start or was not found");
        return;
    }
    DeviceProfile p;
    SelectDevice(p, code);
    std::mt19937 rng(code);
    double programMs = 0, verifyMs = 0, limitMs = 0, packets = 0;
    for (auto _ : st) {
        for (int f = 0; f < p.fuseCount; ++f) s.state.FuseMap[static_cast<std::size_t>(f)] = rng() & 1;
        s.state.loadedFuseCount = p.fuseCount;
        s.Send("reset-log");
        s.window.logLines.clear();

        using Clock = std::chrono::steady_clock;
        const auto t0 = Clock::now();
        ProgramDevice(s.state);
        const auto t1 = Clock::now();
        const bool programmed = Succeeded(s.window);
        s.window.logLines.clear();
        ReadOrVerifyDevice(s.state, true, true);
        const auto t2 = Clock::now();
        if (!programmed || !Succeeded(s.window) || s.state.linkFailure != 0) {
            st.SkipWithError("program or verify did not succeed");
            return;
        }
        const double limit = s.PhysicalUs() / 1000.0;
        packets += PacketCount(s.Send("status"));
        const double program = std::chrono::duration<double, std::milli>(t1 - t0).count();
        const double verify = std::chrono::duration<double, std::milli>(t2 - t1).count();
        st.SetIterationTime((program + verify) / 1000.0);
        programMs += program;
        verifyMs += verify;
        limitMs += limit;
    }
    const double n = static_cast<double>(st.iterations());
    st.counters["program_ms"] = programMs / n;
    st.counters["verify_ms"] = verifyMs / n;
    st.counters["limit_ms"] = limitMs / n;
    st.counters["wall/limit"] = (programMs + verifyMs) / limitMs;
    st.counters["packets"] = packets / n;
    // Every exchange spends 2 ms on the attention pulse and up to 1 ms more waiting in 1 ms steps;
    // a figure well above that is host time worth looking for.
    st.counters["host_ms/packet"] = (programMs + verifyMs - limitMs) / packets;
}

BENCHMARK_CAPTURE(ProgramAndVerify, GAL16V8, std::string("GAL16V8"), DeviceCode{0})
    ->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ProgramAndVerify, GAL22V10, std::string("GAL22V10"), DeviceCode{72})
    ->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace vostrel::bench

BENCHMARK_MAIN();
