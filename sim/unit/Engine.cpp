#include "sim/unit/Engine.h"

#include <cstdint>
#include <vector>

#include "sim/Control.h"

namespace vostrel::unit {

namespace {

// What a GAL16V8 holds when the unit starts without being told: a small combinational design, so
// that a first Read shows a real pattern and Verify against an empty file fails as it should.
// Complex mode, every output enabled by its first product term; the output at pin 19 is the AND
// of two array inputs, the other outputs stay disabled. Erased (unused) fuses read 1.
std::vector<std::uint8_t> SmallGal16V8Design() {
    constexpr int kColumns = 32;
    std::vector<std::uint8_t> fuses(2194, 0);  // every product term holds x AND /x: false
    auto term = [&](int row) { return fuses.begin() + row * kColumns; };
    std::fill(term(0), term(1), 1);  // pin 19's enable term: no input, always true
    std::fill(term(1), term(2), 1);
    *(term(1) + 0) = 0;  // pin 19 = column 0 AND column 2
    *(term(1) + 2) = 0;
    fuses[2048] = 1;  // XOR of pin 19: active high
    const char ues[8] = {'V', 'O', 'S', 'T', 'R', 'E', 'L', '1'};
    for (int byte = 0; byte < 8; ++byte)
        for (int bit = 0; bit < 8; ++bit) fuses[2056 + byte * 8 + bit] = (ues[byte] >> (7 - bit)) & 1;
    std::fill(fuses.begin() + 2120, fuses.begin() + 2128, 1);  // AC1: outputs enabled by a product term
    std::fill(fuses.begin() + 2128, fuses.begin() + 2192, 1);  // every product term enabled
    fuses[2192] = 1;  // SYN
    fuses[2193] = 1;  // AC0
    return fuses;
}

bool Refused(const std::string& answer, std::string* error) {
    if (answer.rfind("error: ", 0) != 0) return false;
    *error = answer.substr(7);
    return true;
}

}  // namespace

std::string SocketText(const sim::Unit& unit) {
    return unit.Socket() != nullptr ? unit.Socket()->Label() : "empty socket";
}

std::unique_ptr<sim::Unit> MakeUnit(const Options& options, std::string* error) {
    auto unit = std::make_unique<sim::Unit>(sim::Transport::Pty);
    unit->SetTimingModel(options.timing);

    const std::string chip = options.chip.empty() ? "GAL16V8" : options.chip;
    if (chip != "none") {
        auto made = sim::MakeChip(chip);
        if (!made) {
            std::string names;
            for (const auto& name : sim::ChipNames()) names += " " + name;
            *error = "unknown chip \"" + chip + "\"; one of:" + names + ", or none";
            return nullptr;
        }
        if (options.chip.empty() && options.loadPath.empty()) made->SetFuses(SmallGal16V8Design());
        unit->Insert(std::move(made));
    }
    if (!options.loadPath.empty()) {
        if (unit->Socket() == nullptr) {
            *error = "--load needs a chip in the socket (--chip none leaves it empty)";
            return nullptr;
        }
        if (const std::string problem = sim::LoadChip(*unit->Socket(), options.loadPath); !problem.empty()) {
            *error = problem;
            return nullptr;
        }
    }
    for (const auto& fault : options.faults)
        if (Refused(sim::RunControl(*unit, "fault", fault), error)) return nullptr;
    if (!options.banner.empty() && Refused(sim::RunControl(*unit, "banner", options.banner), error)) return nullptr;
    return unit;
}

}  // namespace vostrel::unit
