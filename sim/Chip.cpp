#include "sim/Chip.h"

#include <algorithm>
#include <cctype>

#include "device/DeviceTable.h"

namespace vostrel::sim {
namespace {

constexpr int kLines = 64;         // GAL6001 product-term lines
constexpr int kLineLength = 119;   // positions of a line transfer (rowBits + addressBits)
constexpr int kSelectFirst = 31;   // positions 31 .. 94 select the line, 0 = selected
constexpr int kColumns = 78;

bool IsLineData(int k) { return k < 20 || (k >= 103 && k < kLineLength); }

std::string Upper(std::string s) {
    for (auto& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

// A signature the way the part's maker writes it: byte 1's low bits say how the programming
// parameters are coded, byte 2 names the type, byte 3 the maker.
std::vector<std::uint8_t> MakerPes(std::uint8_t code, std::uint8_t coding, std::uint8_t maker) {
    return {0x10, coding, code, maker, 0, 0, 0, 0};
}

// Coded signature (coding 5): erase time, pulse width and both supplies live in bytes 4 to 6.
std::vector<std::uint8_t> CodedPes(std::uint8_t code, int erase, int pulse, int vpp, int vread) {
    auto pes = MakerPes(code, 5, 161);
    pes[4] = static_cast<std::uint8_t>(((erase & 7) << 2) | ((pulse & 7) << 5));
    pes[5] = static_cast<std::uint8_t>(((pulse >> 3) & 1) | ((vpp & 31) << 1) | ((vread & 3) << 6));
    pes[6] = static_cast<std::uint8_t>((vread >> 2) & 7);
    return pes;
}

// ATMEL parts spell their name backwards from the last signature byte, after one lead byte.
std::vector<std::uint8_t> AtmelPes(const std::string& spelled) {
    std::vector<std::uint8_t> pes{'A'};
    for (auto it = spelled.rbegin(); it != spelled.rend(); ++it) pes.push_back(static_cast<std::uint8_t>(*it));
    return pes;
}

ChipSpec Spec(std::string label, DeviceCode type, std::uint8_t probe, std::uint8_t detection,
              std::uint8_t sub, std::uint8_t pullUps, std::vector<std::uint8_t> pes, float vppVolts,
              int eraseMs) {
    ChipSpec s;
    s.label = std::move(label);
    s.type = type;
    s.probeCode = probe;
    s.detection = detection;
    s.subCode = sub;
    s.pullUps = pullUps;
    s.pes = std::move(pes);
    s.vppMaxVolts = vppVolts + 0.3f;  // a setting step and the scale's rounding above the nominal
    s.eraseMs = eraseMs;
    return s;
}

// Detection codes are the shift length the unit measures on the probe of the chip's family; the
// 24-pin serial types without a probe of their own answer the GAL22V10 probe; ATMEL parts answer
// code 1 with a sub-code, except the ATF16V8C, which only its own probe finds.
// Columns: label, silicon, probe, detection, sub-code, pull-ups, PES, nominal VPP, erase ms.
std::vector<ChipSpec> BuildFactory() {
    std::vector<ChipSpec> t;
    t.push_back(Spec("GAL16V8", 0, 0, 64, 0, 1, MakerPes(0, 0, 161), 15.75f, 100));
    t.push_back(Spec("GAL16V8AZ", 26, 0, 64, 0, 1, CodedPes(26, 3, 3, 19, 14), 14.5f, 100));
    t.push_back(Spec("ATF16V8B", 128, 0, 1, 64, 2, AtmelPes("1F16V8B"), 12.0f, 100));
    t.push_back(Spec("ATF16V8C", 129, 129, 64, 0, 2, AtmelPes("1F16V8C"), 12.0f, 200));
    t.push_back(Spec("GAL20V8", 32, 32, 64, 0, 0, MakerPes(32, 3, 143), 15.0f, 100));
    t.push_back(Spec("GAL20V8AZ", 58, 32, 64, 0, 1, MakerPes(58, 1, 161), 15.75f, 100));
    t.push_back(Spec("ATF20V8", 130, 32, 1, 63, 2, AtmelPes("1F20V8B"), 12.0f, 100));
    t.push_back(Spec("GAL6001", 64, 64, 119, 0, 1, MakerPes(64, 0, 161), 15.75f, 50));
    t.push_back(Spec("GAL6001B", 65, 64, 119, 0, 1, MakerPes(65, 2, 161), 16.5f, 50));
    t.push_back(Spec("GAL6002B", 68, 64, 119, 0, 1, CodedPes(68, 2, 4, 20, 14), 15.0f, 50));
    t.push_back(Spec("GAL22V10", 72, 72, 138, 0, 1, MakerPes(72, 0, 161), 16.5f, 100));
    t.push_back(Spec("GAL22V10AZ", 73, 72, 138, 0, 0, MakerPes(73, 2, 143), 15.0f, 50));
    t.push_back(Spec("ATF22V10B", 131, 72, 1, 137, 2, AtmelPes("1F22V10B"), 12.0f, 100));
    t.push_back(Spec("ATF22V10C", 132, 72, 1, 137, 2, AtmelPes("1F22V10C"), 12.0f, 200));
    t.push_back(Spec("GAL18V10", 80, 80, 102, 0, 1, MakerPes(80, 1, 161), 15.75f, 100));
    t.push_back(Spec("GAL26CV12", 88, 72, 128, 0, 1, MakerPes(88, 3, 161), 14.0f, 100));
    t.push_back(Spec("GAL26CV12B", 89, 72, 128, 0, 0, MakerPes(89, 4, 32), 15.0f, 100));
    t.push_back(Spec("GAL26V12C", 93, 72, 156, 0, 1, CodedPes(93, 3, 5, 21, 14), 15.5f, 100));
    t.push_back(Spec("GAL20RA10", 96, 72, 86, 0, 1, MakerPes(96, 0, 161), 16.5f, 100));
    t.push_back(Spec("GAL20RA10B", 97, 72, 86, 0, 1, MakerPes(97, 2, 161), 14.5f, 100));
    // A 40-bit row leaves room for five signature bytes only.
    auto xv10 = MakerPes(101, 0, 161);
    xv10.resize(5);
    t.push_back(Spec("GAL20XV10", 101, 72, 46, 0, 1, xv10, 16.5f, 100));
    auto xv10b = MakerPes(102, 1, 143);
    xv10b.resize(5);
    t.push_back(Spec("GAL20XV10B", 102, 72, 46, 0, 0, xv10b, 15.75f, 50));
    // Signature variants and chips that identification must refuse.
    t.push_back(Spec("ATF16V8Z", 128, 0, 1, 64, 2, AtmelPes("1F16V8Z"), 12.0f, 100));
    t.push_back(Spec("ATF22V10Z", 132, 72, 1, 137, 2, AtmelPes("1F22V10Z"), 12.0f, 200));
    t.push_back(Spec("UNKNOWN-DETECT", 0, 0, 99, 0, 1, MakerPes(0, 0, 161), 15.75f, 100));
    t.push_back(Spec("ATMEL-UNKNOWN-SUB", 128, 0, 1, 0, 2, AtmelPes("1F16V8B"), 12.0f, 100));
    t.push_back(Spec("PES-MISMATCH", 80, 80, 102, 0, 1, MakerPes(73, 1, 161), 15.75f, 100));
    for (auto& s : t) {
        // The C parts keep their signature (and every row) behind the variant flag and carry the
        // power-down cell.
        if (s.type == 129 || s.type == 132) s.hasPowerDown = true;
        if (s.type == 132) s.pesNeedsVariant = true;
    }
    return t;
}

const std::vector<ChipSpec>& Factory() {
    static const std::vector<ChipSpec> table = BuildFactory();
    return table;
}

}  // namespace

Chip::Chip(ChipSpec spec) : spec_(std::move(spec)) {
    if (!SelectDevice(geometry_, spec_.type)) SelectDevice(geometry_, 0);
    const int rowBits = geometry_.rowBits;
    if (IsGal6001Layout()) {
        rows_.assign(kColumns, std::vector<std::uint8_t>(rowBits, 1));
        lines_.assign(kLines, std::vector<std::uint8_t>(kLineLength, 1));
    } else {
        rows_.assign(geometry_.rowCount, std::vector<std::uint8_t>(rowBits, 1));
    }
    cfg_.assign(geometry_.cfgBits, 1);
    ues_.assign(rowBits, 1);
    pes_.assign(rowBits, 1);
    for (std::size_t i = 0; i < spec_.pes.size(); ++i) {
        for (int j = 0; j < 8; ++j) {
            const std::size_t k = 8 * i + geometry_.pesReadOffset + static_cast<std::size_t>(j);
            if (k < pes_.size()) pes_[k] = static_cast<std::uint8_t>((spec_.pes[i] >> j) & 1);
        }
    }
}

bool Chip::IsGal6001Layout() const { return geometry_.code == 64 || geometry_.code == 65 || geometry_.code == 68; }

int Chip::JedecFuseCount() const { return geometry_.fuseCount + (hasPowerDown() ? 1 : 0); }

RowTarget Chip::LocateRow(std::uint8_t parallel, std::uint8_t serial) const {
    const DeviceProfile& g = geometry_;
    if (serial == 255) {
        if (parallel == g.cfgRow) return {CellRow::Config, 0};
        if (g.addressBits != 0) return {};
        if (parallel < g.rowCount) return {CellRow::Fuse, parallel};
        if (parallel == g.uesRow) return {CellRow::Ues, 0};
        if (parallel == g.pesRow) return {CellRow::Pes, 0};
        return {};
    }
    if (g.addressBits == 0) return {};
    if (IsGal6001Layout()) {
        if (serial % 2 == 1 && (serial - 1) / 2 < kColumns) return {CellRow::Fuse, (serial - 1) / 2};
    } else if (serial < g.rowCount) {
        return {CellRow::Fuse, serial};
    }
    if (serial == (g.uesRowSerial & 0xFF)) return {CellRow::Ues, 0};
    if (serial == (g.pesRowSerial & 0xFF)) return {CellRow::Pes, 0};
    return {};
}

Action Chip::LocateAction(std::uint8_t parallel, std::uint8_t serial) const {
    const DeviceProfile& g = geometry_;
    const bool serialSecurity = (g.securityRowSerial & 0xFF) != 255;
    if (serial == 255) {
        if (parallel == g.eraseRow) return Action::Erase;
        if (parallel == g.eraseAllRow) return Action::EraseAll;
        if (!serialSecurity && parallel == g.securityRow) return Action::Security;
        if (g.addressBits == 0 && parallel == 59) return Action::PowerDown;
        return Action::None;
    }
    if (serialSecurity && serial == (g.securityRowSerial & 0xFF)) return Action::Security;
    if (g.addressBits != 0 && serial == 59) return Action::PowerDown;
    return Action::None;
}

int Chip::RowLength(RowTarget target) const {
    if (target.row == CellRow::Pattern) return kLineLength;
    const auto* cells = Cells(target);
    return cells ? static_cast<int>(cells->size()) : 0;
}

std::uint8_t Chip::ActionBit(Action action) const {
    switch (action) {
        case Action::Erase: return geometry_.eraseBit;
        case Action::EraseAll: return geometry_.eraseAllBit;
        case Action::Security: return geometry_.securityBit;
        default: return 0;
    }
}

std::vector<std::uint8_t>* Chip::Cells(RowTarget target) {
    return const_cast<std::vector<std::uint8_t>*>(static_cast<const Chip*>(this)->Cells(target));
}

const std::vector<std::uint8_t>* Chip::Cells(RowTarget target) const {
    switch (target.row) {
        case CellRow::Fuse:
            return target.index >= 0 && target.index < static_cast<int>(rows_.size()) ? &rows_[target.index] : nullptr;
        case CellRow::Ues: return &ues_;
        case CellRow::Pes: return &pes_;
        case CellRow::Config: return &cfg_;
        default: return nullptr;
    }
}

std::vector<int> Chip::SelectedLines(const std::vector<std::uint8_t>& pattern) {
    std::vector<int> lines;
    for (int i = 0; i < kLines; ++i) {
        const std::size_t k = static_cast<std::size_t>(kSelectFirst + i);
        if (k < pattern.size() && pattern[k] == 0) lines.push_back(i);
    }
    return lines;
}

std::vector<std::uint8_t> Chip::ReadRow(RowTarget target, int count, std::uint8_t variantFlag,
                                        const std::vector<std::uint8_t>& select) const {
    std::vector<std::uint8_t> out(static_cast<std::size_t>(std::max(count, 0)), 1);
    if (spec_.pesNeedsVariant && variantFlag != 1) return out;  // the part does not answer at all
    const bool hidden = secured_ && (target.row == CellRow::Fuse || target.row == CellRow::Pattern ||
                                     target.row == CellRow::Config);
    if (target.row == CellRow::Pattern) {
        const auto lines = SelectedLines(select);
        for (int k = 0; k < count && k < kLineLength; ++k) {
            if (!IsLineData(k)) {
                out[k] = 0;
                continue;
            }
            if (lines.empty()) continue;  // nothing drives the data lines
            std::uint8_t v = 1;
            for (int line : lines) v &= lines_[line][k];  // selected lines share the sense line
            out[k] = hidden ? 0 : v;
        }
        return out;
    }
    const auto* cells = Cells(target);
    if (!cells) return out;
    for (int k = 0; k < count && k < static_cast<int>(cells->size()); ++k) out[k] = hidden ? 0 : (*cells)[k];
    return out;
}

void Chip::WriteRow(RowTarget target, const std::vector<std::uint8_t>& bits, std::uint8_t variantFlag) {
    if (spec_.pesNeedsVariant && variantFlag != 1) return;
    if (target.row == CellRow::Pattern) {
        for (int line : SelectedLines(bits)) {
            for (int k = 0; k < kLineLength && k < static_cast<int>(bits.size()); ++k) {
                if (IsLineData(k)) lines_[line][k] &= (bits[k] != 0 ? 1 : 0);
            }
        }
        return;
    }
    auto* cells = Cells(target);
    if (!cells) return;
    for (std::size_t k = 0; k < bits.size() && k < cells->size(); ++k) (*cells)[k] &= (bits[k] != 0 ? 1 : 0);
}

void Chip::Erase() {
    for (auto& r : rows_) std::fill(r.begin(), r.end(), 1);
    for (auto& l : lines_) std::fill(l.begin(), l.end(), 1);
    std::fill(cfg_.begin(), cfg_.end(), 1);
    std::fill(ues_.begin(), ues_.end(), 1);
    secured_ = false;
    powerDownCell_ = 1;
}

void Chip::EraseAll() {
    Erase();
    std::fill(pes_.begin(), pes_.end(), 1);
}

template <typename Visit>
void Chip::ForEachFuse(Visit&& visit) {
    const DeviceProfile& g = geometry_;
    if (IsGal6001Layout()) {
        for (int c = 0; c < kColumns; ++c) {
            for (int k = 0; k < 64; ++k) visit(114 * k + c, rows_[c][31 + k]);
            for (int k = 0; k < 11; ++k) visit(7296 + 78 * k + c, rows_[c][20 + k]);
        }
        for (int i = 0; i < kLines; ++i) {
            for (int k = 0; k < 20; ++k) visit(114 * i + 78 + k, lines_[i][k]);
            for (int k = 0; k < 16; ++k) visit(114 * i + 98 + k, lines_[i][103 + k]);
        }
    } else {
        for (int r = 0; r < g.rowCount; ++r)
            for (int k = 0; k < g.rowBits; ++k) visit(r + k * g.rowCount, rows_[r][k]);
    }
    for (int k = 0; k < g.cfgBits; ++k) visit(g.cfgFuseIndex[k], cfg_[k]);
    for (int m = 0; m < g.uesBytes * 8; ++m) visit(g.uesFuse + m, ues_[g.uesReadOffset + m]);
    if (hasPowerDown()) visit(g.fuseCount, powerDownCell_);
}

std::vector<std::uint8_t> Chip::Fuses() const {
    std::vector<std::uint8_t> fuses(static_cast<std::size_t>(JedecFuseCount()), 1);
    const_cast<Chip*>(this)->ForEachFuse([&](int fuse, std::uint8_t& cell) {
        if (fuse >= 0 && fuse < static_cast<int>(fuses.size())) fuses[fuse] = cell;
    });
    return fuses;
}

void Chip::SetFuses(const std::vector<std::uint8_t>& fuses) {
    Erase();
    ForEachFuse([&](int fuse, std::uint8_t& cell) {
        if (fuse >= 0 && fuse < static_cast<int>(fuses.size())) cell = fuses[fuse] != 0 ? 1 : 0;
    });
}

std::vector<std::uint8_t> Chip::PesBytes() const {
    const int n = (geometry_.rowBits - geometry_.pesReadOffset) / 8;
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(std::max(n, 0)), 0);
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < 8; ++j)
            bytes[i] = static_cast<std::uint8_t>(bytes[i] | (pes_[8 * i + geometry_.pesReadOffset + j] << j));
    return bytes;
}

std::vector<std::string> ChipNames() {
    std::vector<std::string> names;
    for (const auto& s : Factory()) names.push_back(s.label);
    return names;
}

bool FactorySpec(const std::string& name, ChipSpec& spec) {
    const std::string wanted = Upper(name);
    for (const auto& s : Factory()) {
        if (s.label == wanted) {
            spec = s;
            return true;
        }
    }
    return false;
}

std::unique_ptr<Chip> MakeChip(const std::string& name) {
    ChipSpec spec;
    if (!FactorySpec(name, spec)) return nullptr;
    return std::make_unique<Chip>(std::move(spec));
}

}  // namespace vostrel::sim
