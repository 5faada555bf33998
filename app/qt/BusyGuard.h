#pragma once
// Commands never overlap and the window never closes under a running command. While the gate is
// held (a command runs, or the window is being serviced from inside one), command events and close
// requests are dropped on arrival: not run, not kept for later.

namespace vostrel::qt {

class BusyGate {
public:
    bool Busy() const { return depth_ > 0; }

private:
    friend class BusyGuard;
    int depth_ = 0;
};

// Holds the gate for its lifetime; nests.
class BusyGuard {
public:
    explicit BusyGuard(BusyGate& gate) : gate_(gate) { ++gate_.depth_; }
    ~BusyGuard() { --gate_.depth_; }
    BusyGuard(const BusyGuard&) = delete;
    BusyGuard& operator=(const BusyGuard&) = delete;

private:
    BusyGate& gate_;
};

}  // namespace vostrel::qt
