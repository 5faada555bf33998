#include "sim/SimPorts.h"

#include <algorithm>
#include <charconv>

namespace vostrel::sim {
namespace {

// "COM0" .. "COM32" exactly; -1 for anything else.
int ComNumber(const std::string& name) {
    if (name.size() < 4 || name.size() > 5 || name.compare(0, 3, "COM") != 0) return -1;
    int n = -1;
    const char* first = name.data() + 3;
    const char* last = name.data() + name.size();
    auto [ptr, ec] = std::from_chars(first, last, n);
    if (ec != std::errc() || ptr != last || (name.size() == 5 && name[3] == '0')) return -1;
    return n >= 0 && n < kComPorts ? n : -1;
}

std::string ComName(int com) { return "COM" + std::to_string(com); }

}  // namespace

SimPorts::SimPorts(VirtualClock& clock) : clock_(clock) {}
SimPorts::~SimPorts() = default;

Unit& SimPorts::AttachUnit(int com) {
    if (com < 0 || com >= kComPorts) com = 0;
    Detach(com);
    ports_[com].kind = Kind::Unit;
    ports_[com].unit = std::make_unique<sim::Unit>(Transport::Break);
    return *ports_[com].unit;
}

void SimPorts::AttachSilent(int com) {
    if (com < 0 || com >= kComPorts) return;
    Detach(com);
    ports_[com].kind = Kind::Silent;
}

void SimPorts::Detach(int com) {
    if (com < 0 || com >= kComPorts) return;
    if (open_ == com) Close();
    ports_[com] = Port{};
}

Unit* SimPorts::UnitOn(int com) {
    if (com < 0 || com >= kComPorts) return nullptr;
    return ports_[com].unit.get();
}

sim::Unit* SimPorts::LiveUnit() {
    if (open_ < 0) return nullptr;
    sim::Unit* unit = ports_[open_].unit.get();
    return unit && unit->Plugged() ? unit : nullptr;
}

bool SimPorts::Open(const std::string& name) {
    if (open_ >= 0) Close();
    const int com = ComNumber(name);
    const bool present = com >= 0 && ports_[com].kind != Kind::Absent &&
                         (ports_[com].kind != Kind::Unit || ports_[com].unit->Plugged());
    if (!present) {
        events_.push_back("open " + name + " failed");
        return false;
    }
    events_.push_back("open " + name);
    open_ = com;
    rx_.clear();
    if (auto* unit = LiveUnit()) unit->PortOpened(NowUs());
    return true;
}

void SimPorts::Close() {
    if (open_ < 0) return;
    if (auto* unit = ports_[open_].unit.get()) unit->PortClosed(NowUs());
    events_.push_back("close " + ComName(open_));
    open_ = -1;
    rx_.clear();
}

void SimPorts::SetBreak(bool on) {
    if (open_ < 0) return;
    events_.push_back(on ? "break on" : "break off");
    if (auto* unit = LiveUnit()) unit->SetBreak(on, NowUs());
}

void SimPorts::Pull() {
    auto* unit = LiveUnit();
    if (!unit) {
        // An unplugged unit takes its line with it: nothing more arrives, nothing stays readable.
        if (open_ >= 0 && ports_[open_].kind == Kind::Unit) rx_.clear();
        return;
    }
    for (auto b : unit->TakeDue(NowUs())) {
        if (static_cast<int>(rx_.size()) < kReceiveQueueBytes) rx_.push_back(b);
    }
}

int SimPorts::BytesWaiting() {
    Pull();
    return static_cast<int>(rx_.size());
}

int SimPorts::Read(std::uint8_t* dst, int count) {
    if (dst == nullptr || count <= 0) return 0;
    Pull();
    const int n = std::min(count, static_cast<int>(rx_.size()));
    for (int i = 0; i < n; ++i) {
        dst[i] = rx_.front();
        rx_.pop_front();
    }
    return n;
}

int SimPorts::Write(const std::uint8_t* src, int count) {
    if (open_ < 0 || src == nullptr || count <= 0) return 0;
    if (ports_[open_].kind == Kind::Silent) return count;
    auto* unit = LiveUnit();
    if (!unit) return 0;
    unit->Receive(src, count, NowUs());
    return count;
}

}  // namespace vostrel::sim
