#pragma once
// A chip in the simulated unit's socket. It holds its cells the way the silicon does: the array rows
// (for the GAL6001 family the 78 column transfers and the 64 product-term lines), the configuration
// row, the UES and PES rows, the security cell and, on the ATMEL C parts, the power-down cell. The
// JEDEC view (Fuses/SetFuses) is only a mapping over those cells, so a host that moves a row with a
// wrong layout gets exactly what the real part would give it.
//
// Erased cells read 1; a programming pulse can only pull a cell to 0 (the new value is old AND data).
// A write without a preceding erase therefore leaves earlier zeros in place, as on the real part.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "device/DeviceProfile.h"

namespace vostrel::sim {

// What tells one chip from another at the unit: the silicon's geometry and how it answers the
// probes. A custom spec makes chips that must fail identification.
struct ChipSpec {
    std::string label;               // name used by the control channel ("GAL16V8", "ATF22V10C", ...)
    DeviceCode type = 0;             // geometry of the silicon (a code of the device table)
    std::uint8_t probeCode = 0;      // the device code of the probe PowerUp this chip answers
    std::uint8_t detection = 0;      // Identify data byte 0 for that probe
    std::uint8_t subCode = 0;        // Identify data byte 1
    std::uint8_t pullUps = 0;        // PowerUp data byte 0: 0 none, 1 pull-ups, 2 pin keeper
    std::vector<std::uint8_t> pes;   // factory signature bytes, packed from the PES offset, LSB first
    bool pesNeedsVariant = false;    // the PES (and every row) answers only with variant flag 1
    bool hasPowerDown = false;       // ATMEL C parts: the power-down cell behind JEDEC fuse fuseCount
    float vppMaxVolts = 16.5f;       // highest programming supply the part tolerates
    int eraseMs = 100;               // shortest erase that clears the part
};

// Where a row transfer lands in the chip.
enum class CellRow { None, Fuse, Pattern, Ues, Pes, Config };
struct RowTarget {
    CellRow row = CellRow::None;
    int index = 0;  // array row (or GAL6001 column) for Fuse
};
// Where a one-byte write request lands.
enum class Action { None, Erase, EraseAll, Security, PowerDown };

class Chip {
public:
    explicit Chip(ChipSpec spec);

    const ChipSpec& Spec() const { return spec_; }
    const std::string& Label() const { return spec_.label; }
    // The silicon's geometry from the device table.
    const DeviceProfile& Geometry() const { return geometry_; }
    bool IsGal6001Layout() const;
    // Number of JEDEC fuses the chip holds: fuseCount, plus one for the power-down cell.
    int JedecFuseCount() const;

    // Address decoding, from header bytes 3 (parallel) and 4 (serial, 255 = none).
    RowTarget LocateRow(std::uint8_t parallel, std::uint8_t serial) const;
    Action LocateAction(std::uint8_t parallel, std::uint8_t serial) const;
    // Cells in the addressed row (the length a transfer should have); 0 for None.
    int RowLength(RowTarget target) const;
    // The data byte a one-byte request must carry to take effect.
    std::uint8_t ActionBit(Action action) const;

    // Shifts count bits out of the row; positions past the row read 1 (nothing drives them).
    // select is the select pattern of a GAL6001 line transfer (ignored otherwise).
    std::vector<std::uint8_t> ReadRow(RowTarget target, int count, std::uint8_t variantFlag,
                                      const std::vector<std::uint8_t>& select) const;
    // Programs the row: each cell becomes cell AND bit. Positions past the row are lost.
    void WriteRow(RowTarget target, const std::vector<std::uint8_t>& bits, std::uint8_t variantFlag);
    // Lines a GAL6001 select pattern addresses (positions 31 .. 94 that are 0).
    static std::vector<int> SelectedLines(const std::vector<std::uint8_t>& pattern);

    void Erase();     // array, configuration, UES, security and power-down cells
    void EraseAll();  // all of that and the PES
    void SetSecured() { secured_ = true; }
    void DisablePowerDown() { powerDownCell_ = 0; }
    bool Secured() const { return secured_; }
    bool PowerDownDisabled() const { return hasPowerDown() && powerDownCell_ == 0; }

    // JEDEC view: JedecFuseCount() entries, each 0 or 1, read straight from the cells (a secured
    // chip's dump still shows its cells: this is the engine's view, not the wire's).
    std::vector<std::uint8_t> Fuses() const;
    // Erases the chip, then programs it to hold fuses (missing entries stay erased, 1).
    void SetFuses(const std::vector<std::uint8_t>& fuses);
    // The PES bytes as the cells hold them now (after EraseAll: all 255).
    std::vector<std::uint8_t> PesBytes() const;

private:
    bool hasPowerDown() const { return spec_.hasPowerDown; }
    std::vector<std::uint8_t>* Cells(RowTarget target);
    const std::vector<std::uint8_t>* Cells(RowTarget target) const;
    template <typename Visit> void ForEachFuse(Visit&& visit);

    ChipSpec spec_;
    DeviceProfile geometry_;
    std::vector<std::vector<std::uint8_t>> rows_;   // array rows, or GAL6001 column transfers
    std::vector<std::vector<std::uint8_t>> lines_;  // GAL6001 product-term lines (119 positions)
    std::vector<std::uint8_t> cfg_;
    std::vector<std::uint8_t> ues_;
    std::vector<std::uint8_t> pes_;
    bool secured_ = false;
    std::uint8_t powerDownCell_ = 1;
};

// Chips the factory knows: the 22 types of the device table, the ATMEL signature variants and the
// chips that must fail identification. Each comes erased, with its factory PES.
//   ATF16V8Z, ATF22V10Z   ATMEL parts whose PES spells a name the table lacks
//   UNKNOWN-DETECT        answers the first probe with detection code 99
//   ATMEL-UNKNOWN-SUB     answers the first probe with code 1 and sub-code 0
//   PES-MISMATCH          a GAL18V10 whose PES names a GAL22V10AZ
std::vector<std::string> ChipNames();
// Null for a name the factory does not know (letter case is ignored).
std::unique_ptr<Chip> MakeChip(const std::string& name);
// The chip description behind a factory name, for tests that build a variant of it.
bool FactorySpec(const std::string& name, ChipSpec& spec);

}  // namespace vostrel::sim
