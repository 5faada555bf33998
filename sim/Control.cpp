#include "sim/Control.h"

#include <sstream>

#include "sim/SimJedec.h"

namespace vostrel::sim {
namespace {

std::string Error(const std::string& text) { return "error: " + text; }

std::string Trim(const std::string& s) {
    const auto b = s.find_first_not_of(" \t\r\n");
    if (b == std::string::npos) return {};
    const auto e = s.find_last_not_of(" \t\r\n");
    return s.substr(b, e - b + 1);
}

bool ParseCount(const std::string& word, int& value) {
    if (word.empty() || word.size() > 9) return false;
    int v = 0;
    std::size_t i = word[0] == '-' ? 1 : 0;
    if (i == word.size()) return false;
    for (; i < word.size(); ++i) {
        if (word[i] < '0' || word[i] > '9') return false;
        v = v * 10 + (word[i] - '0');
    }
    value = word[0] == '-' ? -v : v;
    return true;
}

std::string Insert(Unit& unit, const std::string& name, bool swap) {
    auto chip = MakeChip(name);
    if (!chip) return Error("unknown chip \"" + name + "\" (see: chips)");
    const std::string label = chip->Label();
    auto old = unit.Insert(std::move(chip));
    if (swap && old) return "swapped " + old->Label() + " for " + label;
    return "inserted " + label;
}

std::string Status(const Unit& unit) {
    std::ostringstream out;
    out << "socket: " << (unit.Socket() ? unit.Socket()->Label() : "empty")
        << "; powered: " << (unit.SocketPowered() ? "yes" : "no")
        << "; plugged: " << (unit.Plugged() ? "yes" : "no");
    if (unit.Socket())
        out << "; secured: " << (unit.Socket()->Secured() ? "yes" : "no");
    out << "; packets: " << unit.Transcript().size() << "; findings: " << unit.Findings().size()
        << "; timing: " << (unit.TimingModel() ? "on" : "off");
    return out.str();
}

std::string Physical(const Unit& unit) {
    const auto& t = unit.Physical();
    std::ostringstream out;
    out << "wire to unit " << t.wireToUnitUs << " us; wire to host " << t.wireToHostUs << " us; pulses "
        << t.pulseUs << " us; erases " << t.eraseUs << " us; total " << t.TotalUs() << " us";
    return out.str();
}

std::string Transcript(const Unit& unit) {
    std::ostringstream out;
    for (const auto& packet : unit.Transcript()) {
        for (std::size_t i = 0; i < packet.size(); ++i) out << (i ? " " : "") << int(packet[i]);
        out << "\n";
    }
    return out.str();
}

}  // namespace

std::string LoadChip(Chip& chip, const std::string& path) {
    JedecData data;
    std::string error;
    if (!ReadJedecFile(path, data, error)) return error;
    const int count = static_cast<int>(data.fuses.size());
    const int full = chip.JedecFuseCount();
    const int plain = chip.Geometry().fuseCount;
    if (count != full && count != plain)
        return path + " holds " + std::to_string(count) + " fuses, the " + chip.Label() + " " +
               std::to_string(full);
    chip.SetFuses(data.fuses);
    if (data.secured) chip.SetSecured();
    return {};
}

std::string DumpChip(const Chip& chip, const std::string& path) {
    JedecData data;
    data.fuses = chip.Fuses();
    data.secured = chip.Secured();
    std::string error;
    if (!WriteJedecFile(path, data, chip.Label(), chip.Geometry().pinCount, error)) return error;
    return {};
}

std::string RunControl(Unit& unit, const std::string& command, const std::string& rawArgument) {
    const std::string argument = Trim(rawArgument);
    std::istringstream words(argument);
    std::vector<std::string> args;
    for (std::string w; words >> w;) args.push_back(w);

    if (command == "chips") {
        std::string list;
        for (const auto& name : ChipNames()) list += (list.empty() ? "" : " ") + name;
        return list;
    }
    if (command == "insert" || command == "swap") {
        if (args.size() != 1) return Error(command + " needs a chip name");
        return Insert(unit, args[0], command == "swap");
    }
    if (command == "remove") {
        auto old = unit.Remove();
        return old ? "removed " + old->Label() : "socket already empty";
    }
    if (command == "load" || command == "dump") {
        if (argument.empty()) return Error(command + " needs a file path");
        if (!unit.Socket()) return Error("no chip in the socket");
        const std::string problem = command == "load" ? LoadChip(*unit.Socket(), argument)
                                                      : DumpChip(*unit.Socket(), argument);
        if (!problem.empty()) return Error(problem);
        return (command == "load" ? "loaded " : "dumped ") + unit.Socket()->Label();
    }
    if (command == "status") return Status(unit);
    if (command == "fault") {
        // fault NAME [AFTER [TIMES]]: answer AFTER packets, then fail TIMES of them (default: all).
        ReplyFault fault;
        int after = 0, times = -1;
        if (args.empty() || args.size() > 3 || !ReplyFaultFromName(args[0], fault) ||
            (args.size() > 1 && (!ParseCount(args[1], after) || after < 0)) ||
            (args.size() > 2 && !ParseCount(args[2], times)))
            return Error("fault NAME [AFTER [TIMES]], NAME one of silent, unplug, wrong-echo, short, truncated, "
                         "oversized, none");
        unit.FailAfter(after, fault, times);
        return "fault " + args[0] + " after " + std::to_string(after) + " packets";
    }
    if (command == "banner") {
        BannerFault fault;
        if (args.size() != 1 || !BannerFaultFromName(args[0], fault))
            return Error("banner normal|silent|one-byte|zeros");
        unit.SetBannerFault(fault);
        return "banner " + args[0];
    }
    if (command == "clear-faults") {
        unit.ClearFaults();
        return "faults cleared";
    }
    if (command == "findings") {
        std::string text;
        for (const auto& f : unit.FindingTexts()) text += f + "\n";
        return text.empty() ? "no findings" : text;
    }
    if (command == "transcript") return Transcript(unit);
    if (command == "end") {
        unit.NoteSequenceEnd();
        return unit.SocketPowered() ? "socket still powered" : "socket off";
    }
    if (command == "reset-log") {
        unit.ClearTranscript();
        unit.ClearFindings();
        unit.ResetPhysical();
        return "transcript, findings and physical time cleared";
    }
    if (command == "timing") {
        if (args.size() != 1 || (args[0] != "on" && args[0] != "off")) return Error("timing on|off");
        unit.SetTimingModel(args[0] == "on");
        return "timing " + args[0];
    }
    if (command == "physical") return Physical(unit);
    if (command == "unplug") {
        unit.Unplug();
        return "unplugged";
    }
    if (command == "replug") {
        unit.Replug();
        return "replugged";
    }
    return Error("unknown command \"" + command + "\"");
}

std::string ControlHelp() {
    return "chips                       the chips the unit can hold\n"
           "insert NAME | swap NAME     put a fresh (erased) chip in the socket\n"
           "remove                      empty the socket\n"
           "load PATH | dump PATH       the chip in the socket from or to a JEDEC file\n"
           "status                      socket, power, plug, counters\n"
           "fault NAME [AFTER [TIMES]]  silent, unplug, wrong-echo, short, truncated, oversized, none\n"
           "banner KIND                 normal, silent, one-byte, zeros\n"
           "clear-faults                back to a healthy unit\n"
           "findings | transcript       what the protocol checker saw\n"
           "end                         the host's command ended: flag a socket left powered\n"
           "reset-log                   clear transcript, findings and physical time\n"
           "timing on|off               reply after wire, pulse and erase times, or at once\n"
           "physical                    physical time of the packets so far\n"
           "unplug | replug             the unit leaves the line or comes back\n";
}

}  // namespace vostrel::sim
