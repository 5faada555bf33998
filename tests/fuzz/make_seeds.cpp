// Writes the seed corpus of the fuzz targets whose input is a conversation: the replies a healthy
// simulated unit gives to each chip operation (fuzz_transact) and the packets a healthy host sends it
// (fuzz_unit_receive). Seeds that start where the protocol works let the fuzzer spend its time on
// what lies behind the length and echo checks. Run: make_seeds <corpus dir>.

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/RunState.h"
#include "device/DeviceTable.h"
#include "device/Identification.h"
#include "programmer/DeviceOperations.h"
#include "sim/Chip.h"
#include "sim/SimPorts.h"
#include "sim/VirtualClock.h"
#include "support/RecordingWindow.h"
#include "FuzzOperations.h"

namespace {

using namespace vostrel;
using Bytes = std::vector<std::uint8_t>;

// Passes everything to the in-process ports and notes the bytes read after each packet.
class RecordingPort : public SerialPort {
public:
    explicit RecordingPort(SerialPort& inner) : inner_(inner) {}
    bool Open(const std::string& name) override { return inner_.Open(name); }
    bool IsOpen() const override { return inner_.IsOpen(); }
    void Close() override { inner_.Close(); }
    void SetBreak(bool on) override { inner_.SetBreak(on); }
    int BytesWaiting() override { return inner_.BytesWaiting(); }
    int Read(std::uint8_t* dst, int count) override {
        const int n = inner_.Read(dst, count);
        if (!replies.empty()) replies.back().insert(replies.back().end(), dst, dst + n);
        return n;
    }
    int Write(const std::uint8_t* src, int count) override {
        replies.emplace_back();
        return inner_.Write(src, count);
    }
    std::vector<Bytes> replies;

private:
    SerialPort& inner_;
};

void Save(const std::filesystem::path& file, const Bytes& bytes) {
    std::ofstream(file, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                static_cast<std::streamsize>(bytes.size()));
}

void Seeds(const std::filesystem::path& dir, const std::string& chip, DeviceCode code) {
    const auto codes = DeviceCodes();
    std::uint8_t codeIndex = 0;
    for (std::size_t i = 0; i < codes.size(); ++i)
        if (codes[i] == code) codeIndex = static_cast<std::uint8_t>(i);

    for (int operation = 0; operation < fuzz::kOperationCount; ++operation) {
        sim::VirtualClock clock;
        sim::SimPorts ports(clock);
        sim::Unit& unit = ports.AttachUnit(0);
        unit.SetTimingModel(false);
        unit.Insert(sim::MakeChip(chip));
        RecordingPort port(ports);
        test::RecordingWindow window;
        RunState state(window, port, clock);
        port.Open("COM0");
        fuzz::LoadWorkingData(state, window, code);
        unit.ClearTranscript();

        fuzz::RunOperation(state, operation);

        Bytes transact{static_cast<std::uint8_t>(operation), codeIndex};
        for (const Bytes& reply : port.replies) {
            const std::size_t n = std::min<std::size_t>(reply.size(), 1023);
            transact.push_back(static_cast<std::uint8_t>(n & 0xFF));
            transact.push_back(static_cast<std::uint8_t>(n >> 8));
            transact.insert(transact.end(), reply.begin(), reply.begin() + static_cast<std::ptrdiff_t>(n));
        }
        Save(dir / "transact" / (chip + "-op" + std::to_string(operation)), transact);

        // The same packets as the unit received them: a pulse, the packet, the reply taken.
        const auto names = sim::ChipNames();
        std::uint8_t chipIndex = 0;
        for (std::size_t i = 0; i < names.size(); ++i)
            if (names[i] == chip) chipIndex = static_cast<std::uint8_t>(i);
        Bytes receive{0, chipIndex};
        for (const Bytes& packet : unit.Transcript()) {
            if (packet.size() > 255) continue;
            receive.push_back(0x13);  // break on, 250 us later
            receive.push_back(0x14);  // break off
            receive.push_back(0x10);  // receive
            receive.push_back(static_cast<std::uint8_t>(packet.size()));
            receive.insert(receive.end(), packet.begin(), packet.end());
            receive.push_back(0xF5);  // take what is due 3.75 ms later
        }
        Save(dir / "unit_receive" / (chip + "-op" + std::to_string(operation)), receive);
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_seeds <corpus dir>\n");
        return 2;
    }
    const std::filesystem::path dir = argv[1];
    std::filesystem::create_directories(dir / "transact");
    std::filesystem::create_directories(dir / "unit_receive");
    Seeds(dir, "GAL16V8", 0);
    Seeds(dir, "GAL22V10", 72);
    Seeds(dir, "GAL6001", 64);
    Seeds(dir, "ATF22V10C", 132);
    return 0;
}
