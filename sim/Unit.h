#pragma once
// The simulated programmer unit's protocol engine: banner, packet framing, replies, the chip in its
// socket, a checker that flags what would harm or mislead a real chip, a timing model and faults on
// demand. It knows nothing of its transport; SimPorts (in-process, on a virtual clock) and the
// vostrel-unit daemon (pseudo-terminal, real time) both drive it through the same calls.
//
// Contract for a transport:
//  - Times are microseconds on one monotonic scale of the transport's choosing (SimPorts uses the
//    virtual clock x 1000). Pass non-decreasing times.
//  - Call PortOpened when the host opens the port and PortClosed when it closes it.
//  - Break transport only: call SetBreak(on, t) for every BREAK edge. The banner goes out when the
//    second of two pulses with no byte between them ends (the host's discovery; a single pulse
//    before a packet is attention); every BREAK also drops a half-received packet.
//    Pty transport: there is no BREAK; the banner goes out at PortOpened and packets are framed by
//    their length byte alone (a half packet idle for 100 ms is dropped, so a stray byte cannot
//    desynchronise the link for good).
//  - Call Receive with the bytes the host wrote, stamped with the time they were written.
//  - Output: every byte the unit sends carries the time by which it has fully arrived at the host
//    (wire time at 115200 baud, 10 bits a byte, after the pulse and erase times of its packet).
//    TakeDue(t) hands over the bytes that have arrived by t; NextDueUs() says when the next one
//    will; TakeAll() hands over everything with its time (a daemon that paces its own writes).
//    With the timing model off every byte is due at once.
//  - Plugged() turns false when an unplug fault fires: the transport then makes the port vanish
//    (the in-process port fails opens; the daemon removes its port-map link) until Replug().
//  This object owns the chip in its socket; SimPorts owns its units.

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "sim/Chip.h"

namespace vostrel::sim {

inline constexpr int kBaud = 115200;
inline constexpr int kBitsPerByte = 10;  // start, 8 data, stop
// Microseconds that count bytes take on the line, rounded up.
std::int64_t WireUs(std::int64_t count);

inline constexpr const char* kBannerText = "\r\nVostrel_V1.0 GAL programmer ready\r\n";

enum class Transport { Break, Pty };
enum class BannerFault { None, Silent, OneByte, ZerosInside };
enum class ReplyFault {
    None,
    Silent,          // no reply, and the packet is not carried out (the unit hangs)
    Unplug,          // the unit drops off the line before carrying the packet out
    WrongEcho,       // the last reply byte is not the command byte
    ShortReply,      // half the data, with a count that says so
    TruncatedReply,  // only the first two reply bytes
    OversizedReply,  // 1200 data bytes, arriving in one piece
};
// Names used by the control channel: "silent", "unplug", "wrong-echo", "short", "truncated",
// "oversized"; "none". Answers false for an unknown name.
bool ReplyFaultFromName(const std::string& name, ReplyFault& fault);
bool BannerFaultFromName(const std::string& name, BannerFault& fault);  // "normal", "silent", "one-byte", "zeros"

struct SentByte {
    std::uint8_t value;
    std::int64_t atUs;  // when it has fully arrived at the host
};

// What the packets handled so far cost physically: the limit below which no host can go.
struct PhysicalTime {
    std::int64_t wireToUnitUs = 0;
    std::int64_t wireToHostUs = 0;
    std::int64_t pulseUs = 0;
    std::int64_t eraseUs = 0;
    std::int64_t TotalUs() const { return wireToUnitUs + wireToHostUs + pulseUs + eraseUs; }
};

struct Finding {
    int packet;        // index into Transcript(), -1 for one not tied to a packet
    std::string text;
};

class Unit {
public:
    explicit Unit(Transport transport = Transport::Break);
    ~Unit();
    Unit(const Unit&) = delete;
    Unit& operator=(const Unit&) = delete;

    Transport GetTransport() const { return transport_; }

    // --- transport side ---
    void PortOpened(std::int64_t nowUs);
    void PortClosed(std::int64_t nowUs);
    void SetBreak(bool on, std::int64_t nowUs);
    void Receive(const std::uint8_t* bytes, int count, std::int64_t nowUs);
    std::vector<std::uint8_t> TakeDue(std::int64_t nowUs);
    std::vector<SentByte> TakeAll();
    std::int64_t NextDueUs() const;  // -1 when nothing is pending

    // --- socket ---
    // Puts a chip in the socket (replacing any) and answers the one taken out, if any.
    std::unique_ptr<Chip> Insert(std::unique_ptr<Chip> chip);
    std::unique_ptr<Chip> Remove();
    Chip* Socket() { return chip_.get(); }
    const Chip* Socket() const { return chip_.get(); }
    bool SocketPowered() const { return power_ != Power::Off; }

    // --- plugging ---
    void Unplug();
    void Replug();
    bool Plugged() const { return plugged_; }

    // --- faults ---
    void SetBannerFault(BannerFault fault) { bannerFault_ = fault; }
    // Answers goodPackets more packets normally, then gives the next `times` packets the fault
    // (times < 0: every packet from then on). Replaces an earlier plan.
    void FailAfter(int goodPackets, ReplyFault fault, int times = -1);
    void ClearFaults();

    // --- checker ---
    // Every packet as received, in order.
    const std::vector<std::vector<std::uint8_t>>& Transcript() const { return transcript_; }
    const std::vector<Finding>& Findings() const { return findings_; }
    std::vector<std::string> FindingTexts() const;
    // The host's command sequence ends here: flags a socket left powered.
    void NoteSequenceEnd();
    void ClearTranscript() { transcript_.clear(); }
    void ClearFindings() { findings_.clear(); }

    // --- timing ---
    void SetTimingModel(bool on) { timing_ = on; }
    bool TimingModel() const { return timing_; }
    const PhysicalTime& Physical() const { return physical_; }
    void ResetPhysical() { physical_ = {}; }

private:
    enum class Power { Off, Read, Program };

    void Frame(std::uint8_t byte, std::int64_t arrivedUs);
    void Handle(const std::vector<std::uint8_t>& packet, std::int64_t completeUs);
    void Execute(const std::vector<std::uint8_t>& packet, std::vector<std::uint8_t>& data,
                 std::uint8_t& status, std::int64_t& busyUs);
    void HandlePowerUp(const std::vector<std::uint8_t>& p, std::vector<std::uint8_t>& data);
    void HandleRead(const std::vector<std::uint8_t>& p, std::vector<std::uint8_t>& data, std::uint8_t& status);
    void HandleWrite(const std::vector<std::uint8_t>& p, std::uint8_t& status, std::int64_t& busyUs);
    void Send(const std::vector<std::uint8_t>& bytes, std::int64_t startUs, bool burst = false);
    void SendBanner(std::int64_t nowUs);
    void Flag(const std::string& text);
    void ResetLine();

    Transport transport_;
    bool plugged_ = true;
    bool portOpen_ = false;
    int breaksSinceOpen_ = 0;
    bool breakOn_ = false;
    std::vector<std::uint8_t> partial_;
    std::int64_t lastByteUs_ = 0;
    std::int64_t inboundFreeUs_ = 0;   // when the host-to-unit line is free again
    std::int64_t outboundFreeUs_ = 0;  // when the unit-to-host line is free again
    std::deque<SentByte> out_;

    std::unique_ptr<Chip> chip_;
    Power power_ = Power::Off;
    std::uint8_t poweredCode_ = 0;

    BannerFault bannerFault_ = BannerFault::None;
    ReplyFault fault_ = ReplyFault::None;
    int faultGoodLeft_ = 0;
    int faultTimesLeft_ = 0;

    std::vector<std::vector<std::uint8_t>> transcript_;
    std::vector<Finding> findings_;
    bool timing_ = true;
    PhysicalTime physical_;
};

}  // namespace vostrel::sim
