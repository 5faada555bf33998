#include "sim/Unit.h"

#include <algorithm>
#include <cstdio>

namespace vostrel::sim {
namespace {

constexpr std::int64_t kResyncIdleUs = 100000;  // pty: a half packet this stale is noise
constexpr int kStatusOk = 0;
constexpr int kStatusRefused = 1;  // the trailer byte the host does not examine
constexpr int kOversizedData = 1200;
constexpr std::uint8_t kPatternMark = 128;  // byte 8 of a GAL6001 line write

std::string Num(int v) { return std::to_string(v); }

std::string Volts(double v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.2f V", v);
    return buf;
}

std::string Address(std::uint8_t parallel, std::uint8_t serial) {
    return "row " + Num(parallel) + "/" + Num(serial);
}

}  // namespace

std::int64_t WireUs(std::int64_t count) {
    const std::int64_t bits = count * kBitsPerByte * 1000000;
    return (bits + kBaud - 1) / kBaud;
}

bool ReplyFaultFromName(const std::string& name, ReplyFault& fault) {
    static const std::pair<const char*, ReplyFault> names[] = {
        {"none", ReplyFault::None},         {"silent", ReplyFault::Silent},
        {"unplug", ReplyFault::Unplug},     {"wrong-echo", ReplyFault::WrongEcho},
        {"short", ReplyFault::ShortReply},  {"truncated", ReplyFault::TruncatedReply},
        {"oversized", ReplyFault::OversizedReply},
    };
    for (const auto& [n, f] : names) {
        if (name == n) {
            fault = f;
            return true;
        }
    }
    return false;
}

bool BannerFaultFromName(const std::string& name, BannerFault& fault) {
    static const std::pair<const char*, BannerFault> names[] = {
        {"normal", BannerFault::None}, {"silent", BannerFault::Silent},
        {"one-byte", BannerFault::OneByte}, {"zeros", BannerFault::ZerosInside},
    };
    for (const auto& [n, f] : names) {
        if (name == n) {
            fault = f;
            return true;
        }
    }
    return false;
}

Unit::Unit(Transport transport) : transport_(transport) {}
Unit::~Unit() = default;

// --- transport side ---------------------------------------------------------------------------

void Unit::ResetLine() {
    partial_.clear();
    out_.clear();
    breaksSinceOpen_ = 0;
    breakOn_ = false;
}

void Unit::PortOpened(std::int64_t nowUs) {
    if (!plugged_) return;
    portOpen_ = true;
    ResetLine();
    inboundFreeUs_ = outboundFreeUs_ = nowUs;
    if (transport_ == Transport::Pty) SendBanner(nowUs);
}

void Unit::PortClosed(std::int64_t) {
    portOpen_ = false;
    ResetLine();  // bytes still on their way are lost with the line
}

void Unit::SetBreak(bool on, std::int64_t nowUs) {
    if (!plugged_) return;
    // Every BREAK is attention: whatever half packet came before it is void.
    partial_.clear();
    if (on) {
        breakOn_ = true;
        return;
    }
    if (!breakOn_) return;
    breakOn_ = false;
    if (transport_ == Transport::Break && ++breaksSinceOpen_ == 2) {
        breaksSinceOpen_ = 0;
        SendBanner(nowUs);
    }
}

void Unit::SendBanner(std::int64_t nowUs) {
    // The banner marks a fresh session: the unit starts it with the socket off.
    power_ = Power::Off;
    const std::string text = kBannerText;
    std::vector<std::uint8_t> bytes;
    switch (bannerFault_) {
        case BannerFault::Silent: return;
        case BannerFault::OneByte: bytes.push_back(static_cast<std::uint8_t>(text[2])); break;
        case BannerFault::ZerosInside:
            bytes.push_back(0);
            for (char c : text) {
                bytes.push_back(static_cast<std::uint8_t>(c));
                bytes.push_back(0);
            }
            break;
        case BannerFault::None: bytes.assign(text.begin(), text.end()); break;
    }
    const auto saved = physical_;
    Send(bytes, nowUs);
    physical_ = saved;  // the banner is not part of any operation's cost
}

void Unit::Receive(const std::uint8_t* bytes, int count, std::int64_t nowUs) {
    if (!plugged_ || bytes == nullptr || count <= 0) return;
    // Discovery is two pulses with nothing between them; a packet after a pulse makes it attention.
    breaksSinceOpen_ = 0;
    physical_.wireToUnitUs += WireUs(count);
    const std::int64_t start = std::max(nowUs, inboundFreeUs_);
    for (int i = 0; i < count; ++i) Frame(bytes[i], timing_ ? start + WireUs(i + 1) : nowUs);
    inboundFreeUs_ = timing_ ? start + WireUs(count) : nowUs;
}

void Unit::Frame(std::uint8_t byte, std::int64_t arrivedUs) {
    if (!plugged_) return;  // an unplug fault fired inside this burst
    if (transport_ == Transport::Pty && !partial_.empty() && arrivedUs - lastByteUs_ > kResyncIdleUs) {
        partial_.clear();
    }
    lastByteUs_ = arrivedUs;
    partial_.push_back(byte);
    if (partial_.size() < 2) return;
    const std::size_t length = std::max<std::size_t>(partial_[1], 2);
    if (partial_.size() < length) return;
    std::vector<std::uint8_t> packet;
    packet.swap(partial_);
    Handle(packet, arrivedUs);
}

std::vector<std::uint8_t> Unit::TakeDue(std::int64_t nowUs) {
    std::vector<std::uint8_t> due;
    while (!out_.empty() && out_.front().atUs <= nowUs) {
        due.push_back(out_.front().value);
        out_.pop_front();
    }
    return due;
}

std::vector<SentByte> Unit::TakeAll() {
    std::vector<SentByte> all(out_.begin(), out_.end());
    out_.clear();
    return all;
}

std::int64_t Unit::NextDueUs() const { return out_.empty() ? -1 : out_.front().atUs; }

void Unit::Send(const std::vector<std::uint8_t>& bytes, std::int64_t startUs, bool burst) {
    physical_.wireToHostUs += WireUs(static_cast<std::int64_t>(bytes.size()));
    if (!timing_) {
        for (auto b : bytes) out_.push_back({b, startUs});
        return;
    }
    const std::int64_t start = std::max(startUs, outboundFreeUs_);
    const std::int64_t end = start + WireUs(static_cast<std::int64_t>(bytes.size()));
    for (std::size_t i = 0; i < bytes.size(); ++i)
        out_.push_back({bytes[i], burst ? end : start + WireUs(static_cast<std::int64_t>(i) + 1)});
    outboundFreeUs_ = start + WireUs(static_cast<std::int64_t>(bytes.size()));
}

// --- socket, plugging, faults ----------------------------------------------------------------

std::unique_ptr<Chip> Unit::Insert(std::unique_ptr<Chip> chip) {
    auto old = std::move(chip_);
    chip_ = std::move(chip);
    return old;
}

std::unique_ptr<Chip> Unit::Remove() { return std::move(chip_); }

void Unit::Unplug() {
    plugged_ = false;
    portOpen_ = false;
    power_ = Power::Off;  // the unit's supplies die with its cable
    ResetLine();
}

void Unit::Replug() { plugged_ = true; }

void Unit::FailAfter(int goodPackets, ReplyFault fault, int times) {
    fault_ = fault;
    faultGoodLeft_ = std::max(goodPackets, 0);
    faultTimesLeft_ = times;
}

void Unit::ClearFaults() {
    fault_ = ReplyFault::None;
    faultTimesLeft_ = 0;
    bannerFault_ = BannerFault::None;
}

// --- checker ---------------------------------------------------------------------------------

void Unit::Flag(const std::string& text) {
    findings_.push_back({static_cast<int>(transcript_.size()) - 1, text});
}

std::vector<std::string> Unit::FindingTexts() const {
    std::vector<std::string> texts;
    for (const auto& f : findings_)
        texts.push_back(f.packet >= 0 ? "packet " + Num(f.packet) + ": " + f.text : f.text);
    return texts;
}

void Unit::NoteSequenceEnd() {
    if (SocketPowered()) Flag("the command sequence ended with the socket powered");
}

// --- packets ---------------------------------------------------------------------------------

void Unit::Handle(const std::vector<std::uint8_t>& packet, std::int64_t completeUs) {
    transcript_.push_back(packet);

    ReplyFault fault = ReplyFault::None;
    if (fault_ != ReplyFault::None) {
        if (faultGoodLeft_ > 0) {
            --faultGoodLeft_;
        } else if (faultTimesLeft_ != 0) {
            fault = fault_;
            if (faultTimesLeft_ > 0) --faultTimesLeft_;
        }
    }
    if (fault == ReplyFault::Silent) return;
    if (fault == ReplyFault::Unplug) {
        Unplug();
        return;
    }

    std::vector<std::uint8_t> data;
    std::uint8_t status = kStatusOk;
    std::int64_t busyUs = 0;
    Execute(packet, data, status, busyUs);

    if (fault == ReplyFault::ShortReply) data.resize(data.size() / 2);
    if (fault == ReplyFault::OversizedReply) data.resize(kOversizedData, 0);
    std::vector<std::uint8_t> reply = data;
    reply.push_back(static_cast<std::uint8_t>(data.size() & 0xFF));
    reply.push_back(static_cast<std::uint8_t>((data.size() >> 8) & 0xFF));
    reply.push_back(status);
    reply.push_back(fault == ReplyFault::WrongEcho ? static_cast<std::uint8_t>(packet[0] ^ 0xFF) : packet[0]);
    if (fault == ReplyFault::TruncatedReply) reply.resize(2);
    // An oversized reply lands in one piece, as a USB adapter hands over a full buffer, so the host
    // meets it whole rather than stopping at its first 20 bytes.
    Send(reply, completeUs + (timing_ ? busyUs : 0), fault == ReplyFault::OversizedReply);
}

void Unit::Execute(const std::vector<std::uint8_t>& p, std::vector<std::uint8_t>& data, std::uint8_t& status,
                   std::int64_t& busyUs) {
    data.assign(16, 0);
    const int length = p[1];
    if (length != static_cast<int>(p.size())) Flag("length byte " + Num(length) + " cannot frame a packet");
    switch (p[0]) {
        case 1:
            if (length < 6 || length > 8) Flag("PowerUp of length " + Num(length) + ", not 6, 7 or 8");
            HandlePowerUp(p, data);
            return;
        case 2:
            if (length != 2) Flag("PowerOff of length " + Num(length) + ", not 2");
            power_ = Power::Off;
            return;
        case 3:
            if (length != 2) Flag("Identify of length " + Num(length) + ", not 2");
            if (chip_ && power_ != Power::Off && poweredCode_ == chip_->Spec().probeCode) {
                data[0] = chip_->Spec().detection;
                data[1] = chip_->Spec().subCode;
            }
            return;
        case 5:
            HandleRead(p, data, status);
            return;
        case 7:
            HandleWrite(p, status, busyUs);
            return;
        default:
            Flag("unknown command " + Num(p[0]));
            status = kStatusRefused;
            return;
    }
}

void Unit::HandlePowerUp(const std::vector<std::uint8_t>& p, std::vector<std::uint8_t>& data) {
    auto at = [&](std::size_t i) -> std::uint8_t { return i < p.size() ? p[i] : 0; };
    // The program form says so in byte 6; the short form exists only to set a feature cell and
    // carries the programming supply, so it counts as program power too.
    const bool program = (p.size() == 8 && at(6) == 1) || p.size() == 6;
    power_ = program ? Power::Program : Power::Read;
    poweredCode_ = at(4);
    if (!chip_) return;
    const double vcc = at(2) * 0.027929688;
    if (vcc < 4.5 || vcc > 5.5)
        Flag("VCC setting " + Num(at(2)) + " (" + Volts(vcc) + ") outside 4.50 .. 5.50 V for the " + chip_->Label());
    const double vpp = (4045.0 - at(3) * 7.15) / 210.0;
    if (vpp > chip_->Spec().vppMaxVolts)
        Flag("VPP setting " + Num(at(3)) + " (" + Volts(vpp) + ") above the " + chip_->Label() + "'s " +
             Volts(chip_->Spec().vppMaxVolts));
    data[0] = chip_->Spec().pullUps;
}

void Unit::HandleRead(const std::vector<std::uint8_t>& p, std::vector<std::uint8_t>& data, std::uint8_t& status) {
    auto at = [&](std::size_t i) -> std::uint8_t { return i < p.size() ? p[i] : 0; };
    const int count = at(2);
    const bool pattern = p.size() > 8;
    if (p.size() != 8 && static_cast<int>(p.size()) != 10 + count)
        Flag("Read of length " + Num(static_cast<int>(p.size())) + " for " + Num(count) + " bits");
    data.assign(static_cast<std::size_t>(count), 0);
    if (power_ == Power::Off) {
        Flag("Read with the socket switched off");
        status = kStatusRefused;
        return;
    }
    if (!chip_) return;  // an empty socket drives nothing
    RowTarget target;
    if (pattern) {
        if (chip_->IsGal6001Layout()) target = {CellRow::Pattern, 0};
    } else {
        target = chip_->LocateRow(at(3), at(4));
    }
    if (target.row == CellRow::None) {
        Flag("Read of " + Address(at(3), at(4)) + (pattern ? " (line transfer)" : "") + ", which the " +
             chip_->Label() + " does not have");
        std::fill(data.begin(), data.end(), 1);
        status = kStatusRefused;
        return;
    }
    if (at(5) != chip_->Geometry().addressBits)
        Flag("Read with " + Num(at(5)) + " address bits, the " + chip_->Label() + " has " +
             Num(chip_->Geometry().addressBits));
    if (count != chip_->RowLength(target))
        Flag("Read of " + Num(count) + " bits from a row of " + Num(chip_->RowLength(target)));
    std::vector<std::uint8_t> select;
    if (pattern) select.assign(p.begin() + 10, p.end());
    data = chip_->ReadRow(target, count, at(6), select);
}

void Unit::HandleWrite(const std::vector<std::uint8_t>& p, std::uint8_t& status, std::int64_t& busyUs) {
    auto at = [&](std::size_t i) -> std::uint8_t { return i < p.size() ? p[i] : 0; };
    const int length = static_cast<int>(p.size());
    const bool oneByte = length == 11;
    const int count = at(2);
    if (!oneByte && length != 10 + count)
        Flag("Write of length " + Num(length) + " for " + Num(count) + " bits");
    const int pulseMs = at(7);

    if (power_ != Power::Program) {
        Flag(std::string("Write without program-form power (socket ") +
             (power_ == Power::Off ? "off" : "in the read form") + ")");
        status = kStatusRefused;
        return;
    }
    if (!chip_) return;
    const std::string& label = chip_->Label();
    if (chip_->Spec().pesNeedsVariant && at(6) != 1) {
        Flag("Write with variant flag " + Num(at(6)) + " to the " + label + ", which answers only to 1");
        status = kStatusRefused;
        return;
    }

    if (oneByte) {
        const Action action = chip_->LocateAction(at(3), at(4));
        if (action == Action::None) {
            Flag("Write request to " + Address(at(3), at(4)) + ", which the " + label + " does not have");
            status = kStatusRefused;
            return;
        }
        if (action == Action::Erase || action == Action::EraseAll) {
            const int eraseMs = at(7) + 256 * (at(8) & 3);
            physical_.eraseUs += eraseMs * 1000LL;
            busyUs += eraseMs * 1000LL;
            if (at(10) != chip_->ActionBit(action)) {
                Flag("erase request with data " + Num(at(10)) + ", the " + label + " needs " +
                     Num(chip_->ActionBit(action)));
                status = kStatusRefused;
                return;
            }
            if (eraseMs < chip_->Spec().eraseMs) {
                Flag("erase of " + Num(eraseMs) + " ms, the " + label + " needs " + Num(chip_->Spec().eraseMs) + " ms");
                status = kStatusRefused;
                return;
            }
            if (action == Action::Erase) chip_->Erase();
            else chip_->EraseAll();
            return;
        }
        physical_.pulseUs += pulseMs * 1000LL;
        busyUs += pulseMs * 1000LL;
        if (action == Action::Security) {
            if (at(10) != chip_->ActionBit(action)) {
                Flag("security request with data " + Num(at(10)) + ", the " + label + " needs " +
                     Num(chip_->ActionBit(action)));
                status = kStatusRefused;
                return;
            }
            chip_->SetSecured();
        } else if (chip_->Spec().hasPowerDown) {
            chip_->DisablePowerDown();
        }
        return;
    }

    RowTarget target;
    const bool pattern = at(8) == kPatternMark;
    if (pattern) {
        if (chip_->IsGal6001Layout()) target = {CellRow::Pattern, 0};
    } else {
        target = chip_->LocateRow(at(3), at(4));
    }
    if (target.row == CellRow::None) {
        Flag("Write of " + Address(at(3), at(4)) + (pattern ? " (line transfer)" : "") + ", which the " + label +
             " does not have");
        status = kStatusRefused;
        return;
    }
    if (at(5) != chip_->Geometry().addressBits)
        Flag("Write with " + Num(at(5)) + " address bits, the " + label + " has " +
             Num(chip_->Geometry().addressBits));
    if (count != chip_->RowLength(target))
        Flag("Write of " + Num(count) + " bits into a row of " + Num(chip_->RowLength(target)));
    if (pulseMs == 0) {
        Flag("Write with a pulse width of 0 ms");
        status = kStatusRefused;
        return;
    }
    std::vector<std::uint8_t> bits;
    for (int k = 0; k < count && 10 + k < length; ++k) bits.push_back(p[10 + k]);
    if (std::any_of(bits.begin(), bits.end(), [](std::uint8_t b) { return b > 1; }))
        Flag("Write data holds a byte other than 0 or 1");
    if (pattern && Chip::SelectedLines(bits).size() != 1)
        Flag("line transfer selecting " + Num(static_cast<int>(Chip::SelectedLines(bits).size())) +
             " lines instead of one");

    // A row span programs that many rows from the addressed one, one pulse each.
    int rows = 1;
    const int span = at(9);
    if (span > 0 && target.row == CellRow::Fuse) {
        const int available = chip_->IsGal6001Layout() ? 78 : chip_->Geometry().rowCount;
        rows = std::min(span, available - target.index);
        if (span > rows) Flag("row span " + Num(span) + " runs past the array");
    } else if (span > 0) {
        Flag("row span " + Num(span) + " on a row outside the array");
    }
    for (int r = 0; r < rows; ++r) {
        RowTarget t = target;
        t.index += r;
        chip_->WriteRow(t, bits, at(6));
    }
    physical_.pulseUs += static_cast<std::int64_t>(pulseMs) * 1000 * rows;
    busyUs += static_cast<std::int64_t>(pulseMs) * 1000 * rows;
}

}  // namespace vostrel::sim
