#pragma once
// The in-process serial ports COM0 .. COM32 on the virtual clock: a programmer unit, a port that
// opens but never answers, or nothing, on each. Bytes a unit sends become readable only once their
// wire time has passed on the clock, so the host's polling, attention pulses and time-outs run as
// they would on a real line, without costing a test any real time.
//
// The port log (PortEvents) records, in order: "open COMn", "open COMn failed" (absent or unplugged
// port, or a name outside COM0 .. COM32 written as given), "break on", "break off", "close COMn".

#include <array>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "platform/SerialPort.h"
#include "sim/Unit.h"
#include "sim/VirtualClock.h"

namespace vostrel::sim {

inline constexpr int kComPorts = 33;
// A Linux tty buffers this much; anything more the line loses, as a real one would.
inline constexpr int kReceiveQueueBytes = 4096;

class SimPorts : public SerialPort {
public:
    // The clock must outlive the ports.
    explicit SimPorts(VirtualClock& clock);
    ~SimPorts() override;

    // A programmer unit on COMn (BREAK transport), replacing whatever was there. The unit lives as
    // long as the ports or until the port is detached.
    Unit& AttachUnit(int com);
    // A port that opens and accepts bytes but never sends any.
    void AttachSilent(int com);
    // Nothing on COMn any more (closes it first if open).
    void Detach(int com);
    Unit* UnitOn(int com);

    std::vector<std::string> PortEvents() const { return events_; }
    void ClearPortEvents() { events_.clear(); }
    // The port open now, or -1.
    int OpenCom() const { return open_; }

    bool Open(const std::string& name) override;
    bool IsOpen() const override { return open_ >= 0; }
    void Close() override;
    void SetBreak(bool on) override;
    int BytesWaiting() override;
    int Read(std::uint8_t* dst, int count) override;
    int Write(const std::uint8_t* src, int count) override;

private:
    enum class Kind { Absent, Silent, Unit };
    struct Port {
        Kind kind = Kind::Absent;
        std::unique_ptr<sim::Unit> unit;
    };
    std::int64_t NowUs() const { return clock_.NowMs() * 1000; }
    // The unit on the open port, if it is still plugged in.
    sim::Unit* LiveUnit();
    void Pull();

    VirtualClock& clock_;
    std::array<Port, kComPorts> ports_;
    int open_ = -1;
    std::deque<std::uint8_t> rx_;
    std::vector<std::string> events_;
};

}  // namespace vostrel::sim
